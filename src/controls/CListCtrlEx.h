#pragma once

#include <QString>
#include <QTableView>

namespace quarvel {

class CHeaderCtrlEx;

// The report list: grid, full-row selection, 22 px rows, banded rows and the choosing header.
class CListCtrlEx : public QTableView {
    Q_OBJECT
public:
    // headerData(section, Qt::Horizontal, kWidthCandidatesRole) may return a QStringList of the
    // texts most likely to be the widest in that column, so that AutoSizeColumns needs not read
    // every cell of a large model.
    static constexpr int kWidthCandidatesRole = Qt::UserRole + 100;
    static constexpr int kRowHeight = 22;
    static constexpr int kMinColumnWidth = 10;
    static constexpr int kMaxColumnWidth = 150;
    // Up to this many rows every cell is measured.
    static constexpr int kExactRowLimit = 10000;

    explicit CListCtrlEx(QWidget* parent = nullptr);

    CHeaderCtrlEx* HeaderCtrl() const;
    // Every column but the first gets the chooser with these line-feed separated choices.
    void SetHeaderChoices(const QString& choices);
    // Width = max(current, widest cell) bounded to 10..150 px; the caption does not count.
    void AutoSizeColumns();

private:
    int WidestCellWidth(int column) const;

    CHeaderCtrlEx* m_header = nullptr;
};

} // namespace quarvel
