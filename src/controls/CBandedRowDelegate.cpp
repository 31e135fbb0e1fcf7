#include "controls/CBandedRowDelegate.h"

namespace quarvel {

CBandedRowDelegate::CBandedRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void CBandedRowDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const bool evenRow = index.row() % 2 == 0;
    option->backgroundBrush = evenRow ? BandColor() : option->palette.color(QPalette::Base);
}

} // namespace quarvel
