#pragma once

#include "exporting/BatchExport.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quarvel {

struct MergeOptions {
    bool recursive = false; // folders give the section files of their subfolders too
    bool skipBad = false;   // write the other sections when an input fails
    unsigned jobs = 0;      // files read at once; 0: one per processor
};

enum class MergeStatus { Written, Failed, Cancelled };

// Texts are whole lines for the user, in UTF-8, each naming its file.
struct RoadMergeResult {
    MergeStatus status = MergeStatus::Failed;
    std::vector<std::string> warnings;
    // The folders without a section file, then the files that could not be
    // read in the order of the inputs, then why nothing was written. Written
    // with failures only when skipBad was set.
    std::vector<std::string> failures;
    std::size_t sections = 0; // sections with rows in the table
    std::size_t rows = 0;
};

// Called on the merging thread with the files read so far and in all.
using MergeProgress = std::function<void(std::size_t done, std::size_t total)>;

// The table of a whole road: every section file the inputs name (files, or
// folders of them), ordered by stake, each section's rows built as its own
// export builds them, led by its label in the column "桩号"; written to output
// through the atomic writer, as the recipe's format or the output's extension
// asks: text in the recipe's form, or a workbook whose sheet "全线" holds the
// table and one sheet per section its own. Nothing is written when an input fails (unless
// skipBad), when output is one of the inputs, or once cancel is set.
RoadMergeResult MergeRoad(const std::vector<std::filesystem::path>& inputs,
                          const std::filesystem::path& output, const ExportRecipe& recipe,
                          const MergeOptions& options, const CancelFlag* cancel = nullptr,
                          const MergeProgress& progress = {});

} // namespace quarvel
