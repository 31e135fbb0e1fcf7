#pragma once

#include "exporting/ExportForm.h"
#include "exporting/ExportWriter.h"
#include "exporting/OutputPlan.h"
#include "sectiondata/SectionReader.h"
#include "table/TableRules.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quarvel {

// How every section file is exported: the table as the window shows it and
// the form of the file. quarvel-cli and the window's batch export both export
// through it, so that the same choices give the same bytes.
struct ExportRecipe {
    std::vector<std::string> captions = {"编号", "坐标X", "坐标Y"};
    TableOptions options;
    // The checked layers of the layer filter, matched by name; nothing: no filter.
    std::optional<std::vector<std::string>> layers;
    ExportForm form;
    // Nothing: each output's extension decides (FileFormatOf).
    std::optional<FileFormat> format;
    // Threads that read one large file at once (0: one per processor); a
    // batch of several files shares them out between its files.
    unsigned readJobs = 0;
};

enum class FileExportStatus { Written, Failed, Cancelled };

// What became of one input. The texts are whole lines for the user, in UTF-8,
// each naming its file.
struct FileExport {
    FileExportStatus status = FileExportStatus::Failed;
    std::vector<std::string> warnings; // the reader's, and characters GBK lacked
    std::string failure;               // why nothing was written, when Failed
    std::size_t rows = 0;
    std::size_t unencodable = 0;
};

// A section file read as every export reads it, its points ready for the
// table: azimuths computed, the recipe's layer filter applied.
struct SectionLoad {
    bool loaded = false;
    // The reader's warnings; when not loaded, the failure naming the file, or
    // the status Cancelled.
    FileExport result;
    SectionReadResult read;
};

SectionLoad LoadSectionForExport(const std::filesystem::path& input, const ExportRecipe& recipe,
                                 const CancelFlag* cancel = nullptr);

// Reads input, builds its table and writes it to output (atomically; "-" is
// not special here). A cancelled export leaves no file.
FileExport ExportSectionFile(const std::filesystem::path& input,
                             const std::filesystem::path& output, const ExportRecipe& recipe,
                             const CancelFlag* cancel = nullptr);

// The same table written to a stream instead of a file; never a workbook,
// which the library writes only to a file.
FileExport ExportSectionFile(const std::filesystem::path& input, std::ostream& out,
                             const ExportRecipe& recipe);

// Called once per item, in the order of the items, on the thread that runs
// the batch.
using FileExported = std::function<void(std::size_t index, const FileExport& result)>;

// Exports the items, as PlanBatch made them, with up to jobs files at a time
// (0: one per processor); the plan's refusals are the only check that an
// output is no input. Once cancel is set no file is begun, those under way
// leave nothing, and the rest are reported as Cancelled.
void RunBatch(const std::vector<BatchItem>& items, const ExportRecipe& recipe, unsigned jobs,
              const CancelFlag* cancel, const FileExported& exported);

// The number of processors, at least 1.
unsigned ProcessorCount();

// The section files of a folder (with its subfolders when asked), sorted by
// path: regular files whose first line is a section file's signature.
std::vector<std::filesystem::path> SectionFilesIn(const std::filesystem::path& folder,
                                                  bool subfolders);

} // namespace quarvel
