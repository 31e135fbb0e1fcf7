#pragma once

#include "sectiondata/CDataStruct.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

enum KneeMode : int {
    IntersectionsOnly = 0,     // "仅显示交点"
    IntersectionsAndKnees = 1, // "显示交点与拐点"
    KneesOnly = 2,             // "仅显示拐点"
};

struct TableOptions {
    int kneeMode = IntersectionsOnly; // any other value acts as IntersectionsAndKnees
    bool renumber = false;
    bool reverse = false;
    int decimals = 3; // 0, 1 or 2; anything else gives 3
};

// The mode and the number of decimals a table applies for any value it is
// given. Whoever keeps these options (the settings file) uses the same rule,
// so that a value read back shows the table the user saw.
constexpr int EffectiveKneeMode(int kneeMode) {
    return kneeMode == IntersectionsOnly || kneeMode == KneesOnly ? kneeMode
                                                                  : IntersectionsAndKnees;
}
constexpr int EffectiveDecimals(int decimals) {
    return decimals >= 0 && decimals <= 2 ? decimals : 3;
}

constexpr std::size_t kFieldCount = 9;
constexpr int kMinColumnCount = 2;
constexpr int kMaxColumnCount = 9;

// The nine field captions in their order: "编号", "坐标X", "坐标Y", "高程Z",
// "与起点距离", "与前点距离", "注释", "方位", "图层".
const std::array<std::string, kFieldCount>& FieldCaptions();

// The nine captions joined by "\n", no trailing line feed.
const std::string& FieldCaptionList();

// "序号", the caption of the sequence column.
const std::string& SequenceCaption();

// The knee-point mode texts in mode order.
const std::array<std::string, 3>& KneeModeTexts();

enum class Field {
    Number,
    X,
    Y,
    Z,
    DistanceFromStart,
    DistanceFromPrevious,
    Note,
    Azimuth,
    Layer,
    Unknown, // any other caption: shows the point number plus one
};

Field FieldFromCaption(std::string_view caption);

// "注释" and "图层", the fields whose cells are texts rather than numbers.
constexpr bool IsTextField(Field field) {
    return field == Field::Note || field == Field::Layer;
}

// The value with 0, 1, 2 or (for anything else) 3 decimals, "." as point.
std::string FormatValue(double value, int decimals);

// Whether a point becomes a row under the knee-point mode.
bool IsRowShown(const CDataStruct& point, int kneeMode);

// The "与起点距离" of a point: its station, or in a reversed table the last
// record's station minus its own.
double DistanceFromStart(const PointList& points, std::size_t index, bool reverse);

// The table in compact form: which point each row shows, and the one number
// per row that a "与前点距离" cell needs. Cell texts are made on demand.
struct TableRows {
    std::vector<std::uint32_t> pointIndices; // display order
    // Value shown in a "与前点距离" cell of each row (before formatting);
    // empty when no column shows that field.
    std::vector<double> previousDistances;
};

TableRows BuildTableRows(const PointList& points, const TableOptions& options,
                         const std::vector<std::string>& captions);

// Text of one data cell of the table built by BuildTableRows.
std::string GetCellText(const PointList& points, const TableRows& rows, std::size_t row,
                        std::string_view caption, const TableOptions& options);

// The same text appended to out, for callers that write many cells.
void AppendCellText(std::string& out, const PointList& points, const TableRows& rows,
                    std::size_t row, Field field, const TableOptions& options);

// The checked layers of the layer filter applied to the points; see the
// implementation for which points it leaves alone.
void ApplyLayerFilter(PointList& points, const std::vector<std::string>& checkedLayers);

} // namespace quarvel

namespace quarvel {

// A table as shown: rows and data columns with texts made on demand. It does
// not own the points; they must outlive it and stay unchanged while it is used.
class TableSource {
public:
    virtual ~TableSource() = default;
    virtual std::size_t RowCount() const = 0;
    virtual std::size_t DataColumnCount() const = 0;
    // The caption of a data column, as its header shows it.
    virtual std::string ColumnCaption(std::size_t dataColumn) const = 0;
    // dataColumn counts from 0 (the first column after "序号").
    virtual std::string CellText(std::size_t row, std::size_t dataColumn) const = 0;
    // Appends CellText to out; tables that can make texts in place override it.
    virtual void AppendCellText(std::string& out, std::size_t row, std::size_t dataColumn) const;
    // Whether the column's texts are numbers (or empty), so that a workbook
    // can hold them as numbers to compute with.
    virtual bool IsNumberColumn(std::size_t /*dataColumn*/) const { return false; }
    // For writers of many cells, which would otherwise make a string a cell:
    // writes the text of a number column's cell at out, which has room for
    // kMaxNumberText bytes, and returns its end; null when the table makes
    // that text only through AppendCellText.
    static constexpr std::size_t kMaxNumberText = 400;
    virtual char* WriteNumberText(char* /*out*/, std::size_t /*row*/,
                                  std::size_t /*dataColumn*/) const {
        return nullptr;
    }
    // The text of another column's cell where the table keeps it, if it does.
    // The same place holds the same text for as long as the table lives, so
    // that a writer can prepare each distinct text once.
    virtual std::optional<std::string_view> KeptCellText(std::size_t /*row*/,
                                                         std::size_t /*dataColumn*/) const {
        return std::nullopt;
    }
    // Whether several threads may make cell texts at once, so that a writer
    // can spread a large table's rows over them.
    virtual bool CellsFromAnyThread() const { return false; }
};

class SectionTable : public TableSource {
public:
    SectionTable() = default;
    SectionTable(const PointList& points, std::vector<std::string> captions, TableOptions options);
    // The table reads its points for as long as it lives: never from a temporary.
    SectionTable(PointList&& points, std::vector<std::string> captions,
                 TableOptions options) = delete;

    std::size_t RowCount() const override { return m_rows.pointIndices.size(); }
    std::size_t DataColumnCount() const override { return m_captions.size(); }
    std::string ColumnCaption(std::size_t dataColumn) const override {
        return m_captions[dataColumn];
    }
    std::string CellText(std::size_t row, std::size_t dataColumn) const override;
    void AppendCellText(std::string& out, std::size_t row, std::size_t dataColumn) const override;
    // Every field but "注释" and "图层".
    bool IsNumberColumn(std::size_t dataColumn) const override;
    char* WriteNumberText(char* out, std::size_t row, std::size_t dataColumn) const override;
    // Notes and layers lie in the points' lists, the labels of section points
    // in constants.
    std::optional<std::string_view> KeptCellText(std::size_t row,
                                                 std::size_t dataColumn) const override;
    // Its cells are made from the points alone.
    bool CellsFromAnyThread() const override { return true; }

    // The text a column of that field would show in the row, whether or not
    // one does.
    std::string FieldText(std::size_t row, Field field) const;

    const std::vector<std::string>& Captions() const { return m_captions; }
    const TableOptions& Options() const { return m_options; }
    std::size_t PointIndex(std::size_t row) const { return m_rows.pointIndices[row]; }
    // The points the table was built from; null for a default-made table.
    const PointList* Points() const { return m_points; }

private:
    const PointList* m_points = nullptr;
    std::vector<std::string> m_captions;
    TableOptions m_options;
    TableRows m_rows;
    std::vector<Field> m_fields; // one per caption, so cells skip the caption compare
};

} // namespace quarvel
