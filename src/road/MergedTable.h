#pragma once

#include "table/TableRules.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quarvel {

// The tables of several sections one below the other, each row led by its
// section's label in the column "桩号". Every section's table keeps its own
// rows, numbering and distances; the tables are the caller's and must
// outlive this one.
class MergedTable : public TableSource {
public:
    // captions: the data columns after "桩号", the same in every table.
    explicit MergedTable(std::vector<std::string> captions);

    // Appends the rows of table below those added so far.
    void Add(std::string label, const SectionTable& table);

    std::size_t RowCount() const override { return m_rowCount; }
    std::size_t DataColumnCount() const override { return m_captions.size() + 1; }
    std::string ColumnCaption(std::size_t dataColumn) const override;
    std::string CellText(std::size_t row, std::size_t dataColumn) const override;
    void AppendCellText(std::string& out, std::size_t row, std::size_t dataColumn) const override;
    bool IsNumberColumn(std::size_t dataColumn) const override;
    char* WriteNumberText(char* out, std::size_t row, std::size_t dataColumn) const override;
    std::optional<std::string_view> KeptCellText(std::size_t row,
                                                 std::size_t dataColumn) const override;

    std::size_t SectionCount() const { return m_parts.size(); }
    const std::string& SectionLabel(std::size_t section) const { return m_parts[section].label; }
    const SectionTable& SectionTableAt(std::size_t section) const {
        return *m_parts[section].table;
    }

private:
    struct Part {
        std::string label;
        const SectionTable* table = nullptr;
        std::size_t firstRow = 0;
    };

    // The part that holds row.
    const Part& PartOf(std::size_t row) const;

    std::vector<std::string> m_captions;
    std::vector<Part> m_parts;
    std::size_t m_rowCount = 0;
};

// "桩号", the caption of the label column.
const std::string& StakeCaption();

} // namespace quarvel
