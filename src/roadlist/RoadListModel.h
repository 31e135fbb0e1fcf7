#pragma once

#include "road/RoadSection.h"

#include <QAbstractTableModel>
#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

namespace quarvel {

// The sections of a road in stake order: the label, the file's name and its
// point count, known once the section has been read; a section that could
// not be read is marked and tells why in its tooltip.
class RoadListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { LabelColumn, FileColumn, PointsColumn, ColumnCount };

    explicit RoadListModel(QObject* parent = nullptr);

    void SetSections(std::vector<RoadSection> sections);
    const std::vector<RoadSection>& Sections() const { return m_sections; }
    const RoadSection& Section(int row) const { return m_sections[static_cast<std::size_t>(row)]; }

    // What reading the section found; the latest word counts.
    void SetRead(int row, std::size_t points);
    void SetFailed(int row, const QString& reason);
    bool IsFailed(int row) const;
    // Empty unless the section could not be read.
    QString Failure(int row) const;
    std::optional<std::size_t> PointCount(int row) const;
    int FailedCount() const { return m_failedCount; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct State {
        std::optional<std::size_t> points;
        QString failure;
    };

    bool IsRow(int row) const { return row >= 0 && row < rowCount(); }
    void RowChanged(int row);

    std::vector<RoadSection> m_sections;
    std::vector<State> m_states;
    int m_failedCount = 0;
};

} // namespace quarvel
