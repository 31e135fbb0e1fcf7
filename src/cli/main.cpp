#include "cli/ConsoleStreams.h"
#include "cli/ExportCommand.h"
#include "exporting/MemoryReuse.h"

#include <exception>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <cstdio>
#include <fcntl.h>
#include <io.h>
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

void PrepareStreams() {}

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}
#endif

} // namespace

int main(int argc, char** argv) {
    quarvel::KeepFreedMemoryForReuse();
    PrepareStreams();
    // Before the console's buffers are put in: this gives the streams buffers of their own.
    std::ios::sync_with_stdio(false);
    [[maybe_unused]] const quarvel::ConsoleStreams console{};
    // An exception leaving main need not unwind it, and what the streams hold must reach
    // the console; it also deserves a message and the failure status.
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
