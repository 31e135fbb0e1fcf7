#pragma once

#include "exporting/ExportWriter.h"
#include "road/Stake.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

// One section of a road: its file, its stake and the label the road's table
// shows for it.
struct RoadSection {
    std::filesystem::path file;
    std::optional<Stake> stake;
    std::string label; // the stake as written, else the file name without its extension
};

// The stake comes from the header's text (line 2), else from the file name.
RoadSection DescribeSection(const std::filesystem::path& file, std::string_view headerText);

// The same from the first lines of the file alone; a file that cannot be
// read is described by its name.
RoadSection ReadRoadSection(const std::filesystem::path& file);

// Along the road: by prefix (the ZK line apart from the YK line), then by
// stake, equal stakes by file name; the sections without a stake after all
// others, by file name. File names compare as people read them: "sec2"
// before "sec10", upper and lower case alike. Stable.
void SortByStake(std::vector<RoadSection>& sections);

// The positions of the sections in the order SortByStake gives them.
std::vector<std::size_t> StakeOrder(const std::vector<RoadSection>& sections);

// Negative, zero or positive as a comes before, with or after b in that
// order of names. Names that differ only in zeros before a number or in case
// are still told apart, so that the order never depends on the input's.
int CompareNaturally(std::string_view a, std::string_view b);

// The section files the inputs name: a file as it is, a folder its section
// files (those of its subfolders too when recursive), each file once, in the
// order given. failures receives a line for each folder without one.
std::vector<std::filesystem::path>
CollectSectionFiles(const std::vector<std::filesystem::path>& inputs, bool recursive,
                    std::vector<std::string>& failures);

// The sections the inputs name, found as CollectSectionFiles finds them and
// described by the heads of their files, in the order along the road: what a
// road's list shows before any section is read. Nothing once cancel is set.
std::vector<RoadSection> ListRoad(const std::vector<std::filesystem::path>& inputs, bool recursive,
                                  std::vector<std::string>& failures,
                                  const CancelFlag* cancel = nullptr);

} // namespace quarvel
