#include "sectiondata/GbkDecoder.h"

#include "sectiondata/TextCodec.h"

namespace quarvel {

#ifndef _WIN32

void GbkDecoder::AppendDecoded(std::string_view bytes, std::string& out) {
    constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";
    if (!m_converter.IsOpen()) {
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
    while (!bytes.empty()) {
        bytes.remove_prefix(m_converter.Convert(bytes, out));
        if (!bytes.empty()) {
            // An invalid or truncated sequence: replace its first byte only and
            // read what follows it afresh, as Windows does.
            out += kReplacementUtf8;
            bytes.remove_prefix(1);
        }
    }
}

#else

void GbkDecoder::AppendDecoded(std::string_view bytes, std::string& out) {
    out += DecodeGbk(bytes);
}

#endif

} // namespace quarvel
