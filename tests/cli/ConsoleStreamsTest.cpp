// quarvel-cli's text reaches a console whole: the messages' UTF-8 and an export's GBK, however
// the bytes are cut, each character once and never as a replacement character.

#include "cli/ConsoleStreams.h"
#include "cli/ExportCommand.h"

#include "sectiondata/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace quarvel {
namespace {
namespace fs = std::filesystem;

// What a console was given, piece by piece.
struct ConsoleRecord {
    std::vector<std::u16string> pieces;
    bool full = false; // takes no more

    ConsoleTextBuffer::Sink Sink() {
        return [this](const std::u16string& piece) {
            pieces.push_back(piece);
            return !full;
        };
    }
    std::u16string Text() const {
        std::u16string text;
        for (const std::u16string& piece : pieces) {
            EXPECT_EQ(piece.find(u'\uFFFD'), std::u16string::npos);
            text += piece;
        }
        return text;
    }
};

// The C runtime hands a console one byte at a time, and standard error flushes after each.
TEST(ConsoleTextBufferTest, MessagesCutAnywhereArriveWhole) {
    const std::string message = "文件导入失败: 断面𠀀.txt: 文件或文件夹不存在\n";
    ConsoleRecord console;
    {
        ConsoleTextBuffer buffer(console.Sink());
        std::ostream err(&buffer);
        for (const char byte : message) {
            err.put(byte).flush();
        }
        EXPECT_EQ(console.Text(), u"文件导入失败: 断面𠀀.txt: 文件或文件夹不存在\n");
    }
    EXPECT_EQ(console.Text(), u"文件导入失败: 断面𠀀.txt: 文件或文件夹不存在\n");
}

// A progress counter rewrites its line without ending it: it shows when flushed.
TEST(ConsoleTextBufferTest, AnUnendedLineOfWholeCharactersShowsWhenFlushed) {
    ConsoleRecord console;
    ConsoleTextBuffer buffer(console.Sink());
    std::ostream err(&buffer);
    err << "\r已导出 1/2" << std::flush;
    EXPECT_EQ(console.Text(), u"\r已导出 1/2");
}

// "quarvel-cli export FILE -o -" in a console shows the table in either encoding.
TEST(ConsoleTextBufferTest, ExportsShowTheirCharactersInEitherEncoding) {
    const std::string rows = "2\r\n1,起点,地面线\r\n2,地面点,地面线\r\n";
    const std::u16string shown = u"2\r\n1,起点,地面线\r\n2,地面点,地面线\r\n";
    for (const std::string& bytes : {EncodeGbk(rows), std::string(kUtf8Bom) + rows}) {
        ConsoleRecord console;
        {
            ConsoleTextBuffer buffer(console.Sink());
            std::ostream out(&buffer);
            // Cut inside the first row's first character, in GBK and in UTF-8.
            out.write(bytes.data(), 6).flush();
            out.write(bytes.data() + 6, static_cast<std::streamsize>(bytes.size() - 6)).flush();
        }
        const std::u16string text = console.Text();
        EXPECT_EQ(text.substr(text.size() - shown.size()), shown);
    }

    // A last line without its end goes when the stream does.
    ConsoleRecord console;
    {
        ConsoleTextBuffer buffer(console.Sink());
        std::ostream out(&buffer);
        out << EncodeGbk("末行") << std::flush;
        EXPECT_TRUE(console.pieces.empty());
    }
    EXPECT_EQ(console.Text(), u"末行");
}

// An export of any size to a console: a line never ended does not pile up.
TEST(ConsoleTextBufferTest, ALongUnendedLineGoesOutBeforeTheEnd) {
    ConsoleRecord console;
    ConsoleTextBuffer buffer(console.Sink());
    std::ostream out(&buffer);
    const std::string character = EncodeGbk("断");
    for (int i = 0; i < 50000; ++i) {
        out << character;
    }
    ASSERT_FALSE(console.pieces.empty());
    EXPECT_EQ(console.pieces.front().substr(0, 2), u"断断");
}

// A console that takes no more fails the stream, so the program reports it.
TEST(ConsoleTextBufferTest, AConsoleThatTakesNoMoreFailsTheStream) {
    ConsoleRecord console;
    console.full = true;
    ConsoleTextBuffer buffer(console.Sink());
    std::ostream out(&buffer);
    out << "2\r\n" << std::flush;
    EXPECT_TRUE(out.bad());
    out << "more\r\n" << std::flush;
    EXPECT_EQ(console.pieces.size(), 1u);
}

#ifdef _WIN32
// Runs a command line to its end; its exit status. With output, the
// program's standard output and error go there.
DWORD RunProgram(std::wstring commandLine, DWORD flags = 0, HANDLE output = nullptr) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, output != nullptr, flags,
                          nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << fs::path(commandLine).u8string() << ": error "
                      << ::GetLastError();
        return ~DWORD{0};
    }
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD status = ~DWORD{0};
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return status;
}

std::wstring Quoted(const fs::path& program) {
    return L"\"" + fs::absolute(program).wstring() + L"\"";
}

HANDLE Inheritable(const wchar_t* name, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    return ::CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                         disposition, 0, nullptr);
}

// Wine started from a pipe gives no console: the test runs again in one made for it, its
// report going to a file. True when the caller is in a console and goes on.
bool InOwnConsole(const char* test) {
    constexpr wchar_t kInOwnConsole[] = L"QUARVEL_TEST_IN_OWN_CONSOLE";
    if (::GetConsoleOutputCP() != 0 || ::GetEnvironmentVariableW(kInOwnConsole, nullptr, 0) != 0) {
        return true;
    }
    const test::TempFolder folder;
    const HANDLE log = Inheritable((folder / "log.txt").c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    EXPECT_NE(log, INVALID_HANDLE_VALUE);
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    ::SetEnvironmentVariableW(kInOwnConsole, L"1");
    const DWORD status = RunProgram(Quoted(self) + L" --gtest_filter=QuarvelCliConsole." +
                                        fs::u8path(test).wstring(),
                                    CREATE_NO_WINDOW, log);
    ::SetEnvironmentVariableW(kInOwnConsole, nullptr);
    ::CloseHandle(log);
    EXPECT_EQ(status, 0u) << test::ReadFileBytes(folder / "log.txt");
    return false;
}

// The console's rows up to its cursor, each without the spaces that fill it.
std::wstring ConsoleRows(HANDLE console) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    EXPECT_TRUE(::GetConsoleScreenBufferInfo(console, &info));
    std::wstring rows;
    for (SHORT row = 0; row <= info.dwCursorPosition.Y; ++row) {
        std::wstring text(static_cast<std::size_t>(info.dwSize.X), L' ');
        DWORD read = 0;
        ::ReadConsoleOutputCharacterW(console, text.data(), info.dwSize.X, COORD{0, row}, &read);
        text.resize(text.find_last_not_of(L' ') + 1);
        rows += text + L'\n';
    }
    return rows;
}

// quarvel-cli shows its messages in UTF-8, but the console is the user's:
// however quarvel-cli ends, the console keeps the code page it had.
TEST(QuarvelCliConsole, KeepsTheConsolesCodePage) {
    if (!InOwnConsole("KeepsTheConsolesCodePage")) {
        return;
    }
    const UINT before = ::GetConsoleOutputCP();
    ASSERT_NE(before, 0u) << "no console";
    ASSERT_TRUE(::SetConsoleOutputCP(936));
    const std::pair<const wchar_t*, DWORD> runs[] = {{L"--version", kExitOk},
                                                     {L"export no-such-file.txt", kExitFailed},
                                                     {L"--frobnicate", kExitUsage}};
    for (const auto& [arguments, status] : runs) {
        EXPECT_EQ(RunProgram(Quoted(QUARVEL_CLI) + L" " + arguments), status);
        EXPECT_EQ(::GetConsoleOutputCP(), 936u)
            << "after quarvel-cli " << fs::path(arguments).u8string();
    }
    ::SetConsoleOutputCP(before);
}

// In a console of any code page, the messages and an export to standard output show their
// Chinese characters.
TEST(QuarvelCliConsole, ShowsChineseAsWritten) {
    if (!InOwnConsole("ShowsChineseAsWritten")) {
        return;
    }
    const HANDLE console = Inheritable(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(console, INVALID_HANDLE_VALUE);
    const fs::path example = test::ExampleFile("section-3.8.txt");
    for (const UINT codePage : {936u, 437u, 65001u}) {
        SCOPED_TRACE(codePage);
        ASSERT_TRUE(::SetConsoleOutputCP(codePage));
        const std::wstring cli = Quoted(QUARVEL_CLI);
        EXPECT_EQ(RunProgram(cli + L" export no-such-file.txt", 0, console), DWORD{kExitFailed});
        EXPECT_EQ(RunProgram(cli + L" export " + Quoted(example) +
                                 L" -o - --columns 注释,图层 --decimals 0",
                             0, console),
                  DWORD{kExitOk});
        const std::wstring rows = ConsoleRows(console);
        EXPECT_NE(rows.find(L"文件导入失败: no-such-file.txt: 文件或文件夹不存在\n"),
                  std::wstring::npos);
        EXPECT_NE(rows.find(L"\n地面点,地面线\n坡顶,边坡\n"), std::wstring::npos);
        EXPECT_EQ(rows.find(L'\uFFFD'), std::wstring::npos);
    }
    ::CloseHandle(console);
}
#endif

} // namespace
} // namespace quarvel
