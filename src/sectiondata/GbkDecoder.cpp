#include "sectiondata/GbkDecoder.h"

#include "sectiondata/Cp936PrivateUse.h"
#include "sectiondata/TextCodec.h"

namespace quarvel {

#ifndef _WIN32

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// Decodes what the converter stopped at and returns the bytes it took. Two
// bytes that form a sequence stay together even when they decode to nothing,
// so that the second is never read as the start of another character.
std::size_t AppendUnconverted(std::string_view bytes, std::string& out) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (bytes.size() < 2 || !IsCp936LeadByte(lead) ||
        !IsCp936TrailByte(static_cast<unsigned char>(bytes[1]))) {
        out += kReplacementUtf8;
        return 1;
    }
    const char32_t character = Cp936PrivateUseCharacter(lead, static_cast<unsigned char>(bytes[1]));
    if (character == 0) {
        out += kReplacementUtf8;
    } else {
        // Private-use characters all take three bytes in UTF-8.
        out += static_cast<char>(0xE0 | (character >> 12));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
    return 2;
}

} // namespace

void GbkDecoder::AppendDecoded(std::string_view bytes, std::string& out) {
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
            bytes.remove_prefix(AppendUnconverted(bytes, out));
        }
    }
}

#else

void GbkDecoder::AppendDecoded(std::string_view bytes, std::string& out) {
    out += DecodeGbk(bytes);
}

#endif

} // namespace quarvel
