#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace quarvel {

// Why a file could not be read or written, for the user: in Chinese for the
// failures a user meets and can act on (a missing file or folder, no
// permission, a full disk ...), otherwise the system's own text. UTF-8.
std::string SystemErrorText(const std::error_code& error);

// The same for an errno value.
std::string SystemErrorText(int error);

// The same for a Win32 error code (GetLastError()), in the same words as the
// errno values that mean the same. Outside Windows a code without a text of
// its own is given by its number.
std::string Win32ErrorText(unsigned long error);

// A path as messages name it, in UTF-8: with the system's own separators, so
// that on Windows a path that Qt or the user wrote with "/" reads with
// backslashes throughout, as the window and the system show paths, not half
// and half.
std::string ShownPath(std::filesystem::path path);

} // namespace quarvel
