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

} // namespace

CCheckComboItemDelegate::CCheckComboItemDelegate(QObject* parent) : QAbstractItemDelegate(parent) {}

int CCheckComboItemDelegate::BoxWidth(const QFontMetrics& metrics) {
    return metrics.height() + ExternalLeading(metrics) + 6;
}

int CCheckComboItemDelegate::RowHeight(const QFontMetrics& metrics) {
    return metrics.height() + ExternalLeading(metrics) + 2;
}

void CCheckComboItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const QStyle& style = StyleOf(option);
    const QRect row = option.rect;
    const int boxWidth = BoxWidth(option.fontMetrics);
    const QRect boxRect(row.left(), row.top() + 1, boxWidth, row.height() - 2);
    const QRect textRect = row.adjusted(boxWidth, 0, 0, 0);

    painter->save();
    painter->fillRect(QRect(row.left(), row.top(), boxWidth, row.height()),
                      option.palette.color(QPalette::Base));
    QStyleOptionButton box;
    box.QStyleOption::operator=(option);
    // A square as large as the box rectangle allows, so that the box grows with the font.
    const int side = std::min(boxRect.width(), boxRect.height());
    box.rect = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, QSize(side, side), boxRect);
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
    const QString text = QLatin1Char(' ') + index.data(Qt::DisplayRole).toString();
    return {BoxWidth(metrics) + metrics.horizontalAdvance(text), RowHeight(metrics)};
}

} // namespace quarvel
