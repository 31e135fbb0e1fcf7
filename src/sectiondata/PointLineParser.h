#pragma once

#include "sectiondata/CDataStruct.h"
#include "sectiondata/SectionReader.h"
#include "sectiondata/TextFieldDecoder.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace quarvel {

// The first field of a point line that fell short.
struct LineIssue {
    std::size_t field = 0; // 0-based
    bool missing = false;  // the field is absent or blank; else it is not a number
};

// The name of a point line's field (0-based, in line order) for the user.
const char* PointFieldName(std::size_t field);

// Reads one point line into a record, each field on its own: field i lies
// between comma i-1 and comma i, and the last may lack its comma.
class PointLineParser {
public:
    static constexpr std::size_t kMaxFields = 11;

    PointLineParser(SectionFileVersion version, TextFieldDecoder& decoder);

    // Fills the numbers of record from its own line only; returns false, with
    // the first problem in issue, when a field is missing or not a number.
    bool Parse(std::string_view line, CDataStruct& record, LineIssue& issue);

    // The decoded note and layer of the line parsed last, or null when it had
    // none; valid until the next line is parsed.
    DecodedText* Note() const { return m_note; }
    DecodedText* Layer() const { return m_layer; }

private:
    void Split(std::string_view line);
    void NoteProblem(std::size_t field, bool missing, LineIssue& issue);
    template <typename ParseField>
    void TakeNumber(std::size_t field, LineIssue& issue, ParseField parse);
    DecodedText* TakeText(std::size_t field, std::size_t scratchSlot, LineIssue& issue);

    std::size_t m_fieldCount;
    TextFieldDecoder& m_decoder;
    std::array<std::string_view, kMaxFields> m_fields{};
    std::size_t m_present = 0;
    bool m_complete = true;
    DecodedText* m_note = nullptr;
    DecodedText* m_layer = nullptr;
};

} // namespace quarvel
