#pragma once

#include "sectiondata/CDataStruct.h"
#include "sectiondata/TextCodec.h"

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

enum class SectionFileVersion { V3_0, V3_6, V3_8 };

// "3.0", "3.6" or "3.8".
const char* VersionText(SectionFileVersion version);

enum class ReadStatus {
    Ok,
    CannotOpen,     // the path could not be opened, or names a folder
    ReadFailed,     // reading stopped part-way: a read failed, or memory ran out
    NotSectionFile, // line 1 is not a signature (an empty file included)
    Cancelled,      // the progress callback asked to stop
};

enum class ReadWarningKind {
    IncompleteLine, // a point line lacks a field or holds a field that is not a number
    FewerLinesThanCount,
};

struct ReadWarning {
    ReadWarningKind kind = ReadWarningKind::IncompleteLine;
    std::size_t lineNumber = 0; // 1-based line of the file
    std::string detail;         // UTF-8, for the user
};

struct SectionReadResult {
    ReadStatus status = ReadStatus::NotSectionFile;
    // UTF-8 detail when status is not Ok (for CannotOpen and ReadFailed: the
    // system's reason)
    std::string error;
    SectionFileVersion version = SectionFileVersion::V3_0;
    TextEncoding encoding = TextEncoding::Gbk;
    PointList points;
    LayerList layers;
    // The text field of line 2, the section header, decoded like the notes
    // with its blanks; empty when line 2 does not have the header's form.
    std::string headerText;
    std::vector<ReadWarning> warnings;
    std::size_t incompleteLineCount = 0;
    std::size_t firstIncompleteLine = 0; // 1-based file line, 0 when there is none

    bool Ok() const { return status == ReadStatus::Ok; }
};

// Called now and then with the bytes read so far and in all; returning false
// cancels the read.
using ReadProgress = std::function<bool(std::size_t done, std::size_t total)>;

SectionReadResult ReadSectionFile(std::string_view bytes, const ReadProgress& progress = {});
SectionReadResult ReadSectionFile(std::istream& in, const ReadProgress& progress = {});
// An opened file, which stays the caller's: a regular file from its start, a
// pipe or a device from where it is.
SectionReadResult ReadSectionFile(std::FILE* file, const ReadProgress& progress = {});
SectionReadResult ReadSectionFile(const std::filesystem::path& path,
                                  const ReadProgress& progress = {});

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
