#pragma once

#include "profile/ProfileSource.h"
#include "table/TableRules.h"

#include <QAbstractTableModel>
#include <QItemSelection>
#include <QString>

namespace quarvel {

// The one copy of the table the window shows and the export writes: column 0 is
// the sequence column "序号", columns 1 to N the data columns. Cell texts are
// made when the view asks for them, so a million rows cost no memory per cell.
class SectionTableModel : public QAbstractTableModel, public ProfileSource {
    Q_OBJECT
public:
    explicit SectionTableModel(QObject* parent = nullptr);

    // Replaces the whole table; views see a model reset. The points are those
    // the table was built from; they let the widest texts of a column be found
    // without formatting every cell.
    void SetTable(SectionTable table, const PointList* points = nullptr);
    // An empty table with the captions kept, for the moment the points it
    // refers to are being replaced.
    void Clear();
    const SectionTable& Table() const override { return m_table; }
    const QAbstractItemModel& Rows() const override { return *this; }

    // The data cells of one row joined by tabs, as a spreadsheet pastes them.
    QString RowText(int row) const;
    // The selected rows, or every row when none is, one line each in table order.
    QString RowsText(const QItemSelection& selection) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString CellText(int row, int column) const;
    QStringList WidthCandidates(int column) const;
    QStringList SampledTexts(int column) const;

    SectionTable m_table;
    const PointList* m_points = nullptr;
};

} // namespace quarvel
