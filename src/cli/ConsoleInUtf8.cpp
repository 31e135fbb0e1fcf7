#include "cli/ConsoleInUtf8.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <atomic>
#include <windows.h>

namespace quarvel {
namespace {

// The code page the console had before it was switched, for the handler of Ctrl+C; 0 while
// it has not been switched.
std::atomic<UINT> g_userCodePage{0};

void RestoreCodePage() {
    const UINT codePage = g_userCodePage.exchange(0);
    if (codePage != 0) {
        ::SetConsoleOutputCP(codePage);
    }
}

// Ctrl+C ends the program without unwinding main: the code page goes back here, and the
// system's handler then ends the program as usual.
BOOL WINAPI RestoreCodePageOnBreak(DWORD) {
    RestoreCodePage();
    return FALSE;
}

} // namespace

ConsoleInUtf8::ConsoleInUtf8() {
    const UINT codePage = ::GetConsoleOutputCP(); // 0: there is no console
    if (codePage != 0 && codePage != CP_UTF8) {
        g_userCodePage = codePage;
        ::SetConsoleCtrlHandler(&RestoreCodePageOnBreak, TRUE);
        ::SetConsoleOutputCP(CP_UTF8);
    }
}

ConsoleInUtf8::~ConsoleInUtf8() {
    RestoreCodePage();
}

} // namespace quarvel

#else

namespace quarvel {

// A POSIX terminal takes the bytes as they are.
ConsoleInUtf8::ConsoleInUtf8() = default;
ConsoleInUtf8::~ConsoleInUtf8() = default;

} // namespace quarvel

#endif
