#include "sectiondata/SectionReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace quarvel;

namespace {

SectionReadResult ReadExample(const char* name) {
    return ReadSectionFile(std::filesystem::path(QUARVEL_EXAMPLES_DIR) / name);
}

} // namespace

TEST(ExampleFiles, ReadCleanlyInEveryVersion) {
    struct Expected {
        const char* name;
        SectionFileVersion version;
        std::size_t points;
    };
    for (const Expected& expected : {Expected{"section-3.0.txt", SectionFileVersion::V3_0, 10},
                                     Expected{"section-3.6.txt", SectionFileVersion::V3_6, 12},
                                     Expected{"section-3.8.txt", SectionFileVersion::V3_8, 14}}) {
        const SectionReadResult result = ReadExample(expected.name);
        ASSERT_TRUE(result.Ok()) << expected.name << ": " << result.error;
        EXPECT_EQ(result.version, expected.version) << expected.name;
        EXPECT_EQ(result.encoding, TextEncoding::Gbk) << expected.name;
        EXPECT_EQ(result.points.size(), expected.points) << expected.name;
        EXPECT_TRUE(result.warnings.empty()) << expected.name;
        EXPECT_EQ(result.points.Note(0), "起点") << expected.name;
        EXPECT_EQ(result.points.Note(result.points.size() - 1), "终点") << expected.name;
        // The added point's layer stays out of the list.
        EXPECT_EQ(std::count(result.layers.begin(), result.layers.end(), "辅助线"), 0)
            << expected.name;
        EXPECT_EQ(std::count(result.layers.begin(), result.layers.end(), "道路中线"), 1)
            << expected.name;
    }
}

TEST(ExampleFiles, Utf8CopyReadsLikeTheGbkFile) {
    const SectionReadResult gbk = ReadExample("section-3.8.txt");
    const SectionReadResult utf8 = ReadExample("section-3.8-utf8.txt");
    ASSERT_TRUE(utf8.Ok());
    EXPECT_EQ(utf8.encoding, TextEncoding::Utf8);
    ASSERT_EQ(utf8.points.size(), gbk.points.size());
    for (std::size_t i = 0; i < gbk.points.size(); ++i) {
        EXPECT_EQ(utf8.points.Note(i), gbk.points.Note(i));
        EXPECT_EQ(utf8.points.Layer(i), gbk.points.Layer(i));
        EXPECT_EQ(utf8.points[i].x, gbk.points[i].x);
        EXPECT_EQ(utf8.points[i].extra, gbk.points[i].extra);
    }
    EXPECT_EQ(utf8.layers, gbk.layers);
}
