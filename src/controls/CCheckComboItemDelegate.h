#pragma once

#include <QAbstractItemDelegate>

namespace quarvel {

// Draws one row of the check combo's list: a check box, then the text one space in, the row in
// the highlight colours while selected.
class CCheckComboItemDelegate : public QAbstractItemDelegate {
    Q_OBJECT
public:
    explicit CCheckComboItemDelegate(QObject* parent = nullptr);

    // Width of the check box column and height of a row for a font.
    static int BoxWidth(const QFontMetrics& metrics);
    static int RowHeight(const QFontMetrics& metrics);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace quarvel
