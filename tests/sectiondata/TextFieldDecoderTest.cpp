#include "sectiondata/TextFieldDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quarvel;

TEST(TextFieldDecoder, KeepsTextsThatShareBytesApart) {
    // Texts of every short length that differ in a single byte, at either end
    // or in the middle, must never be taken for one another.
    std::vector<std::string> texts;
    for (std::size_t length = 1; length <= 20; ++length) {
        const std::string base(length, 'a');
        texts.push_back(base);
        for (const std::size_t at : {std::size_t{0}, length / 2, length - 1}) {
            std::string changed = base;
            changed[at] = 'b';
            texts.push_back(changed);
        }
    }
    TextFieldDecoder decoder(TextEncoding::Gbk, false);
    for (int pass = 0; pass < 2; ++pass) {
        for (const std::string& text : texts) {
            EXPECT_EQ(decoder.Decode(text).text, text);
        }
    }
}

// Also a decoder set up for fewer lines than it is given: its smaller table
// stops remembering in time, and every text still decodes.
TEST(TextFieldDecoder, DecodesAndCleansBeyondTheRememberedTexts) {
    for (const std::size_t lines :
         {static_cast<std::size_t>(-1), std::size_t{1}, std::size_t{300}}) {
        TextFieldDecoder decoder(TextEncoding::Gbk, false, lines);
        const std::string gbkRoad = "\xB5\xC0\xC2\xB7"; // 道路
        for (int i = 0; i < 10000; ++i) {
            const std::string number = std::to_string(i % 5000);
            ASSERT_EQ(decoder.Decode(gbkRoad + " " + number).text, "道路" + number);
            ASSERT_EQ(decoder.Decode(std::string(20, 'x') + number).text,
                      std::string(20, 'x') + number);
        }
        EXPECT_EQ(decoder.Decode("").text, "");
    }
}

TEST(TextFieldDecoder, RememberedTextsKeepTheirListingMark) {
    TextFieldDecoder decoder(TextEncoding::Gbk, false);
    decoder.Decode("L 1").inLayerList = true;
    decoder.Decode("L 2");
    EXPECT_TRUE(decoder.Decode("L 1").inLayerList);
    EXPECT_FALSE(decoder.Decode("L 2").inLayerList);
    EXPECT_EQ(decoder.Decode("L 1").text, "L1");
}

TEST(TextFieldDecoder, Utf8FilesKeepTheirTextAndRepairBadBytes) {
    TextFieldDecoder wellFormed(TextEncoding::Utf8, false);
    EXPECT_EQ(wellFormed.Decode("边 坡").text, "边坡");
    TextFieldDecoder repaired(TextEncoding::Utf8, true);
    EXPECT_EQ(repaired.Decode("边\xFF坡").text, "边\xEF\xBF\xBD坡");
}
