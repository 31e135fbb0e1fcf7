#include "exporting/FileNameCase.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace quarvel {

// A case-insensitive ordinal comparison, as NTFS makes of names, upper-cases
// each UTF-16 unit with the system's table: the C library's towlower knows
// only ASCII in the "C" locale and would miss, say, full-width letters.
std::filesystem::path FoldFileNameCase(const std::filesystem::path& path) {
    const std::wstring& name = path.native();
    if (name.empty()) {
        return path;
    }
    const int length = static_cast<int>(name.size());
    const int size = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.data(), length,
                                     nullptr, 0, nullptr, nullptr, 0);
    if (size <= 0) {
        return path;
    }
    std::wstring upper(static_cast<std::size_t>(size), L'\0');
    if (::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.data(), length, upper.data(),
                        size, nullptr, nullptr, 0) != size) {
        return path;
    }
    return std::filesystem::path(std::move(upper));
}

} // namespace quarvel
