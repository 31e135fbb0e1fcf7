#include "sectiondata/SectionLines.h"

namespace quarvel {
namespace {

// Only meaningful for well-formed UTF-8, where E4..E9 can only be lead bytes:
// U+4E00..U+9FFF are E4 B8 80 to E9 BF BF.
bool HasCjkIdeograph(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0xE5 && byte <= 0xE9) {
            return true;
        }
        if (byte == 0xE4 && i + 1 < utf8.size() &&
            static_cast<unsigned char>(utf8[i + 1]) >= 0xB8) {
            return true;
        }
    }
    return false;
}

} // namespace

bool ParseSignature(std::string_view line, SectionFileVersion& version) {
    if (line == "HWT3.0") {
        version = SectionFileVersion::V3_0;
    } else if (line == "HWT3.6") {
        version = SectionFileVersion::V3_6;
    } else if (line == "HWT3.8") {
        version = SectionFileVersion::V3_8;
    } else {
        return false;
    }
    return true;
}

void EncodingSurvey::Line(std::string_view line) {
    if (!m_wellFormed || IsAscii(line)) {
        return;
    }
    m_nonAscii = true;
    m_wellFormed = IsValidUtf8(line);
    m_ideograph = m_ideograph || (m_wellFormed && HasCjkIdeograph(line));
}

} // namespace quarvel
