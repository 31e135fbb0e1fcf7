#include "sectiondata/TextCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quarvel;

namespace {
const std::string kReplacement = "\xEF\xBF\xBD";

std::string Utf8Of(char32_t cp) {
    return {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
            static_cast<char>(0x80 | (cp & 0x3F))};
}

// The code point of text when it is exactly one character of the Basic
// Multilingual Plane, else 0.
char32_t SoleCharacter(const std::string& text) {
    const auto byteAt = [&](std::size_t i) { return static_cast<char32_t>(text[i] & 0xFF); };
    if (text.size() == 1 && byteAt(0) < 0x80) {
        return byteAt(0);
    }
    if (text.size() == 2 && (byteAt(0) & 0xE0) == 0xC0) {
        return (byteAt(0) & 0x1F) << 6 | (byteAt(1) & 0x3F);
    }
    if (text.size() == 3 && (byteAt(0) & 0xF0) == 0xE0) {
        return (byteAt(0) & 0x0F) << 12 | (byteAt(1) & 0x3F) << 6 | (byteAt(2) & 0x3F);
    }
    return 0;
}

bool InUserDefinedArea(unsigned lead, unsigned trail) {
    return (lead >= 0xAA && lead <= 0xAF && trail >= 0xA1) || (lead >= 0xF8 && trail >= 0xA1) ||
           (lead >= 0xA1 && lead <= 0xA7 && trail <= 0xA0);
}
} // namespace

TEST(TextCodec, DecodesGbkChineseAndEuro) {
    EXPECT_EQ(DecodeGbk("\xD7\xA2\xD7\xA2"), "注注");
    EXPECT_EQ(DecodeGbk("(\xB9\xD5\xB5\xE3)"), "(拐点)");
    EXPECT_EQ(DecodeGbk("\x80"), "€");
    EXPECT_EQ(DecodeGbk("plain ascii, 1.5"), "plain ascii, 1.5");
}

TEST(TextCodec, EachUndecodableGbkByteBecomesOneReplacement) {
    // A lead byte whose trail is invalid: the lead is replaced, the trail read again.
    EXPECT_EQ(DecodeGbk("\xD7,A"), kReplacement + ",A");
    EXPECT_EQ(DecodeGbk("\xAA\x7F\xAA\x30"), kReplacement + "\x7F" + kReplacement + "0");
    EXPECT_EQ(DecodeGbk("\xFE\xFF\xD7\xA2"), kReplacement + kReplacement + "注");
    // A lead byte at the very end.
    EXPECT_EQ(DecodeGbk("A\xD7"), "A" + kReplacement);
    EXPECT_EQ(DecodeGbk("\xFF\xFF"), kReplacement + kReplacement);
    EXPECT_EQ(DecodeGbk("\xFF\xD7\xA2"), kReplacement + "注");
}

TEST(TextCodec, EncodesGbkAndReplacesWhatItCannotRepresent) {
    EXPECT_EQ(EncodeGbk("(拐点)"), "(\xB9\xD5\xB5\xE3)");
    EXPECT_EQ(EncodeGbk("€"), "\x80");
    EXPECT_EQ(EncodeGbk("a\xF0\x9F\x98\x80z"), "a?z"); // U+1F600 has no GBK form
    EXPECT_EQ(EncodeGbk("a\xFFz"), "a?z");             // malformed UTF-8
    EXPECT_EQ(DecodeGbk(EncodeGbk("道路边线，图层Ａ")), "道路边线，图层Ａ");
}

TEST(TextCodec, GbkPrivateUseSequencesFollowWindowsNumbering) {
    // A note in the first user-defined cell, then 点.
    EXPECT_EQ(DecodeGbk("\xAA\xA1\xB5\xE3"), Utf8Of(0xE000) + "点");
    EXPECT_EQ(EncodeGbk(DecodeGbk("\xAA\xA1\xB5\xE3")), "\xAA\xA1\xB5\xE3");
    // First and last of AAA1-AFFE, F8A1-FEFE, A140-A7A0 and of the unassigned cells.
    const std::vector<std::pair<std::string, char32_t>> boundaries = {
        {"\xAA\xA1", 0xE000}, {"\xAF\xFE", 0xE233}, {"\xF8\xA1", 0xE234}, {"\xFE\xFE", 0xE4C5},
        {"\xA1\x40", 0xE4C6}, {"\xA7\xA0", 0xE765}, {"\xA2\xAB", 0xE766}, {"\xFE\xA0", 0xE864},
    };
    for (const auto& [bytes, cp] : boundaries) {
        EXPECT_EQ(DecodeGbk(bytes), Utf8Of(cp)) << std::hex << cp;
        EXPECT_EQ(EncodeGbk(Utf8Of(cp)), bytes) << std::hex << cp;
    }
    EXPECT_EQ(EncodeGbk(Utf8Of(0xE865)), "?");
}

TEST(TextCodec, EveryGbkTwoByteSequenceIsOneCharacterAndRoundTrips) {
    std::string allBytes;
    std::string allText;
    std::size_t privateUse = 0;
    char32_t nextUnassigned = 0xE766; // the unassigned cells follow the areas in code order
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) {
                continue;
            }
            const std::string bytes = {static_cast<char>(lead), static_cast<char>(trail)};
            const std::string text = DecodeGbk(bytes);
            const char32_t cp = SoleCharacter(text);
            ASSERT_TRUE(cp >= 0x80 && cp != 0xFFFD) << std::hex << lead << trail;
            if (cp >= 0xE000 && cp <= 0xE864) {
                ++privateUse;
                if (!InUserDefinedArea(lead, trail)) {
                    ASSERT_EQ(cp, nextUnassigned++) << std::hex << lead << trail;
                }
            }
            allBytes += bytes;
            allText += text;
        }
    }
    EXPECT_EQ(privateUse, 2149u);
    EXPECT_EQ(nextUnassigned, 0xE865u);
    // In one piece too, where every trail byte could be misread as a lead.
    EXPECT_EQ(DecodeGbk(allBytes), allText);
    EXPECT_EQ(EncodeGbk(allText), allBytes);
}

TEST(TextCodec, Utf16LeRoundTripsIncludingSurrogatePairs) {
    const std::string text = "表头0=编号 \xF0\x9F\x98\x80";
    EXPECT_EQ(DecodeUtf16Le(EncodeUtf16Le(text)), text);
    EXPECT_EQ(EncodeUtf16Le("A\xE7\xBC\x96"), std::string("A\0\x16\x7F", 4)); // "A编"
    // An unpaired high surrogate and a dangling odd byte.
    EXPECT_EQ(DecodeUtf16Le(std::string("\x00\xD8"
                                        "A\0"
                                        "B",
                                        5)),
              kReplacement + "A" + kReplacement);
}

TEST(TextCodec, RecognisesWellFormedUtf8Only) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("起点 ok"));
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE8\xB5"));     // truncated
    EXPECT_TRUE(IsAscii("abc,1.5"));
    EXPECT_FALSE(IsAscii("\x80"));
}
