#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

// Values of CDataStruct::pointKind.
enum PointKind : std::uint32_t {
    kIntersectionPoint = 0,
    kHiddenPoint = 1, // hidden by the layer filter
    kKneePoint = 2,
    kEndPoint = 3,
    kAddedPoint = 4,
};

// One point of a section, as read from its line of a section file plus the two
// directions worked out after loading. Texts are UTF-8. The members are
// grouped by size, not in line order: a large file holds a million of these,
// and padding between them would cost 8 MB.
struct CDataStruct {
    std::int32_t number = 0;
    std::uint32_t flag = 0;
    std::uint32_t code = 0;
    std::uint32_t pointKind = 0;
    std::uint32_t extra = 0;
    double x = 0;
    double y = 0;
    double z = 0;
    double station = 0;
    double azimuth = 0;
    double backAzimuth = 0;
    std::string note;
    std::string layer;
};

// The point list, in file order, and the layer list (sorted, unique).
using PointList = std::vector<CDataStruct>;
using LayerList = std::vector<std::string>;

} // namespace quarvel
