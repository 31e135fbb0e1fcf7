#include "cli/CliRun.h"
#include "cli/CommandLine.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarvel {
namespace {
namespace fs = std::filesystem;
using test::CliRun;
using test::ReadFileBytes;
using test::RunCommand;
using test::WriteFileBytes;

const std::vector<std::string> kNineColumns = {
    "--columns",   "编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层",
    "--knee-mode", "1",
    "--decimals",  "2"};

class MergeCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_in / "sub");
        for (const char* name : {"section-3.0.txt", "section-3.6.txt", "section-3.8.txt"}) {
            fs::copy_file(test::ExampleFile(name), m_in / name);
        }
        ASSERT_TRUE(WriteFileBytes(m_in / "sec2.txt",
                                   "HWT3.8\n0,0,0,无桩号,\n4\n1,100,200,10,0,0,起点,0,3,DL,0,\n"
                                   "2,103,204,11,5,0,,0,0,DL,0,\n3,107.5,204,12,9.5,0,拐点,0,2,"
                                   "DL,1,\n4,110.25,204,13,12.25,0,终点,0,3,DL,0,\n"));
        // Its header names no stake: the file name does.
        fs::copy_file(m_in / "sec2.txt", m_in / "sub" / "K9+000.txt");
    }

    CliRun Merge(std::vector<std::string> args, bool showProgress = false) const {
        args.insert(args.begin(), "merge");
        return RunCommand(args, showProgress);
    }

    const test::TempFolder m_temp;
    const fs::path m_in = m_temp / "in";
};

TEST_F(MergeCommandTest, WritesTheRoadsTableOfAFolderInEveryForm) {
    const fs::path output = m_temp / "road.csv";
    std::vector<std::string> args = {m_in.u8string(), "-o", output.u8string()};
    args.insert(args.end(), kNineColumns.begin(), kNineColumns.end());
    CliRun run = Merge(args);
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFileBytes(output), ReadFileBytes(test::TestDataFile("road-nine-columns.csv")));

    // Subfolders only when asked: K9+000 comes after K2+100 and before sec2.
    run = Merge({m_in.u8string(), "-o", output.u8string(), "--columns", "编号"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(ReadFileBytes(output).substr(0, 4), "31\r\n");
    run = Merge({m_in.u8string(), "-o", output.u8string(), "--recursive", "--columns", "编号"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    const std::string road = ReadFileBytes(output);
    EXPECT_EQ(road.substr(0, 4), "34\r\n");
    EXPECT_LT(road.find("K2+100,"), road.find("K9+000,"));
    EXPECT_LT(road.find("K9+000,"), road.find("sec2,"));
}

TEST_F(MergeCommandTest, AnUnreadableInputFailsWithOneAndWritesNothingUnlessSkipped) {
    ASSERT_TRUE(WriteFileBytes(m_in / "notes.txt", "notes\r\n"));
    const fs::path output = m_temp / "road.csv";
    const std::vector<std::string> inputs = {(m_in / "section-3.0.txt").u8string(),
                                             (m_in / "notes.txt").u8string(),
                                             (m_in / "missing.txt").u8string()};
    const std::string failures = "非本软件数据格式文件: " + inputs[1] +
                                 ": 第一行不是断面数据文件标志（HWT3.0、HWT3.6 或 HWT3.8）\n"
                                 "文件导入失败: " +
                                 inputs[2] + ": 文件或文件夹不存在\n";
    std::vector<std::string> args = inputs;
    args.insert(args.end(), {"-o", output.u8string()});
    CliRun run = Merge(args);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, failures + "有 2 个输入无法读入，未写入文件: " + output.u8string() + "\n");
    EXPECT_FALSE(fs::exists(output));

    args.push_back("--skip-bad");
    run = Merge(args);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, failures);
    EXPECT_EQ(ReadFileBytes(output).substr(0, 13), "8\r\nK1+250,2,5");

    // An unreadable settings file fails before anything is read.
    fs::remove(output);
    run = Merge({inputs[0], "-o", output.u8string(), "--settings", (m_in / "no.ini").u8string()});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_FALSE(fs::exists(output));
}

TEST_F(MergeCommandTest, MisuseExitsWithTwo) {
    const std::string input = m_in.u8string();
    const std::vector<std::vector<std::string>> misuses = {
        {"merge"},
        {"merge", "-o", "road.csv"},
        {"merge", input},
        {"merge", input, "-o", "-", "--format", "csv"},
        {"merge", input, "--stdout"},
        {"merge", input, "-o", "road.csv", "--output-dir", "d"},
        {"merge", input, "-o", "road.csv", "--format", "pdf"},
        {"merge", input, "-o", "road.csv", "--skip-bad=yes"},
        {"merge", input, "-o", "road.csv", "--columns", "桩号"},
        {"export", input, "--recursive"},
        {"export", input, "--skip-bad"},
    };
    for (const auto& args : misuses) {
        const CliRun run = RunCommand(args);
        EXPECT_EQ(run.status, kExitUsage) << ::testing::PrintToString(args);
        EXPECT_NE(run.err.find("--help"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists("road.csv"));
    EXPECT_EQ(RunCommand({"export", input, "--recursive"}).err,
              "quarvel-cli: 选项 --recursive 不用于 export\n用法见 quarvel-cli --help\n");
    EXPECT_NE(HelpText().find("quarvel-cli merge INPUT... -o FILE"), std::string::npos);
    EXPECT_EQ(RunCommand({"merge", input, "--help"}).out, HelpText());
}

// ".xlsx" in any case asks for a workbook, any other name for text; --format
// wins over the name.
TEST_F(MergeCommandTest, FormatComesFromTheExtensionOrFormat) {
    const struct {
        std::vector<std::string> args;
        FileFormat format;
    } cases[] = {
        {{"-o", "road.csv"}, FileFormat::Text},
        {{"-o", "road.TXT"}, FileFormat::Text},
        {{"-o", "road.XLSX"}, FileFormat::Workbook},
        {{"-o", "road"}, FileFormat::Text},
        {{"-o", "road.xlsx.bak"}, FileFormat::Text},
        {{"-o", "road.xlsxx"}, FileFormat::Text},
        {{"-o", "road.dat", "--format", "csv"}, FileFormat::Text},
        {{"--format=xlsx", "-o", "road.csv"}, FileFormat::Workbook},
    };
    for (const auto& example : cases) {
        std::vector<std::string> args = {"merge", "in"};
        args.insert(args.end(), example.args.begin(), example.args.end());
        const ParsedCommand parsed = ParseCommandLine(args);
        EXPECT_EQ(parsed.kind, CommandKind::Merge) << parsed.error;
        EXPECT_EQ(parsed.request.format, std::optional<FileFormat>(example.format))
            << ::testing::PrintToString(args);
    }
}

TEST_F(MergeCommandTest, ATerminalSeesTheFilesCounted) {
    const CliRun run =
        Merge({m_in.u8string(), "-o", (m_temp / "road.csv").u8string(), "--jobs", "1"}, true);
    ASSERT_EQ(run.status, kExitOk);
    EXPECT_NE(run.err.find("\r已读入 4/4"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.substr(run.err.rfind('\r')), "\r");
}

} // namespace
} // namespace quarvel
