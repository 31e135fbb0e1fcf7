#include "road/RoadMerge.h"

#include "sectiondata/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quarvel {
namespace {
namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

// The worked example under a header without a stake.
const char kWithoutStake[] = "HWT3.8\n0,0,0,无桩号,\n4\n1,100,200,10,0,0,起点,0,3,DL,0,\n"
                             "2,103,204,11,5,0,,0,0,DL,0,\n3,107.5,204,12,9.5,0,拐点,0,2,DL,1,\n"
                             "4,110.25,204,13,12.25,0,终点,0,3,DL,0,\n";

ExportRecipe NineColumns() {
    ExportRecipe recipe;
    recipe.captions = {"编号",       "坐标X", "坐标Y", "高程Z", "与起点距离",
                       "与前点距离", "注释",  "方位",  "图层"};
    recipe.options.kneeMode = IntersectionsAndKnees;
    recipe.options.decimals = 2;
    return recipe;
}

ExportRecipe ReversedInUtf8() {
    ExportRecipe recipe;
    recipe.captions = {"编号", "与起点距离", "与前点距离", "注释", "图层"};
    recipe.options.reverse = true;
    recipe.options.renumber = true;
    recipe.options.decimals = 1;
    recipe.form = {ExportEncoding::Utf8Bom, FirstLine::Captions, Separator::Tab};
    return recipe;
}

class RoadMergeTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(m_in);
        for (const char* name : {"section-3.6.txt", "section-3.0.txt", "section-3.8.txt"}) {
            fs::copy_file(test::ExampleFile(name), m_in / name);
        }
        ASSERT_TRUE(WriteFileBytes(m_in / "sec2.txt", kWithoutStake));
    }

    // Not in the road's order: the merge finds it.
    std::vector<fs::path> Sections() const {
        return {m_in / "section-3.6.txt", m_in / "sec2.txt", m_in / "section-3.0.txt",
                m_in / "section-3.8.txt"};
    }

    RoadMergeResult Merge(const std::vector<fs::path>& inputs, const fs::path& output,
                          const ExportRecipe& recipe = NineColumns(), MergeOptions options = {}) {
        return MergeRoad(inputs, output, recipe, options);
    }

    const test::TempFolder m_temp;
    const fs::path m_in = m_temp / "in";
};

// K0+860, K1+250, K2+100, then the section without a stake; each section
// numbered, reversed and measured on its own.
TEST_F(RoadMergeTest, WritesTheCheckedBytesInTwoFormsWhateverTheOrderAndJobs) {
    const std::pair<ExportRecipe, const char*> forms[] = {
        {NineColumns(), "road-nine-columns.csv"},
        {ReversedInUtf8(), "road-reversed-renumbered-utf8-captions-tab.csv"}};
    for (const auto& [recipe, expectedFile] : forms) {
        SCOPED_TRACE(expectedFile);
        const std::string expected = ReadFileBytes(test::TestDataFile(expectedFile));
        ASSERT_FALSE(expected.empty());
        for (const unsigned jobs : {1u, 3u}) {
            const fs::path output = m_temp / ("road-" + std::to_string(jobs) + ".csv");
            MergeOptions options;
            options.jobs = jobs;
            const RoadMergeResult result = Merge(Sections(), output, recipe, options);
            EXPECT_EQ(result.status, MergeStatus::Written);
            EXPECT_EQ(result.failures, std::vector<std::string>{});
            EXPECT_EQ(result.warnings, std::vector<std::string>{});
            EXPECT_EQ(result.sections, 4u);
            EXPECT_EQ(ReadFileBytes(output), expected);
        }
        // The folder gives the same sections, the file given again counts once.
        const fs::path output = m_temp / "road-folder.csv";
        EXPECT_EQ(Merge({m_in / "sec2.txt", m_in}, output, recipe).status, MergeStatus::Written);
        EXPECT_EQ(ReadFileBytes(output), expected);
    }
}

// A road's table that silently lacks a section is worse than none: every
// failure is named, in the order of the inputs, and nothing is written;
// skipBad writes the others.
TEST_F(RoadMergeTest, AnInputThatCannotBeReadFailsTheMergeAndLeavesNothing) {
    ASSERT_TRUE(WriteFileBytes(m_in / "notes.txt", "notes\r\n"));
    const fs::path out = m_temp / "out";
    fs::create_directory(out);
    const fs::path output = out / "road.csv";
    ASSERT_TRUE(WriteFileBytes(output, "old"));
    const std::vector<fs::path> inputs = {m_in / "section-3.8.txt", m_in / "notes.txt",
                                          m_in / "missing.txt", m_in / "section-3.0.txt"};
    const std::vector<std::string> inputFailures = {
        "非本软件数据格式文件: " + (m_in / "notes.txt").u8string() +
            ": 第一行不是断面数据文件标志（HWT3.0、HWT3.6 或 HWT3.8）",
        "文件导入失败: " + (m_in / "missing.txt").u8string() + ": 文件或文件夹不存在"};
    for (const unsigned jobs : {1u, 4u}) {
        SCOPED_TRACE(jobs);
        MergeOptions options;
        options.jobs = jobs;
        const RoadMergeResult failed = Merge(inputs, output, NineColumns(), options);
        EXPECT_EQ(failed.status, MergeStatus::Failed);
        std::vector<std::string> expected = inputFailures;
        expected.push_back("有 2 个输入无法读入，未写入文件: " + output.u8string());
        EXPECT_EQ(failed.failures, expected);
        EXPECT_EQ(ReadFileBytes(output), "old");
        EXPECT_EQ(test::EntriesIn(out), std::vector<std::string>{"road.csv"});
    }

    MergeOptions skipBad;
    skipBad.skipBad = true;
    const RoadMergeResult written = Merge(inputs, output, NineColumns(), skipBad);
    EXPECT_EQ(written.status, MergeStatus::Written);
    EXPECT_EQ(written.failures, inputFailures);
    EXPECT_EQ(written.sections, 2u);
    const fs::path good = m_temp / "good.csv";
    Merge({m_in / "section-3.8.txt", m_in / "section-3.0.txt"}, good);
    EXPECT_EQ(ReadFileBytes(output), ReadFileBytes(good));
    EXPECT_EQ(ReadFileBytes(good).substr(0, 4), "22\r\n");

    // A folder without a section file is a failed input too.
    fs::create_directory(m_temp / "empty");
    const RoadMergeResult noFiles = Merge({m_temp / "empty", m_in / "section-3.0.txt"}, output);
    EXPECT_EQ(noFiles.status, MergeStatus::Failed);
    EXPECT_EQ(noFiles.failures.front(),
              "文件夹中没有断面数据文件: " + (m_temp / "empty").u8string());
    EXPECT_EQ(ReadFileBytes(output), ReadFileBytes(good));
}

TEST_F(RoadMergeTest, AnOutputThatIsAnInputIsNeverWritten) {
    const std::string before = ReadFileBytes(m_in / "section-3.0.txt");
    for (const fs::path& output :
         {m_in / "section-3.0.txt", m_in / "sub" / ".." / "section-3.0.txt"}) {
        const RoadMergeResult result = Merge({m_in}, output);
        EXPECT_EQ(result.status, MergeStatus::Failed);
        EXPECT_EQ(result.failures, std::vector<std::string>{"保存文件失败: " + output.u8string() +
                                                            ": 输出文件是输入文件，未覆盖"});
        EXPECT_EQ(ReadFileBytes(m_in / "section-3.0.txt"), before);
    }
}

TEST_F(RoadMergeTest, SectionsWithoutRowsAreToldAndATableWithoutRowsIsNotWritten) {
    const fs::path hidden = m_in / "K9+000.txt";
    ASSERT_TRUE(WriteFileBytes(hidden, "HWT3.0\r\nh\r\n1\r\n1,1,2,3,0,0,,0,0,L,\r\n"));
    ExportRecipe noLayers = NineColumns();
    noLayers.layers = std::vector<std::string>{};
    const fs::path output = m_temp / "road.csv";
    const RoadMergeResult some = Merge({hidden, m_in / "section-3.0.txt"}, output, noLayers);
    EXPECT_EQ(some.status, MergeStatus::Written);
    EXPECT_EQ(some.warnings, std::vector<std::string>{"警告: " + hidden.u8string() +
                                                      ": 没有数据行，表中没有这个断面"});
    EXPECT_EQ(some.sections, 1u);
    EXPECT_EQ(ReadFileBytes(output).substr(0, 10), "4\r\nK1+250,");

    const fs::path none = m_temp / "none.csv";
    const RoadMergeResult empty = Merge({hidden}, none, noLayers);
    EXPECT_EQ(empty.status, MergeStatus::Failed);
    EXPECT_EQ(empty.failures.back(), "没有数据行，未写入文件: " + none.u8string());
    EXPECT_FALSE(fs::exists(none));
}

TEST_F(RoadMergeTest, ReadersWarningsAndLackingCharactersAreTold) {
    const fs::path emoji = m_in / "K0+100.txt";
    ASSERT_TRUE(WriteFileBytes(emoji, "HWT3.0\r\nh\r\n2\r\n1,1,2,3,0,0,墙😀,0,0,L,\r\n2,4,5,\r\n"));
    const fs::path output = m_temp / "road.csv";
    ExportRecipe recipe;
    recipe.captions = {"编号", "注释"};
    const RoadMergeResult result = Merge({m_in / "section-3.0.txt", emoji}, output, recipe);
    EXPECT_EQ(result.status, MergeStatus::Written);
    ASSERT_EQ(result.warnings.size(), 2u);
    EXPECT_EQ(result.warnings[0].rfind("警告: " + emoji.u8string() + ": 共 1 行点数据不完整", 0),
              0u);
    EXPECT_EQ(result.warnings[1],
              "警告: 写入 " + output.u8string() + " 时 1 个字符在 GBK 中没有对应的字符，已写成“?”");
    const std::string start = EncodeGbk("10\r\nK0+100,2,墙?\r\nK0+100,3,\r\nK1+250,2,");
    EXPECT_EQ(ReadFileBytes(output).substr(0, start.size()), start);
}

TEST_F(RoadMergeTest, ProgressCountsTheFilesAndCancelWritesNothing) {
    std::vector<std::size_t> told;
    const fs::path output = m_temp / "road.csv";
    MergeOptions options;
    options.jobs = 2;
    MergeRoad(Sections(), output, NineColumns(), options, nullptr,
              [&](std::size_t done, std::size_t total) {
                  EXPECT_EQ(total, 4u);
                  told.push_back(done);
              });
    ASSERT_FALSE(told.empty());
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.back(), 4u);

    const fs::path cancelled = m_temp / "cancelled.csv";
    CancelFlag cancel{true};
    const RoadMergeResult result =
        MergeRoad(Sections(), cancelled, NineColumns(), options, &cancel);
    EXPECT_EQ(result.status, MergeStatus::Cancelled);
    EXPECT_FALSE(fs::exists(cancelled));
}

} // namespace
} // namespace quarvel
