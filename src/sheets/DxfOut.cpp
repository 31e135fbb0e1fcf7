#include "sheets/DxfOut.h"

#include "files/AtomicFile.h"
#include "sectiondata/TextCodec.h"

#include <charconv>
#include <cstdio>
#include <string_view>

namespace quarvel {
namespace {

// Bytes gathered before they go to the file.
constexpr std::size_t kChunkBytes = 1 << 20;

std::string Hex(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
}

// A character's bytes: its lead byte and the continuation bytes after it.
std::size_t CharacterLength(std::string_view utf8, std::size_t at) {
    std::size_t length = 1;
    while (length < 4 && at + length < utf8.size() &&
           (static_cast<unsigned char>(utf8[at + length]) & 0xC0) == 0x80) {
        ++length;
    }
    return length;
}

// Text in code page 936, as $DWGCODEPAGE says; a character the code page
// lacks ("ß" in a folder's name) as \U+XXXX, its UTF-16 code units, which
// CAD programs read back as that character instead of a "?".
std::string InCodePage936(const std::string& utf8) {
    std::size_t unencodable = 0;
    std::string encoded = EncodeGbk(utf8, unencodable);
    if (unencodable == 0) {
        return encoded;
    }
    encoded.clear();
    for (std::size_t at = 0; at < utf8.size();) {
        const std::string_view character =
            std::string_view(utf8).substr(at, CharacterLength(utf8, at));
        at += character.size();
        unencodable = 0;
        const std::string one = EncodeGbk(character, unencodable);
        if (unencodable == 0) {
            encoded += one;
            continue;
        }
        const std::string units = EncodeUtf16Le(character);
        for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
            const unsigned unit = static_cast<unsigned char>(units[i]) |
                                  static_cast<unsigned>(static_cast<unsigned char>(units[i + 1]))
                                      << 8;
            char text[16];
            std::snprintf(text, sizeof text, "\\U+%04X", unit);
            encoded += text;
        }
    }
    return encoded;
}

} // namespace

DxfOut::DxfOut(AtomicFile& file) : DL_WriterA("", DL_Codes::AC1015), m_file(file) {}

void DxfOut::dxfReal(int code, double value) const {
    Code(code);
    // Micrometres are finer than any survey; fixed decimals never give an
    // exponent, which not every CAD program reads.
    char text[400];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value == 0 ? 0.0 : value,
                                            std::chars_format::fixed, 6);
    std::string_view number(text, error == std::errc() ? static_cast<std::size_t>(end - text) : 0);
    if (number.empty()) {
        number = "0.0";
    }
    while (number.size() > 2 && number.back() == '0' && number[number.size() - 2] != '.') {
        number.remove_suffix(1);
    }
    m_buffer.append(number);
    m_buffer += '\n';
    FlushSometimes();
}

void DxfOut::dxfInt(int code, int value) const {
    Code(code);
    m_buffer += std::to_string(value);
    m_buffer += '\n';
}

void DxfOut::dxfHex(int code, int value) const {
    dxfString(code, Hex(value));
    if (!m_trackOwners) {
        return;
    }
    if (code == 5) {
        m_object = value;
        const auto owner = m_owners.find(value);
        dxfString(330, Hex(owner == m_owners.end() ? 0 : owner->second));
    } else if (code == 350 && m_objectType.find("DICTIONARY") != std::string::npos) {
        m_owners[value] = m_object;
    }
}

void DxfOut::dxfString(int code, const char* value) const {
    dxfString(code, std::string(value == nullptr ? "" : value));
}

void DxfOut::dxfString(int code, const std::string& value) const {
    if (code == 0) {
        m_objectType = value;
    }
    Code(code);
    m_buffer += InCodePage936(value);
    m_buffer += '\n';
    FlushSometimes();
}

bool DxfOut::Finish() const {
    Flush();
    return !m_failed;
}

void DxfOut::Code(int code) const {
    // Group codes right-aligned in three columns, as dxflib writes them.
    if (code < 10) {
        m_buffer += "  ";
    } else if (code < 100) {
        m_buffer += ' ';
    }
    m_buffer += std::to_string(code);
    m_buffer += '\n';
}

void DxfOut::FlushSometimes() const {
    if (m_buffer.size() >= kChunkBytes) {
        Flush();
    }
}

void DxfOut::Flush() const {
    if (!m_failed && !m_file.Write(m_buffer)) {
        m_failed = true;
    }
    m_buffer.clear();
}

} // namespace quarvel
