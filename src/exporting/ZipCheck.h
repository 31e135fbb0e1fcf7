#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

// Whether every XML part of a zip file (a workbook) is whole: the archive's
// directory is there and each part ends with the end tag of the element it
// starts with. A library that ignores its own failures to write temporary
// files (a full disk) can otherwise zip a part that stops half-way and call
// it done. Empty when whole; otherwise what is wrong, for the user.
std::string IncompleteZipPart(const std::filesystem::path& file);

// The unpacked content of the zip file's part of that name; nothing when the
// file or the part cannot be read.
std::optional<std::string> ReadZipPart(const std::filesystem::path& file, std::string_view name);

} // namespace quarvel
