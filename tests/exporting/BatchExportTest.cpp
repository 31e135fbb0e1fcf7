#include "exporting/BatchExport.h"
#include "exporting/MemoryReuse.h"

#include "files/AtomicFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace quarvel {
namespace {
namespace fs = std::filesystem;
using test::ExampleFile;
using test::ReadFileBytes;
using test::WriteFileBytes;

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
    EXPECT_EQ(test::EntriesIn(temp / "none"), std::vector<std::string>{});

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
    EXPECT_EQ(test::EntriesIn(temp / "some"), expected);

    // Cancelled while the file is read: nothing is written.
    cancel = true;
    const FileExport reading = ExportSectionFile(inputs[1], temp / "late.csv", {}, &cancel);
    EXPECT_EQ(reading.status, FileExportStatus::Cancelled);
    EXPECT_FALSE(fs::exists(temp / "late.csv"));
}

// A cancel that comes between the writing and the commit leaves no file; one
// that comes after a failed write still tells the failure, which the user
// must know of.
TEST(BatchExportTest, CancelAtTheCommitLeavesNothingButAFailureIsTold) {
    const test::TempFolder temp;
    const PointList points = test::WorkedExamplePoints(); // the table reads them
    const SectionTable table(points, {"编号"}, {});
    CancelFlag cancel{false};
    {
        AtomicFile file(temp / "out.csv");
        const ExportResult written = WriteExportUncommitted(file, table, {}, &cancel);
        ASSERT_TRUE(written.ok);
        cancel = true;
        const ExportResult committed = CommitExport(file, written, &cancel);
        EXPECT_TRUE(committed.cancelled);
        EXPECT_FALSE(committed.ok);
    }
    EXPECT_EQ(test::EntriesIn(temp.Path()), std::vector<std::string>{});

    cancel = false;
    const fs::path unreachable = temp / "missing" / "out.csv";
    AtomicFile file(unreachable);
    const ExportResult written = WriteExportUncommitted(file, table, {}, &cancel);
    cancel = true;
    const ExportResult committed = CommitExport(file, written, &cancel);
    EXPECT_FALSE(committed.ok);
    EXPECT_FALSE(committed.cancelled);
    EXPECT_EQ(committed.error.rfind("保存文件失败: " + unreachable.string() + ": ", 0), 0u)
        << committed.error;
}

// Once cancelled, an item is not begun, so that an input gone missing meanwhile
// is reported as cancelled, not as a failure.
TEST(BatchExportTest, ItemsAfterTheCancelAreCancelledWhateverTheirInput) {
    const test::TempFolder temp;
    const std::vector<fs::path> inputs = {temp / "gone.txt", temp / "gone too.txt"};
    const std::vector<BatchItem> items = PlanBatch(
        inputs, [&temp](const fs::path& input) { return OutputInFolder(temp.Path(), input); });
    CancelFlag cancel{true};
    std::vector<FileExportStatus> statuses;
    RunBatch(items, ExportRecipe{}, 2, &cancel,
             [&](std::size_t, const FileExport& result) { statuses.push_back(result.status); });
    EXPECT_EQ(statuses, std::vector<FileExportStatus>(2, FileExportStatus::Cancelled));
}

// The export itself refuses to write over its input, however the two are
// spelled, whoever planned it.
TEST(BatchExportTest, AnOutputThatIsItsOwnInputIsRefused) {
    const test::TempFolder temp;
    const fs::path input = temp / "section.csv";
    fs::copy_file(ExampleFile("section-3.0.txt"), input);
    const FileExport result = ExportSectionFile(input, temp / "." / "section.csv", {});
    EXPECT_EQ(result.status, FileExportStatus::Failed);
    EXPECT_EQ(result.failure, "保存文件失败: " + (temp / "." / "section.csv").string() +
                                  ": 输出文件就是输入文件，未覆盖");
    EXPECT_EQ(ReadFileBytes(input), ReadFileBytes(ExampleFile("section-3.0.txt")));
}

// Every command plans its outputs here: an output that is an input, its own
// or another's, or that an earlier input already writes, is refused, naming
// the input that is left out; a file that all inputs go into must be none of
// them.
TEST(BatchExportTest, PlansNeverOverwriteAnInput) {
    const test::TempFolder temp;
    fs::create_directories(temp / "sub");
    const std::vector<fs::path> inputs = {temp / "a.txt", temp / "b.csv", temp / "sub" / "b.txt",
                                          temp / "c.csv"};
    for (const fs::path& input : inputs) {
        WriteFileBytes(input, "HWT3.0\r\n");
    }
    const std::vector<BatchItem> items = PlanBatch(
        inputs, [](const fs::path& input) { return fs::path(input).replace_extension(".csv"); });
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].refusal, "");
    EXPECT_EQ(items[1].refusal,
              "保存文件失败: " + items[1].output.string() + ": 输出文件就是输入文件，未覆盖");
    EXPECT_EQ(items[2].refusal, "");
    EXPECT_EQ(items[3].refusal,
              "保存文件失败: " + items[3].output.string() + ": 输出文件就是输入文件，未覆盖");

    const auto flat = [&temp](const fs::path& input) { return OutputInFolder(temp.Path(), input); };
    const std::vector<BatchItem> flattened = PlanBatch({inputs[0], inputs[2], inputs[1]}, flat);
    EXPECT_EQ(flattened[0].refusal, "");
    EXPECT_EQ(flattened[1].refusal, "保存文件失败: " + (temp / "b.csv").string() +
                                        ": 输出文件是另一个输入文件，未覆盖；输入文件 " +
                                        inputs[2].string() + " 未导出");
    const std::vector<BatchItem> twins = PlanBatch({inputs[2], temp / "d" / "b.txt"}, flat);
    EXPECT_EQ(twins[1].refusal, "保存文件失败: " + (temp / "b.csv").string() +
                                    ": 与前一个输入文件的输出重名，未覆盖；输入文件 " +
                                    (temp / "d" / "b.txt").string() + " 未导出");

    EXPECT_EQ(RefuseSharedOutput(inputs, temp / "road.csv"), "");
    EXPECT_NE(RefuseSharedOutput({temp / "gone.txt"}, temp / "gone.txt"), "");
    EXPECT_EQ(RefuseSharedOutput(inputs, temp / "sub" / ".." / "c.csv"),
              "保存文件失败: " + (temp / "sub" / ".." / "c.csv").string() +
                  ": 输出文件是输入文件，未覆盖");
}

// A large batch is planned in parts on several threads: an output is still
// compared with every input and with the outputs of every earlier input,
// whichever part either falls in.
TEST(BatchExportTest, ALargeBatchIsPlannedAsAWhole) {
    const test::TempFolder temp;
    constexpr std::size_t kCount = 2000;
    std::vector<fs::path> inputs;
    for (std::size_t i = 0; i < kCount; ++i) {
        inputs.push_back(temp / ("s" + std::to_string(i) + ".txt"));
    }
    // Input 1 goes into the last input, input 1999 into itself, and each of
    // the inputs from 999 on shares its output with the input 999 before it,
    // but for input 1000, whose twin (input 1) went elsewhere.
    const std::vector<BatchItem> items = PlanBatch(inputs, [&](const fs::path& input) {
        const std::size_t i = std::stoul(input.stem().string().substr(1));
        if (i == 1 || i == kCount - 1) {
            return inputs[kCount - 1];
        }
        return temp / ("o" + std::to_string(i % 999) + ".csv");
    });
    ASSERT_EQ(items.size(), kCount);
    std::vector<std::size_t> refused;
    for (std::size_t i = 0; i < kCount; ++i) {
        EXPECT_EQ(items[i].input, inputs[i]);
        if (!items[i].refusal.empty()) {
            refused.push_back(i);
        }
    }
    std::vector<std::size_t> expected = {1};
    for (std::size_t i = 999; i < kCount; ++i) {
        if (i != 1000) {
            expected.push_back(i);
        }
    }
    EXPECT_EQ(refused, expected);
    EXPECT_NE(items[1].refusal.find("输出文件是另一个输入文件"), std::string::npos);
    EXPECT_NE(items[1500].refusal.find("与前一个输入文件的输出重名"), std::string::npos);
    EXPECT_NE(items[kCount - 1].refusal.find("输出文件就是输入文件"), std::string::npos);
    EXPECT_EQ(items[1500].output, temp / "o501.csv");
}

// A failure while planning a part on another thread (memory running out)
// reaches the caller, as it would on one thread.
TEST(BatchExportTest, AFailureInAPlannedPartReachesTheCaller) {
    const test::TempFolder temp;
    const std::vector<fs::path> inputs(2000, temp / "s.txt");
    std::atomic<int> calls{0};
    EXPECT_THROW(PlanBatch(inputs,
                           [&](const fs::path& input) {
                               if (++calls == 1500) {
                                   throw std::bad_alloc();
                               }
                               return input;
                           }),
                 std::bad_alloc);
}

// Another name of the input, a hard link, is the input.
TEST(BatchExportTest, AnOutputThatIsAHardLinkToItsInputIsRefused) {
    const test::TempFolder temp;
    const fs::path input = temp / "a.txt";
    WriteFileBytes(input, "HWT3.0\r\n");
    fs::create_hard_link(input, temp / "a.csv");
    const std::vector<BatchItem> items = PlanBatch(
        {input}, [](const fs::path& in) { return fs::path(in).replace_extension(".csv"); });
    EXPECT_NE(items[0].refusal.find("输出文件就是输入文件"), std::string::npos) << items[0].refusal;
}

#ifndef _WIN32 // symbolic links need a privilege on Windows
// An output reached through a link, to the file or to its folder, is the file
// the link leads to: writing it would overwrite another input.
TEST(BatchExportTest, PlansFollowLinksToInputs) {
    const test::TempFolder temp;
    fs::create_directories(temp / "in");
    const std::vector<fs::path> inputs = {temp / "in" / "a.txt", temp / "in" / "b.csv"};
    for (const fs::path& input : inputs) {
        WriteFileBytes(input, "HWT3.0\r\n");
    }
    fs::create_symlink("b.csv", temp / "in" / "link.csv");
    fs::create_directory_symlink("in", temp / "same");
    const std::vector<BatchItem> items = PlanBatch(inputs, [&temp](const fs::path& input) {
        return input.filename() == "a.txt" ? temp / "in" / "link.csv" : temp / "same" / "b.csv";
    });
    const std::string another = "输出文件是另一个输入文件";
    EXPECT_NE(items[0].refusal.find(another), std::string::npos) << items[0].refusal;
    EXPECT_NE(items[1].refusal.find("输出文件就是输入文件"), std::string::npos) << items[1].refusal;
    const std::vector<BatchItem> crossed = PlanBatch(inputs, [&temp](const fs::path& input) {
        return temp / "same" / (input.stem().string() == "a" ? "b.csv" : "x.csv");
    });
    EXPECT_NE(crossed[0].refusal.find(another), std::string::npos) << crossed[0].refusal;
    EXPECT_EQ(crossed[1].refusal, "");
}
#endif

// Outputs of a folder's subfolders keep their subfolders, so that same-named
// files in two of them both get written.
TEST(BatchExportTest, SubfoldersAreMirroredUnderTheOutputFolder) {
    const test::TempFolder temp;
    const fs::path in = temp / "in";
    const fs::path out = temp / "out";
    EXPECT_EQ(MirroredOutput(out, in, in / "x" / "s.txt"), out / "x" / "s.csv");
    EXPECT_EQ(MirroredOutput(out, in / ".", in / "s.txt", ".png"), out / "s.png");
    EXPECT_EQ(MirroredOutput(out, in, temp / "elsewhere" / "s.txt"), out / "s.csv");

    std::vector<BatchItem> items = {{in / "x" / "s.txt", out / "x" / "s.csv", {}},
                                    {in / "y" / "s.txt", out / "y" / "s.csv", {}}};
    WriteFileBytes(out, "a file where a folder must go");
    MakeOutputFolders(items);
    EXPECT_NE(items[0].refusal.find("输入文件 " + (in / "x" / "s.txt").string() + " 未导出"),
              std::string::npos)
        << items[0].refusal;
    fs::remove(out);
    items[0].refusal.clear();
    items[1].refusal.clear();
    MakeOutputFolders(items);
    EXPECT_EQ(items[0].refusal + items[1].refusal, "");
    EXPECT_TRUE(fs::is_directory(out / "x"));
    EXPECT_TRUE(fs::is_directory(out / "y"));
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

// What a file freed stays for the next one. (A sanitizer's allocator keeps
// memory its own way.)
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
TEST(MemoryReuseTest, FreedMemoryStaysForTheNextFile) {
    KeepFreedMemoryForReuse();
    std::vector<std::unique_ptr<char[]>> buffers;
    buffers.reserve(100);
    for (int i = 0; i < 100; ++i) {
        buffers.push_back(std::make_unique<char[]>(100000));
    }
    const std::size_t held = mallinfo2().arena;
    buffers.clear();
    EXPECT_GE(mallinfo2().arena + 1000000, held);
}
#endif

} // namespace
} // namespace quarvel
