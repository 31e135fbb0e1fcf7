#include "road/Stake.h"
#include "road/RoadSection.h"

#include "sectiondata/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quarvel {
namespace {
namespace fs = std::filesystem;

TEST(Stake, IsFoundWhereverItStandsWithItsPrefixAndDecimals) {
    const struct {
        const char* text;
        const char* prefix;
        double metres;
        const char* written;
    } found[] = {
        {"K12+340.5", "K", 12340.5, "K12+340.5"},
        {"断面K12+340.5", "K", 12340.5, "K12+340.5"},
        {"DK5+020", "DK", 5020, "DK5+020"},
        {"ZK1+100.25m", "ZK", 1100.25, "ZK1+100.25"},
        {"ABK0+007", "ABK", 7, "ABK0+007"},
        {"roadK7+000", "K", 7000, "K7+000"},    // lower case is no part of the prefix
        {"K0012+005", "K", 12005, "K0012+005"}, // zeros in front of the kilometres
        {"K3+200.txt", "K", 3200, "K3+200"},    // a point without decimals ends it
        {"K1+200.", "K", 1200, "K1+200"},
        {"第K1段 YK2+300 K4+000", "YK", 2300, "YK2+300"}, // the first K that starts a stake
    };
    for (const auto& stake : found) {
        SCOPED_TRACE(stake.text);
        const std::optional<Stake> taken = FindStake(stake.text);
        ASSERT_TRUE(taken.has_value());
        EXPECT_EQ(taken->prefix, stake.prefix);
        EXPECT_DOUBLE_EQ(taken->metres, stake.metres);
        EXPECT_EQ(taken->text, stake.written);
    }
    for (const char* none : {"", "K", "K+100", "K12+", "K12-340", "12+340", "k1+200", "KM12+300",
                             "K12+.5", "断面１２"}) {
        EXPECT_FALSE(FindStake(none).has_value()) << none;
    }
}

TEST(Stake, ComesFromTheHeaderElseTheFileNameElseTheSectionHasNone) {
    const RoadSection fromHeader = DescribeSection("d/K9+000.txt", "断面K12+340.5");
    ASSERT_TRUE(fromHeader.stake.has_value());
    EXPECT_EQ(fromHeader.label, "K12+340.5");
    EXPECT_DOUBLE_EQ(fromHeader.stake->metres, 12340.5);

    const RoadSection fromName = DescribeSection(fs::u8path("d/断面DK5+020.5.txt"), "header");
    ASSERT_TRUE(fromName.stake.has_value());
    EXPECT_EQ(fromName.label, "DK5+020.5");
    EXPECT_EQ(fromName.stake->prefix, "DK");

    const RoadSection none = DescribeSection(fs::u8path("d/数据.v2.txt"), "");
    EXPECT_FALSE(none.stake.has_value());
    EXPECT_EQ(none.label, "数据.v2");
    EXPECT_EQ(none.file, fs::u8path("d/数据.v2.txt"));
}

// The head alone gives what the whole file gives; a file that cannot be
// read still has its name.
TEST(Stake, HeadOfAFileDescribesItsSection) {
    const test::TempFolder folder;
    ASSERT_TRUE(test::WriteFileBytes(folder / "K5+000.txt",
                                     EncodeGbk("HWT3.0\r\n1,2,3,断面YK1+050,\r\n0\r\n")));
    const RoadSection section = ReadRoadSection(folder / "K5+000.txt");
    EXPECT_EQ(section.label, "YK1+050");
    EXPECT_EQ(ReadRoadSection(folder / "K7+100.txt").label, "K7+100");
}

std::vector<std::string> Labels(const std::vector<RoadSection>& sections) {
    std::vector<std::string> labels;
    for (const RoadSection& section : sections) {
        labels.push_back(section.label + "@" + section.file.filename().u8string());
    }
    return labels;
}

TEST(Stake, SectionsRunByPrefixThenStakeThenNameAndThoseWithoutLast) {
    std::vector<RoadSection> sections = {
        DescribeSection("sec10.txt", ""),       DescribeSection("a/ZK1+000.txt", ""),
        DescribeSection("b10.txt", "K2+000"),   DescribeSection("YK0+500.txt", ""),
        DescribeSection("sec2.txt", ""),        DescribeSection("k10.txt", "K10+000"),
        DescribeSection("b9.txt", "K2+000"),    DescribeSection("Sec3.txt", ""),
        DescribeSection("x.txt", "K1+999.5"),   DescribeSection("DK9+000.txt", ""),
        DescribeSection("y.txt", "K2+000.000"),
    };
    SortByStake(sections);
    EXPECT_EQ(Labels(sections),
              (std::vector<std::string>{"DK9+000@DK9+000.txt", "K1+999.5@x.txt", "K2+000@b9.txt",
                                        "K2+000@b10.txt", "K2+000.000@y.txt", "K10+000@k10.txt",
                                        "YK0+500@YK0+500.txt", "ZK1+000@ZK1+000.txt",
                                        "sec2@sec2.txt", "Sec3@Sec3.txt", "sec10@sec10.txt"}));

    // Stable: the same name in many folders keeps the order given.
    std::vector<RoadSection> twins;
    for (int folder = 40; folder > 0; --folder) {
        twins.push_back(DescribeSection(fs::path(std::to_string(folder)) / "s.txt", ""));
    }
    const std::vector<RoadSection> given = twins;
    SortByStake(twins);
    for (std::size_t i = 0; i < given.size(); ++i) {
        EXPECT_EQ(twins[i].file, given[i].file);
    }
}

TEST(Stake, NamesCompareAsPeopleReadThem) {
    const std::vector<std::string> ordered = {"",    "a",    "A1",    "a01", "a1", "a9",
                                              "a10", "a10b", "a0011", "ab",  "b"};
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        for (std::size_t j = 0; j < ordered.size(); ++j) {
            const int expected = (i > j) - (i < j);
            EXPECT_EQ(CompareNaturally(ordered[i], ordered[j]), expected)
                << ordered[i] << " against " << ordered[j];
        }
    }
}

TEST(Stake, InputsGiveTheirSectionFilesOnceEach) {
    const test::TempFolder folder;
    const std::string section = "HWT3.8\r\nh\r\n0\r\n";
    for (const char* name : {"road/b.txt", "road/a.txt", "road/sub/c.txt"}) {
        fs::create_directories((folder / name).parent_path());
        ASSERT_TRUE(test::WriteFileBytes(folder / name, section));
    }
    fs::create_directories(folder / "empty");
    ASSERT_TRUE(test::WriteFileBytes(folder / "road" / "notes.txt", "notes\r\n"));
    ASSERT_TRUE(test::WriteFileBytes(folder / "empty" / "notes.txt", "notes\r\n"));
    const std::vector<fs::path> inputs = {folder / "missing.txt", folder / "road",
                                          folder / "road" / "sub" / ".." / "a.txt",
                                          folder / "empty"};
    std::vector<std::string> failures;
    EXPECT_EQ(CollectSectionFiles(inputs, false, failures),
              (std::vector<fs::path>{folder / "missing.txt", folder / "road" / "a.txt",
                                     folder / "road" / "b.txt"}));
    EXPECT_EQ(failures, std::vector<std::string>{"文件夹中没有断面数据文件: " +
                                                 (folder / "empty").u8string()});
    failures.clear();
    EXPECT_EQ(CollectSectionFiles(inputs, true, failures).back(),
              folder / "road" / "sub" / "c.txt");
    EXPECT_EQ(failures.size(), 1u);
}

// The list of a road before any section is read: the heads' stakes order it,
// and a cancelled listing gives nothing.
TEST(Stake, ARoadIsListedAlongItFromTheHeadsAlone) {
    const test::TempFolder folder;
    ASSERT_TRUE(test::WriteFileBytes(folder / "a.txt", "HWT3.8\r\n0,0,0,K0+200,\r\n0\r\n"));
    ASSERT_TRUE(test::WriteFileBytes(folder / "b.txt", "HWT3.8\r\n0,0,0,K0+100,\r\n0\r\n"));
    ASSERT_TRUE(test::WriteFileBytes(folder / "K0+150.txt", "HWT3.8\r\nh\r\n0\r\n"));
    std::vector<std::string> failures;
    EXPECT_EQ(Labels(ListRoad({folder.Path()}, false, failures)),
              (std::vector<std::string>{"K0+100@b.txt", "K0+150@K0+150.txt", "K0+200@a.txt"}));
    EXPECT_TRUE(failures.empty());

    const CancelFlag cancel{true};
    EXPECT_TRUE(ListRoad({folder.Path()}, false, failures, &cancel).empty());
}

} // namespace
} // namespace quarvel
