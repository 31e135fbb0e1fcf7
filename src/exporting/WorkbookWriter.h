#pragma once

#include "exporting/ExportWriter.h"
#include "exporting/SheetNames.h"
#include "table/TableRules.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace quarvel {

class AtomicFile;

// One sheet of a workbook: its name (valid, see SheetNames) and the table
// it shows, which must outlive the writing.
struct WorkbookSheet {
    std::string name;
    const TableSource* table = nullptr;
};

// Excel's limits: rows of a sheet (the caption row included) and columns.
constexpr std::size_t kWorkbookMaxRows = 1048576;
constexpr std::size_t kWorkbookMaxColumns = 16384;

// Why a workbook cannot hold the sheets (a sheet longer or wider than
// Excel's), naming the limit; empty when it can.
std::string WorkbookLimitProblem(const std::vector<WorkbookSheet>& sheets);

// Writes an Excel workbook (.xlsx), a sheet per entry, atomically as
// WriteExportFile does: the captions in the first row, bold and frozen;
// numbers as numbers that show the table's texts, in the number format of
// the decimals they show; other texts as text; columns as wide as their
// texts. A table too long for Excel is refused before anything is written.
// Rows are streamed (the library's constant-memory mode), so a large table
// costs little memory. A cancel takes effect between rows.
ExportResult WriteWorkbookFile(const std::filesystem::path& target,
                               const std::vector<WorkbookSheet>& sheets,
                               const CancelFlag* cancel = nullptr);

// The same into file, not committed (see WriteExportUncommitted); commit
// with CommitExport.
ExportResult WriteWorkbookUncommitted(AtomicFile& file, const std::vector<WorkbookSheet>& sheets,
                                      const CancelFlag* cancel = nullptr);

} // namespace quarvel
