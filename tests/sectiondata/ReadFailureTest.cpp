// Reads that fail part-way, as on a disk that goes bad or a share that goes
// away: the load fails with the system's reason and never yields a shorter
// table.

#include "sectiondata/LineReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
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

} // namespace
} // namespace quarvel
