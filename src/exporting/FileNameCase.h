#pragma once

#include <filesystem>

namespace quarvel {

// The path spelled so that two paths the file system takes for one file are
// equal: on Windows, where names that differ only in case name one file, in
// the upper case the file system compares them in; elsewhere unchanged.
std::filesystem::path FoldFileNameCase(const std::filesystem::path& path);

} // namespace quarvel
