#include "controls/CCheckComboItemDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <algorithm>

namespace quarvel {

namespace {

// Some fonts report a negative leading; the rows never get thinner for it.
int ExternalLeading(const QFontMetrics& metrics) {
    return std::max(0, metrics.leading());
}

const QStyle& StyleOf(const QStyleOptionViewItem& option) {
    return option.widget != nullptr ? *option.widget->style() : *QApplication::style();
}

// The style's own check box size: some styles draw the box only at that size, whatever room it
// is given, so the box takes its size from the style rather than from the font.
QSize IndicatorSize(const QStyleOptionViewItem& option) {
    const QStyle& style = StyleOf(option);
    return {style.pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget),
            style.pixelMetric(QStyle::PM_IndicatorHeight, &option, option.widget)};
}

// The check box centred in its column, a pixel below the row's top and above its bottom.
QRect BoxRect(const QRect& row, const QFontMetrics& metrics, QSize indicator) {
    const QRect column(row.left(), row.top() + 1,
                       CCheckComboItemDelegate::BoxWidth(metrics, indicator), row.height() - 2);
    return QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, indicator, column);
}

} // namespace

CCheckComboItemDelegate::CCheckComboItemDelegate(QObject* parent) : QAbstractItemDelegate(parent) {}

int CCheckComboItemDelegate::BoxWidth(const QFontMetrics& metrics, QSize indicator) {
    return std::max(metrics.height() + ExternalLeading(metrics) + 6, indicator.width() + 2);
}

int CCheckComboItemDelegate::RowHeight(const QFontMetrics& metrics, QSize indicator) {
    return std::max(metrics.height() + ExternalLeading(metrics) + 2, indicator.height() + 2);
}

void CCheckComboItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const QStyle& style = StyleOf(option);
    const QRect row = option.rect;
    const QSize indicator = IndicatorSize(option);
    const int boxWidth = BoxWidth(option.fontMetrics, indicator);
    const QRect textRect = row.adjusted(boxWidth, 0, 0, 0);

    painter->save();
    painter->fillRect(QRect(row.left(), row.top(), boxWidth, row.height()),
                      option.palette.color(QPalette::Base));
    QStyleOptionButton box;
    box.QStyleOption::operator=(option);
    box.rect = BoxRect(row, option.fontMetrics, indicator);
    const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    box.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
    style.drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, option.widget);

    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->fillRect(textRect,
                      option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(option.font);
    const QString text = QLatin1Char(' ') + index.data(Qt::DisplayRole).toString();
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      option.fontMetrics.elidedText(text, Qt::ElideRight, textRect.width()));

    if (selected && option.state.testFlag(QStyle::State_HasFocus)) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = textRect;
        focus.backgroundColor = option.palette.color(QPalette::Highlight);
        style.drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
    painter->restore();
}

QSize CCheckComboItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    const QFontMetrics& metrics = option.fontMetrics;
    const QSize indicator = IndicatorSize(option);
    const QString text = QLatin1Char(' ') + index.data(Qt::DisplayRole).toString();
    return {BoxWidth(metrics, indicator) + metrics.horizontalAdvance(text),
            RowHeight(metrics, indicator)};
}

} // namespace quarvel
