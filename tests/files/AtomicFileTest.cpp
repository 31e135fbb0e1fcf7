#include "files/AtomicFile.h"

#include "sectiondata/SystemErrorText.h"
#include "sectiondata/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#ifdef __linux__
#include <sys/resource.h>
#endif

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quarvel {
namespace {
namespace fs = std::filesystem;

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) {
        repeated += text;
    }
    return repeated;
}

// The temporary file is named ".", the start of the target's name, ".",
// eight random letters and ".tmp"; the start is cut so that the whole stays
// within the system's limit, and the cut falls between two characters: a
// name cut inside one is no name on Windows and mojibake elsewhere.
TEST(AtomicFileTest, TemporaryNameIsCutBetweenCharacters) {
    const test::TempFolder folder;
    const std::string names[] = {
        Repeated("断", 83) + ".csv",            // 3 bytes each: the cut falls inside the 34th
        "a" + Repeated("\xF0\xA0\x80\x80", 40), // 4 bytes, two UTF-16 units each
        Repeated("é", 60) + "x.csv",            // 2 bytes each
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        AtomicFile file(folder / fs::u8path(name));
        ASSERT_TRUE(file.Open()) << file.Error();
        std::vector<std::string> entries;
        for (const auto& entry : fs::directory_iterator(folder.Path())) {
            entries.push_back(entry.path().filename().u8string());
        }
        ASSERT_EQ(entries.size(), 1u);
        const std::string& temporary = entries[0];
        const std::size_t suffix = std::string(".abcdefgh.tmp").size();
        ASSERT_GT(temporary.size(), 1 + suffix);
        EXPECT_EQ(temporary.front(), '.');
        const std::string start = temporary.substr(1, temporary.size() - 1 - suffix);
        EXPECT_TRUE(IsValidUtf8(start));
        EXPECT_EQ(name.compare(0, start.size(), start), 0) << start;
        // As long as 100 bytes allow, less at most the three bytes of a
        // character that would not fit whole.
        EXPECT_LE(start.size(), 100u);
        EXPECT_GE(start.size(), 97u);
    }
    EXPECT_TRUE(fs::is_empty(folder.Path())); // each went with its writer
}

// A library opens the file by name with the C runtime: the temporary file it
// gets has an ASCII name, and what it wrote replaces the target only at the
// commit, with the target's permissions; given up, nothing is left.
TEST(AtomicFileTest, ALibraryWritesByNameAndTheCommitReplaces) {
    const test::TempFolder temp;
    const fs::path folder = temp / fs::u8path("测量");
    fs::create_directory(folder);
    const fs::path target = folder / fs::u8path("全线.xlsx");
    test::WriteFileBytes(target, "old");
#ifndef _WIN32
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
    const auto writeByName = [](const std::string& path, const char* bytes) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr) << path;
        std::fputs(bytes, file);
        std::fclose(file);
    };
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.OpenForLibrary()) << file.Error();
        const std::string name = fs::path(file.LibraryPath()).filename().string();
        EXPECT_TRUE(IsAscii(name)) << name;
        EXPECT_EQ(fs::path(file.LibraryPath()).parent_path(), fs::path(file.LibraryFolder()));
        writeByName(file.LibraryPath(), "abandoned");
        EXPECT_EQ(test::ReadFileBytes(target), "old");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    AtomicFile file(target);
    ASSERT_TRUE(file.OpenForLibrary()) << file.Error();
    writeByName(file.LibraryPath(), "new");
    ASSERT_TRUE(file.Commit()) << file.Error();
    EXPECT_EQ(test::ReadFileBytes(target), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
#ifndef _WIN32
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif

    // A reason of the caller's is told like the file's own, and nothing stays.
    AtomicFile abandoned(folder / "other.xlsx");
    ASSERT_TRUE(abandoned.OpenForLibrary());
    abandoned.Abandon("库出错");
    EXPECT_EQ(abandoned.Reason(), "库出错");
    EXPECT_EQ(abandoned.Error(), ShownPath(folder / "other.xlsx") + ": 库出错");
    EXPECT_FALSE(abandoned.Commit());
    EXPECT_FALSE(fs::exists(folder / "other.xlsx"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// Two writers of one target at once each write a temporary file of their own,
// and the later commit is what stays.
TEST(AtomicFileTest, TwoWritersOfOneTargetEachHaveTheirOwnTemporaryFile) {
    const test::TempFolder temp;
    const fs::path target = temp / "section.csv";
    AtomicFile first(target);
    AtomicFile second(target);
    ASSERT_TRUE(first.Open() && second.Open()) << first.Error() << second.Error();
    EXPECT_NE(first.TemporaryPath(), second.TemporaryPath());
    ASSERT_TRUE(first.Write("first") && second.Write("second"));
    ASSERT_TRUE(first.Commit() && second.Commit());
    EXPECT_EQ(test::ReadFileBytes(target), "second");
}

// A large file goes to the disk in steps while it is written (where the
// system can); the bytes and the replacement are those of any file, and the
// old target stays whole until the commit.
TEST(AtomicFileTest, ALargeFileIsWrittenWholeInSteps) {
    const test::TempFolder temp;
    const fs::path target = temp / "large.csv";
    test::WriteFileBytes(target, "old");
    std::string piece(3 << 20, 'x');
    std::string expected;
    AtomicFile file(target);
    ASSERT_TRUE(file.Open()) << file.Error();
    for (int i = 0; i < 9; ++i) {
        piece.front() = static_cast<char>('a' + i);
        ASSERT_TRUE(file.Write(piece));
        expected += piece;
    }
    EXPECT_EQ(test::ReadFileBytes(target), "old");
    ASSERT_TRUE(file.Commit()) << file.Error();
    EXPECT_TRUE(test::ReadFileBytes(target) == expected);
}

// A batch's files committed together: each written one replaces its target,
// one written by a library as well, one given up leaves its target as it was,
// and no temporary file stays in either folder.
TEST(AtomicFileTest, FilesCommittedTogetherEachReplaceTheirTarget) {
    const test::TempFolder temp;
    fs::create_directory(temp / "a");
    fs::create_directory(temp / "b");
    const std::vector<fs::path> targets = {temp / "a" / "1.csv", temp / "b" / "2.csv",
                                           temp / "a" / "3.xlsx", temp / "b" / "4.csv"};
    for (const fs::path& target : targets) {
        ASSERT_TRUE(test::WriteFileBytes(target, "old"));
    }
    std::vector<std::unique_ptr<AtomicFile>> files;
    for (const fs::path& target : targets) {
        files.push_back(std::make_unique<AtomicFile>(target));
    }
    ASSERT_TRUE(files[0]->Open() && files[0]->Write("new 1"));
    ASSERT_TRUE(files[1]->Open() && files[1]->Write("new 2"));
    ASSERT_TRUE(files[2]->OpenForLibrary());
    std::FILE* library = std::fopen(files[2]->LibraryPath().c_str(), "wb");
    ASSERT_NE(library, nullptr);
    std::fputs("new 3", library);
    std::fclose(library);
    ASSERT_TRUE(files[3]->Open() && files[3]->Write("half"));
    files[3]->Abandon("库出错");

    AtomicFile::CommitAll({files[0].get(), files[1].get(), files[2].get(), files[3].get()});
    EXPECT_TRUE(files[0]->Committed() && files[1]->Committed() && files[2]->Committed())
        << files[0]->Error() << files[1]->Error() << files[2]->Error();
    EXPECT_FALSE(files[3]->Committed());
    EXPECT_EQ(test::ReadFileBytes(targets[0]), "new 1");
    EXPECT_EQ(test::ReadFileBytes(targets[1]), "new 2");
    EXPECT_EQ(test::ReadFileBytes(targets[2]), "new 3");
    EXPECT_EQ(test::ReadFileBytes(targets[3]), "old");
    files.clear();
    EXPECT_EQ(std::distance(fs::directory_iterator(temp / "a"), fs::directory_iterator()), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp / "b"), fs::directory_iterator()), 2);
}

// A batch's files are vouched for by one syncfs() only where it tells a
// failed write of any file: on an older Linux each file is still checked.
TEST(AtomicFileTest, SyncfsTellsWriteErrorsFromLinux58) {
    EXPECT_FALSE(AtomicFile::SyncfsTellsWriteErrors("5.7.19"));
    EXPECT_FALSE(AtomicFile::SyncfsTellsWriteErrors("4.19.0-26-amd64"));
    EXPECT_TRUE(AtomicFile::SyncfsTellsWriteErrors("5.8.0"));
    EXPECT_TRUE(AtomicFile::SyncfsTellsWriteErrors("6.1.0-13-amd64"));
    EXPECT_TRUE(AtomicFile::SyncfsTellsWriteErrors("10.0"));
    EXPECT_FALSE(AtomicFile::SyncfsTellsWriteErrors("6"));
    EXPECT_FALSE(AtomicFile::SyncfsTellsWriteErrors(""));
}

#ifdef __linux__
// The size of this process's table of open files, and how many are open.
std::pair<long, std::size_t> OpenFilesTable() {
    std::ifstream status("/proc/self/status");
    long size = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("FDSize:", 0) == 0) {
            size = std::stol(line.substr(7));
        }
    }
    const auto open =
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    return {size, static_cast<std::size_t>(open)};
}
#endif

// Room made for a batch's open files is there before the batch opens them,
// and holds no file open; asking for more than the system allows is no fault.
TEST(AtomicFileTest, RoomIsMadeForManyOpenFiles) {
#ifdef __linux__
    const auto [sizeBefore, openBefore] = OpenFilesTable();
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const auto wanted = static_cast<std::size_t>(sizeBefore) * 2;
    if (wanted < limit.rlim_cur) {
        AtomicFile::MakeRoomForOpenFiles(wanted);
        EXPECT_GE(OpenFilesTable().first, static_cast<long>(wanted));
    }
    AtomicFile::MakeRoomForOpenFiles(std::size_t(1) << 40);
    EXPECT_EQ(OpenFilesTable().second, openBefore);
#else
    AtomicFile::MakeRoomForOpenFiles(std::size_t(1) << 40);
#endif
}

} // namespace
} // namespace quarvel
