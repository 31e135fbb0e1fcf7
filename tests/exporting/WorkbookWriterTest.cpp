#include "exporting/WorkbookWriter.h"

#include "exporting/ZipCheck.h"
#include "sectiondata/SystemErrorText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace quarvel {
namespace {
namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

// A table of any length whose cells cost nothing; counts the rows asked for
// and can do something when a row is reached.
class CheapTable : public TableSource {
public:
    explicit CheapTable(std::size_t rows) : m_rows(rows) {}

    std::size_t RowCount() const override { return m_rows; }
    std::size_t DataColumnCount() const override { return 2; }
    std::string ColumnCaption(std::size_t column) const override {
        return column == 0 ? "编号" : "注释";
    }
    std::string CellText(std::size_t row, std::size_t column) const override {
        if (column == 0) {
            m_asked = std::max(m_asked.load(), row + 1);
            if (m_onRow && row == m_triggerRow) {
                m_onRow();
            }
            return std::to_string(row + 1) + ".5";
        }
        return "点";
    }
    bool IsNumberColumn(std::size_t column) const override { return column == 0; }

    void OnRow(std::size_t row, std::function<void()> action) {
        m_triggerRow = row;
        m_onRow = std::move(action);
    }
    std::size_t RowsAsked() const { return m_asked; }

private:
    std::size_t m_rows;
    std::size_t m_triggerRow = 0;
    std::function<void()> m_onRow;
    mutable std::atomic<std::size_t> m_asked{0};
};

TEST(SheetNamesTest, ValidUniqueAndWithinExcelsLength) {
    std::string forty;  // 40 characters of three bytes
    std::string beyond; // "a" and 20 characters beyond U+FFFF, two UTF-16 units each
    for (int i = 0; i < 40; ++i) {
        forty += "断";
    }
    beyond = "a";
    for (int i = 0; i < 20; ++i) {
        beyond += "\xF0\xA0\x80\x80";
    }
    const std::vector<std::string> names = SheetNames({
        "全线",
        "K1+200",
        "a[b]c:d*e?f/g\\h",
        "'引号'",
        "",
        "tab\there",
        forty,
        forty,
        beyond,
        "K1+200",
        "k1+200",
        "全线",
    });
    std::string thirtyOne;
    for (int i = 0; i < 31; ++i) {
        thirtyOne += "断";
    }
    std::string twentySeven;
    for (int i = 0; i < 27; ++i) {
        twentySeven += "断";
    }
    std::string fifteenBeyond = "a";
    for (int i = 0; i < 15; ++i) {
        fifteenBeyond += "\xF0\xA0\x80\x80";
    }
    const std::vector<std::string> expected = {
        "全线",        "K1+200",     "a_b_c_d_e_f_g_h", "_引号_",
        "断面",        "tab_here",   thirtyOne,         twentySeven + " (2)",
        fifteenBeyond, "K1+200 (2)", "k1+200 (3)",      "全线 (2)",
    };
    EXPECT_EQ(names, expected);
}

// Excel holds 1048576 rows, the caption row among them: the refusal comes
// before any file is made and any cell is asked for, and says what to do.
TEST(WorkbookWriterTest, TablesLongerThanExcelAreRefusedBeforeAnythingIsWritten) {
    const CheapTable fits(kWorkbookMaxRows - 1);
    EXPECT_EQ(WorkbookLimitProblem({{"断面", &fits}}), "");
    const CheapTable tooLong(kWorkbookMaxRows);
    const std::string problem = WorkbookLimitProblem({{"断面", &fits}, {"K0+020", &tooLong}});
    EXPECT_NE(problem.find("K0+020"), std::string::npos) << problem;
    EXPECT_NE(problem.find("1048576"), std::string::npos) << problem;
    EXPECT_NE(problem.find("CSV"), std::string::npos) << problem;

    const test::TempFolder folder;
    const fs::path target = folder / fs::u8path("全线.xlsx");
    WriteFileBytes(target, "keep");
    const ExportResult result = WriteWorkbookFile(target, {{"断面", &tooLong}});
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.cancelled);
    const std::string reason = WorkbookLimitProblem({{"断面", &tooLong}});
    EXPECT_EQ(result.error, "保存文件失败: " + ShownPath(target) + ": " + reason);
    EXPECT_EQ(result.reason, reason);
    EXPECT_EQ(tooLong.RowsAsked(), 0u);
    EXPECT_EQ(ReadFileBytes(target), "keep");
    EXPECT_EQ(test::EntriesIn(folder.Path()), std::vector<std::string>{"全线.xlsx"});
}

// A cancel is looked at between rows: the writing stops soon after it, and
// neither the workbook nor a temporary file of the library's is left.
TEST(WorkbookWriterTest, CancelStopsBetweenRowsAndLeavesNothing) {
    const test::TempFolder folder;
    const fs::path target = folder / "out.xlsx";
    WriteFileBytes(target, "keep");
    CancelFlag cancel{false};
    CheapTable table(200000);
    table.OnRow(5000, [&cancel] { cancel = true; });
    ExportResult result = WriteWorkbookFile(target, {{"断面", &table}}, &cancel);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.cancelled) << result.error;
    EXPECT_GT(table.RowsAsked(), 5000u);
    EXPECT_LT(table.RowsAsked(), 5000u + 2048u);
    EXPECT_EQ(ReadFileBytes(target), "keep");
    EXPECT_EQ(test::EntriesIn(folder.Path()), std::vector<std::string>{"out.xlsx"});

    const CheapTable untouched(10);
    result = WriteWorkbookFile(folder / "new.xlsx", {{"断面", &untouched}}, &cancel);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(untouched.RowsAsked(), 0u);
    EXPECT_EQ(test::EntriesIn(folder.Path()), std::vector<std::string>{"out.xlsx"});
}

TEST(WorkbookWriterTest, FailuresNameTheFileAndLeaveNothingBehind) {
    const test::TempFolder folder;
    const CheapTable table(10);
    const fs::path missing = folder / "missing" / "out.xlsx";
    ExportResult result = WriteWorkbookFile(missing, {{"断面", &table}});
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("保存文件失败: " + ShownPath(missing)), std::string::npos)
        << result.error;
    EXPECT_NE(result.error.find("文件或文件夹不存在"), std::string::npos) << result.error;

    // A name the library refuses is told, not replaced by one of its own.
    result = WriteWorkbookFile(folder / "bad.xlsx", {{"a/b", &table}});
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("工作表名称无效: a/b"), std::string::npos) << result.error;
    EXPECT_TRUE(fs::is_empty(folder.Path()));

    // A written workbook is whole and replaces the old file, in a folder
    // whose name the C runtime of Windows cannot take as UTF-8.
    const fs::path chinese = folder / fs::u8path("测量 资料");
    fs::create_directory(chinese);
    const fs::path target = chinese / fs::u8path("路线 K0.xlsx");
    WriteFileBytes(target, "old");
    result = WriteWorkbookFile(target, {{"断面", &table}});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(ReadFileBytes(target).substr(0, 2), "PK");
    EXPECT_EQ(IncompleteZipPart(target), "");
    EXPECT_EQ(test::EntriesIn(chinese), std::vector<std::string>{"路线 K0.xlsx"});
}

#ifndef _WIN32
// Sets LC_NUMERIC to a locale whose decimal point is a comma, as the window's
// may be (Qt takes the user's), made in folder when the system has none.
// False when none can be had.
bool UseCommaLocale(const fs::path& folder) {
    const auto commaPoint = [] {
        char text[16];
        std::snprintf(text, sizeof text, "%.1f", 1.5);
        return std::string(text) == "1,5";
    };
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr && commaPoint()) {
        return true;
    }
    const fs::path made = folder / "de_DE.UTF-8";
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + made.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1 || !fs::exists(made)) {
        return false;
    }
    ::setenv("LOCPATH", folder.c_str(), 1);
    return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr && commaPoint();
}

// The library prints numbers with printf: under a comma locale a workbook
// would hold "1,5", which no spreadsheet reads as a number.
TEST(WorkbookWriterTest, NumbersHaveADecimalPointWhateverTheLocale) {
    const test::TempFolder folder;
    const bool comma = UseCommaLocale(folder.Path());
    const CheapTable table(3);
    const fs::path target = folder / "out.xlsx";
    const ExportResult result = WriteWorkbookFile(target, {{"断面", &table}});
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
    if (!comma) {
        GTEST_SKIP() << "no locale with a decimal comma could be made";
    }
    ASSERT_TRUE(result.ok) << result.error;
    const std::optional<std::string> sheet = ReadZipPart(target, "xl/worksheets/sheet1.xml");
    ASSERT_TRUE(sheet);
    EXPECT_NE(sheet->find("<v>1.5</v>"), std::string::npos) << *sheet;
    EXPECT_EQ(sheet->find("<v>1,5</v>"), std::string::npos) << *sheet;
}
#endif

// A zip of stored parts, for the check of whole parts.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& parts) {
    const auto le = [](std::string& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    };
    std::string zip;
    std::string directory;
    for (const auto& [name, content] : parts) {
        const auto offset = static_cast<std::uint32_t>(zip.size());
        const auto size = static_cast<std::uint32_t>(content.size());
        const auto nameSize = static_cast<std::uint32_t>(name.size());
        le(zip, 0x04034b50, 4);
        zip.append(14, '\0'); // version, flags, method 0, time, date, CRC (unchecked)
        le(zip, size, 4);     // compressed
        le(zip, size, 4);     // uncompressed
        le(zip, nameSize, 2);
        le(zip, 0, 2);
        zip += name + content;
        le(directory, 0x02014b50, 4);
        directory.append(16, '\0'); // versions, flags, method 0, time, date, CRC
        le(directory, size, 4);
        le(directory, size, 4);
        le(directory, nameSize, 2);
        directory.append(12, '\0'); // extra, comment, disk, attributes
        le(directory, offset, 4);
        directory += name;
    }
    const auto start = static_cast<std::uint32_t>(zip.size());
    zip += directory;
    le(zip, 0x06054b50, 4);
    le(zip, 0, 4);
    le(zip, static_cast<std::uint32_t>(parts.size()), 2);
    le(zip, static_cast<std::uint32_t>(parts.size()), 2);
    le(zip, static_cast<std::uint32_t>(directory.size()), 4);
    le(zip, start, 4);
    le(zip, 0, 2);
    return zip;
}

// The library zips its temporary files without looking whether they were
// written whole: a part that stops early must fail the export.
TEST(ZipCheckTest, FindsAPartThatStopsEarly) {
    const test::TempFolder folder;
    const fs::path file = folder / "book.xlsx";
    const std::string declaration =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    const std::string sheet = declaration + "<worksheet xmlns=\"x\"><sheetData><row r=\"1\"/>"
                                            "</sheetData></worksheet>";
    WriteFileBytes(file, StoredZip({{"[Content_Types].xml", declaration + "<Types></Types>"},
                                    {"xl/media/image1.png", "not XML"},
                                    {"xl/worksheets/sheet1.xml", sheet}}));
    EXPECT_EQ(IncompleteZipPart(file), "");

    WriteFileBytes(file,
                   StoredZip({{"[Content_Types].xml", declaration + "<Types></Types>"},
                              {"xl/worksheets/sheet1.xml", sheet.substr(0, sheet.size() - 5)}}));
    EXPECT_NE(IncompleteZipPart(file).find("xl/worksheets/sheet1.xml"), std::string::npos);

    WriteFileBytes(file,
                   StoredZip({{"_rels/.rels", declaration + "<Relationships><Relationship/>"}}));
    EXPECT_NE(IncompleteZipPart(file), "");

    const std::string whole = StoredZip({{"a.xml", "<a></a>"}});
    WriteFileBytes(file, whole.substr(0, whole.size() - 1)); // no end record
    EXPECT_NE(IncompleteZipPart(file), "");
    EXPECT_NE(IncompleteZipPart(folder / "missing.xlsx"), "");
}

} // namespace
} // namespace quarvel
