#pragma once

// Section files of known sizes for the sheets' tests.

#include "support/TestSupport.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace quarvel::test {

// A version 3.8 section file in UTF-8 whose header names stake: end points
// at both ends, intersection points on layer 地面线 between, at the given
// stations and elevations.
inline std::string SectionFileText(const std::vector<std::pair<double, double>>& points,
                                   const std::string& stake = "") {
    std::string text =
        "HWT3.8\n500000,3400000,35," + stake + ",\n" + std::to_string(points.size()) + "\n";
    for (std::size_t i = 0; i < points.size(); ++i) {
        const bool end = i == 0 || i + 1 == points.size();
        text += std::to_string(i + 1) + ",500000,3400000," + std::to_string(points[i].second) +
                "," + std::to_string(points[i].first) + ",0,点,0," + (end ? "3" : "0") +
                ",地面线,0,\n";
    }
    return text;
}

// A section width metres wide whose elevations run between low and low + height.
inline std::vector<std::pair<double, double>> SectionOfSize(double width, double low,
                                                            double height) {
    return {{0, low + height / 2},
            {width / 4, low},
            {width / 2, low + height},
            {width, low + height / 3}};
}

inline std::filesystem::path WriteSection(const std::filesystem::path& path,
                                          const std::vector<std::pair<double, double>>& points,
                                          const std::string& stake = "") {
    WriteFileBytes(path, SectionFileText(points, stake));
    return path;
}

} // namespace quarvel::test
