#pragma once

// The sections that go onto sheets, and reading them: once for the layout,
// keeping only their extents, then sheet by sheet for drawing, so that the
// memory a run takes does not grow with the number of sections.

#include "profile/DrawnSection.h"
#include "sheets/SheetLayout.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quarvel {

struct SheetSection {
    std::filesystem::path file;
    std::string label; // under the section, as "K0+860"
};

// What the sheets show and how.
struct SheetRequest {
    std::vector<SheetSection> sections; // in the order they are drawn
    DrawRules rules;
    SheetOptions options;
    std::string roadName;
};

// Receives whole lines for the user (warnings and failures), in UTF-8.
using SheetReport = std::function<void(const std::string& line)>;
// Called with the sections done so far and in all; false cancels.
using SheetProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The extents of every section for the layout; false when any section could
// not be read or drew no row (each reported), or when cancelled.
bool ReadExtents(const SheetRequest& request, std::vector<SectionExtent>& extents,
                 const SheetReport& report, const SheetProgress& progress = {});

// The sections a sheet shows, read again for drawing, in the sheet's order;
// empty with failure set when one can no longer be read.
std::vector<std::unique_ptr<DrawnSection>> LoadSheet(const SheetRequest& request,
                                                     const Sheet& sheet, std::string& failure);

// Draws a sheet, page counting from 0, with its sections as LoadSheet gives
// them; false stops the drawing.
using DrawSheet = std::function<bool(std::size_t page, const Sheet& sheet,
                                     const std::vector<std::unique_ptr<DrawnSection>>& sections)>;

// Hands the sheets to draw one after the other, each with its sections read
// anew and let go before the next, so that the memory stays that of one sheet.
// false with reason set when progress cancels or a section can no longer be
// read; false as draw returns it.
bool DrawSheets(const SheetRequest& request, const SheetLayout& layout, std::string& reason,
                const SheetProgress& progress, const DrawSheet& draw);

// The sections of files along the road: in stake order, each labelled with
// its stake as written, else with its file's name without the extension.
std::vector<SheetSection> SectionsAlongRoad(const std::vector<std::filesystem::path>& files);

// The road's name for the title block: the folder's name when the first input
// is a folder, else the first file's name without its extension.
std::string RoadNameOf(const std::vector<std::filesystem::path>& inputs);

} // namespace quarvel
