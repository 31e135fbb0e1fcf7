#include "sectiondata/TextCodec.h"

#include <gtest/gtest.h>

using namespace quarvel;

namespace {
const std::string kReplacement = "\xEF\xBF\xBD";
}

TEST(TextCodec, DecodesGbkChineseAndEuro) {
    EXPECT_EQ(DecodeGbk("\xD7\xA2\xD7\xA2"), "注注");
    EXPECT_EQ(DecodeGbk("(\xB9\xD5\xB5\xE3)"), "(拐点)");
    EXPECT_EQ(DecodeGbk("\x80"), "€");
    EXPECT_EQ(DecodeGbk("plain ascii, 1.5"), "plain ascii, 1.5");
}

TEST(TextCodec, EachUndecodableGbkByteBecomesOneReplacement) {
    // A lead byte whose trail is invalid: the lead is replaced, the trail read again.
    EXPECT_EQ(DecodeGbk("\xD7,A"), kReplacement + ",A");
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
