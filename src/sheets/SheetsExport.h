#pragma once

#include "sheets/SheetLayout.h"
#include "sheets/SheetSource.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace quarvel {

enum class SheetFormat { Pdf, Dxf };

// By the output's extension, in any case: .pdf or .dxf.
std::optional<SheetFormat> SheetFormatOf(const std::filesystem::path& output);

// Writes the sheets as a PDF, one page a sheet, vector, with its fonts
// embedded; sheet after sheet, so that memory does not grow with them.
// Through the atomic writer: a failure (reason set) leaves no file.
bool WriteSheetsPdf(const std::filesystem::path& target, const SheetRequest& request,
                    const SheetLayout& layout, std::string& reason,
                    const SheetProgress& progress = {});

struct SheetsResult {
    bool ok = false;
    std::size_t sheets = 0;
};

// Reads the sections, lays them out and writes the sheets to target. Reports
// every warning and every failure as a line naming its file; a section that
// cannot be read, one that does not fit a sheet, or a failed write leaves no
// file and an existing target untouched. progress sees the reading and then
// the writing, each section once in each.
SheetsResult ExportSheets(const std::filesystem::path& target, SheetFormat format,
                          const SheetRequest& request, const SheetReport& report,
                          const SheetProgress& progress = {});

} // namespace quarvel
