#include "sectiondata/FieldParser.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

using namespace quarvel;

namespace {

// Parses text as a real; NaN stands for "not a number".
double Real(std::string_view text) {
    double value = 0;
    return ParseRealField(text, value) ? value : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

TEST(FieldParser, ReadsSignedIntegersWithBlanksAndSign) {
    std::int32_t value = 99;
    EXPECT_TRUE(ParseInt32Field(" \t12\t ", value));
    EXPECT_EQ(value, 12);
    EXPECT_TRUE(ParseInt32Field("+7", value));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(ParseInt32Field("-2147483648", value));
    EXPECT_EQ(value, std::numeric_limits<std::int32_t>::min());
    EXPECT_TRUE(ParseInt32Field("2147483647", value));
    EXPECT_EQ(value, std::numeric_limits<std::int32_t>::max());
    EXPECT_TRUE(ParseInt32Field("000000000000000000000042", value));
    EXPECT_EQ(value, 42);
}

TEST(FieldParser, RejectsIntegerFieldsThatAreNotNumbers) {
    for (const char* text : {"", "  ", "12.5", "abc", "1 2", "+", "-", "+-1", "2147483648",
                             "-2147483649", "99999999999999999999999", "0x10", "1e3", "12a"}) {
        std::int32_t value = 5;
        EXPECT_FALSE(ParseInt32Field(text, value)) << text;
        EXPECT_EQ(value, 5) << text;
    }
}

TEST(FieldParser, UnsignedFieldsWrapANegativeSignLikePercentU) {
    std::uint32_t value = 0;
    EXPECT_TRUE(ParseUint32Field("4294967295", value));
    EXPECT_EQ(value, 4294967295u);
    EXPECT_TRUE(ParseUint32Field(" -1 ", value));
    EXPECT_EQ(value, 4294967295u);
    EXPECT_TRUE(ParseUint32Field("-4294967295", value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(ParseUint32Field("+3", value));
    EXPECT_EQ(value, 3u);
    for (const char* text : {"4294967296", "-4294967296", "", "2.0", "x1"}) {
        value = 8;
        EXPECT_FALSE(ParseUint32Field(text, value)) << text;
        EXPECT_EQ(value, 8u) << text;
    }
}

TEST(FieldParser, ReadsDecimalRealNotation) {
    EXPECT_EQ(Real("7"), 7.0);
    EXPECT_EQ(Real("-.5"), -0.5);
    EXPECT_EQ(Real("5."), 5.0);
    EXPECT_EQ(Real("1e3"), 1000.0);
    EXPECT_EQ(Real("2.5E-3"), 0.0025);
    EXPECT_EQ(Real("+1.25e+2"), 125.0);
    EXPECT_EQ(Real(" \t500000.123 "), 500000.123);
    EXPECT_EQ(Real("3400000.456"), 3400000.456);
    // Too small for a double is still a finite value written in the file.
    EXPECT_EQ(Real("1e-400"), 0.0);
    EXPECT_EQ(Real("0.000001e-99999999999999999999"), 0.0);
}

TEST(FieldParser, RejectsRealsThatAreNotFiniteDecimals) {
    for (const char* text : {"",
                             ".",
                             "-",
                             "+.",
                             "e5",
                             "1e",
                             "1e+",
                             "1,5",
                             "1.2.3",
                             "inf",
                             "-inf",
                             "nan",
                             "NAN",
                             "infinity",
                             "0x1p3",
                             "0x10",
                             "1e400",
                             "-1e400",
                             "1e99999999999999999999",
                             "1 .5",
                             "--1",
                             "1.5x",
                             "１"}) {
        EXPECT_TRUE(std::isnan(Real(text))) << text;
    }
}

TEST(FieldParser, CountLineTakesLeadingNumberOnly) {
    EXPECT_EQ(ParseCountLine("12"), 12);
    EXPECT_EQ(ParseCountLine("  \t7 points"), 7);
    EXPECT_EQ(ParseCountLine("-3"), -3);
    EXPECT_EQ(ParseCountLine("+4,"), 4);
    EXPECT_EQ(ParseCountLine(""), 0);
    EXPECT_EQ(ParseCountLine("abc 5"), 0);
    EXPECT_EQ(ParseCountLine("99999999999999999999"), std::numeric_limits<std::int32_t>::max());
}

TEST(FieldParser, PlainDecimalsRoundLikeTheFullParser) {
    // The short path for plain decimals must give the same double as the
    // general conversion, to the last bit, for the numbers surveyors write.
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 17);
        std::string text;
        for (int d = 0; d < digits; ++d) {
            text += static_cast<char>('0' + random() % 10);
        }
        text.insert(random() % (text.size() + 1), ".");
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        if (text == ".") {
            continue;
        }
        EXPECT_EQ(Real(text), expected) << text;
        EXPECT_EQ(Real("-" + text), -expected) << text;
    }
}
