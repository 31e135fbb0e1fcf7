#include "sectiondata/GbkDecoder.h"

#include "sectiondata/TextCodec.h"

#ifndef _WIN32
#include <cerrno>
#include <iconv.h>
#endif

namespace quarvel {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

#ifndef _WIN32
iconv_t ToIconv(void* handle) {
    return static_cast<iconv_t>(handle);
}
#endif

} // namespace

#ifndef _WIN32

GbkDecoder::GbkDecoder() : m_handle(nullptr) {
    const iconv_t handle = iconv_open("UTF-8", "GBK");
    if (handle != reinterpret_cast<iconv_t>(-1)) {
        m_handle = handle;
    }
}

GbkDecoder::~GbkDecoder() {
    if (m_handle != nullptr) {
        iconv_close(ToIconv(m_handle));
    }
}

void GbkDecoder::AppendDecoded(std::string_view bytes, std::string& out) {
    if (m_handle == nullptr) {
        // Without a converter the ASCII part still reads right.
        for (const char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out += c;
            } else {
                out += kReplacementUtf8;
            }
        }
        return;
    }
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(ToIconv(m_handle), &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1) && error != E2BIG) {
            // An invalid or truncated sequence: replace its first byte only and
            // read what follows it afresh, as Windows does.
            iconv(ToIconv(m_handle), nullptr, nullptr, nullptr, nullptr);
            out += kReplacementUtf8;
            ++in;
            --inLeft;
        }
    }
}

#else

GbkDecoder::GbkDecoder() : m_handle(nullptr) {}

GbkDecoder::~GbkDecoder() = default;

void GbkDecoder::AppendDecoded(std::string_view bytes, std::string& out) {
    out += DecodeGbk(bytes);
}

#endif

} // namespace quarvel
