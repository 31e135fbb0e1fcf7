#include "sectiondata/LineReader.h"

#include "sectiondata/PositionalRead.h"

#include <cerrno>
#include <cstring>

namespace quarvel {

LineReader::LineReader(std::string_view bytes) : m_window(bytes), m_atEnd(true) {}

LineReader::LineReader(std::FILE* file, std::size_t chunkSize)
    : m_file(file), m_buffer(chunkSize > 0 ? chunkSize : 1, '\0') {}

LineReader::LineReader(std::FILE* file, std::uint64_t offset, std::size_t chunkSize)
    : m_file(file), m_positional(true), m_filePosition(offset),
      m_buffer(chunkSize > 0 ? chunkSize : 1, '\0') {}

bool LineReader::Next(std::string_view& line) {
    while (true) {
        const char* const begin = m_window.data();
        const auto* lineFeed =
            m_window.empty() ? nullptr
                             : static_cast<const char*>(std::memchr(begin, '\n', m_window.size()));
        if (lineFeed == nullptr && !m_atEnd) {
            Refill();
            continue;
        }
        if (lineFeed == nullptr && m_window.empty()) {
            return false;
        }
        std::size_t length =
            lineFeed != nullptr ? static_cast<std::size_t>(lineFeed - begin) : m_window.size();
        const std::size_t taken = lineFeed != nullptr ? length + 1 : length;
        m_window.remove_prefix(taken);
        m_offset += taken;
        if (length > 0 && begin[length - 1] == '\r') {
            --length;
        }
        line = std::string_view(begin, length);
        ++m_lineNumber;
        return true;
    }
}

// Moves the bytes not yet taken to the front of the buffer and reads more
// behind them; a line longer than the buffer grows it.
void LineReader::Refill() {
    const std::size_t kept = m_window.size();
    if (kept > 0 && m_window.data() != m_buffer.data()) {
        std::memmove(m_buffer.data(), m_window.data(), kept);
    }
    if (kept == m_buffer.size()) {
        m_buffer.resize(m_buffer.size() * 2);
    }
    const std::size_t wanted = m_buffer.size() - kept;
    std::size_t got = 0;
    int error = 0;
    if (m_positional) {
        error = ReadAt(m_file, m_filePosition, m_buffer.data() + kept, wanted, got);
        m_filePosition += got;
    } else {
        errno = 0;
        got = std::fread(m_buffer.data() + kept, 1, wanted, m_file);
        error = std::ferror(m_file) ? (errno != 0 ? errno : EIO) : 0;
    }
    // Both stop short only at the end of the file or on a failed read.
    m_atEnd = got < wanted;
    if (m_atEnd && error != 0) {
        m_readError = error;
        // The bytes before the failure may end inside a line, which must not
        // pass for a whole one: the lines end here.
        m_window = {};
        return;
    }
    m_window = std::string_view(m_buffer.data(), kept + got);
}

} // namespace quarvel
