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

// Once cancelled, no file is begun and none waiting for the disk is kept:
// the files there are whole, and each of them was reported written.
TEST(BatchExportTest, CancelLeavesOnlyWholeFiles) {
    const test::TempFolder temp;
    std::vector<fs::path> inputs;
    for (int copy = 0; copy < 4; ++copy) {
        for (const char* name : {"section-3.0.txt", "section-3.6.txt", "section-3.8.txt"}) {
            inputs.push_back(temp / (std::to_string(copy) + name));
            fs::copy_file(ExampleFile(name), inputs.back());
        }
    }
    const auto plan = [&inputs, &temp](const char* folder) {
        fs::create_directory(temp / folder);
        return PlanBatch(inputs, [&temp, folder](const fs::path& input) {
            return OutputInFolder(temp / folder, input);
        });
    };
    const auto run = [](const std::vector<BatchItem>& items, CancelFlag& cancel,
                        bool cancelAfterFirst) {
        std::vector<FileExportStatus> statuses;
        RunBatch(items, ExportRecipe{}, 2, &cancel, [&](std::size_t, const FileExport& result) {
            statuses.push_back(result.status);
            cancel = cancel || cancelAfterFirst;
        });
        return statuses;
    };
    CancelFlag cancel{true};
    const std::vector<FileExportStatus> none = run(plan("none"), cancel, false);
    EXPECT_EQ(none, std::vector<FileExportStatus>(inputs.size(), FileExportStatus::Cancelled));
    EXPECT_EQ(Entries(temp / "none"), std::vector<std::string>{});

    cancel = false;
    const std::vector<BatchItem> all = plan("all");
    ASSERT_EQ(run(all, cancel, false),
              std::vector<FileExportStatus>(inputs.size(), FileExportStatus::Written));
    cancel = false;
    const std::vector<BatchItem> some = plan("some");
    const std::vector<FileExportStatus> statuses = run(some, cancel, true);
    ASSERT_EQ(statuses.size(), inputs.size());
    EXPECT_EQ(statuses[0], FileExportStatus::Written);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < some.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NE(statuses[i], FileExportStatus::Failed);
        if (statuses[i] == FileExportStatus::Written) {
            expected.push_back(some[i].output.filename().string());
            EXPECT_EQ(ReadFileBytes(some[i].output), ReadFileBytes(all[i].output));
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(temp / "some"), expected);

    // Cancelled while the file is read: nothing is written.
    cancel = true;
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
