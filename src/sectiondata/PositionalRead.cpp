#include "sectiondata/PositionalRead.h"

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quarvel {

#ifdef _WIN32
int ReadAt(std::FILE* file, std::uint64_t offset, char* buffer, std::size_t size,
           std::size_t& got) {
    got = 0;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE) {
        return EBADF;
    }
    while (got < size) {
        const std::uint64_t at = offset + got;
        OVERLAPPED place{};
        place.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
        place.OffsetHigh = static_cast<DWORD>(at >> 32);
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(size - got, 1u << 30));
        DWORD read = 0;
        if (!ReadFile(handle, buffer + got, wanted, &read, &place)) {
            return GetLastError() == ERROR_HANDLE_EOF ? 0 : EIO;
        }
        if (read == 0) {
            return 0;
        }
        got += read;
    }
    return 0;
}
#else
int ReadAt(std::FILE* file, std::uint64_t offset, char* buffer, std::size_t size,
           std::size_t& got) {
    got = 0;
    const int descriptor = fileno(file);
    while (got < size) {
        const ssize_t read =
            ::pread(descriptor, buffer + got, size - got, static_cast<off_t>(offset + got));
        if (read < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (read == 0) {
            return 0;
        }
        got += static_cast<std::size_t>(read);
    }
    return 0;
}
#endif

} // namespace quarvel
