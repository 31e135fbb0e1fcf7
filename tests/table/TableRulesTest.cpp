#include "table/TableRules.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

namespace quarvel {
namespace {

test::TextPoint Point(std::int32_t number, double station, std::uint32_t kind,
                      std::string note = {}, std::string layer = {}) {
    CDataStruct point;
    point.number = number;
    point.station = station;
    point.pointKind = kind;
    point.x = 100 + station;
    point.y = 200 - station;
    point.z = 5 + station / 10;
    return {point, std::move(note), std::move(layer)};
}

// Start, ordinary point, knee point, end point.
PointList WorkedExample() {
    PointList points =
        test::PointsOf({Point(0, 0, kEndPoint, "起点"), Point(1, 5, kIntersectionPoint, {}, "DL"),
                        Point(2, 9.5, kKneePoint, "拐点"), Point(3, 12.25, kEndPoint, "终点")});
    points[0].azimuth = 45;
    points[0].backAzimuth = 225;
    points[2].azimuth = 90.04;
    points[2].backAzimuth = 270.06;
    points[3].azimuth = 90;
    points[3].backAzimuth = 270;
    return points;
}

std::vector<std::string> Column(const PointList& points, const TableOptions& options,
                                const std::string& caption) {
    const SectionTable table(points, {caption}, options);
    std::vector<std::string> texts;
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        texts.push_back(table.CellText(row, 0));
    }
    return texts;
}

using Texts = std::vector<std::string>;

TableOptions Options(int kneeMode, bool reverse, int decimals = 2) {
    TableOptions options;
    options.kneeMode = kneeMode;
    options.reverse = reverse;
    options.decimals = decimals;
    return options;
}

TEST(TableRulesTest, WorkedExampleInEveryModeAndOrder) {
    const PointList points = WorkedExample();
    const TableOptions all = Options(IntersectionsAndKnees, false);
    EXPECT_EQ(Column(points, all, "与起点距离"), (Texts{"0.00", "5.00", "9.50", "12.25"}));
    EXPECT_EQ(Column(points, all, "与前点距离"), (Texts{"0.00", "5.00", "4.50", "2.75"}));
    EXPECT_EQ(Column(points, all, "图层"), (Texts{"(端点)", "DL", "(拐点)", "(端点)"}));
    EXPECT_EQ(Column(points, all, "注释"), (Texts{"", "", "", ""}));

    EXPECT_EQ(Column(points, Options(IntersectionsOnly, false), "与前点距离"),
              (Texts{"0.00", "5.00", "7.25"}));
    EXPECT_EQ(Column(points, Options(KneesOnly, false), "与前点距离"),
              (Texts{"0.00", "9.50", "2.75"}));

    const TableOptions reversed = Options(IntersectionsAndKnees, true);
    EXPECT_EQ(Column(points, reversed, "编号"), (Texts{"4", "3", "2", "1"}));
    EXPECT_EQ(Column(points, reversed, "与起点距离"), (Texts{"0.00", "2.75", "7.25", "12.25"}));
    EXPECT_EQ(Column(points, reversed, "与前点距离"), (Texts{"0.00", "2.75", "4.50", "5.00"}));
}

TEST(TableRulesTest, AzimuthOnlyAtSectionVerticesWithOneDecimal) {
    PointList points = WorkedExample();
    test::Add(points, Point(4, 13, kIntersectionPoint, "起点桩", "DL"));
    test::Add(points, Point(5, 14, kIntersectionPoint, "拐点", "DL"));
    points.back().flag = 2;
    points.back().azimuth = 10;
    const TableOptions forward = Options(IntersectionsAndKnees, false, 3);
    EXPECT_EQ(Column(points, forward, "方位"), (Texts{"45.0", "", "90.0", "90.0", "", ""}));
    EXPECT_EQ(Column(points, forward, "注释"), (Texts{"", "", "", "", "起点桩", ""}));
    EXPECT_EQ(Column(points, Options(IntersectionsAndKnees, true), "方位"),
              (Texts{"", "", "270.0", "270.1", "", "225.0"}));
}

TEST(TableRulesTest, RowSelectionByKindFlagAndMode) {
    PointList points = test::PointsOf({Point(0, 0, kEndPoint), Point(1, 1, kIntersectionPoint),
                                       Point(2, 2, kHiddenPoint), Point(3, 3, kKneePoint),
                                       Point(4, 4, kAddedPoint), Point(5, 5, 7),
                                       Point(6, 6, kIntersectionPoint), Point(7, 7, kEndPoint)});
    points[6].flag = 1;
    EXPECT_EQ(Column(points, Options(IntersectionsOnly, false), "编号"),
              (Texts{"1", "2", "5", "6", "8"}));
    EXPECT_EQ(Column(points, Options(IntersectionsAndKnees, false), "编号"),
              (Texts{"1", "2", "4", "5", "6", "8"}));
    EXPECT_EQ(Column(points, Options(KneesOnly, false), "编号"), (Texts{"1", "4", "6", "8"}));
    // Unknown modes act as "显示交点与拐点".
    EXPECT_EQ(Column(points, Options(9, false), "编号"), (Texts{"1", "2", "4", "5", "6", "8"}));
    EXPECT_TRUE(Column({}, Options(IntersectionsAndKnees, false), "编号").empty());
}

TEST(TableRulesTest, NumberColumnRenumbersAndNeverOverflows) {
    PointList points =
        test::PointsOf({Point(0, 0, kEndPoint),
                        Point(std::numeric_limits<std::int32_t>::max(), 1, kIntersectionPoint),
                        Point(-5, 2, kIntersectionPoint)});
    TableOptions options = Options(IntersectionsAndKnees, true);
    EXPECT_EQ(Column(points, options, "编号"), (Texts{"-4", "2147483648", "1"}));
    // Any other caption shows the stored number plus one, whatever renumbering says.
    options.renumber = true;
    EXPECT_EQ(Column(points, options, "编号"), (Texts{"1", "2", "3"}));
    EXPECT_EQ(Column(points, options, ""), (Texts{"-4", "2147483648", "1"}));
    EXPECT_EQ(Column(points, options, "坐标x"), (Texts{"-4", "2147483648", "1"}));
}

TEST(TableRulesTest, PreviousDistanceAddsUpTheShownTexts) {
    PointList points =
        test::PointsOf({Point(0, 0, kEndPoint), Point(1, 1.4, kIntersectionPoint),
                        Point(2, 2.8, kIntersectionPoint), Point(3, 4.2, kEndPoint)});
    const TableOptions options = Options(IntersectionsAndKnees, false, 0);
    EXPECT_EQ(Column(points, options, "与前点距离"), (Texts{"0", "1", "2", "1"}));

    // Hidden first points: row 1 takes the whole distance of the first row too.
    points[0].flag = 1;
    EXPECT_EQ(Column(points, Options(IntersectionsAndKnees, false, 1), "与前点距离"),
              (Texts{"0.0", "2.8", "1.4"}));

    // Many rows: the shown texts always add up to the row's distance from start.
    PointList many;
    for (int i = 0; i < 2000; ++i) {
        test::Add(many, Point(i, i * 0.3337, kIntersectionPoint));
    }
    const TableOptions one = Options(IntersectionsAndKnees, false, 1);
    const SectionTable table(many, {"与前点距离", "坐标X", "与前点距离"}, one);
    double sum = 0;
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        const std::string text = table.CellText(row, 0);
        ASSERT_EQ(text, table.CellText(row, 2));
        sum += std::stod(text);
        ASSERT_LE(std::fabs(sum - many[row].station), 0.05 + 1e-9) << row;
    }
}

// Each "与前点距离" is the distance from start less the numbers the rows above
// show, read back as text is read: exactly, for stations of every size and
// sign, in every precision.
void ExpectShownTextsReadBack(const PointList& points, int decimals) {
    const Texts shown =
        Column(points, Options(IntersectionsAndKnees, false, decimals), "与前点距离");
    double sum = 0;
    for (std::size_t row = 0; row < shown.size(); ++row) {
        const double value = row == 0 ? 0.0 : points[row].station - sum;
        ASSERT_EQ(shown[row], FormatValue(value, decimals)) << points[row].station << " " << row;
        sum += std::strtod(shown[row].c_str(), nullptr);
    }
}

TEST(TableRulesTest, PreviousDistancesReadTheShownTextsBackExactly) {
    std::mt19937_64 random(7);
    for (const double scale : {1.0, 1e3, 1e6, 9.1e12}) {
        PointList points;
        double station = -scale;
        for (int i = 0; i < 300; ++i) {
            test::Add(points, Point(i, station, kIntersectionPoint));
            station += scale * std::uniform_real_distribution<double>(0.0, 0.02)(random);
        }
        for (int decimals = 0; decimals <= 3; ++decimals) {
            ExpectShownTextsReadBack(points, decimals);
        }
    }
    // A tie rounds to even, against the distance's own rounding (3.5 -> 4,
    // but 3.5 - 1 = 2.5 shows 2); the row after shows what it lost.
    ExpectShownTextsReadBack(
        test::PointsOf({Point(0, 0, kIntersectionPoint), Point(1, 1, kIntersectionPoint),
                        Point(2, 3.5, kIntersectionPoint), Point(3, 5, kIntersectionPoint)}),
        0);
    // Past 2^53 hundredths the scaled number is not exact as a double, and
    // dividing it would round twice.
    ExpectShownTextsReadBack(test::PointsOf({Point(0, 0, kIntersectionPoint),
                                             Point(1, 6876121221756839.0, kIntersectionPoint),
                                             Point(2, 6876121221756849.0, kIntersectionPoint)}),
                             2);
}

TEST(TableRulesTest, CellTextsWithoutPrebuiltDistancesMatch) {
    const PointList points = WorkedExample();
    const TableOptions options = Options(IntersectionsAndKnees, true);
    const TableRows rows = BuildTableRows(points, options, {"编号"});
    EXPECT_TRUE(rows.previousDistances.empty());
    EXPECT_EQ(GetCellText(points, rows, 3, "与前点距离", options), "5.00");
    EXPECT_EQ(GetCellText(points, rows, 2, "图层", options), "DL");
}

TEST(TableRulesTest, CaptionsAndModeTexts) {
    EXPECT_EQ(FieldCaptionList(),
              "编号\n坐标X\n坐标Y\n高程Z\n与起点距离\n与前点距离\n注释\n方位\n图层");
    EXPECT_EQ(FieldFromCaption("方位"), Field::Azimuth);
    EXPECT_EQ(FieldFromCaption("方位 "), Field::Unknown);
    EXPECT_EQ(SequenceCaption(), "序号");
    EXPECT_EQ(KneeModeTexts()[1], "显示交点与拐点");
}

TEST(FormatValueTest, DecimalsChoosePrecision) {
    EXPECT_EQ(FormatValue(1.5, 0), "2");
    EXPECT_EQ(FormatValue(2.5, 0), "2");
    EXPECT_EQ(FormatValue(0.05, 1), "0.1");
    EXPECT_EQ(FormatValue(1234567.891, 2), "1234567.89");
    EXPECT_EQ(FormatValue(1.0, 7), "1.000");
    EXPECT_EQ(FormatValue(1.0, -1), "1.000");
    EXPECT_EQ(FormatValue(-0.0001, 3), "-0.000");
    EXPECT_EQ(FormatValue(-0.0, 2), "-0.00");
}

// Formatting must equal printf for every double, including the awkward ones.
TEST(FormatValueTest, EqualsPrintfOnManyValues) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> survey(-1e7, 1e7);
    // Where a thousandth is close to the gap between doubles.
    std::uniform_real_distribution<double> large(1e8, 9e12);
    std::uniform_int_distribution<std::uint64_t> anyBits;
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.5,
                                  -0.5,
                                  0.0005,
                                  0.00049999999999999,
                                  1e-320,
                                  9007199254740993.0,
                                  1e300,
                                  -1e22,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(),
                                  -std::numeric_limits<double>::quiet_NaN()};
    for (int i = 0; i < 40000; ++i) {
        values.push_back(survey(random));
        values.push_back(std::round(survey(random) * 1000) / 1000 + 0.0005); // near ties
        values.push_back(large(random));
        std::uint64_t bits = anyBits(random);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        values.push_back(value);
    }
    char expected[400];
    for (const double value : values) {
        for (int decimals = 0; decimals <= 3; ++decimals) {
            std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
            if (std::isnan(value)) {
                // C libraries differ on the sign of NaN (mingw prints "nan" for both); the
                // export writes it as glibc does on every system.
                ASSERT_EQ(FormatValue(value, decimals), std::signbit(value) ? "-nan" : "nan");
                continue;
            }
            ASSERT_EQ(FormatValue(value, decimals), expected) << decimals;
        }
    }
}

TEST(LayerFilterTest, ChecksMembershipAndLeavesSectionPointsAlone) {
    PointList points =
        test::PointsOf({Point(0, 0, kEndPoint, {}, "DL"), Point(1, 1, kIntersectionPoint, {}, "DL"),
                        Point(2, 2, kIntersectionPoint, {}, "DLX"),
                        Point(3, 3, kHiddenPoint, {}, "SX"), Point(4, 4, kIntersectionPoint),
                        Point(5, 5, kAddedPoint, {}, "SX"), Point(6, 6, kKneePoint, {}, "QT")});
    ApplyLayerFilter(points, {"DL", "SX"});
    const std::vector<std::uint32_t> kinds = {kEndPoint,          kIntersectionPoint, kHiddenPoint,
                                              kIntersectionPoint, kIntersectionPoint, kAddedPoint,
                                              kKneePoint};
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].pointKind, kinds[i]) << i;
    }
    EXPECT_EQ(Column(points, Options(IntersectionsAndKnees, false), "图层"),
              (Texts{"(端点)", "DL", "SX", "", "(加点)", "(拐点)"}));

    ApplyLayerFilter(points, {});
    EXPECT_EQ(Column(points, Options(IntersectionsAndKnees, false), "编号"),
              (Texts{"1", "5", "6", "7"}));
}

} // namespace
} // namespace quarvel
