#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace quarvel {

// The lines of a section file, ending in LF or CR LF; a CR right before the LF
// or before the end of the file is not part of the line. The bytes are either
// all in memory or read from a file a piece at a time, so that a large file
// is never held whole.
class LineReader {
public:
    explicit LineReader(std::string_view bytes);
    // Large enough that a read costs little per line, small enough to stay
    // in the cache while its lines are parsed.
    static constexpr std::size_t kChunkSize = std::size_t{1} << 18;

    // Reads from the file's current position, chunkSize bytes at a time; the
    // file stays the caller's.
    explicit LineReader(std::FILE* file, std::size_t chunkSize = kChunkSize);

    // Reads a regular file from offset on by position, never moving the
    // file's own position, so that several readers can share one file.
    LineReader(std::FILE* file, std::uint64_t offset, std::size_t chunkSize);

    // The next line, valid until the next call; false at the end of the bytes
    // or once a read of the file has failed (ReadError() then tells why).
    bool Next(std::string_view& line);

    // Bytes taken so far, the line ends included.
    std::size_t Offset() const { return m_offset; }
    // The 1-based number of the line taken last.
    std::size_t LineNumber() const { return m_lineNumber; }
    // The errno of a failed read, 0 when none failed.
    int ReadError() const { return m_readError; }

private:
    void Refill();

    std::FILE* m_file = nullptr;
    bool m_positional = false;
    std::uint64_t m_filePosition = 0; // of the next positional read
    std::string m_buffer;
    std::string_view m_window; // bytes read but not yet taken
    bool m_atEnd = false;
    int m_readError = 0;
    std::size_t m_offset = 0;
    std::size_t m_lineNumber = 0;
};

} // namespace quarvel
