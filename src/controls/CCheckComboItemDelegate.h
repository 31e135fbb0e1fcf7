#pragma once

#include <QAbstractItemDelegate>

namespace quarvel {

// Draws one row of the check combo's list: a check box, then the text one space in, the row in
// the highlight colours while selected.
class CCheckComboItemDelegate : public QAbstractItemDelegate {
    Q_OBJECT
public:
    explicit CCheckComboItemDelegate(QObject* parent = nullptr);

    // Width of the check box column and height of a row: the font's, or more where the check
    // box needs it with a pixel above and below.
    static int BoxWidth(const QFontMetrics& metrics, QSize indicator);
    static int RowHeight(const QFontMetrics& metrics, QSize indicator);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace quarvel
