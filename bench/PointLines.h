#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace quarvel {

// The line loop of the benchmarks' minimal loops: calls visit(begin, end) for
// each point line (line 4 onwards) of a section file's bytes, split at LF with
// memchr. A CR in front of the LF stays in the line; the number parsers stop
// before it. Defined here so that it inlines as a hand-written loop would.
template <typename Visit>
void ForEachPointLine(std::string_view bytes, Visit&& visit) {
    constexpr std::size_t kHeaderLines = 3;
    std::size_t lineNumber = 0;
    const char* position = bytes.data();
    const char* const end = position + bytes.size();
    while (position < end) {
        const auto* lineFeed = static_cast<const char*>(
            std::memchr(position, '\n', static_cast<std::size_t>(end - position)));
        const char* lineEnd = lineFeed != nullptr ? lineFeed : end;
        if (++lineNumber > kHeaderLines) {
            visit(position, lineEnd);
        }
        position = lineFeed != nullptr ? lineFeed + 1 : end;
    }
}

} // namespace quarvel
