#include "controls/CListCellCombo.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>
#include <cmath>

namespace quarvel {

namespace {

// Room kept between the face's edges, the caption and the arrow.
constexpr int kFaceMargin = 3;

} // namespace

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
    // A hidden combo that kept the focus would go on taking keys unseen.
    if (HasFocusWithin() && m_focusAfterEdit != nullptr) {
        m_focusAfterEdit->setFocus(Qt::OtherFocusReason);
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
    // Fractional advances, as the list lays its texts out: rounded ones cut some texts short.
    const QFontMetricsF exactMetrics(font());
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        widest = std::max(widest,
                          static_cast<int>(std::ceil(exactMetrics.horizontalAdvance(itemText(i)))));
    }
    // The list's own measure of its widest item holds the item's margins as the style lays
    // them out; only the text in it is capped.
    const QAbstractItemView* const list = view();
    int dropWidth = list->sizeHintForColumn(modelColumn()) - std::max(0, widest - kMaxDropWidth);
    // Beside the items: the popup's frame and the list's on both sides, and the scroll bar.
    const auto* popup = qobject_cast<const QFrame*>(list->window());
    const int popupFrame = popup != nullptr && popup != window() ? popup->frameWidth() : 0;
    dropWidth += 2 * (popupFrame + list->frameWidth());
    if (count() > maxVisibleItems()) {
        dropWidth += list->verticalScrollBar()->sizeHint().width();
    }
    return std::max(dropWidth, width());
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

void CListCellCombo::paintEvent(QPaintEvent* /*event*/) {
    // The style's arrow and text margins leave an 80 px column too little room for a caption
    // of five ideographs such as "与起点距离": the style draws the frame, and a narrow arrow and
    // the caption are drawn here.
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // The Windows styles show focus by filling their own text field, narrower than the caption
    // drawn here, with the highlight: the focus is shown by highlighting the caption itself, in
    // every style alike.
    const bool focused = option.state.testFlag(QStyle::State_HasFocus);
    option.state &= ~QStyle::State_HasFocus;
    option.subControls &= ~QStyle::SC_ComboBoxArrow;
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);

    const QString caption = currentText();
    const int captionWidth =
        static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(caption)));
    const int arrowWidth = fontMetrics().height() / 2 + 1;
    const QRect face = rect();
    QRect captionRect = face.adjusted(kFaceMargin, 0, -(2 * kFaceMargin + arrowWidth), 0);
    const bool withArrow = captionWidth <= captionRect.width();
    if (!withArrow) {
        // A caption that fits the column is never cut: the arrow and then the margins give way.
        captionRect = face.adjusted(kFaceMargin, 0, -kFaceMargin, 0);
        if (captionWidth > captionRect.width()) {
            captionRect = face;
        }
    }
    if (withArrow) {
        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = QRect(face.right() - kFaceMargin - arrowWidth + 1, face.top(), arrowWidth,
                           face.height());
        painter.drawPrimitive(QStyle::PE_IndicatorArrowDown, arrow);
    }
    painter.setPen(palette().color(QPalette::ButtonText));
    if (focused) {
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, this);
        painter.fillRect(
            QRect(captionRect.left(), field.top(), captionRect.width(), field.height()),
            palette().brush(QPalette::Highlight));
        painter.setPen(palette().color(QPalette::HighlightedText));
    }
    painter.drawText(captionRect, Qt::AlignCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(caption, Qt::ElideRight, captionRect.width()));
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
        // Only the left button chooses.
        if (mouse->button() != Qt::LeftButton) {
            return true;
        }
        // The item already selected changes nothing; the list closes and the edit goes on.
        const QModelIndex item = view()->indexAt(mouse->position().toPoint());
        if (item.isValid() && item.row() == currentIndex()) {
            hidePopup();
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
