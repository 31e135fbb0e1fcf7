#pragma once

#include <QColor>
#include <QStyledItemDelegate>

namespace quarvel {

// Paints the report list's banded rows: every even row (the first, third, ...) light blue in
// every column, the others in the window colour, over whatever background the model asks for.
class CBandedRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static QColor BandColor() { return QColor(210, 234, 244); }

    explicit CBandedRowDelegate(QObject* parent = nullptr);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace quarvel
