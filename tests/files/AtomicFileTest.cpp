#include "files/AtomicFile.h"

#include "sectiondata/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
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

} // namespace
} // namespace quarvel
