// libFuzzer entry for the section reader: any bytes must read without a crash,
// and what is read must keep the promises the window and the exporter rely on.

#include "sectiondata/Azimuths.h"
#include "sectiondata/SectionReader.h"
#include "support/SameRead.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsCleanText(const std::string& text) {
    return text.find(' ') == std::string::npos && text.find(',') == std::string::npos &&
           quarvel::IsValidUtf8(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    quarvel::SectionReadResult result = quarvel::ReadSectionFile(bytes);
    // Read in pieces of a few bytes, wherever they fall, the file reads the same.
    for (const unsigned jobs : {2u, 3u, 7u}) {
        quarvel::ReadOptions pieces;
        pieces.jobs = jobs;
        pieces.minPieceBytes = 1;
        Require(quarvel::test::ReadDifference(result,
                                              quarvel::ReadSectionFile(bytes, {}, pieces)) == "");
    }
    if (!result.Ok()) {
        Require(result.points.empty() && !result.error.empty());
        return 0;
    }
    // No record without a line of its own.
    Require(result.points.size() <=
            static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')));
    Require(result.incompleteLineCount <= result.points.size());
    Require((result.incompleteLineCount == 0) == (result.firstIncompleteLine == 0));
    for (std::size_t i = 0; i < result.points.size(); ++i) {
        Require(IsCleanText(std::string(result.points.Note(i))) &&
                IsCleanText(result.points.Layer(i)));
        if (result.version != quarvel::SectionFileVersion::V3_8) {
            Require(result.points[i].extra == 0);
        }
    }
    for (std::size_t i = 0; i < result.layers.size(); ++i) {
        Require(!result.layers[i].empty() && IsCleanText(result.layers[i]));
        Require(i == 0 || result.layers[i - 1] != result.layers[i]);
    }
    quarvel::ComputeAzimuths(result.points);
    return 0;
}
