#pragma once

#include "table/TableRules.h"

#include <filesystem>
#include <iosfwd>
#include <string>

namespace quarvel {

struct ExportResult {
    bool ok = false;
    std::string error;  // UTF-8, names the file and the reason when !ok
    std::string reason; // the reason alone, for a caller that names the file itself
};

// Writes the export bytes: the row count, then each row's data cells joined
// by ",", every line ended by CR LF, code page 936, no byte-order mark.
bool WriteExport(std::ostream& out, const TableSource& table);

// The same bytes into a file, atomically for a regular file: an existing
// target is replaced only once every byte has been written and flushed.
ExportResult WriteExportFile(const std::filesystem::path& target, const TableSource& table);

} // namespace quarvel
