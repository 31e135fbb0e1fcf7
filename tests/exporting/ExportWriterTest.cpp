#include "exporting/ExportWriter.h"

#include "files/AtomicFile.h"
#include "sectiondata/TextCodec.h"
#include "support/OrdinaryUser.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <streambuf>

#ifndef _WIN32
#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#else
#include <windows.h>
#endif

namespace quarvel {
namespace {
namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

CDataStruct Point(std::int32_t number, double x, double z) {
    CDataStruct point;
    point.number = number;
    point.x = x;
    point.z = z;
    return point;
}

std::string ExportBytes(const TableSource& table, const ExportForm& form = {},
                        std::size_t* unencodable = nullptr) {
    std::ostringstream out;
    EXPECT_TRUE(WriteExport(out, table, form, unencodable));
    return out.str();
}

TEST(ExportWriterTest, WritesCountThenRowsWithCrLf) {
    const PointList points = {Point(0, 100, 5.5), Point(1, 101.25, 6)};
    const SectionTable table(points, {"编号", "坐标X", "高程Z"}, TableOptions{1, false, false, 3});
    EXPECT_EQ(ExportBytes(table), "2\r\n1,100.000,5.500\r\n2,101.250,6.000\r\n");

    const SectionTable empty(points, {"编号"}, TableOptions{2, false, false, 3});
    EXPECT_EQ(ExportBytes(empty), "0\r\n");
}

TEST(ExportWriterTest, EveryFormOfTheFirstLineSeparatorAndEncoding) {
    const PointList points = {Point(0, 100, 5.5), Point(1, 101.25, 6)};
    const SectionTable table(points, {"编号", "坐标X", "高程Z"}, TableOptions{1, false, false, 3});
    const std::string rows = "1;100.000;5.500\r\n2;101.250;6.000\r\n";
    EXPECT_EQ(ExportBytes(table, {ExportEncoding::Gbk, FirstLine::None, Separator::Semicolon}),
              rows);
    EXPECT_EQ(ExportBytes(table, {ExportEncoding::Gbk, FirstLine::Captions, Separator::Tab}),
              EncodeGbk("编号\t坐标X\t高程Z\r\n") + "1\t100.000\t5.500\r\n2\t101.250\t6.000\r\n");
    EXPECT_EQ(ExportBytes(table, {ExportEncoding::Utf8Bom, FirstLine::Captions, Separator::Comma}),
              "\xEF\xBB\xBF编号,坐标X,高程Z\r\n1,100.000,5.500\r\n2,101.250,6.000\r\n");
}

TEST(ExportWriterTest, EncodesTextsInCodePage936AndKeepsEmptyCells) {
    PointList points(3);
    points[0].pointKind = kKneePoint;
    points.SetNote(1, "桥台😀");
    points.SetLayer(1, "DL");
    points.SetNote(2, "挡墙");
    points.SetLayer(2, "");
    const SectionTable table(points, {"图层", "注释", "注释", "图层"},
                             TableOptions{1, false, false, 3});
    std::size_t unencodable = 0;
    EXPECT_EQ(ExportBytes(table, {}, &unencodable), "3\r\n"
                                                    "(\xB9\xD5\xB5\xE3),,,(\xB9\xD5\xB5\xE3)\r\n"
                                                    "DL,\xC7\xC5\xCC\xA8?,\xC7\xC5\xCC\xA8?,DL\r\n"
                                                    ",\xB5\xB2\xC7\xBD,\xB5\xB2\xC7\xBD,\r\n");
    EXPECT_EQ(unencodable, 2u); // the one character GBK lacks, in both its cells

    // UTF-8 keeps it; notes may hold the separators that are not commas.
    unencodable = 0;
    points.SetNote(2, "挡;墙\t\"甲\"");
    const SectionTable notes(points, {"注释"}, TableOptions{1, false, false, 3});
    EXPECT_EQ(ExportBytes(notes, {ExportEncoding::Utf8Bom, FirstLine::None, Separator::Semicolon},
                          &unencodable),
              "\xEF\xBB\xBF\r\n桥台😀\r\n\"挡;墙\t\"\"甲\"\"\"\r\n");
    EXPECT_EQ(unencodable, 0u);
    EXPECT_EQ(ExportBytes(notes, {ExportEncoding::Gbk, FirstLine::None, Separator::Tab}),
              "\r\n\xC7\xC5\xCC\xA8?\r\n" + EncodeGbk("\"挡;墙\t\"\"甲\"\"\"") + "\r\n");
}

// Texts as given, for the cells no section file yields but a table may hold.
class TextTable : public TableSource {
public:
    TextTable(std::vector<std::string> captions, std::vector<std::vector<std::string>> rows)
        : m_captions(std::move(captions)), m_rows(std::move(rows)) {}

    std::size_t RowCount() const override { return m_rows.size(); }
    std::size_t DataColumnCount() const override { return m_captions.size(); }
    std::string ColumnCaption(std::size_t column) const override { return m_captions[column]; }
    std::string CellText(std::size_t row, std::size_t column) const override {
        return m_rows[row][column];
    }

private:
    std::vector<std::string> m_captions;
    std::vector<std::vector<std::string>> m_rows;
};

// Notes may begin with or hold a double quote, and hold a CR; a spreadsheet
// would take either for the end of the cell or of the row.
TEST(ExportWriterTest, QuotesAsRfc4180InEveryFormButTheSectionTools) {
    const TextTable table({"编号", "注\"释\""},
                          {{"\"起点", "a\"b"}, {"x\ry", "x\ny"}, {"a;b", "a\tb"}, {"a,b", "z"}});
    // The row count with commas keeps its bytes in either encoding: only a
    // comma, which no section file's cell holds, is quoted.
    const std::string sectionTools = "\"起点,a\"b\r\nx\ry,x\ny\r\na;b,a\tb\r\n\"a,b\",z\r\n";
    EXPECT_EQ(ExportBytes(table), "4\r\n" + EncodeGbk(sectionTools));
    EXPECT_EQ(ExportBytes(table, {ExportEncoding::Utf8Bom, FirstLine::Count, Separator::Comma}),
              std::string(kUtf8Bom) + "4\r\n" + sectionTools);

    // Every other form quotes a cell or caption holding the separator, a
    // double quote, CR or LF, and doubles its quotes.
    EXPECT_EQ(
        ExportBytes(table, {ExportEncoding::Gbk, FirstLine::Captions, Separator::Comma}),
        EncodeGbk("编号,\"注\"\"释\"\"\"\r\n"
                  "\"\"\"起点\",\"a\"\"b\"\r\n\"x\ry\",\"x\ny\"\r\na;b,a\tb\r\n\"a,b\",z\r\n"));
    EXPECT_EQ(ExportBytes(table, {ExportEncoding::Utf8Bom, FirstLine::None, Separator::Semicolon}),
              "\xEF\xBB\xBF\"\"\"起点\";\"a\"\"b\"\r\n\"x\ry\";\"x\ny\"\r\n\"a;b\";a\tb\r\n"
              "a,b;z\r\n");
    EXPECT_EQ(ExportBytes(table, {ExportEncoding::Gbk, FirstLine::Count, Separator::Tab}),
              EncodeGbk("4\r\n\"\"\"起点\"\t\"a\"\"b\"\r\n\"x\ry\"\t\"x\ny\"\r\na;b\t\"a\tb\"\r\n"
                        "a,b\tz\r\n"));

    // A caption GBK lacks a character of is counted like a cell.
    std::size_t unencodable = 0;
    ExportBytes(TextTable({"注😀"}, {{"😀"}}),
                {ExportEncoding::Gbk, FirstLine::Captions, Separator::Comma}, &unencodable);
    EXPECT_EQ(unencodable, 2u);
}

// Accepts a fixed number of bytes, then fails like a full disk.
class FailingBuffer : public std::streambuf {
public:
    explicit FailingBuffer(std::size_t capacity) : m_capacity(capacity) {}

protected:
    std::streamsize xsputn(const char*, std::streamsize count) override {
        const auto accepted = std::min<std::size_t>(static_cast<std::size_t>(count), m_capacity);
        m_capacity -= accepted;
        return static_cast<std::streamsize>(accepted);
    }
    int_type overflow(int_type) override { return traits_type::eof(); }

private:
    std::size_t m_capacity;
};

PointList ManyPoints(std::size_t count) {
    PointList points;
    for (std::size_t i = 0; i < count; ++i) {
        points.push_back(Point(static_cast<std::int32_t>(i), i * 1.5, 3.25));
    }
    return points;
}

TEST(ExportWriterTest, ReportsAStreamThatFailsPartWay) {
    const PointList points = ManyPoints(200000);
    const SectionTable table(points, {"编号", "坐标X", "高程Z"}, TableOptions{});
    FailingBuffer buffer(1500000);
    std::ostream out(&buffer);
    EXPECT_FALSE(WriteExport(out, table));
}

// The same table as one thread must make it: its cells may not come from
// several threads at once.
class OneThreadTable : public TableSource {
public:
    explicit OneThreadTable(const SectionTable& table) : m_table(table) {}
    std::size_t RowCount() const override { return m_table.RowCount(); }
    std::size_t DataColumnCount() const override { return m_table.DataColumnCount(); }
    std::string ColumnCaption(std::size_t column) const override {
        return m_table.ColumnCaption(column);
    }
    std::string CellText(std::size_t row, std::size_t column) const override {
        return m_table.CellText(row, column);
    }

protected:
    const SectionTable& Table() const { return m_table; }

private:
    const SectionTable& m_table;
};

// Makes some cells in place, and the others only as strings.
class NowAndThenTable : public OneThreadTable {
public:
    using OneThreadTable::OneThreadTable;
    bool IsNumberColumn(std::size_t column) const override {
        return Table().IsNumberColumn(column);
    }
    char* WriteNumberText(char* out, std::size_t row, std::size_t column) const override {
        return row % 2 == 0 ? Table().WriteNumberText(out, row, column) : nullptr;
    }
    std::optional<std::string_view> KeptCellText(std::size_t row,
                                                 std::size_t column) const override {
        return row % 3 == 1 ? std::nullopt : Table().KeptCellText(row, column);
    }
};

TEST(ExportWriterTest, CellsMadeInPlaceOrNotGiveTheSameBytes) {
    PointList points;
    for (int i = 0; i < 12; ++i) {
        test::Add(points, {Point(i, i * 1.25, -i / 3.0), i % 2 == 0 ? "桥\"台" : "", "DL"});
    }
    const SectionTable table(points, {"编号", "注释", "坐标X", "图层", "高程Z"},
                             TableOptions{1, false, false, 2});
    const ExportForm captions{ExportEncoding::Gbk, FirstLine::Captions, Separator::Comma};
    EXPECT_EQ(ExportBytes(NowAndThenTable(table), captions),
              ExportBytes(OneThreadTable(table), captions));
    EXPECT_EQ(ExportBytes(table, captions), ExportBytes(OneThreadTable(table), captions));
}

// A large table's rows are made by several threads, a block each; the bytes
// and the count of characters GBK lacks are those of one thread, in every
// form, whatever block a row falls in. Its texts repeat, and also do not:
// more distinct notes than a writer remembers.
TEST(ExportWriterTest, ALargeTableWritesTheBytesOfOneThread) {
    PointList points;
    const std::vector<std::string> notes = {"", "桥台", "挡;墙\"甲\"", "😀路肩", "A,B"};
    for (std::size_t i = 0; i < 100003; ++i) {
        const std::string note =
            i % 2 == 0 ? notes[i % notes.size()] : "桩\"" + std::to_string(i) + "😀";
        test::Add(points, {Point(static_cast<std::int32_t>(i), i * 0.5, 1.0 / (i + 1)), note,
                           i % 3 == 0 ? "DL" : "地面线"});
    }
    const SectionTable table(points, {"编号", "坐标X", "高程Z", "注释", "图层"},
                             TableOptions{0, false, false, 2});
    const OneThreadTable oneThread(table);
    for (const ExportForm form :
         {ExportForm{}, ExportForm{ExportEncoding::Utf8Bom, FirstLine::Captions, Separator::Tab},
          ExportForm{ExportEncoding::Gbk, FirstLine::None, Separator::Semicolon}}) {
        std::ostringstream threaded;
        std::ostringstream single;
        std::size_t threadedLacking = 0;
        std::size_t singleLacking = 0;
        ASSERT_TRUE(WriteExport(threaded, table, form, &threadedLacking));
        ASSERT_TRUE(WriteExport(single, oneThread, form, &singleLacking));
        // Not EXPECT_EQ: its line diff of two 100,000-line texts would take
        // gigabytes; where they part is what helps.
        const std::string a = threaded.str();
        const std::string b = single.str();
        const auto parted = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
        EXPECT_TRUE(a == b) << "sizes " << a.size() << " and " << b.size() << ", parting at byte "
                            << (parted.first - a.begin());
        EXPECT_EQ(threadedLacking, singleLacking);
    }
}

class ExportFileTest : public ::testing::Test {
protected:
    // Every entry of the folder, so that a left-behind temporary file shows.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder)) {
            names.push_back(entry.path().filename().u8string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempFolder m_temp;
    const fs::path m_folder = m_temp.Path();
    PointList m_points = {Point(0, 100, 5.5), Point(1, 101.25, 6)};
    SectionTable m_table{m_points, {"编号", "坐标X", "高程Z"}, TableOptions{1, false, false, 3}};
    std::string m_bytes = "2\r\n1,100.000,5.500\r\n2,101.250,6.000\r\n";
};

TEST_F(ExportFileTest, ReplacesAFileKeepingItsPermissions) {
    const fs::path target = m_folder / fs::u8path("数据文件.csv");
    ASSERT_TRUE(WriteExportFile(target, m_table).ok);
    EXPECT_EQ(ReadFileBytes(target), m_bytes);

    WriteFileBytes(target, "old content that is longer than the new one");
#ifndef _WIN32 // permission bits are POSIX
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#else
    const DWORD attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ASSERT_TRUE(SetFileAttributesW(target.wstring().c_str(), attributes));
#endif
    const ExportResult result = WriteExportFile(target, m_table);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(ReadFileBytes(target), m_bytes);
#ifndef _WIN32
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#else
    EXPECT_EQ(GetFileAttributesW(target.wstring().c_str()) & attributes, attributes);
#endif
    EXPECT_EQ(Entries(), std::vector<std::string>{"数据文件.csv"});
}

// The temporary file beside the target must not need a longer name than
// the target itself may have.
TEST_F(ExportFileTest, TargetNamesUpToTheSystemLimitAreWritten) {
    const std::string longest(255 - 4, 'a');
    const fs::path ascii = m_folder / (longest + ".csv");
    ExportResult result = WriteExportFile(ascii, m_table);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(ReadFileBytes(ascii), m_bytes);

    std::string chinese;
    for (int i = 0; i < 83; ++i) {
        chinese += "断"; // 249 bytes in UTF-8
    }
    const fs::path wide = m_folder / fs::u8path(chinese + ".csv");
    result = WriteExportFile(wide, m_table);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(ReadFileBytes(wide), m_bytes);
    EXPECT_EQ(Entries().size(), 2u);
}

// "quarvel-cli export in.txt -o held.csv": a target named without a folder
// replaces the file of the current folder, new or existing, as a full path does.
TEST_F(ExportFileTest, ReplacesAFileNamedWithoutAFolder) {
    const fs::path before = fs::current_path();
    fs::current_path(m_folder);
    WriteFileBytes("held.csv", "old");
    fs::create_directory("sub");
    WriteFileBytes(fs::path("sub") / "held.csv", "old");
    std::vector<ExportResult> results;
    for (const fs::path& target :
         {fs::path("held.csv"), fs::path("sub") / "held.csv", fs::path("sub") / ".." / "new.csv"}) {
        results.push_back(WriteExportFile(target, m_table));
    }
    fs::current_path(before);
    for (const ExportResult& result : results) {
        EXPECT_TRUE(result.ok) << result.error;
    }
    EXPECT_EQ(ReadFileBytes(m_folder / "held.csv"), m_bytes);
    EXPECT_EQ(ReadFileBytes(m_folder / "sub" / "held.csv"), m_bytes);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"held.csv", "new.csv", "sub"}));
}

#ifndef _WIN32 // symbolic links need a privilege on Windows
TEST_F(ExportFileTest, WritesThroughASymbolicLink) {
    fs::create_directory(m_folder / "real");
    WriteFileBytes(m_folder / "real" / "out.csv", "old");
    fs::create_symlink("real/out.csv", m_folder / "link.csv");
    ASSERT_TRUE(WriteExportFile(m_folder / "link.csv", m_table).ok);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(m_folder / "link.csv")));
    EXPECT_EQ(ReadFileBytes(m_folder / "real" / "out.csv"), m_bytes);

    // A dangling link creates the file it names.
    fs::create_symlink("real/new.csv", m_folder / "dangling.csv");
    ASSERT_TRUE(WriteExportFile(m_folder / "dangling.csv", m_table).ok);
    EXPECT_EQ(ReadFileBytes(m_folder / "real" / "new.csv"), m_bytes);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(m_folder / "dangling.csv")));
}
#endif

TEST_F(ExportFileTest, FailuresNameTheFileAndLeaveNothingBehind) {
    const fs::path missingFolder = m_folder / "missing" / "out.csv";
    ExportResult result = WriteExportFile(missingFolder, m_table);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("保存文件失败"), std::string::npos);
    EXPECT_NE(result.error.find(missingFolder.string()), std::string::npos);
    EXPECT_NE(result.error.find("文件或文件夹不存在"), std::string::npos) << result.error;

    fs::create_directory(m_folder / "folder.csv");
    result = WriteExportFile(m_folder / "folder.csv", m_table);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("这是一个文件夹"), std::string::npos) << result.error;
    EXPECT_TRUE(fs::is_directory(m_folder / "folder.csv"));

    // No name at all ("-o ''") is no file, in the user's language.
    result = WriteExportFile(fs::path(), m_table);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("文件或文件夹不存在"), std::string::npos) << result.error;

    WriteFileBytes(m_folder / "file", "keep");
    result = WriteExportFile(m_folder / "file" / "out.csv", m_table);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(ReadFileBytes(m_folder / "file"), "keep");

#ifndef _WIN32
    fs::create_symlink("loop.csv", m_folder / "loop.csv");
    EXPECT_FALSE(WriteExportFile(m_folder / "loop.csv", m_table).ok);
#endif

    // A cancelled export is no failure to report, and leaves no file either.
    const CancelFlag cancel{true};
    result = WriteExportFile(m_folder / "cancelled.csv", m_table, {}, &cancel);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.cancelled);

#ifndef _WIN32
    EXPECT_EQ(Entries(), (std::vector<std::string>{"file", "folder.csv", "loop.csv"}));
#else
    EXPECT_EQ(Entries(), (std::vector<std::string>{"file", "folder.csv"}));
#endif
}

#ifndef _WIN32 // file-size limits, permission bits, device nodes and FIFOs are POSIX
// The export with files limited to limit bytes, as on a disk that fills up.
ExportResult ExportWithFileSizeLimit(const fs::path& target, const TableSource& table,
                                     rlim_t limit) {
    rlimit old{};
    EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit lowered = old;
    lowered.rlim_cur = limit;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a dead process
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
    const ExportResult result = WriteExportFile(target, table);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}

TEST_F(ExportFileTest, FullDiskLeavesTheOldFileAndNoTemporaryFile) {
    const fs::path target = m_folder / "old.csv";
    WriteFileBytes(target, "keep");
    const ExportResult result = ExportWithFileSizeLimit(target, m_table, 10);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("保存文件失败"), std::string::npos);
    EXPECT_NE(result.error.find(target.string()), std::string::npos);
    EXPECT_EQ(ReadFileBytes(target), "keep");
    EXPECT_EQ(Entries(), std::vector<std::string>{"old.csv"});
}

// The folder is the user's, so only the target's own protection can stop the
// export from renaming a new file over it.
TEST_F(ExportFileTest, ReadOnlyTargetIsLeftAlone) {
    const test::ChildOutcome outcome = test::RunAsOrdinaryUser(m_folder, [&] {
        const fs::path target = m_folder / "locked.csv";
        WriteFileBytes(target, "keep");
        fs::permissions(target, fs::perms::owner_read);
        const ExportResult result = WriteExportFile(target, m_table);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find("没有访问权限"), std::string::npos) << result.error;
        EXPECT_EQ(ReadFileBytes(target), "keep");
        EXPECT_EQ(Entries(), std::vector<std::string>{"locked.csv"});
        return !HasFailure();
    });
    EXPECT_TRUE(outcome.passed) << outcome.detail;
}

TEST_F(ExportFileTest, DeviceNodesAreWrittenDirectlyAndKept) {
    const fs::path nullDevice = m_folder / "null";
    const fs::path fullDevice = m_folder / "full";
    if (::mknod(nullDevice.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        ::mknod(fullDevice.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "cannot create device nodes here";
    }
    EXPECT_TRUE(WriteExportFile(nullDevice, m_table).ok);
    EXPECT_TRUE(fs::is_character_file(nullDevice));

    // A full disk is reported, never taken for success.
    const ExportResult result = WriteExportFile(fullDevice, m_table);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("full"), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("磁盘空间不足"), std::string::npos) << result.error;
    EXPECT_TRUE(fs::is_character_file(fullDevice));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"full", "null"}));
}

// Ends the test program at once when the export blocks on the pipe, rather
// than at the test's timeout.
extern "C" void OnBlockedPipe(int) {
    static const char kMessage[] = "the export into a named pipe still blocks after 10 s\n";
    (void)!::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    ::_exit(EXIT_FAILURE);
}

// The reading end is open before the export starts and the table fits in the
// pipe's buffer, so neither side waits for the other; an export that never
// writes into the pipe leaves nothing to read instead of a reader that waits.
TEST_F(ExportFileTest, NamedPipeReceivesTheBytes) {
    const fs::path pipe = m_folder / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    const auto oldHandler = std::signal(SIGALRM, OnBlockedPipe);
    ::alarm(10);
    const ExportResult result = WriteExportFile(pipe, m_table);
    ::alarm(0);
    std::signal(SIGALRM, oldHandler);
    std::string received;
    char buffer[256];
    for (ssize_t count = 0; (count = ::read(reader, buffer, sizeof buffer)) > 0;) {
        received.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(reader);
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(received, m_bytes);
    EXPECT_TRUE(fs::is_fifo(pipe));
}

#else // the Windows counterparts

// The read-only attribute protects a file the way missing write permission
// does on POSIX systems.
TEST_F(ExportFileTest, ReadOnlyTargetIsLeftAlone) {
    const fs::path target = m_folder / "locked.csv";
    WriteFileBytes(target, "keep");
    ASSERT_TRUE(SetFileAttributesW(target.wstring().c_str(), FILE_ATTRIBUTE_READONLY));
    const ExportResult result = WriteExportFile(target, m_table);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("没有访问权限"), std::string::npos) << result.error;
    EXPECT_EQ(ReadFileBytes(target), "keep");
    EXPECT_NE(GetFileAttributesW(target.wstring().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Entries(), std::vector<std::string>{"locked.csv"});
    // Refused before anything is written, not only by the replace at the end.
    AtomicFile file(target);
    EXPECT_FALSE(file.Open());
    SetFileAttributesW(target.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A spreadsheet showing a file holds it open and shares it with no one; the
// user is told to close it, and the old file stays as it is.
TEST_F(ExportFileTest, TargetHeldOpenElsewhereIsLeftAlone) {
    const std::string inUse = "文件正被其他程序使用，请先关闭它";
    const fs::path target = m_folder / "shown.csv";
    WriteFileBytes(target, "keep");
    const auto hold = [&target](DWORD share) {
        return CreateFileW(target.wstring().c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE held = hold(0);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const ExportResult result = WriteExportFile(target, m_table);
    CloseHandle(held);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(inUse), std::string::npos) << result.error;

    // Opened while the new content is being written, by a reader that shares
    // all but the name (as Qt's QFile does): the replace is refused.
    AtomicFile file(target);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write("new"));
    held = hold(FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(file.Commit());
    CloseHandle(held);
    EXPECT_EQ(file.Reason(), inUse);
    EXPECT_EQ(ReadFileBytes(target), "keep");
    EXPECT_EQ(Entries(), std::vector<std::string>{"shown.csv"});
}

// A device name means the device in every folder; the device stays.
TEST_F(ExportFileTest, DeviceNamesAreWrittenDirectlyAndKept) {
    for (const fs::path& device : {fs::path("NUL"), m_folder / "nul"}) {
        const ExportResult result = WriteExportFile(device, m_table);
        EXPECT_TRUE(result.ok) << result.error;
    }
    EXPECT_TRUE(Entries().empty());
}

#endif

} // namespace
} // namespace quarvel
