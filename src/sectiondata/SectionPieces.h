#pragma once

#include "sectiondata/SectionLines.h"
#include "sectiondata/SectionReadResult.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace quarvel {

// The bytes of a section file: in memory, or a regular file read by position.
struct SectionBytes {
    std::string_view bytes; // when file is null
    std::FILE* file = nullptr;
    std::size_t size = 0;
};

// Lines 1 to 3 of a section file and where its point lines begin.
struct SectionHeadLines {
    bool signature = false;
    SectionFileVersion version = SectionFileVersion::V3_0;
    EncodingSurvey encoding; // of these lines
    bool hasHeader = false;
    std::string header; // the text field of line 2, undecoded
    std::int64_t count = 0;
    std::size_t bodyStart = 0; // the offset of line 4
    int readError = 0;
};

// The first lines want no buffer of a whole chunk's size.
constexpr std::size_t kHeadChunk = 4096;

class LineReader;
SectionHeadLines ReadHeadLines(LineReader& lines);

// Reads the whole section; the failures are those of SectionReadResult.
SectionReadResult ReadSectionBytes(const SectionBytes& source, const ReadProgress& progress,
                                   const ReadOptions& options);

SectionReadResult ReadFailure(int error);
SectionReadResult NotSectionFile();

} // namespace quarvel
