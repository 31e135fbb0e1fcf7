// Line 2, the section header: its text field is kept for the road's stakes,
// and no header is ever a reason to refuse a file.

#include "sectiondata/SectionReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace quarvel {
namespace {
namespace fs = std::filesystem;

std::string FileWithHeader(const std::string& header) {
    return "HWT3.0\r\n" + header + "\r\n1\r\n1,1,2,3,0,0,起点,0,3,地面线,\r\n";
}

TEST(SectionHeader, TextFieldIsTakenAsWrittenAndNeverRefusesTheFile) {
    const std::pair<std::string, std::string> cases[] = {
        {"500000.123,3400000.456,35.2,K0+860,", "K0+860"},
        {"1,2,3, 断面 K1+200 ,x,", " 断面 K1+200 "}, // blanks stay, the text ends at a comma
        {"1,2,3,K1+200", "K1+200"},                  // the last comma may be missing
        {" 1.5e3 ,-2,+3,K2+000,", "K2+000"},         // numbers as the point lines take them
        {"header", ""},
        {"K1+200,", ""},
        {"1,2,K1+200,", ""},    // two numbers only
        {"1,2,x,K1+200,", ""},  // the third is not a number
        {"1,2,3,,K1+200,", ""}, // an empty text field
        {"", ""},
    };
    for (const auto& [header, text] : cases) {
        SCOPED_TRACE(header);
        const SectionReadResult read = ReadSectionFile(std::string_view(FileWithHeader(header)));
        ASSERT_TRUE(read.Ok());
        EXPECT_EQ(read.headerText, text);
        EXPECT_EQ(read.points.size(), 1u);
    }
    EXPECT_EQ(ReadSectionFile(std::string_view("HWT3.8")).headerText, "");
}

// The text is decoded with the encoding of the whole file, and the head of a
// file alone gives the same text, its version and its count.
TEST(SectionHeader, HeadOfAFileGivesTheReadersHeaderTextAndCount) {
    const test::TempFolder folder;
    const std::string utf8 = FileWithHeader("1,2,3,断面K12+340.5,");
    const std::pair<std::string, std::string> files[] = {
        {"gbk.txt", EncodeGbk(utf8)},
        {"utf8.txt", utf8},
        {"bom.txt", std::string(kUtf8Bom) + utf8},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(test::WriteFileBytes(folder / name, bytes));
        EXPECT_EQ(ReadSectionFile(folder / name).headerText, "断面K12+340.5");
        const SectionHead head = ReadSectionHead(folder / name);
        EXPECT_EQ(head.status, ReadStatus::Ok);
        EXPECT_EQ(head.headerText, "断面K12+340.5");
        EXPECT_EQ(head.version, SectionFileVersion::V3_0);
        EXPECT_EQ(head.count, 1);
    }

    ASSERT_TRUE(test::WriteFileBytes(folder / "short.txt", "HWT3.8\nx\n 250 points\n"));
    const SectionHead short3 = ReadSectionHead(folder / "short.txt");
    EXPECT_EQ(short3.status, ReadStatus::Ok);
    EXPECT_EQ(short3.version, SectionFileVersion::V3_8);
    EXPECT_EQ(short3.headerText, "");
    EXPECT_EQ(short3.count, 250);
}

TEST(SectionHeader, HeadOfWhatIsNoSectionFileSaysWhy) {
    const test::TempFolder folder;
    ASSERT_TRUE(test::WriteFileBytes(folder / "notes.txt", "notes\r\n1,2,3,K1+000,\r\n"));
    ASSERT_TRUE(test::WriteFileBytes(folder / "empty.txt", ""));
    const std::pair<fs::path, std::pair<ReadStatus, std::string>> cases[] = {
        {folder / "notes.txt",
         {ReadStatus::NotSectionFile, "第一行不是断面数据文件标志（HWT3.0、HWT3.6 或 HWT3.8）"}},
        {folder / "empty.txt",
         {ReadStatus::NotSectionFile, "第一行不是断面数据文件标志（HWT3.0、HWT3.6 或 HWT3.8）"}},
        {folder / "none.txt", {ReadStatus::CannotOpen, "文件或文件夹不存在"}},
        {folder.Path(), {ReadStatus::CannotOpen, "这是一个文件夹"}},
    };
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(path.u8string());
        const SectionHead head = ReadSectionHead(path);
        EXPECT_EQ(head.status, expected.first);
        EXPECT_EQ(head.error, expected.second);
        EXPECT_EQ(head.headerText, "");
    }
}

} // namespace
} // namespace quarvel
