#pragma once

#include "profile/ProfileData.h"
#include "sectiondata/CDataStruct.h"
#include "table/TableRules.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarvel {

// Which rows of a section file a drawing shows: the table's rules that
// change them.
struct DrawRules {
    int kneeMode = IntersectionsOnly;
    bool reverse = false;
    std::optional<std::vector<std::string>> layers; // the checked layers; nothing: all
};

// A section file read for drawing: its points, its table and the rows as the
// profile draws them. The table refers to the points, so it stays in place.
struct DrawnSection {
    PointList points;
    LayerList layers;
    SectionTable table;
    ProfileData data;

    DrawnSection() = default;
    DrawnSection(const DrawnSection&) = delete;
    DrawnSection& operator=(const DrawnSection&) = delete;
};

struct DrawnSectionLoad {
    std::unique_ptr<DrawnSection> section; // null when the file gives no drawing
    // Whole lines for the user, in UTF-8, each naming the file.
    std::vector<std::string> warnings;
    std::string failure;
};

// Reads input and builds its rows; a file that cannot be read, is no section
// file or leaves no row gives a failure.
DrawnSectionLoad LoadDrawnSection(const std::filesystem::path& input, const DrawRules& rules);

} // namespace quarvel
