#include "sheets/SheetSource.h"

#include "road/RoadSection.h"

#include <system_error>

namespace quarvel {
namespace fs = std::filesystem;

bool ReadExtents(const SheetRequest& request, std::vector<SectionExtent>& extents,
                 const SheetReport& report, const SheetProgress& progress) {
    extents.clear();
    extents.reserve(request.sections.size());
    bool allRead = true;
    for (std::size_t i = 0; i < request.sections.size(); ++i) {
        if (progress && !progress(i, request.sections.size())) {
            return false;
        }
        const SheetSection& section = request.sections[i];
        const DrawnSectionLoad load = LoadDrawnSection(section.file, request.rules);
        for (const std::string& warning : load.warnings) {
            report(warning);
        }
        if (!load.section) {
            report(load.failure);
            allRead = false;
            continue;
        }
        const ProfileData& data = load.section->data;
        extents.push_back({section.label, data.MinX(), data.MaxX(), data.MinY(), data.MaxY()});
    }
    return allRead;
}

std::vector<std::unique_ptr<DrawnSection>> LoadSheet(const SheetRequest& request,
                                                     const Sheet& sheet, std::string& failure) {
    std::vector<std::unique_ptr<DrawnSection>> sections;
    for (const PlacedSection& placed : sheet.sections) {
        DrawnSectionLoad load =
            LoadDrawnSection(request.sections[placed.section].file, request.rules);
        if (!load.section) {
            failure = load.failure;
            return {};
        }
        sections.push_back(std::move(load.section));
    }
    return sections;
}

bool DrawSheets(const SheetRequest& request, const SheetLayout& layout, std::string& reason,
                const SheetProgress& progress, const DrawSheet& draw) {
    std::size_t done = 0;
    for (std::size_t page = 0; page < layout.sheets.size(); ++page) {
        if (progress && !progress(done, request.sections.size())) {
            reason = "已取消";
            return false;
        }
        const Sheet& sheet = layout.sheets[page];
        const std::vector<std::unique_ptr<DrawnSection>> sections =
            LoadSheet(request, sheet, reason);
        if (sections.empty() || !draw(page, sheet, sections)) {
            return false;
        }
        done += sheet.sections.size();
    }
    return true;
}

std::vector<SheetSection> SectionsAlongRoad(const std::vector<fs::path>& files) {
    std::vector<RoadSection> road;
    road.reserve(files.size());
    for (const fs::path& file : files) {
        road.push_back(ReadRoadSection(file));
    }
    SortByStake(road);
    std::vector<SheetSection> sections;
    sections.reserve(road.size());
    for (RoadSection& section : road) {
        sections.push_back({std::move(section.file), std::move(section.label)});
    }
    return sections;
}

std::string RoadNameOf(const std::vector<fs::path>& inputs) {
    if (inputs.empty()) {
        return {};
    }
    const fs::path& first = inputs.front();
    std::error_code error;
    if (fs::is_directory(first, error)) {
        // "road/" and "road/." name the folder "road" too.
        const fs::path absolute = fs::absolute(first, error).lexically_normal();
        fs::path folder = absolute.has_filename() ? absolute : absolute.parent_path();
        return folder.filename().u8string();
    }
    return first.stem().u8string();
}

} // namespace quarvel
