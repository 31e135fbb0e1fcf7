#pragma once

#include <string>
#include <system_error>

namespace quarvel {

// Why a file could not be read or written, for the user: in Chinese for the
// failures a user meets and can act on (a missing file or folder, no
// permission, a full disk ...), otherwise the system's own text. UTF-8.
std::string SystemErrorText(const std::error_code& error);

// The same for an errno value.
std::string SystemErrorText(int error);

} // namespace quarvel
