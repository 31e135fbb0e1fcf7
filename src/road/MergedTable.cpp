#include "road/MergedTable.h"

#include <algorithm>
#include <utility>

namespace quarvel {

const std::string& StakeCaption() {
    static const std::string caption = "桩号";
    return caption;
}

MergedTable::MergedTable(std::vector<std::string> captions) : m_captions(std::move(captions)) {}

void MergedTable::Add(std::string label, const SectionTable& table) {
    if (table.RowCount() == 0) {
        return;
    }
    m_parts.push_back({std::move(label), &table, m_rowCount});
    m_rowCount += table.RowCount();
}

std::string MergedTable::ColumnCaption(std::size_t dataColumn) const {
    return dataColumn == 0 ? StakeCaption() : m_captions[dataColumn - 1];
}

std::string MergedTable::CellText(std::size_t row, std::size_t dataColumn) const {
    std::string text;
    AppendCellText(text, row, dataColumn);
    return text;
}

void MergedTable::AppendCellText(std::string& out, std::size_t row, std::size_t dataColumn) const {
    const Part& part = PartOf(row);
    if (dataColumn == 0) {
        out += part.label;
    } else {
        part.table->AppendCellText(out, row - part.firstRow, dataColumn - 1);
    }
}

char* MergedTable::WriteNumberText(char* out, std::size_t row, std::size_t dataColumn) const {
    const Part& part = PartOf(row);
    return dataColumn == 0 ? nullptr
                           : part.table->WriteNumberText(out, row - part.firstRow, dataColumn - 1);
}

std::optional<std::string_view> MergedTable::KeptCellText(std::size_t row,
                                                          std::size_t dataColumn) const {
    const Part& part = PartOf(row);
    if (dataColumn == 0) {
        return std::string_view(part.label);
    }
    return part.table->KeptCellText(row - part.firstRow, dataColumn - 1);
}

bool MergedTable::IsNumberColumn(std::size_t dataColumn) const {
    return dataColumn > 0 && !m_parts.empty() &&
           m_parts.front().table->IsNumberColumn(dataColumn - 1);
}

const MergedTable::Part& MergedTable::PartOf(std::size_t row) const {
    const auto after = std::upper_bound(
        m_parts.begin(), m_parts.end(), row,
        [](std::size_t wanted, const Part& part) { return wanted < part.firstRow; });
    return *(after - 1);
}

} // namespace quarvel
