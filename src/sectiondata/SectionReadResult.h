#pragma once

// What reading a section file gives, apart from the reading itself, so that the
// reader's pieces and its entry points share it without including each other.

#include "sectiondata/CDataStruct.h"
#include "sectiondata/TextCodec.h"

#include <cstddef>
#include <functional>
#include <string>
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
// cancels the read. Always called on the thread that reads.
using ReadProgress = std::function<bool(std::size_t done, std::size_t total)>;

// How a large file is read: its point lines are split into pieces that
// threads read at once. The result is the same for any choice.
struct ReadOptions {
    // Below this many bytes a piece is not worth a thread of its own.
    static constexpr std::size_t kMinPieceBytes = std::size_t{1} << 20;

    unsigned jobs = 0; // threads at most; 0: one per processor
    std::size_t minPieceBytes = kMinPieceBytes;
};

} // namespace quarvel
