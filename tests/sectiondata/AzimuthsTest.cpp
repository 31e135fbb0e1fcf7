#include "sectiondata/Azimuths.h"

#include <gtest/gtest.h>

using namespace quarvel;

namespace {

CDataStruct Point(double x, double y, std::uint32_t kind = kIntersectionPoint,
                  std::uint32_t flag = 0) {
    CDataStruct point;
    point.x = x;
    point.y = y;
    point.pointKind = kind;
    point.flag = flag;
    return point;
}

double Between(double x1, double y1, double x2, double y2) {
    return AzimuthBetween(Point(x1, y1), Point(x2, y2));
}

void ExpectDirections(const CDataStruct& point, double azimuth, double backAzimuth) {
    EXPECT_NEAR(point.azimuth, azimuth, 1e-6);
    EXPECT_NEAR(point.backAzimuth, backAzimuth, 1e-6);
}

} // namespace

TEST(AzimuthBetween, KeepsTheShortPiAndItsOvershoot) {
    EXPECT_NEAR(Between(0, 0, 3, 4), 36.8698967, 1e-7);
    EXPECT_NEAR(Between(0, 0, 1, 1), 44.99999923, 1e-8);
    EXPECT_NEAR(Between(0, 0, -1, 1), 315.0000008, 1e-7);
    EXPECT_NEAR(Between(0, 0, -1, -1), 224.9999992, 1e-7);
    EXPECT_NEAR(Between(0, 0, 1, -1), 135.0000008, 1e-7);
    const double overshoot = Between(0, 0, 0.00002, 1000000);
    EXPECT_LT(overshoot, 0.0);
    EXPECT_NEAR(overshoot, -0.0000015, 1e-7);
}

TEST(AzimuthBetween, AxisDirectionsUseStrictThresholds) {
    EXPECT_EQ(Between(0, 0, 10, 0), 90.0);
    EXPECT_EQ(Between(0, 0, -10, 0), 270.0);
    EXPECT_EQ(Between(0, 0, 0, 10), 0.0);
    EXPECT_EQ(Between(0, 0, 0, -10), 180.0);
    EXPECT_EQ(Between(0, 0, 5, 0.000009), 90.0);
    EXPECT_EQ(Between(0, 0, -5, 0.000009), 270.0);
    EXPECT_EQ(Between(3, 4, 3, 4), 270.0); // dx = 0 is not greater than 0
    // 0.00001 itself is not zero: the angle is computed, not snapped.
    EXPECT_NE(Between(0, 0, 5, 0.00001), 90.0);
    EXPECT_NE(Between(0, 0, 0.00001, 5), 0.0);
}

TEST(ComputeAzimuths, TwoPointsPointAtEachOther) {
    PointList east{Point(0, 0), Point(10, 0)};
    ComputeAzimuths(east);
    ExpectDirections(east[0], 90, 90);
    ExpectDirections(east[1], 270, 270);

    PointList north{Point(0, 0), Point(0, 10)};
    ComputeAzimuths(north);
    ExpectDirections(north[0], 0, 0);
    ExpectDirections(north[1], 180, 180);
}

TEST(ComputeAzimuths, KneePointWithFlagZeroIsACorner) {
    PointList points{Point(0, 0), Point(10, 0, kKneePoint), Point(10, 10)};
    ComputeAzimuths(points);
    ExpectDirections(points[0], 90, 90);
    ExpectDirections(points[1], 0, 270);
    ExpectDirections(points[2], 180, 180);
}

TEST(ComputeAzimuths, OtherMiddlePointsAreNoCorners) {
    const std::vector<CDataStruct> middles{Point(10, 0, kKneePoint, 1), Point(10, 0, 0),
                                           Point(10, 0, kEndPoint), Point(10, 0, kAddedPoint),
                                           Point(10, 0, kKneePoint, 2)};
    for (const CDataStruct& middle : middles) {
        PointList points{Point(0, 0), middle, Point(10, 10)};
        ComputeAzimuths(points);
        ExpectDirections(points[0], 44.99999923, 44.99999923);
        ExpectDirections(points[1], 0, 0);
        ExpectDirections(points[2], 224.99999923, 224.99999923);
    }
}

TEST(ComputeAzimuths, EndsAreVerticesWhateverTheirKind) {
    PointList points{Point(0, 0, kAddedPoint, 1), Point(10, 0, kKneePoint),
                     Point(10, 10, kKneePoint, 0)};
    ComputeAzimuths(points);
    ExpectDirections(points[0], 90, 90);
    ExpectDirections(points[1], 0, 270);
    ExpectDirections(points[2], 180, 180);
}

TEST(ComputeAzimuths, CoincidentVerticesGiveEachOther270) {
    PointList points{Point(5, 5), Point(5, 5, kKneePoint), Point(5, 15)};
    ComputeAzimuths(points);
    ExpectDirections(points[0], 270, 270);
    ExpectDirections(points[1], 0, 270);
    ExpectDirections(points[2], 180, 180);
}

TEST(ComputeAzimuths, SinglePointAndEmptyList) {
    PointList single{Point(1, 2)};
    ComputeAzimuths(single);
    ExpectDirections(single[0], 270, 270);

    PointList empty;
    ComputeAzimuths(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(ComputeAzimuths, LongerLineChainsCornersAndKeepsCopies) {
    PointList points{
        Point(0, 0), Point(5, 0), Point(10, 0, kKneePoint), Point(10, 5), Point(10, 10, kKneePoint),
        Point(0, 10)};
    ComputeAzimuths(points);
    ExpectDirections(points[0], 90, 90);
    ExpectDirections(points[1], 0, 0);
    ExpectDirections(points[2], 0, 270);
    ExpectDirections(points[3], 0, 0);
    ExpectDirections(points[4], 270, 180);
    ExpectDirections(points[5], 90, 90);
    const CDataStruct copy = points[4];
    ExpectDirections(copy, 270, 180);
}
