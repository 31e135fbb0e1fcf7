// Reads that fail part-way, as on a disk that goes bad or a share that goes
// away: the load fails with the system's reason and never yields a shorter
// table.

#include "sectiondata/LineReader.h"
#include "sectiondata/SectionReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace quarvel {
namespace {
namespace fs = std::filesystem;

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Unbuffered, so that every read reaches the descriptor.
FilePtr OpenForReading(const fs::path& path) {
#ifdef _WIN32
    FilePtr file(_wfopen(path.c_str(), L"rb"), &std::fclose);
#else
    FilePtr file(std::fopen(path.c_str(), "rb"), &std::fclose);
#endif
    if (file) {
        std::setvbuf(file.get(), nullptr, _IONBF, 0);
    }
    return file;
}

#ifdef _WIN32
const fs::path kNullDevice = "NUL";
#else
const fs::path kNullDevice = "/dev/null";
#endif

// Every later read of file fails: its descriptor now refers to spoiler,
// opened for writing only. The stream itself knows nothing of it.
void BreakReading(std::FILE* file, const fs::path& spoiler) {
#ifdef _WIN32
    const int writeOnly = _wopen(spoiler.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY, _S_IWRITE);
    ASSERT_GE(writeOnly, 0);
    ASSERT_EQ(_dup2(writeOnly, _fileno(file)), 0);
    _close(writeOnly);
#else
    const int writeOnly = ::open(spoiler.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(writeOnly, 0);
    ASSERT_GE(::dup2(writeOnly, fileno(file)), 0);
    ::close(writeOnly);
#endif
}

// A version 3.8 file of count complete point lines.
std::string SectionOf(std::size_t count) {
    std::string file = "HWT3.8\r\n0,0,0,K0+000,\r\n" + std::to_string(count) + "\r\n";
    for (std::size_t i = 0; i < count; ++i) {
        file += std::to_string(i) + ",500000.123,3400000.456,35.2,12.5,0,N,0,0,L,0,\r\n";
    }
    return file;
}

class ReadFailureTest : public ::testing::Test {
protected:
    FilePtr Written(const std::string& bytes) {
        EXPECT_TRUE(test::WriteFileBytes(m_file, bytes));
        return OpenForReading(m_file);
    }

    test::TempFolder m_temp;
    const fs::path m_file = m_temp / "section.txt";
    const fs::path m_spoiler = m_temp / "write-only";
};

// The lines already read whole are given; the one the failure cut is not.
TEST_F(ReadFailureTest, LineReaderEndsAtTheFailedRead) {
    const FilePtr file = Written("aaaa\nbbbb\ncccc\n");
    ASSERT_NE(file, nullptr);
    LineReader lines(file.get(), 8);
    std::string_view line;
    ASSERT_TRUE(lines.Next(line));
    EXPECT_EQ(line, "aaaa");
    EXPECT_EQ(lines.ReadError(), 0);
    BreakReading(file.get(), m_spoiler);
    std::vector<std::string> rest;
    while (lines.Next(line)) {
        rest.emplace_back(line);
    }
    EXPECT_EQ(rest, std::vector<std::string>{}); // not "bbb", the piece before the failure
    EXPECT_NE(lines.ReadError(), 0);
    EXPECT_FALSE(lines.Next(line));
}

// The first of the two passes fails before it has read anything.
TEST_F(ReadFailureTest, AFileThatCannotBeReadIsNoWrongSignature) {
    const FilePtr file = Written(SectionOf(3));
    ASSERT_NE(file, nullptr);
    const SectionReadResult result = ReadSectionFile(file.get(), [&](std::size_t, std::size_t) {
        BreakReading(file.get(), m_spoiler);
        return true;
    });
    EXPECT_EQ(result.status, ReadStatus::ReadFailed);
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(result.points.empty());
}

// The first pass has seen the whole file; the second fails part-way. On one
// thread, so that the failure surely falls before the last read: threads of
// their own may have read their pieces before the progress is told.
TEST_F(ReadFailureTest, ASecondPassThatFailsPartWayGivesNoShorterTable) {
    const std::size_t count = 40000; // some 2.4 MB: the pass reads it in pieces
    const FilePtr file = Written(SectionOf(count));
    ASSERT_NE(file, nullptr);
    std::size_t reportsInSecondPass = 0;
    ReadOptions oneThread;
    oneThread.jobs = 1;
    const SectionReadResult result = ReadSectionFile(
        file.get(),
        [&](std::size_t done, std::size_t total) {
            // The first pass reports at most an eighth of the file.
            if (done > total / 8 && done < total && reportsInSecondPass++ == 0) {
                BreakReading(file.get(), m_spoiler);
            }
            return true;
        },
        oneThread);
    ASSERT_GT(reportsInSecondPass, 0u) << "the file is too small to break mid-way";
    EXPECT_EQ(result.status, ReadStatus::ReadFailed);
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(result.points.empty());
    EXPECT_TRUE(result.warnings.empty());

    // The same file, unbroken, reads whole.
    const FilePtr intact = OpenForReading(m_file);
    ASSERT_NE(intact, nullptr);
    EXPECT_EQ(ReadSectionFile(intact.get()).points.size(), count);
}

// A pipe or a device is read once, whole; a failure there fails the load.
TEST_F(ReadFailureTest, AStreamThatFailsIsReported) {
    const FilePtr file = Written(SectionOf(3));
    ASSERT_NE(file, nullptr);
    BreakReading(file.get(), kNullDevice);
    const SectionReadResult result = ReadSectionFile(file.get());
    EXPECT_EQ(result.status, ReadStatus::ReadFailed);
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(result.points.empty());
}

// Gives the first bytes of a section file, then fails as a broken
// connection does.
class FailingInput : public std::streambuf {
public:
    explicit FailingInput(std::string start) : m_start(std::move(start)) {
        setg(m_start.data(), m_start.data(), m_start.data() + m_start.size());
    }

protected:
    int_type underflow() override { throw std::runtime_error("connection lost"); }

private:
    std::string m_start;
};

TEST_F(ReadFailureTest, AnInputStreamThatFailsPartWayIsReported) {
    FailingInput buffer(SectionOf(40000).substr(0, 100000));
    std::istream in(&buffer);
    const SectionReadResult result = ReadSectionFile(in);
    EXPECT_EQ(result.status, ReadStatus::ReadFailed);
    EXPECT_EQ(result.error, "读取数据流失败");
    EXPECT_TRUE(result.points.empty());
}

} // namespace
} // namespace quarvel
