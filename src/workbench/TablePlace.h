#pragma once

#include <cstddef>
#include <optional>
#include <vector>

class QItemSelectionModel;

namespace quarvel {

class SectionTableModel;

// The rows selected in the table and its current cell, held by the points the rows show. A
// rebuild of the table from the same points (another field, column count or order) puts them
// back on the rows that show those points still.
class TablePlace {
public:
    static TablePlace Take(const SectionTableModel& model, const QItemSelectionModel& selection);
    void Restore(const SectionTableModel& model, QItemSelectionModel& selection) const;

private:
    std::vector<std::size_t> m_selectedPoints;
    std::optional<std::size_t> m_currentPoint;
    int m_currentColumn = 0;
};

} // namespace quarvel
