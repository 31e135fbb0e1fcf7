#pragma once

#include "exporting/ExportForm.h"
#include "table/TableRules.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>

namespace quarvel {

class AtomicFile;

struct ExportResult {
    bool ok = false;
    bool cancelled = false;
    std::string error;  // UTF-8, names the file and the reason when !ok
    std::string reason; // the reason alone, for a caller that names the file itself
    // Characters written as "?" because code page 936 has no form for them.
    std::size_t unencodable = 0;
};

// Set from another thread to stop an export; the file then stays as it was.
using CancelFlag = std::atomic<bool>;

// Writes the export bytes. In the default form: the row count, then each
// row's data cells joined by ",", every line ended by CR LF, code page 936, no
// byte-order mark. A cell or caption that holds the separator is quoted; in
// every form but the row count with commas, so is one that holds a double
// quote, CR or LF, its quotes doubled (RFC 4180).
// unencodable, when given, grows by the characters written as "?".
bool WriteExport(std::ostream& out, const TableSource& table, const ExportForm& form = {},
                 std::size_t* unencodable = nullptr);

// The same bytes into a file, atomically for a regular file: an existing
// target is replaced only once every byte has been written and flushed, and a
// cancelled export leaves no file behind.
ExportResult WriteExportFile(const std::filesystem::path& target, const TableSource& table,
                             const ExportForm& form = {}, const CancelFlag* cancel = nullptr);

// The same bytes into file, opened here but not committed: a batch commits
// while it writes the next file, since a commit mostly waits for the disk.
ExportResult WriteExportUncommitted(AtomicFile& file, const TableSource& table,
                                    const ExportForm& form = {},
                                    const CancelFlag* cancel = nullptr);

// The result of committing file, written by WriteExportUncommitted;
// syncFolder as for AtomicFile::Commit.
ExportResult CommitExport(AtomicFile& file, ExportResult written,
                          const CancelFlag* cancel = nullptr, bool syncFolder = true);

// The result of a file that AtomicFile::CommitAll has committed, or has not
// because writing it failed or was cancelled.
ExportResult ExportOutcome(const AtomicFile& file, ExportResult written,
                           const CancelFlag* cancel = nullptr);

} // namespace quarvel
