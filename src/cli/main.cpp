#include "cli/ExportCommand.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <utility>
#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// The narrow arguments of main are in the system's code page, which cannot
// hold every file name; the wide command line can, and UTF-8 is what the
// command expects.
std::vector<std::string> Arguments(int, char**) {
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; wide != nullptr && i < count; ++i) {
        const int size =
            ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
        if (size > 1) {
            ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), size, nullptr, nullptr);
        }
        args.push_back(std::move(arg));
    }
    ::LocalFree(wide);
    return args;
}

// The code page the console had before the program switched it, for the
// handler of Ctrl+C; 0 while the program has not switched it.
std::atomic<UINT> g_userCodePage{0};

void RestoreCodePage() {
    const UINT codePage = g_userCodePage.exchange(0);
    if (codePage != 0) {
        ::SetConsoleOutputCP(codePage);
    }
}

// Ctrl+C ends the program without unwinding main: the code page goes back
// here, and the system's handler then ends the program as usual.
BOOL WINAPI RestoreCodePageOnBreak(DWORD) {
    RestoreCodePage();
    return FALSE;
}

// The Chinese messages need the console in UTF-8, but the console is the
// user's shell's: whatever code page it had comes back when the program
// ends, or later commands in that console show their text garbled.
class ConsoleInUtf8 {
public:
    ConsoleInUtf8() {
        const UINT codePage = ::GetConsoleOutputCP(); // 0: there is no console
        if (codePage != 0 && codePage != CP_UTF8) {
            g_userCodePage = codePage;
            ::SetConsoleCtrlHandler(&RestoreCodePageOnBreak, TRUE);
            ::SetConsoleOutputCP(CP_UTF8);
        }
    }
    ~ConsoleInUtf8() { RestoreCodePage(); }
    ConsoleInUtf8(const ConsoleInUtf8&) = delete;
    ConsoleInUtf8& operator=(const ConsoleInUtf8&) = delete;
};

// The export's CR LF must reach a redirected standard output unchanged.
void PrepareStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
}

bool StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}
#else
std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

struct ConsoleInUtf8 {}; // a POSIX terminal takes the bytes as they are

void PrepareStreams() {}

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}
#endif

} // namespace

int main(int argc, char** argv) {
    [[maybe_unused]] const ConsoleInUtf8 console{};
    PrepareStreams();
    std::ios::sync_with_stdio(false);
    // An exception leaving main need not unwind it, and the console must be
    // given back; it also deserves a message and the failure status.
    try {
        const std::vector<std::string> args = Arguments(argc, argv);
        const int status = quarvel::RunCli(args, std::cout, std::cerr, StandardErrorIsTerminal());
        std::cout.flush();
        return std::cout.good() ? status : quarvel::kExitFailed;
    } catch (const std::exception& error) {
        std::cerr << "quarvel-cli: " << error.what() << '\n';
        return quarvel::kExitFailed;
    }
}
