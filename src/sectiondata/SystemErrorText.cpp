#include "sectiondata/SystemErrorText.h"

#include <array>
#include <utility>

namespace quarvel {

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

} // namespace quarvel
