#include "sectiondata/SystemErrorText.h"

#include <array>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quarvel {

namespace {

// A spreadsheet showing a file keeps it open without sharing it.
constexpr const char* kFileInUse = "文件正被其他程序使用，请先关闭它";

} // namespace

std::string SystemErrorText(const std::error_code& error) {
    static const std::array<std::pair<std::errc, const char*>, 16> kTexts = {{
        {std::errc::no_such_file_or_directory, "文件或文件夹不存在"},
        {std::errc::permission_denied, "没有访问权限"},
        {std::errc::operation_not_permitted, "没有访问权限"},
        {std::errc::is_a_directory, "这是一个文件夹"},
        {std::errc::not_a_directory, "路径中有一部分不是文件夹"},
        {std::errc::no_space_on_device, "磁盘空间不足"},
        {std::errc::file_too_large, "文件太大"},
        {std::errc::read_only_file_system, "文件系统只读"},
        {std::errc::filename_too_long, "文件名太长"},
        {std::errc::too_many_symbolic_link_levels, "符号链接层数过多"},
        {std::errc::file_exists, "文件已存在"},
        {std::errc::device_or_resource_busy, "文件正被占用"},
        {std::errc::text_file_busy, "文件正被占用"},
        {std::errc::io_error, "读写设备出错"},
        {std::errc::not_enough_memory, "内存不足"},
        {std::errc::too_many_files_open, "打开的文件太多"},
    }};
    for (const auto& [condition, text] : kTexts) {
        if (error == condition) {
            return text;
        }
    }
    return error.message();
}

std::string SystemErrorText(int error) {
    return SystemErrorText(std::error_code(error, std::generic_category()));
}

namespace {

// The system's own text for a Win32 error code, in UTF-8.
std::string Win32SystemText(unsigned long error) {
#ifdef _WIN32
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string utf8;
    if (length > 0) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                             nullptr, nullptr);
        utf8.resize(static_cast<std::size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), size, nullptr,
                            nullptr);
    }
    LocalFree(text);
    while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ')) {
        utf8.pop_back();
    }
    if (!utf8.empty()) {
        return utf8;
    }
#endif
    return "系统错误 " + std::to_string(error);
}

} // namespace

std::string Win32ErrorText(unsigned long error) {
    // The codes of winerror.h, so that the words are the same on every system.
    static const std::array<std::pair<unsigned long, const char*>, 25> kTexts = {{
        {2, "文件或文件夹不存在"},         // ERROR_FILE_NOT_FOUND
        {3, "文件或文件夹不存在"},         // ERROR_PATH_NOT_FOUND
        {4, "打开的文件太多"},             // ERROR_TOO_MANY_OPEN_FILES
        {5, "没有访问权限"},               // ERROR_ACCESS_DENIED
        {8, "内存不足"},                   // ERROR_NOT_ENOUGH_MEMORY
        {14, "内存不足"},                  // ERROR_OUTOFMEMORY
        {19, "文件系统只读"},              // ERROR_WRITE_PROTECT
        {21, "读写设备出错"},              // ERROR_NOT_READY
        {23, "读写设备出错"},              // ERROR_CRC
        {29, "读写设备出错"},              // ERROR_WRITE_FAULT
        {31, "读写设备出错"},              // ERROR_GEN_FAILURE
        {32, kFileInUse},                  // ERROR_SHARING_VIOLATION
        {33, kFileInUse},                  // ERROR_LOCK_VIOLATION
        {39, "磁盘空间不足"},              // ERROR_HANDLE_DISK_FULL
        {112, "磁盘空间不足"},             // ERROR_DISK_FULL
        {80, "文件已存在"},                // ERROR_FILE_EXISTS
        {183, "文件已存在"},               // ERROR_ALREADY_EXISTS
        {123, "文件名无效"},               // ERROR_INVALID_NAME
        {161, "文件名无效"},               // ERROR_BAD_PATHNAME
        {206, "文件名太长"},               // ERROR_FILENAME_EXCED_RANGE
        {267, "路径中有一部分不是文件夹"}, // ERROR_DIRECTORY
        {1224, kFileInUse},                // ERROR_USER_MAPPED_FILE
        // ReplaceFileW: the old file could not be removed, most often because
        // a program holds it open.
        {1175, kFileInUse},               // ERROR_UNABLE_TO_REMOVE_REPLACED
        {1176, "无法用新文件替换旧文件"}, // ERROR_UNABLE_TO_MOVE_REPLACEMENT
        {1177, "无法用新文件替换旧文件"}, // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2
    }};
    for (const auto& [code, text] : kTexts) {
        if (error == code) {
            return text;
        }
    }
    return Win32SystemText(error);
}

std::string ShownPath(std::filesystem::path path) {
    return path.make_preferred().u8string();
}

} // namespace quarvel
