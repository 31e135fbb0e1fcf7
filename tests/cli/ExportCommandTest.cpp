#include "cli/ExportCommand.h"

#include "cli/CliRun.h"

#include "sectiondata/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

namespace quarvel {
namespace {
namespace fs = std::filesystem;

using test::CliRun;
using test::ExampleFile;
using test::ReadFileBytes;
using test::RunCommand;
using test::WriteFileBytes;

class ExportCommandTest : public ::testing::Test {
protected:
    fs::path CopyExample(const std::string& name, const fs::path& to = {}) {
        const fs::path target = to.empty() ? m_folder / name : to;
        fs::create_directories(target.parent_path());
        fs::copy_file(ExampleFile(name), target);
        return target;
    }

    const test::TempFolder m_temp;
    const fs::path m_folder = m_temp.Path();
};

TEST_F(ExportCommandTest, DefaultsWriteBesideTheInput) {
    const fs::path input = CopyExample("section-3.0.txt");
    const CliRun run = RunCommand({"export", input.string()});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFileBytes(m_folder / "section-3.0.csv"),
              "8\r\n2,500000.123,3400000.456\r\n3,500004.623,3400000.456\r\n"
              "4,500008.123,3400000.456\r\n6,500012.123,3400001.956\r\n"
              "7,500020.123,3400001.956\r\n9,500028.123,3400001.956\r\n"
              "10,500030.623,3400001.956\r\n11,500040.123,3400001.956\r\n");
}

TEST_F(ExportCommandTest, OptionsShapeTheTableOnStandardOutput) {
    const CliRun run = RunCommand({"export", ExampleFile("section-3.6.txt").string(), "-o", "-",
                                   "--columns", "编号,与起点距离,与前点距离,图层", "--decimals=1",
                                   "--knee-mode", "1", "--reverse", "--renumber"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out,
              EncodeGbk("11\r\n1,0.0,0.0,(端点)\r\n2,4.2,4.2,(加点)\r\n"
                        "3,8.5,4.3,(拐点)\r\n4,11.3,2.8,道路边线\r\n5,17.3,6.0,道路中线\r\n"
                        "6,23.3,6.0,道路边线\r\n7,25.3,2.0,(拐点)\r\n8,27.3,2.0,边沟\r\n"
                        "9,29.3,2.0,边坡\r\n10,34.3,5.0,地面线\r\n11,39.3,5.0,(端点)\r\n"));

    // The layer filter as the window applies it: section points stay. Names
    // are cleaned of blanks as the reader cleans the file's.
    const CliRun filtered =
        RunCommand({"export", ExampleFile("section-3.6.txt").string(), "--stdout", "--columns",
                    "图层", "--layers", "边 沟, 道路 中线"});
    ASSERT_EQ(filtered.status, kExitOk) << filtered.err;
    EXPECT_EQ(filtered.out, EncodeGbk("5\r\n(端点)\r\n边沟\r\n道路中线\r\n(加点)\r\n(端点)\r\n"));
}

// Reversed, distances count from the file's last record even when that record
// is hidden (flag 1), not from the last row shown.
TEST_F(ExportCommandTest, ReversedDistancesCountFromTheLastRecordEvenWhenHidden) {
    const fs::path input = m_folder / "hidden-end.txt";
    ASSERT_TRUE(WriteFileBytes(input, "HWT3.0\r\nheader\r\n4\r\n1,0,0,10,0,0,起点,0,3,L,\r\n"
                                      "2,5,0,10,5,0,,0,0,L,\r\n3,9,0,10,9,0,终点,0,3,L,\r\n"
                                      "4,12,0,10,12,1,,0,0,L,\r\n"));
    const CliRun run = RunCommand({"export", input.string(), "-o", "-", "--reverse", "--columns",
                                   "编号,与起点距离,与前点距离", "--decimals", "1"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, "3\r\n4,3.0,0.0\r\n3,7.0,7.0\r\n2,12.0,5.0\r\n");
}

// Every field, every kind of point and both orders; the UTF-8 copy of an
// example must give the very bytes of its code page 936 original.
TEST_F(ExportCommandTest, EveryExampleExportsToTheCheckedBytes) {
    const std::vector<std::string> nineColumns = {
        "--columns",   "编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层",
        "--knee-mode", "1",
        "--decimals",  "2"};
    const struct {
        const char* input;
        const char* expected;
        std::vector<std::string> extra;
    } cases[] = {
        {"section-3.0.txt", "section-3.0-nine-columns.csv", {}},
        {"section-3.6.txt", "section-3.6-nine-columns.csv", {}},
        {"section-3.8.txt", "section-3.8-nine-columns.csv", {}},
        {"section-3.8-utf8.txt", "section-3.8-nine-columns.csv", {}},
        {"section-3.8.txt", "section-3.8-reversed-renumbered.csv", {"--reverse", "--renumber"}},
        {"section-3.8.txt",
         "section-3.8-nine-columns-utf8-captions-tab.csv",
         {"--encoding", "utf8-bom", "--first-line=captions", "--separator", "tab"}},
        {"section-3.6.txt",
         "section-3.6-nine-columns-semicolon-no-first-line.csv",
         {"--first-line", "none", "--separator", "semicolon"}}};
    for (const auto& example : cases) {
        SCOPED_TRACE(std::string(example.input) + " -> " + example.expected);
        std::vector<std::string> args = {"export", ExampleFile(example.input).string(), "-o", "-"};
        args.insert(args.end(), nineColumns.begin(), nineColumns.end());
        args.insert(args.end(), example.extra.begin(), example.extra.end());
        const CliRun run = RunCommand(args);
        ASSERT_EQ(run.status, kExitOk) << run.err;
        EXPECT_EQ(run.err, "");
        const std::string expected = ReadFileBytes(test::TestDataFile(example.expected));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(run.out, expected);
    }
}

TEST_F(ExportCommandTest, SettingsFileGivesDefaultsThatOptionsOverride) {
    const fs::path ini = m_folder / "Quarvel.ini";
    WriteFileBytes(
        ini, EncodeGbk("[SETTING]\r\nColnumNum=3\r\nDecimalNum=1\r\nKneePnt=2\r\n"
                       "Renumber=1\r\n[HEAD]\r\n表头0=编号\r\n表头1=高程Z\r\n表头2=注释\r\n"));
    const std::string input = ExampleFile("section-3.0.txt").string();
    CliRun run = RunCommand({"export", input, "-o", "-", "--settings", ini.string()});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, "3\r\n1,35.2,\r\n2,34.6,\r\n3,34.2,\r\n");

    run = RunCommand({"export", input, "-o", "-", "--settings", ini.string(), "--decimals", "0",
                      "--columns", "编号,坐标Y", "--no-renumber"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, "3\r\n2,3400000\r\n5,3400000\r\n11,3400002\r\n");

    // Values out of range give the table the window showed for them.
    WriteFileBytes(ini, "[SETTING]\r\nDecimalNum=-4\r\nKneePnt=5\r\n");
    run = RunCommand({"export", input, "-o", "-", "--settings", ini.string()});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, RunCommand({"export", input, "-o", "-", "--knee-mode=1"}).out);

    // A settings file that cannot be read fails the export: its table would
    // not be the one asked for.
    const fs::path output = m_folder / "out.csv";
    for (const auto& [settings, reason] : {std::pair(m_folder / "none.ini", "文件或文件夹不存在"),
                                           std::pair(m_folder, "这是一个文件夹")}) {
        run = RunCommand({"export", input, "-o", output.string(), "--settings", settings.string()});
        EXPECT_EQ(run.status, kExitFailed);
        EXPECT_EQ(run.err, "设置文件无法读取: " + settings.string() + ": " + reason + "\n");
        EXPECT_FALSE(fs::exists(output));
    }
}

TEST_F(ExportCommandTest, OneFailingInputDoesNotStopTheOthers) {
    const fs::path good = CopyExample("section-3.8.txt");
    const fs::path notSection = m_folder / "notes.txt";
    WriteFileBytes(notSection, "just some text\r\n");
    const fs::path twin = CopyExample("section-3.8.txt", m_folder / "twin" / "section-3.8.txt");
    const fs::path missing = m_folder / "missing.txt";
    const fs::path out = m_folder / "out";
    // Typed with "/", as Windows also takes them: the messages still name
    // the files with the system's separators throughout.
    const CliRun run = RunCommand({"export", good.generic_u8string(), notSection.generic_u8string(),
                                   missing.generic_u8string(), twin.generic_u8string(),
                                   "--output-dir", out.generic_u8string()});
    EXPECT_EQ(run.status, kExitFailed);
    // Each failure once, in the order of the inputs, naming the file.
    const std::string notSectionLine = "非本软件数据格式文件: " + notSection.string() +
                                       ": 第一行不是断面数据文件标志（HWT3.0、HWT3.6 或 HWT3.8）\n";
    const std::string missingLine = "文件导入失败: " + missing.string() + ": 文件或文件夹不存在\n";
    const std::string twinLine = "保存文件失败: " + (out / "section-3.8.csv").string() +
                                 ": 与前一个输入文件的输出重名，未覆盖；输入文件 " + twin.string() +
                                 " 未导出\n";
    EXPECT_EQ(run.err, notSectionLine + missingLine + twinLine);
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(out)) {
        written.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(written, std::vector<std::string>{"section-3.8.csv"});
}

// Outputs clash when the file system takes their names for one: on Windows
// whatever the case, of full-width letters in a Chinese name too; elsewhere
// only when they are the same.
TEST_F(ExportCommandTest, OutputNamesClashAsTheFileSystemComparesThem) {
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"a/Sec.txt", "b/sec.TXT"}, {"a/断面Ａ线.txt", "b/断面ａ线.txt"}};
    std::vector<std::string> args = {"export"};
    for (const auto& [first, second] : pairs) {
        args.push_back(CopyExample("section-3.0.txt", m_folder / fs::u8path(first)).u8string());
        args.push_back(CopyExample("section-3.6.txt", m_folder / fs::u8path(second)).u8string());
    }
    const fs::path out = m_folder / "out";
    args.insert(args.end(), {"--output-dir", out.u8string(), "--columns", "编号,坐标X"});
    const CliRun run = RunCommand(args);

    const std::string first =
        RunCommand({"export", args[1], "-o", "-", "--columns", "编号,坐标X"}).out;
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(out)) {
        files[entry.path().filename().u8string()] = ReadFileBytes(entry.path());
    }
#ifdef _WIN32
    EXPECT_EQ(run.status, kExitFailed);
    std::string clashes;
    for (const std::size_t input : {2u, 4u}) {
        const fs::path second = fs::u8path(args[input]).make_preferred();
        clashes +=
            "保存文件失败: " + (out / second.filename().replace_extension(".csv")).u8string() +
            ": 与前一个输入文件的输出重名，未覆盖；输入文件 " + second.u8string() + " 未导出\n";
    }
    EXPECT_EQ(run.err, clashes);
    EXPECT_EQ(files,
              (std::map<std::string, std::string>{{"Sec.csv", first}, {"断面Ａ线.csv", first}}));
#else
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(files.size(), 4u);
    EXPECT_EQ(files["Sec.csv"], first);
    EXPECT_NE(files["sec.csv"], first);
#endif
}

TEST_F(ExportCommandTest, FailedExportsLeaveNoFile) {
    // No rows: nothing is written and the input counts as failed.
    const fs::path empty = m_folder / "empty.txt";
    WriteFileBytes(empty, "HWT3.8\r\nheader\r\n0\r\n");
    CliRun run = RunCommand({"export", empty.string()});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "没有数据行，未写入文件: " + empty.string() + "\n");
    EXPECT_FALSE(fs::exists(m_folder / "empty.csv"));

    WriteFileBytes(m_folder / "file", "");
    const fs::path blocked = m_folder / "file" / "out.csv";
    run = RunCommand({"export", ExampleFile("section-3.0.txt").string(), "-o", blocked.string()});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_NE(run.err.find("保存文件失败: " + blocked.string()), std::string::npos);

    // An input is never overwritten, by its own table nor by another's.
    const fs::path csvInput = CopyExample("section-3.0.txt", m_folder / "section.csv");
    const fs::path txtInput = CopyExample("section-3.6.txt", m_folder / "section.txt");
    run = RunCommand({"export", txtInput.string(), csvInput.string()});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "保存文件失败: " + csvInput.string() +
                           ": 输出文件是另一个输入文件，未覆盖；输入文件 " + txtInput.string() +
                           " 未导出\n" + "保存文件失败: " + csvInput.string() +
                           ": 输出文件就是输入文件，未覆盖\n");
    EXPECT_EQ(ReadFileBytes(csvInput), ReadFileBytes(ExampleFile("section-3.0.txt")));
}

// Files exported at once give the bytes and the messages of one at a time,
// in the order of the inputs, however long each takes.
TEST_F(ExportCommandTest, JobsGiveTheSameFilesAndMessagesInInputOrder) {
    std::string large = "HWT3.8\r\nheader\r\n40001\r\n";
    for (int i = 0; i < 40000; ++i) {
        large += std::to_string(i) + "," + std::to_string(i * 0.5) + ",2,3,0,0,,0,0,L,0,\r\n";
    }
    large += "40000,1\r\n"; // incomplete: a warning, once the whole file is read
    std::vector<std::string> args = {"export"};
    const auto add = [&](const fs::path& input) { args.push_back(input.string()); };
    WriteFileBytes(m_folder / "large.txt", large);
    add(m_folder / "large.txt");
    add(m_folder / "missing.txt");
    for (const char* name : {"section-3.0.txt", "section-3.6.txt", "section-3.8-utf8.txt"}) {
        add(CopyExample(name));
    }
    WriteFileBytes(m_folder / "emoji.txt", "HWT3.0\r\nh\r\n1\r\n1,1,2,3,0,0,墙😀,0,0,L,\r\n");
    add(m_folder / "emoji.txt");
    WriteFileBytes(m_folder / "notes.txt", "notes\r\n");
    add(m_folder / "notes.txt");
    const fs::path out = m_folder / "out";
    args.insert(args.end(), {"--output-dir", out.string(), "--columns", "编号,坐标X,注释"});

    std::map<std::string, std::string> oneAtATime;
    CliRun first;
    for (const char* jobs : {"1", "4"}) {
        SCOPED_TRACE(jobs);
        fs::remove_all(out);
        std::vector<std::string> withJobs = args;
        withJobs.insert(withJobs.end(), {"--jobs", jobs});
        const CliRun run = RunCommand(withJobs);
        EXPECT_EQ(run.status, kExitFailed);
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(out)) {
            files[entry.path().filename().string()] = ReadFileBytes(entry.path());
        }
        EXPECT_EQ(files.size(), 5u);
        if (oneAtATime.empty()) {
            oneAtATime = files;
            first = run;
        }
        EXPECT_EQ(files, oneAtATime);
        EXPECT_EQ(run.err, first.err);
    }
    const std::vector<std::string> starts = {"警告: " + (m_folder / "large.txt").string(),
                                             "文件导入失败: " + (m_folder / "missing.txt").string(),
                                             "警告: " + (m_folder / "emoji.txt").string() +
                                                 ": 写入 " + (out / "emoji.csv").string() +
                                                 " 时 1 个字符在 GBK 中没有对应的字符",
                                             "非本软件数据格式文件: "};
    std::size_t at = 0;
    for (const std::string& start : starts) {
        at = first.err.find(start, at);
        EXPECT_NE(at, std::string::npos) << start << " in\n" << first.err;
    }
    EXPECT_EQ(oneAtATime["emoji.csv"], EncodeGbk("1\r\n2,1.000,墙?\r\n"));

    // On a terminal a counter runs on its own line, out of the messages' way.
    fs::remove_all(out);
    const CliRun shown = RunCommand(args, true);
    EXPECT_NE(shown.err.find("\r已导出 7/7"), std::string::npos);
    static const std::regex counter("\r已导出 [0-9]+/7|\r +\r");
    EXPECT_EQ(std::regex_replace(shown.err, counter, ""), first.err);
    // Each message starts on a cleared line, never after the counter's text.
    static const std::regex messageAfterCounter("已导出 [0-9]+/7[^\r]");
    EXPECT_FALSE(std::regex_search(shown.err, messageAfterCounter)) << shown.err;
}

TEST_F(ExportCommandTest, IncompleteLinesAreReportedButExported) {
    const fs::path input = m_folder / "broken.txt";
    WriteFileBytes(input, "HWT3.0\r\nheader\r\n3\r\n1,1,2,3,0,0,起点,0,3,DL,\r\n2,4,5,\r\n"
                          "3,4,5,6,7,0,终点,0,3,DL,\r\n");
    const CliRun run = RunCommand({"export", input.string(), "-o", "-"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, "3\r\n2,1.000,2.000\r\n3,4.000,5.000\r\n4,4.000,5.000\r\n");
    EXPECT_EQ(run.err, "警告: " + input.string() +
                           ": 共 1 行点数据不完整，缺少的或不是数字的字段按 0 或空读入；"
                           "第一处在第 5 行：缺少字段“高程Z”\n");
}

TEST_F(ExportCommandTest, UsageErrorsExitWithTwo) {
    const std::string input = ExampleFile("section-3.0.txt").string();
    const std::vector<std::vector<std::string>> misuses = {
        {},
        {"convert", input},
        {"export"},
        {"export", input, "--columns", "编号,坐标Q"},
        {"export", input, "--columns", ""},
        {"export", input, "--decimals", "4"},
        {"export", input, "--knee-mode", "1x"},
        {"export", input, "--decimals"},
        {"export", input, "--frobnicate"},
        {"export", input, "--reverse=yes"},
        {"export", input, "--stdout=yes"},
        {"export", input, input, "-o", "x.csv"},
        {"export", input, "-o", "x.csv", "--output-dir", "d"},
        {"export", input, "--encoding", "utf8"},
        {"export", input, "--first-line", "Count"},
        {"export", input, "--separator", ","},
        {"export", input, "--jobs", "0"},
        {"export", input, "--format", "xls"},
        {"export", input, "--stdout", "--format", "xlsx"},
    };
    for (const auto& args : misuses) {
        const CliRun run = RunCommand(args);
        EXPECT_EQ(run.status, kExitUsage) << ::testing::PrintToString(args);
        EXPECT_NE(run.err.find("--help"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    // The first mistake is named, not one further on.
    const CliRun unknownCaption =
        RunCommand({"export", input, "--columns", "编号,坐标Q", "--decimals", "9"});
    EXPECT_EQ(unknownCaption.err, "quarvel-cli: 未知的列名: \"坐标Q\"（可用: 编号、坐标X、坐标Y、"
                                  "高程Z、与起点距离、与前点距离、注释、方位、图层）\n"
                                  "用法见 quarvel-cli --help\n");
}

// The extension asks for a workbook, or --format does: beside the input and in
// an output folder the name then ends in .xlsx; --format csv keeps a name's text.
TEST_F(ExportCommandTest, WorkbooksByExtensionOrFormat) {
    const fs::path input = CopyExample("section-3.6.txt");
    CliRun run = RunCommand({"export", input.string(), "--format", "xlsx"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(ReadFileBytes(m_folder / "section-3.6.xlsx").substr(0, 2), "PK");
    EXPECT_FALSE(fs::exists(m_folder / "section-3.6.csv"));

    run = RunCommand({"export", input.string(), "--output-dir", (m_folder / "out").string(),
                      "--format", "xlsx"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(ReadFileBytes(m_folder / "out" / "section-3.6.xlsx").substr(0, 2), "PK");

    run = RunCommand({"export", input.string(), "-o", (m_folder / "upper.XLSX").string()});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(ReadFileBytes(m_folder / "upper.XLSX").substr(0, 2), "PK");

    run = RunCommand(
        {"export", input.string(), "-o", (m_folder / "text.xlsx").string(), "--format", "csv"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(ReadFileBytes(m_folder / "text.xlsx"),
              RunCommand({"export", input.string(), "-o", "-"}).out);
}

// Wherever they are typed, and even after a mistake: the user asks for help
// to fix the rest of the line.
TEST_F(ExportCommandTest, HelpAndVersionAnswerWhereverTheyStand) {
    const std::string input = ExampleFile("section-3.0.txt").string();
    const std::vector<std::vector<std::string>> helps = {{"--help"},
                                                         {"help"},
                                                         {"export", "--help"},
                                                         {"export", input, "--decimals", "9", "-h"},
                                                         {"convert", "--help"}};
    for (const auto& args : helps) {
        const CliRun run = RunCommand(args);
        EXPECT_EQ(run.status, kExitOk) << ::testing::PrintToString(args);
        EXPECT_EQ(run.out, HelpText());
        EXPECT_EQ(run.err, "");
    }
    const std::vector<std::vector<std::string>> versions = {
        {"--version"}, {"export", input, "--version"}, {"export", "--frobnicate", "-V", "--help"}};
    for (const auto& args : versions) {
        const CliRun run = RunCommand(args);
        EXPECT_EQ(run.status, kExitOk) << ::testing::PrintToString(args);
        EXPECT_EQ(run.out, VersionText());
        EXPECT_EQ(run.err, "");
    }
    EXPECT_EQ(VersionText().rfind("quarvel-cli ", 0), 0u);
    EXPECT_NE(HelpText().find("FILE 无法读取时不导出任何文件（退出状态 1）"), std::string::npos);
    // After "--" every argument is an input.
    EXPECT_EQ(RunCommand({"export", "--", "--help"}).status, kExitFailed);
}

} // namespace
} // namespace quarvel
