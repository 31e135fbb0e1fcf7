#include "controls/CCheckComboBox.h"

#include "controls/CCheckComboItemDelegate.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace quarvel {

namespace {

QString UserListSeparator() {
#ifdef Q_OS_WIN
    wchar_t buffer[10] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SLIST, buffer, 10);
    return QString::fromWCharArray(buffer);
#else
    return QStringLiteral(",");
#endif
}

} // namespace

CCheckComboBox::CCheckComboBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new CCheckComboItemDelegate(this));
    // Styles that show the list as a menu would close it at every click and ignore its length.
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    // Each combo watches its own list, so nothing outlives the combo that dropped it down.
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
}

QString CCheckComboBox::SummarySeparator(const QString& localeSeparator) {
    QString separator = localeSeparator.isEmpty() ? QStringLiteral(";") : localeSeparator;
    while (!separator.isEmpty() && separator.back().isSpace()) {
        separator.chop(1);
    }
    return separator + QLatin1Char(' ');
}

void CCheckComboBox::ResetContent() {
    clear();
    m_strSummary.clear();
    m_bSummaryValid = true;
    update();
}

int CCheckComboBox::AddString(const QString& text) {
    int index = 0;
    while (index < count() && QString::compare(itemText(index), text, Qt::CaseInsensitive) <= 0) {
        ++index;
    }
    insertItem(index, text);
    setItemData(index, Qt::Unchecked, Qt::CheckStateRole);
    // The face always shows the summary; no item is ever the combo's selection.
    setCurrentIndex(-1);
    return index;
}

int CCheckComboBox::SetCheck(int index, bool check) {
    if (index < 0 || index >= count()) {
        return -1;
    }
    setItemData(index, check ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    InvalidateSummary();
    return 0;
}

bool CCheckComboBox::GetCheck(int index) const {
    return index >= 0 && index < count() &&
           itemData(index, Qt::CheckStateRole).toInt() == Qt::Checked;
}

QStringList CCheckComboBox::CheckedTexts() const {
    QStringList texts;
    for (int i = 0; i < count(); ++i) {
        if (GetCheck(i)) {
            texts << itemText(i);
        }
    }
    return texts;
}

QString CCheckComboBox::SummaryText() const {
    if (!m_bSummaryValid) {
        const QString separator = SummarySeparator(UserListSeparator());
        QString summary;
        for (const QString& text : CheckedTexts()) {
            if (!summary.isEmpty()) {
                summary += separator;
            }
            summary += text;
        }
        m_strSummary = summary;
        m_bSummaryValid = true;
    }
    return m_strSummary;
}

QString CCheckComboBox::FaceText() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // The style draws the label one pixel in on either side of the edit field.
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    return fontMetrics().elidedText(QLatin1Char(' ') + SummaryText(), Qt::ElideRight,
                                    field.width() - 2);
}

void CCheckComboBox::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentIcon = QIcon();
    option.currentText = FaceText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void CCheckComboBox::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    // The style sheet that keeps the list a list also keeps the combo's font from reaching it.
    if (event->type() == QEvent::FontChange) {
        view()->setFont(font());
    }
}

bool CCheckComboBox::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool mouseEvent = type == QEvent::MouseButtonPress ||
                            type == QEvent::MouseButtonDblClick ||
                            type == QEvent::MouseButtonRelease;
    if (watched == view()->viewport() && mouseEvent) {
        if (HandleListMouse(*static_cast<QMouseEvent*>(event), type)) {
            return true;
        }
    } else if (watched == view() && event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        ToggleByUser(view()->currentIndex().row());
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

bool CCheckComboBox::HandleListMouse(const QMouseEvent& mouse, QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (mouse.button() == Qt::RightButton) {
            CheckAllByUser();
            return true;
        }
        if (mouse.button() == Qt::LeftButton) {
            // The whole row is the target; below the last row nothing toggles.
            ToggleByUser(view()->indexAt(mouse.position().toPoint()).row());
        }
        // The list still moves its current row.
        return false;
    case QEvent::MouseButtonRelease:
        // Without the release the list never closes on a click inside it, whatever the button.
        return true;
    default:
        return false;
    }
}

void CCheckComboBox::ToggleByUser(int index) {
    if (SetCheck(index, !GetCheck(index)) == 0) {
        view()->update(model()->index(index, modelColumn(), rootModelIndex()));
    }
    emit checkStateChanged();
}

void CCheckComboBox::CheckAllByUser() {
    const int total = count();
    const bool check = CheckedTexts().size() < total;
    for (int i = 0; i < total; ++i) {
        SetCheck(i, check);
    }
    view()->viewport()->update();
    emit checkStateChanged();
}

void CCheckComboBox::InvalidateSummary() {
    m_bSummaryValid = false;
    update();
}

} // namespace quarvel
