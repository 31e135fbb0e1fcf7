#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quarvel {

// The longest sheet name Excel takes, in UTF-16 units, as Excel counts it.
constexpr std::size_t kSheetNameMaxUnits = 31;

// The name of the one sheet of a single table's workbook: "断面".
const std::string& TableSheetName();

// A sheet name for each label, in order: Excel's forbidden characters
// []:*?/\ (and control characters) become "_", an apostrophe neither starts
// nor ends it, at most 31 UTF-16 units, never cut inside a character; an
// empty label gives "断面". A name met before (ignoring the case of ASCII
// letters, as Excel does) gets " (2)", " (3)", ... within the 31.
std::vector<std::string> SheetNames(const std::vector<std::string>& labels);

} // namespace quarvel
