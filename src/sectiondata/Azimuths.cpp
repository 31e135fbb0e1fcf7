#include "sectiondata/Azimuths.h"

#include <cmath>
#include <cstddef>

namespace quarvel {
namespace {

// The section files were made with this short value and these strict
// thresholds; the directions must match them to the last digit.
constexpr double kPi = 3.1415926;
constexpr double kZeroTolerance = 0.00001;

bool IsSectionVertex(const CDataStruct& point) {
    return point.pointKind == kKneePoint && point.flag == 0;
}

// Sets the direction that leaves vertex towards next; the first point shows
// it in both orders of display.
void LeaveVertex(PointList& points, std::size_t vertex, std::size_t next) {
    points[vertex].azimuth = AzimuthBetween(points[vertex], points[next]);
    if (vertex == 0) {
        points[vertex].backAzimuth = points[vertex].azimuth;
    }
    points[next].backAzimuth = AzimuthBetween(points[next], points[vertex]);
}

} // namespace

double AzimuthBetween(const CDataStruct& p, const CDataStruct& q) {
    const double dx = q.x - p.x;
    const double dy = q.y - p.y;
    if (std::fabs(dy) < kZeroTolerance) {
        return dx > 0 ? 90.0 : 270.0;
    }
    if (std::fabs(dx) < kZeroTolerance) {
        return dy > 0 ? 0.0 : 180.0;
    }
    const double base = dx > 0 ? 90.0 : 270.0;
    return base - std::atan(dy / dx) * 180.0 / kPi;
}

void ComputeAzimuths(PointList& points) {
    if (points.empty()) {
        return;
    }
    const std::size_t last = points.size() - 1;
    std::size_t vertex = 0;
    for (std::size_t i = 1; i < last; ++i) {
        if (IsSectionVertex(points[i])) {
            LeaveVertex(points, vertex, i);
            vertex = i;
        }
    }
    LeaveVertex(points, vertex, last);
    points[last].azimuth = points[last].backAzimuth;
}

} // namespace quarvel
