#include "workbench/TablePlace.h"

#include "workbench/SectionTableModel.h"

#include <QItemSelectionModel>

#include <algorithm>

namespace quarvel {

TablePlace TablePlace::Take(const SectionTableModel& model, const QItemSelectionModel& selection) {
    TablePlace place;
    const SectionTable& table = model.Table();
    const int rows = model.rowCount();
    for (const QItemSelectionRange& range : selection.selection()) {
        for (int row = std::max(0, range.top()); row <= std::min(rows - 1, range.bottom()); ++row) {
            place.m_selectedPoints.push_back(table.PointIndex(static_cast<std::size_t>(row)));
        }
    }
    const QModelIndex current = selection.currentIndex();
    if (current.isValid() && current.row() < rows) {
        place.m_currentPoint = table.PointIndex(static_cast<std::size_t>(current.row()));
        place.m_currentColumn = current.column();
    }
    return place;
}

void TablePlace::Restore(const SectionTableModel& model, QItemSelectionModel& selection) const {
    const SectionTable& table = model.Table();
    const int rows = model.rowCount();
    if (table.Points() == nullptr || rows == 0) {
        return;
    }
    // The row that shows each point now; -1 where the point is not shown.
    std::vector<int> rowOfPoint(table.Points()->size(), -1);
    for (int row = 0; row < rows; ++row) {
        const std::size_t point = table.PointIndex(static_cast<std::size_t>(row));
        if (point < rowOfPoint.size()) {
            rowOfPoint[point] = row;
        }
    }
    const auto rowOf = [&rowOfPoint](std::size_t point) {
        return point < rowOfPoint.size() ? rowOfPoint[point] : -1;
    };

    std::vector<int> selectedRows;
    selectedRows.reserve(m_selectedPoints.size());
    for (const std::size_t point : m_selectedPoints) {
        if (const int row = rowOf(point); row >= 0) {
            selectedRows.push_back(row);
        }
    }
    std::sort(selectedRows.begin(), selectedRows.end());
    // Runs of rows become one range each, so that a large selection stays cheap.
    QItemSelection kept;
    for (std::size_t first = 0; first < selectedRows.size();) {
        std::size_t last = first;
        while (last + 1 < selectedRows.size() && selectedRows[last + 1] <= selectedRows[last] + 1) {
            ++last;
        }
        kept.select(model.index(selectedRows[first], 0), model.index(selectedRows[last], 0));
        first = last + 1;
    }
    if (!kept.isEmpty()) {
        selection.select(kept, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    if (m_currentPoint) {
        if (const int row = rowOf(*m_currentPoint); row >= 0) {
            const int column = std::min(m_currentColumn, model.columnCount() - 1);
            selection.setCurrentIndex(model.index(row, column), QItemSelectionModel::NoUpdate);
        }
    }
}

} // namespace quarvel
