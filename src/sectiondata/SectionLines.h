#pragma once

#include "sectiondata/SectionReadResult.h"
#include "sectiondata/TextCodec.h"

#include <algorithm>
#include <string_view>

namespace quarvel {

// What the reader's parts share about the lines of a section file.

// Drops a UTF-8 byte-order mark from the start of text; true when there was one.
inline bool DropBom(std::string_view& text) {
    if (text.substr(0, kUtf8Bom.size()) != kUtf8Bom) {
        return false;
    }
    text.remove_prefix(kUtf8Bom.size());
    return true;
}

inline bool IsBlankLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

bool ParseSignature(std::string_view line, SectionFileVersion& version);

struct EncodingChoice {
    TextEncoding encoding = TextEncoding::Gbk;
    bool repairUtf8 = false; // a UTF-8 file with a byte-order mark but malformed bytes
};

// What the whole file says about its encoding, gathered line by line: a UTF-8
// byte-order mark, or well-formed UTF-8 with an ideograph; anything else is
// GBK, so that a GBK note such as D7 A2 D7 A2 is not misread. Surveys of
// consecutive parts of a file join into the survey of the whole.
class EncodingSurvey {
public:
    // Drops a byte-order mark from the first line.
    void FirstLine(std::string_view& line) {
        m_bom = DropBom(line);
        Line(line);
    }

    void Line(std::string_view line);

    // The survey of this part followed by next.
    void Join(const EncodingSurvey& next) {
        if (!m_wellFormed) {
            return; // as read line by line: nothing after malformed UTF-8 counts
        }
        m_nonAscii = m_nonAscii || next.m_nonAscii;
        m_wellFormed = next.m_wellFormed;
        m_ideograph = m_ideograph || next.m_ideograph;
    }

    EncodingChoice Choice() const {
        if (m_bom) {
            return {TextEncoding::Utf8, !m_wellFormed};
        }
        if (m_nonAscii && m_wellFormed && m_ideograph) {
            return {TextEncoding::Utf8, false};
        }
        return {TextEncoding::Gbk, false};
    }

private:
    bool m_bom = false;
    bool m_nonAscii = false;
    bool m_wellFormed = true;
    bool m_ideograph = false;
};

} // namespace quarvel
