#pragma once

namespace quarvel {

// The Chinese messages need a Windows console in UTF-8, but the console is the user's shell's:
// while this lives the console it finds is switched to UTF-8, and whatever code page it had
// comes back when it ends, or when Ctrl+C ends the program without unwinding. Elsewhere, and
// without a console, it does nothing.
class ConsoleInUtf8 {
public:
    ConsoleInUtf8();
    ~ConsoleInUtf8();
    ConsoleInUtf8(const ConsoleInUtf8&) = delete;
    ConsoleInUtf8& operator=(const ConsoleInUtf8&) = delete;
};

} // namespace quarvel
