#pragma once

#include "sectiondata/CDataStruct.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace quarvel::test {

// A section of intersection points on layer "A" at the given stations and
// elevations.
inline PointList
SectionPoints(const std::vector<std::pair<double, double>>& stationsAndElevations) {
    PointList points;
    for (const auto& [station, z] : stationsAndElevations) {
        CDataStruct point;
        point.number = static_cast<std::int32_t>(points.size());
        point.station = station;
        point.z = z;
        point.layer = "A";
        points.push_back(point);
    }
    return points;
}

} // namespace quarvel::test
