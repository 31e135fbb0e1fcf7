#pragma once

// The POSIX text converter behind the code page functions; Windows uses its
// own code-page functions instead.
#ifndef _WIN32

#include <cerrno>
#include <cstddef>
#include <iconv.h>
#include <string>
#include <string_view>

namespace quarvel {

// One conversion descriptor, closed when the converter goes out of scope.
class IconvConverter {
public:
    IconvConverter(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    ~IconvConverter() {
        if (IsOpen()) {
            iconv_close(m_handle);
        }
    }
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    bool IsOpen() const { return m_handle != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of input as possible; returns the bytes consumed.
    std::size_t Convert(std::string_view input, std::string& out) {
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char buffer[4096];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(m_handle, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                break;
            }
        }
        iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        return input.size() - inLeft;
    }

private:
    iconv_t m_handle;
};

} // namespace quarvel

#endif
