#include "sectiondata/SectionReader.h"

#include "sectiondata/LineReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <vector>

using namespace quarvel;

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

// A section file of the given signature whose line 3 holds count (the number
// of point lines when count is empty).
std::string SectionFile(const std::string& signature, const std::vector<std::string>& pointLines,
                        const std::string& lineEnd = "\r\n", const std::string& count = "") {
    std::string file = signature + lineEnd + "0.0,0.0,0.0,K0+000," + lineEnd;
    file += (count.empty() ? std::to_string(pointLines.size()) : count) + lineEnd;
    for (const std::string& line : pointLines) {
        file += line + lineEnd;
    }
    return file;
}

SectionReadResult Read(const std::string& bytes) {
    return ReadSectionFile(std::string_view(bytes));
}

const std::string kFullLine38 = "1,500000.123,3400000.456,35.2,0,0,起点,0,0,道路中线,7,";

} // namespace

TEST(SectionReader, RejectsAnythingButAnExactSignature) {
    for (const std::string& bad :
         {std::string(), std::string("HWT3.8 \r\nx\r\n0\r\n"), std::string("hwt3.8\r\n"),
          std::string(" HWT3.8\n"), std::string("HWT3.7\n"), std::string("HWT3.8\r\r\n"),
          std::string("\r\n"), std::string("HWT3.80\n")}) {
        const SectionReadResult result = Read(bad);
        EXPECT_EQ(result.status, ReadStatus::NotSectionFile) << bad;
        EXPECT_FALSE(result.error.empty());
        EXPECT_TRUE(result.points.empty());
    }
}

TEST(SectionReader, ReportsTheVersionOfEachSignature) {
    EXPECT_EQ(Read("HWT3.0").version, SectionFileVersion::V3_0);
    EXPECT_EQ(Read("HWT3.6\n").version, SectionFileVersion::V3_6);
    EXPECT_EQ(Read("HWT3.8\r\n").version, SectionFileVersion::V3_8);
    EXPECT_STREQ(VersionText(SectionFileVersion::V3_0), "3.0");
    EXPECT_STREQ(VersionText(SectionFileVersion::V3_6), "3.6");
    EXPECT_STREQ(VersionText(SectionFileVersion::V3_8), "3.8");
}

TEST(SectionReader, NoPositiveCountGivesAnEmptySection) {
    for (const char* count : {"0", "-4", "abc", " ", "-2147483648"}) {
        const SectionReadResult result = Read(SectionFile("HWT3.8", {kFullLine38}, "\r\n", count));
        ASSERT_TRUE(result.Ok()) << count;
        EXPECT_TRUE(result.points.empty()) << count;
        EXPECT_TRUE(result.layers.empty()) << count;
        EXPECT_TRUE(result.warnings.empty()) << count;
    }
    const SectionReadResult onlySignature = Read("HWT3.6\r\n");
    ASSERT_TRUE(onlySignature.Ok());
    EXPECT_TRUE(onlySignature.points.empty());
}

TEST(SectionReader, ReadsEveryFieldAndCleansBlanksFromTexts) {
    const SectionReadResult result =
        Read(SectionFile("HWT3.6", {"12, 100.5,200.25,30,15.5,0, J 1 ,0,2,Road A,"}));
    ASSERT_TRUE(result.Ok());
    ASSERT_EQ(result.points.size(), 1u);
    const CDataStruct& point = result.points[0];
    EXPECT_EQ(point.number, 12);
    EXPECT_EQ(point.x, 100.5);
    EXPECT_EQ(point.y, 200.25);
    EXPECT_EQ(point.z, 30.0);
    EXPECT_EQ(point.station, 15.5);
    EXPECT_EQ(point.flag, 0u);
    EXPECT_EQ(result.points.Note(0), "J1");
    EXPECT_EQ(point.code, 0u);
    EXPECT_EQ(point.pointKind, 2u);
    EXPECT_EQ(result.points.Layer(0), "RoadA");
    EXPECT_EQ(point.azimuth, 0.0);
    EXPECT_EQ(result.incompleteLineCount, 0u);
    // Tabs, the ideographic space and the full-width comma are no blanks.
    const SectionReadResult kept =
        Read(SectionFile("HWT3.8", {"1,0,0,0,0,0,a\tb,0,0,图　层，A,0,"}));
    ASSERT_EQ(kept.points.size(), 1u);
    EXPECT_EQ(kept.points.Note(0), "a\tb");
    EXPECT_EQ(kept.points.Layer(0), "图　层，A");
}

TEST(SectionReader, ExtraFieldOnlyInVersion38) {
    const std::string line = "1,0,0,0,0,0,N,0,0,L,7,";
    EXPECT_EQ(Read(SectionFile("HWT3.8", {line})).points.at(0).extra, 7u);
    for (const char* signature : {"HWT3.0", "HWT3.6"}) {
        const SectionReadResult result = Read(SectionFile(signature, {line}));
        ASSERT_EQ(result.points.size(), 1u);
        EXPECT_EQ(result.points[0].extra, 0u);
        EXPECT_EQ(result.incompleteLineCount, 0u);
    }
    // The last field may lack its comma.
    EXPECT_EQ(Read(SectionFile("HWT3.8", {"1,0,0,0,0,0,N,0,0,L,9"})).points.at(0).extra, 9u);
}

TEST(SectionReader, EachLineStartsFromADefaultRecord) {
    const SectionReadResult result = Read(SectionFile(
        "HWT3.8", {kFullLine38, "2,1,2,3,4,0,,5,3,,", "3 ,1.5,2.5,3.5,4.5,0,N3,0,2,L3,1,",
                   "4,abc,2,3,4,0,N4,0,0,L4,", "5"}));
    ASSERT_EQ(result.points.size(), 5u);
    // An empty note and layer are just empty; the fields after them are read.
    const CDataStruct& second = result.points[1];
    EXPECT_EQ(second.number, 2);
    EXPECT_EQ(result.points.Note(1), "");
    EXPECT_EQ(second.code, 5u);
    EXPECT_EQ(second.pointKind, 3u);
    EXPECT_EQ(result.points.Layer(1), "");
    EXPECT_EQ(second.extra, 0u); // present but empty: not carried from line 1
    // A blank before a comma spoils nothing.
    EXPECT_EQ(result.points[2].number, 3);
    EXPECT_EQ(result.points[2].station, 4.5);
    EXPECT_EQ(result.points.Layer(2), "L3");
    // One bad field leaves only its own member at the default.
    const CDataStruct& fourth = result.points[3];
    EXPECT_EQ(fourth.x, 0.0);
    EXPECT_EQ(fourth.y, 2.0);
    EXPECT_EQ(result.points.Note(3), "N4");
    EXPECT_EQ(result.points.Layer(3), "L4");
    EXPECT_EQ(fourth.extra, 0u);
    // A line of one field takes nothing of the line before it.
    const CDataStruct& fifth = result.points[4];
    EXPECT_EQ(fifth.number, 5);
    EXPECT_EQ(fifth.x, 0.0);
    EXPECT_EQ(result.points.Note(4), "");
    EXPECT_EQ(result.points.Layer(4), "");
    EXPECT_EQ(fifth.pointKind, 0u);
}

TEST(SectionReader, ReportsIncompleteLinesWithTheFirstFileLine) {
    const SectionReadResult result = Read(
        SectionFile("HWT3.6", {"1,0,0,0,0,0,N,0,0,L,", "2,0,0,0,0,0,N,0,0", "3,0,0,0,0,0,N,0,0,L,",
                               "4,0,0,x,0,0,N,0,0,L,", "5,0,0,0,0,0,N,0,0,,"}));
    ASSERT_EQ(result.points.size(), 5u);
    EXPECT_EQ(result.incompleteLineCount, 2u);
    EXPECT_EQ(result.firstIncompleteLine, 5u); // file line of point line 2
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(result.warnings[0].kind, ReadWarningKind::IncompleteLine);
    EXPECT_EQ(result.warnings[0].lineNumber, 5u);
    EXPECT_EQ(result.warnings[0].detail,
              "共 2 行点数据不完整，缺少的或不是数字的字段按 0 或空读入；"
              "第一处在第 5 行：缺少字段“图层”");

    // An empty or blank field is missing too; only text that is there can fail
    // to be a number.
    const struct {
        const char* line;
        const char* problem;
    } firstProblems[] = {{"1,2,3,", "缺少字段“高程Z”"},
                         {"1,2,3, \t,0,0,N,0,0,L,", "缺少字段“高程Z”"},
                         {"1,2,3,x,0,0,N,0,0,L,", "字段“高程Z”不是数字"},
                         {"1,2,3,4,0,0,N,0,0,L,", "缺少字段“附加值”"}};
    for (const auto& line : firstProblems) {
        const SectionReadResult one = Read(SectionFile("HWT3.8", {line.line}));
        ASSERT_EQ(one.warnings.size(), 1u) << line.line;
        EXPECT_EQ(one.warnings[0].detail,
                  std::string("共 1 行点数据不完整，缺少的或不是数字的字段按 0 或空读入；"
                              "第一处在第 4 行：") +
                      line.problem);
    }

    const SectionReadResult clean = Read(SectionFile("HWT3.8", {kFullLine38}));
    EXPECT_EQ(clean.incompleteLineCount, 0u);
    EXPECT_EQ(clean.firstIncompleteLine, 0u);
    EXPECT_TRUE(clean.warnings.empty());
}

TEST(SectionReader, TextsHaveNoLengthLimit) {
    const std::string longNote(100000, 'n');
    const std::string longLayer = std::string(300, 'L') + " " + std::string(300, 'M');
    const SectionReadResult result =
        Read(SectionFile("HWT3.8", {"1,0,0,0,0,0," + longNote + ",4,0," + longLayer + ",6,"}));
    ASSERT_EQ(result.points.size(), 1u);
    EXPECT_EQ(result.points.Note(0), longNote);
    EXPECT_EQ(result.points[0].code, 4u);
    EXPECT_EQ(result.points.Layer(0), std::string(300, 'L') + std::string(300, 'M'));
    EXPECT_EQ(result.points[0].extra, 6u);
    EXPECT_EQ(result.incompleteLineCount, 0u);
}

TEST(SectionReader, CountIsAnUpperBound) {
    // Reserving from this count would need hundreds of gigabytes.
    const SectionReadResult huge =
        Read(SectionFile("HWT3.8", {kFullLine38, kFullLine38}, "\n", "2000000000"));
    ASSERT_TRUE(huge.Ok());
    EXPECT_EQ(huge.points.size(), 2u);
    ASSERT_EQ(huge.warnings.size(), 1u);
    EXPECT_EQ(huge.warnings[0].kind, ReadWarningKind::FewerLinesThanCount);

    // Nor from blank lines, which give no record: a file of a few points and
    // millions of empty lines must not ask for memory for millions of records.
    const std::string blanks = SectionFile("HWT3.8", {kFullLine38}, "\n", "2000000000") +
                               std::string(200000, '\n') + " \t\r\n" + kFullLine38 + "\n";
    const SectionReadResult sparse = Read(blanks);
    ASSERT_TRUE(sparse.Ok()) << sparse.error;
    EXPECT_EQ(sparse.points.size(), 2u);
    EXPECT_LE(sparse.points.capacity(), 2u);

    // Lines past the count, however many, change nothing.
    const SectionReadResult bounded = Read(SectionFile(
        "HWT3.8", {kFullLine38, "2,0,0,0,0,0,N,0,0,Other,", "garbage", "3,0,0"}, "\r\n", "1"));
    ASSERT_EQ(bounded.points.size(), 1u);
    EXPECT_EQ(bounded.layers, LayerList{"道路中线"});
    EXPECT_EQ(bounded.incompleteLineCount, 0u);
    EXPECT_TRUE(bounded.warnings.empty());
}

TEST(SectionReader, BlankLinesYieldNoRecordButUseACountLine) {
    const SectionReadResult result = Read(SectionFile(
        "HWT3.8", {kFullLine38, "", " \t ", "2,0,0,0,0,0,N,0,0,L,0,", "3,0,0,0,0,0,N,0,0,L,0,"},
        "\r\n", "4"));
    ASSERT_EQ(result.points.size(), 2u);
    EXPECT_EQ(result.points[1].number, 2);
    EXPECT_EQ(result.incompleteLineCount, 0u);
    EXPECT_TRUE(result.warnings.empty());
}

TEST(SectionReader, LayerListIsSortedUniqueAndSkipsAddedPoints) {
    const SectionReadResult result = Read(SectionFile(
        "HWT3.0", {"1,0,0,0,0,0,N,0,0,B,", "2,0,0,0,0,0,N,0,0,A,", "3,0,0,0,0,0,N,0,2,a,",
                   "4,0,0,0,0,0,N,0,3,B,", "5,0,0,0,0,0,N,0,0,,", "6,0,0,0,0,0,N,0,4,D,",
                   "7,0,0,0,0,0,N,0,0, ,", "8,0,0,0,0,0,N,0,1,E,", "9,0,0,0,0,1,N,0,0,C,"}));
    // Points never shown (kind 1, flag 1) still bring their own layers.
    EXPECT_EQ(result.layers, (LayerList{"A", "B", "C", "E", "a"}));

    const SectionReadResult none =
        Read(SectionFile("HWT3.0", {"1,0,0,0,0,0,N,0,4,D,", "2,0,0,0,0,0,N,0,0,,"}));
    EXPECT_TRUE(none.layers.empty());
}

TEST(SectionReader, ManyDistinctLayersAreAllListed) {
    std::vector<std::string> lines;
    for (int i = 9999; i >= 0; --i) {
        lines.push_back("1,0,0,0,0,0,N,0,0,层" + std::to_string(100000 + i) + ",0,");
    }
    const SectionReadResult result = Read(EncodeGbk(SectionFile("HWT3.8", lines)));
    ASSERT_EQ(result.layers.size(), 10000u);
    EXPECT_EQ(result.layers.front(), "层100000");
    EXPECT_EQ(result.layers.back(), "层109999");
    EXPECT_TRUE(std::is_sorted(result.layers.begin(), result.layers.end()));
}

TEST(SectionReader, FieldsSplitRightAcrossLongLines) {
    // Commas land on every position around the blocks the line is scanned in.
    for (std::size_t padding = 40; padding < 140; ++padding) {
        const std::string note(padding, 'n');
        const SectionReadResult result =
            Read(SectionFile("HWT3.8", {"1,2.5,3,4,5,6," + note + ",8,2,L" + note + ",11,extra,"}));
        ASSERT_EQ(result.points.size(), 1u);
        const CDataStruct& point = result.points[0];
        EXPECT_EQ(result.points.Note(0), note);
        EXPECT_EQ(point.code, 8u);
        EXPECT_EQ(point.pointKind, 2u);
        EXPECT_EQ(result.points.Layer(0), "L" + note);
        EXPECT_EQ(point.extra, 11u);
        EXPECT_EQ(result.incompleteLineCount, 0u) << padding;
    }
}

TEST(SectionReader, LayerListFollowsUtf16CodeUnitOrder) {
    // U+20000 is a surrogate pair in UTF-16 and so sorts before U+FF21, which
    // UTF-8 byte order would put first.
    const SectionReadResult result = Read(
        SectionFile("HWT3.8", {"1,0,0,0,0,0,N,0,0,Ａ,0,", "2,0,0,0,0,0,N,0,0,\xF0\xA0\x80\x80,0,",
                               "3,0,0,0,0,0,N,0,0,边坡,0,", "4,0,0,0,0,0,N,0,0,z,0,"}));
    ASSERT_EQ(result.encoding, TextEncoding::Utf8);
    EXPECT_EQ(result.layers, (LayerList{"z", "边坡", "\xF0\xA0\x80\x80", "Ａ"}));
}

TEST(SectionReader, ReadsChineseTextsFromGbkAndUtf8Files) {
    const std::string utf8 =
        SectionFile("HWT3.8", {"1,500000.123,3400000.456,35.2,0,0,起 点,0,0,道路中线,0,",
                               "2,500010.5,3400000.456,34.8,10.377,0,路肩,0,2,边坡,0,",
                               "3,500020.5,3400000.456,33.1,20.377,0,终点,0,3,地面线,0,"});
    const SectionReadResult fromGbk = Read(EncodeGbk(utf8));
    const SectionReadResult fromUtf8 = Read(utf8);
    EXPECT_EQ(fromGbk.encoding, TextEncoding::Gbk);
    EXPECT_EQ(fromUtf8.encoding, TextEncoding::Utf8);
    for (const SectionReadResult* result : {&fromGbk, &fromUtf8}) {
        ASSERT_EQ(result->points.size(), 3u);
        EXPECT_EQ(result->points.Note(0), "起点");
        EXPECT_EQ(result->points.Note(1), "路肩");
        EXPECT_EQ(result->points.Layer(2), "地面线");
        EXPECT_EQ(result->layers, (LayerList{"地面线", "边坡", "道路中线"}));
    }
}

TEST(SectionReader, DetectsTheEncodingOnceForTheWholeFile) {
    // D7 A2 D7 A2 is "注注" in GBK and also valid UTF-8 without an ideograph.
    const SectionReadResult gbk =
        Read(SectionFile("HWT3.8", {"1,0,0,0,0,0,\xD7\xA2\xD7\xA2,0,0,L,0,"}));
    EXPECT_EQ(gbk.encoding, TextEncoding::Gbk);
    EXPECT_EQ(gbk.points.Note(0), "注注");

    // Only an ideograph of U+4E00..U+9FFF makes a file without a byte-order
    // mark UTF-8: full-width Latin, Hangul and the neighbours of the range
    // stay GBK.
    const struct {
        const char* text;
        TextEncoding encoding;
    } samples[] = {{"Ａ", TextEncoding::Gbk},           {"한", TextEncoding::Gbk},
                   {"\xE4\xB7\xBF", TextEncoding::Gbk}, // U+4DFF
                   {"\xEA\x80\x80", TextEncoding::Gbk}, // U+A000
                   {"一", TextEncoding::Utf8},          {"龥", TextEncoding::Utf8},
                   {"\xE9\xBF\xBF", TextEncoding::Utf8}}; // U+9FFF
    for (const auto& sample : samples) {
        const std::string note = sample.text;
        const SectionReadResult result =
            Read(SectionFile("HWT3.8", {"1,0,0,0,0,0," + note + ",0,0,L,0,"}));
        EXPECT_EQ(result.encoding, sample.encoding) << note;
        if (sample.encoding == TextEncoding::Utf8) {
            EXPECT_EQ(result.points.Note(0), note);
        }
    }

    // A byte-order mark is dropped and decides UTF-8 even for plain ASCII.
    const SectionReadResult bom =
        Read("\xEF\xBB\xBF" + SectionFile("HWT3.6", {"1,0,0,0,0,0,N,0,0,L,"}));
    ASSERT_TRUE(bom.Ok());
    EXPECT_EQ(bom.encoding, TextEncoding::Utf8);
    EXPECT_EQ(bom.points.Note(0), "N");

    // One stray GBK byte makes a file that is otherwise UTF-8 read as GBK.
    const SectionReadResult mixed =
        Read(SectionFile("HWT3.8", {"1,0,0,0,0,0,起点,0,0,\xB1\xDF,0,"}));
    EXPECT_EQ(mixed.encoding, TextEncoding::Gbk);
    EXPECT_EQ(mixed.points.Layer(0), "边");
}

// What one line showed holds for the lines after it, which need not show
// it again: a line without an ideograph does not undo one before it.
TEST(SectionReader, AnIdeographOnAnyLineMakesTheWholeFileUtf8) {
    const std::string ideograph = "1,0,0,0,0,0,起点,0,0,L,0,";
    const std::string fullWidth = "2,0,0,0,0,0,Ａ１,0,0,é,0,";
    for (const auto& lines : {std::vector<std::string>{ideograph, fullWidth},
                              std::vector<std::string>{fullWidth, ideograph}}) {
        const SectionReadResult result = Read(SectionFile("HWT3.8", lines));
        EXPECT_EQ(result.encoding, TextEncoding::Utf8) << lines[0];
        ASSERT_EQ(result.points.size(), 2u);
        const std::size_t other = lines[0] == ideograph ? 1 : 0;
        EXPECT_EQ(result.points.Note(other), "Ａ１");
        EXPECT_EQ(result.points.Layer(other), "é");
    }
    // Nor does a well-formed line undo a malformed one before it.
    const SectionReadResult gbk =
        Read(SectionFile("HWT3.8", {ideograph, "3,0,0,0,0,0,\xB1\xDF,0,0,L,0,", ideograph}));
    EXPECT_EQ(gbk.encoding, TextEncoding::Gbk);
    EXPECT_EQ(gbk.points.Note(1), "边");
}

TEST(SectionReader, UndecodableBytesBecomeReplacementCharacters) {
    // A lead byte before a comma or a blank spoils neither the split nor the
    // byte after it.
    const SectionReadResult gbk =
        Read(SectionFile("HWT3.8", {"1,0,0,0,0,0,A\xFF\xFF\xD7,5,0,\xD7 \xB1\xDF,0,"}));
    ASSERT_EQ(gbk.points.size(), 1u);
    EXPECT_EQ(gbk.points.Note(0), "A" + kReplacement + kReplacement + kReplacement);
    EXPECT_EQ(gbk.points[0].code, 5u);
    EXPECT_EQ(gbk.points.Layer(0), kReplacement + "边");

    const SectionReadResult bom =
        Read("\xEF\xBB\xBF" + SectionFile("HWT3.8", {"1,0,0,0,0,0,起\xFF点,0,0,\xE8\xB5,0,"}));
    ASSERT_EQ(bom.points.size(), 1u);
    EXPECT_EQ(bom.points.Note(0), "起" + kReplacement + "点");
    EXPECT_EQ(bom.points.Layer(0), kReplacement + kReplacement);
}

TEST(SectionReader, LineFeedAndCarriageReturnLineFeedReadTheSame) {
    const std::vector<std::string> lines{kFullLine38, "2,1,1,1,1,0,终点,0,3,边坡,0,"};
    const SectionReadResult crlf = Read(EncodeGbk(SectionFile("HWT3.8", lines, "\r\n")));
    const SectionReadResult lf = Read(EncodeGbk(SectionFile("HWT3.8", lines, "\n")));
    std::string noFinalLineEnd = EncodeGbk(SectionFile("HWT3.8", lines, "\r\n"));
    noFinalLineEnd.pop_back(); // ends in a bare CR
    const SectionReadResult cr = Read(noFinalLineEnd);
    for (const SectionReadResult* result : {&crlf, &lf, &cr}) {
        ASSERT_EQ(result->points.size(), 2u);
        EXPECT_EQ(result->points[0].extra, 7u);
        EXPECT_EQ(result->points[1].extra, 0u);
        EXPECT_EQ(result->points.Note(1), "终点");
        EXPECT_EQ(result->incompleteLineCount, 0u);
    }
}

TEST(SectionReader, SecondReadKeepsNothingOfTheFirst) {
    const std::string first = EncodeGbk(SectionFile("HWT3.8", {kFullLine38, kFullLine38}));
    const std::string second = SectionFile("HWT3.6", {"9,1,1,1,1,0,,0,0,"});
    ASSERT_EQ(Read(first).points.size(), 2u);
    const SectionReadResult result = Read(second);
    ASSERT_EQ(result.points.size(), 1u);
    EXPECT_EQ(result.points.Note(0), "");
    EXPECT_EQ(result.points.Layer(0), "");
    EXPECT_EQ(result.points[0].extra, 0u);
    EXPECT_TRUE(result.layers.empty());
    EXPECT_EQ(result.version, SectionFileVersion::V3_6);
}

TEST(SectionReader, ProgressReportsAndCanCancel) {
    std::vector<std::string> lines(60000, kFullLine38);
    const std::string bytes = EncodeGbk(SectionFile("HWT3.8", lines));
    std::vector<std::size_t> reports;
    // On one thread the reports come at fixed places; threads of their own
    // may finish between two reports (SectionPieces tests those).
    ReadOptions oneThread;
    oneThread.jobs = 1;
    const SectionReadResult done = ReadSectionFile(
        std::string_view(bytes),
        [&](std::size_t got, std::size_t total) {
            EXPECT_EQ(total, bytes.size());
            reports.push_back(got);
            return true;
        },
        oneThread);
    ASSERT_TRUE(done.Ok());
    EXPECT_EQ(done.points.size(), lines.size());
    ASSERT_GE(reports.size(), 3u);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.back(), bytes.size());

    int calls = 0;
    const SectionReadResult cancelled = ReadSectionFile(
        std::string_view(bytes), [&](std::size_t, std::size_t) { return ++calls < 2; });
    EXPECT_EQ(cancelled.status, ReadStatus::Cancelled);
    EXPECT_TRUE(cancelled.points.empty());
    EXPECT_EQ(calls, 2);
}

TEST(SectionReader, StreamAndPathOverloads) {
    std::istringstream stream(SectionFile("HWT3.8", {kFullLine38}));
    const SectionReadResult fromStream = ReadSectionFile(stream);
    ASSERT_TRUE(fromStream.Ok());
    EXPECT_EQ(fromStream.points.Note(0), "起点");

    const test::TempFolder folder;
    const SectionReadResult notThere = ReadSectionFile(folder / "no-such-dir" / "none.txt");
    EXPECT_EQ(notThere.status, ReadStatus::CannotOpen);
    EXPECT_EQ(notThere.error, "文件或文件夹不存在"); // the reason in the user's language

    const SectionReadResult directory = ReadSectionFile(folder.Path());
    EXPECT_EQ(directory.status, ReadStatus::CannotOpen);
    EXPECT_EQ(directory.error, "这是一个文件夹");

    // A device has no size to read it twice by; it is read as it comes.
#ifdef _WIN32
    const std::filesystem::path nullDevice = "NUL";
#else
    const std::filesystem::path nullDevice = "/dev/null";
#endif
    EXPECT_EQ(ReadSectionFile(nullDevice).status, ReadStatus::NotSectionFile);

    const std::filesystem::path written = folder / "section.txt";
    ASSERT_TRUE(test::WriteFileBytes(
        written, EncodeGbk(SectionFile("HWT3.0", {"3,1,2,3,4,0,边沟,0,2,边坡,"}))));
    const SectionReadResult fromPath = ReadSectionFile(written);
    ASSERT_TRUE(fromPath.Ok());
    EXPECT_EQ(fromPath.points.Note(0), "边沟");
}

// A large file is read a piece at a time; wherever the pieces end (inside a
// CR LF, inside a line longer than a piece), the lines are those of the bytes.
TEST(SectionReader, LinesReadInPiecesAreTheLinesOfTheBytes) {
    const std::string longLine(300, 'n');
    const std::string bytes = "HWT3.8\r\nhead\r\n\r\n2\rx\n" + longLine + "\r\n\n\r\r\nlast\r";
    const std::vector<std::string> expected = {"HWT3.8", "head", "",   "2\rx",
                                               longLine, "",     "\r", "last"};
    const auto linesOf = [](LineReader& reader) {
        std::vector<std::string> lines;
        std::string_view line;
        while (reader.Next(line)) {
            lines.emplace_back(line);
        }
        EXPECT_EQ(reader.ReadError(), 0);
        return lines;
    };
    LineReader inMemory{std::string_view(bytes)};
    EXPECT_EQ(linesOf(inMemory), expected);
    EXPECT_EQ(inMemory.Offset(), bytes.size());

    const test::TempFolder temp;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        std::fopen((temp / "pieces.txt").string().c_str(), "w+b"), &std::fclose);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.get()), bytes.size());
    for (const std::size_t chunk : {1, 2, 3, 5, 8, 64, 4096}) {
        SCOPED_TRACE(chunk);
        std::rewind(file.get());
        LineReader pieces(file.get(), chunk);
        EXPECT_EQ(linesOf(pieces), expected);
        EXPECT_EQ(pieces.Offset(), bytes.size());
        EXPECT_EQ(pieces.LineNumber(), expected.size());
    }
}
