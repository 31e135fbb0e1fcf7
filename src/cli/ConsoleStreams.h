#pragma once

#include <functional>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

namespace quarvel {

// Turns what the program writes into UTF-16 for a console that takes it whole (a Windows
// console through WriteConsoleW): a console handed bytes reads them in its own code page, and
// the C runtime hands it UTF-8 a byte at a time, which no code page puts together again. The
// messages are UTF-8; an export to standard output may be GBK, so a line that is not UTF-8 is
// read as GBK, the only other encoding the program writes. A character is never split: bytes
// that may still become one wait for the rest, which the end of the buffer passes on anyway.
class ConsoleTextBuffer : public std::streambuf {
public:
    // Takes each piece of text; false when the console took no more.
    using Sink = std::function<bool(const std::u16string&)>;

    explicit ConsoleTextBuffer(Sink sink);
    ~ConsoleTextBuffer() override;
    ConsoleTextBuffer(const ConsoleTextBuffer&) = delete;
    ConsoleTextBuffer& operator=(const ConsoleTextBuffer&) = delete;

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;
    int sync() override;

private:
    // Hands the sink the text that is complete, or everything with all set.
    bool Pass(bool all);

    Sink m_sink;
    std::string m_pending;
    bool m_failed = false;
};

// While this lives, standard output and standard error write through a ConsoleTextBuffer
// when they are a Windows console; to a pipe or a file they write the bytes as before, and
// elsewhere nothing changes. The streams get their own buffers back when it ends.
class ConsoleStreams {
public:
    ConsoleStreams();
    ~ConsoleStreams();
    ConsoleStreams(const ConsoleStreams&) = delete;
    ConsoleStreams& operator=(const ConsoleStreams&) = delete;

private:
    class Redirected;
    std::vector<std::unique_ptr<Redirected>> m_redirected;
};

} // namespace quarvel
