#include "exporting/BatchExport.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quarvel {
namespace {
namespace fs = std::filesystem;
using test::ExampleFile;
using test::ReadFileBytes;
using test::WriteFileBytes;

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        names.push_back(entry.path().lexically_relative(folder).generic_string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Once cancelled, no file is begun: the files written stay whole, the rest
// leave nothing, not even a temporary file.
TEST(BatchExportTest, CancelLeavesOnlyWholeFiles) {
    const test::TempFolder temp;
    std::vector<fs::path> inputs;
    for (const char* name : {"section-3.0.txt", "section-3.6.txt", "section-3.8.txt"}) {
        inputs.push_back(ExampleFile(name));
    }
    const std::vector<BatchItem> items = PlanBatch(
        inputs, [&temp](const fs::path& input) { return OutputInFolder(temp.Path(), input); });
    CancelFlag cancel{false};
    std::vector<FileExportStatus> statuses;
    RunBatch(items, ExportRecipe{}, 1, &cancel, [&](std::size_t, const FileExport& result) {
        statuses.push_back(result.status);
        cancel = true;
    });
    EXPECT_EQ(statuses,
              (std::vector<FileExportStatus>{FileExportStatus::Written, FileExportStatus::Cancelled,
                                             FileExportStatus::Cancelled}));
    EXPECT_EQ(Entries(temp.Path()), std::vector<std::string>{"section-3.0.csv"});
    EXPECT_EQ(ReadFileBytes(temp / "section-3.0.csv").substr(0, 3), "8\r\n");

    // Cancelled while the file is read: nothing is written.
    const FileExport reading = ExportSectionFile(inputs[1], temp / "late.csv", {}, &cancel);
    EXPECT_EQ(reading.status, FileExportStatus::Cancelled);
    EXPECT_FALSE(fs::exists(temp / "late.csv"));
}

// A folder's section files are those whose first line is a signature, with
// the subfolders' when asked, in the order of their paths.
TEST(BatchExportTest, SectionFilesOfAFolder) {
    const test::TempFolder temp;
    const std::string section = "HWT3.6\r\nh\r\n0\r\n";
    WriteFileBytes(temp / "b.txt", section);
    WriteFileBytes(temp / "a.dat", "\xEF\xBB\xBFHWT3.8\n");
    WriteFileBytes(temp / "b.csv", "8\r\n1,2\r\n");
    WriteFileBytes(temp / "notes.txt", "HWT3.80\r\n");
    fs::create_directories(temp / "sub" / "deeper");
    WriteFileBytes(temp / "sub" / "deeper" / "c.TXT", "HWT3.0");
    fs::create_directories(temp / "folder.txt");

    const auto names = [&temp](bool subfolders) {
        std::vector<std::string> found;
        for (const fs::path& file : SectionFilesIn(temp.Path(), subfolders)) {
            found.push_back(file.lexically_relative(temp.Path()).generic_string());
        }
        return found;
    };
    EXPECT_EQ(names(false), (std::vector<std::string>{"a.dat", "b.txt"}));
    EXPECT_EQ(names(true), (std::vector<std::string>{"a.dat", "b.txt", "sub/deeper/c.TXT"}));
}

} // namespace
} // namespace quarvel
