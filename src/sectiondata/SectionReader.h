#pragma once

#include "sectiondata/SectionReadResult.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

SectionReadResult ReadSectionFile(std::string_view bytes, const ReadProgress& progress = {},
                                  const ReadOptions& options = {});
SectionReadResult ReadSectionFile(std::istream& in, const ReadProgress& progress = {},
                                  const ReadOptions& options = {});
// An opened file, which stays the caller's: a regular file from its start, a
// pipe or a device from where it is.
SectionReadResult ReadSectionFile(std::FILE* file, const ReadProgress& progress = {},
                                  const ReadOptions& options = {});
SectionReadResult ReadSectionFile(const std::filesystem::path& path,
                                  const ReadProgress& progress = {},
                                  const ReadOptions& options = {});

// The first three lines of a section file, for whoever needs to know what a
// file is without reading its points.
struct SectionHead {
    ReadStatus status = ReadStatus::NotSectionFile; // never Cancelled
    std::string error;                              // as in SectionReadResult
    SectionFileVersion version = SectionFileVersion::V3_0;
    std::string headerText; // as in SectionReadResult, but for the encoding
                            // told by these lines alone
    std::int64_t count = 0; // line 3, as the reader takes it
};

SectionHead ReadSectionHead(const std::filesystem::path& path);

// Whether the file's first line is a signature, as the reader would accept
// it; reads only the start of the file.
bool HasSectionSignature(const std::filesystem::path& path);

} // namespace quarvel
