#include "cli/ConsoleStreams.h"

#include "sectiondata/TextCodec.h"

#include <iostream>
#include <string_view>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <cstdio>
#include <io.h>
#include <windows.h>
#endif

namespace quarvel {
namespace {

// Beyond this a line that is still being written goes out anyway, so that an export of any
// size to a console never piles up in memory.
constexpr std::size_t kMostPending = 64 * 1024;

std::u16string ToUtf16(std::string_view utf8) {
    const std::string bytes = EncodeUtf16Le(utf8);
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return text;
}

// Each line as UTF-8 when it is, else as GBK.
std::u16string Decoded(std::string_view bytes) {
    std::string utf8;
    while (!bytes.empty()) {
        const std::size_t end = std::min(bytes.find('\n'), bytes.size() - 1) + 1;
        const std::string_view line = bytes.substr(0, end);
        utf8 += IsValidUtf8(line) ? std::string(line) : DecodeGbk(line);
        bytes.remove_prefix(end);
    }
    return ToUtf16(utf8);
}

} // namespace

ConsoleTextBuffer::ConsoleTextBuffer(Sink sink) : m_sink(std::move(sink)) {}

ConsoleTextBuffer::~ConsoleTextBuffer() {
    Pass(true);
}

ConsoleTextBuffer::int_type ConsoleTextBuffer::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) {
        return traits_type::not_eof(ch);
    }
    const char byte = traits_type::to_char_type(ch);
    return xsputn(&byte, 1) == 1 ? ch : traits_type::eof();
}

std::streamsize ConsoleTextBuffer::xsputn(const char* bytes, std::streamsize count) {
    if (m_failed) {
        return 0;
    }
    m_pending.append(bytes, static_cast<std::size_t>(count));
    if (m_pending.size() > kMostPending && !Pass(false)) {
        return 0;
    }
    return count;
}

int ConsoleTextBuffer::sync() {
    return Pass(false) ? 0 : -1;
}

// Whole lines go, and after them what is already whole UTF-8 (a progress counter that
// rewrites its line); the rest of a line waits unless there is too much of it.
bool ConsoleTextBuffer::Pass(bool all) {
    if (m_failed || m_pending.empty()) {
        return !m_failed;
    }
    std::size_t cut = m_pending.size();
    if (!all && m_pending.size() <= kMostPending) {
        const std::size_t lines = m_pending.rfind('\n') + 1; // 0 when there is none
        if (!IsValidUtf8(std::string_view(m_pending).substr(lines))) {
            cut = lines;
        }
    }
    if (cut == 0) {
        return true;
    }
    const std::u16string text = Decoded(std::string_view(m_pending).substr(0, cut));
    m_pending.erase(0, cut);
    m_failed = !m_sink(text);
    return !m_failed;
}

#ifdef _WIN32

namespace {

// Writes the text to the console, as much as it takes at a time.
bool WriteToConsole(HANDLE console, const std::u16string& text) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    auto left = static_cast<DWORD>(text.size());
    while (left > 0) {
        DWORD written = 0;
        if (!::WriteConsoleW(console, wide, left, &written, nullptr) || written == 0) {
            return false;
        }
        wide += written;
        left -= written;
    }
    return true;
}

} // namespace

class ConsoleStreams::Redirected {
public:
    Redirected(std::ostream& stream, HANDLE console)
        : m_stream(stream),
          m_buffer([console](const std::u16string& text) { return WriteToConsole(console, text); }),
          m_original(stream.rdbuf(&m_buffer)) {}

    ~Redirected() {
        m_stream.flush();
        m_stream.rdbuf(m_original);
    }

    Redirected(const Redirected&) = delete;
    Redirected& operator=(const Redirected&) = delete;

private:
    std::ostream& m_stream;
    ConsoleTextBuffer m_buffer;
    std::streambuf* m_original;
};

ConsoleStreams::ConsoleStreams() {
    const std::pair<std::ostream*, std::FILE*> streams[] = {{&std::cout, stdout},
                                                            {&std::cerr, stderr}};
    for (const auto& [stream, file] : streams) {
        // The C runtime's handle: a program without a console of its own that attached to
        // one has reopened its streams there, and the system's standard handles never knew.
        const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
        DWORD mode = 0;
        if (handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
            m_redirected.push_back(std::make_unique<Redirected>(*stream, handle));
        }
    }
}

#else

// A POSIX terminal takes the bytes as they are.
class ConsoleStreams::Redirected {};

ConsoleStreams::ConsoleStreams() = default;

#endif

ConsoleStreams::~ConsoleStreams() = default;

} // namespace quarvel
