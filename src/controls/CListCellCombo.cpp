#include "controls/CListCellCombo.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace quarvel {

CListCellCombo::CListCellCombo(int column, QWidget* parent) : QComboBox(parent), m_nColumn(column) {
    setMaxVisibleItems(kMaxVisibleItems);
    // Styles that show the list as a menu ignore the visible-rows limit; keep it a list.
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    view()->setTextElideMode(Qt::ElideRight);
    connect(this, QOverload<int>::of(&QComboBox::activated), this, &CListCellCombo::OnActivated);
    view()->viewport()->installEventFilter(this);
}

CListCellCombo::~CListCellCombo() {
    // Destroyed with its parent while open: the edit ends without a report.
    m_bEnded = true;
}

void CListCellCombo::EndEdit(bool accept) {
    if (m_bEnded) {
        return;
    }
    m_bEnded = true;
    const QString text = currentText();
    const bool report = accept && m_bChanged && !text.isEmpty();
    if (view()->isVisible()) {
        hidePopup();
    }
    hide();
    if (report) {
        // The receiver may rebuild or even destroy the header, and this combo with it.
        const QPointer<CListCellCombo> self(this);
        emit cellEditEnded(m_nColumn, text);
        if (self == nullptr) {
            return;
        }
    }
    deleteLater();
}

int CListCellCombo::DropWidth() const {
    const QFontMetrics metrics = fontMetrics();
    // Fractional advances, as the list lays its texts out: rounded ones cut some texts short.
    const QFontMetricsF exactMetrics(font());
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        const int textWidth =
            static_cast<int>(std::ceil(exactMetrics.horizontalAdvance(itemText(i))));
        widest = std::max(widest, textWidth);
        if (widest > kMaxDropWidth) {
            widest = kMaxDropWidth;
            break;
        }
    }
    if (count() > kMaxVisibleItems) {
        widest += style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view());
    }
    widest += metrics.horizontalAdvance(QLatin1Char('0'));
    return std::max(widest, width());
}

void CListCellCombo::showPopup() {
    QComboBox::showPopup();
    QWidget* const popup = view()->window();
    if (popup == window()) {
        return;
    }
    QRect geometry = popup->geometry();
    geometry.setWidth(DropWidth());
    // A list widened beyond the screen's right edge moves left instead of being cut off.
    if (const QScreen* const screen = popup->screen()) {
        const QRect available = screen->availableGeometry();
        if (geometry.right() > available.right()) {
            geometry.moveRight(available.right());
        }
    }
    popup->setGeometry(geometry);
}

void CListCellCombo::showEvent(QShowEvent* event) {
    QComboBox::showEvent(event);
    if (!m_bShown) {
        m_bShown = true;
        m_nInitialIndex = currentIndex();
    }
}

void CListCellCombo::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    // The style sheet that keeps the list a list also keeps the combo's font from reaching it,
    // and the list's width is measured in the combo's font.
    if (event->type() == QEvent::FontChange) {
        view()->setFont(font());
    }
}

void CListCellCombo::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        EndEdit(true);
        event->accept();
        return;
    case Qt::Key_Escape:
        // Escape closes only an open list; the edit goes on, and no dialog sees the key.
        event->accept();
        return;
    default:
        QComboBox::keyPressEvent(event);
        return;
    }
}

void CListCellCombo::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    // Dropping the list down moves the focus into the popup; that does not end the edit.
    if (event->reason() == Qt::PopupFocusReason || HasFocusWithin()) {
        return;
    }
    EndEdit(true);
}

bool CListCellCombo::HasFocusWithin() const {
    const QWidget* const focus = QApplication::focusWidget();
    return focus != nullptr && (focus == this || focus->window() == view()->window());
}

bool CListCellCombo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view()->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex item = view()->indexAt(mouse->position().toPoint());
        // Only the left button chooses; a click on the item already selected changes nothing.
        // Either way the list stays open.
        if (mouse->button() != Qt::LeftButton || (item.isValid() && item.row() == currentIndex())) {
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void CListCellCombo::OnActivated(int index) {
    if (m_bEnded || index == m_nInitialIndex) {
        return;
    }
    m_bChanged = true;
    EndEdit(true);
}

} // namespace quarvel
