#include "sectiondata/PointLineParser.h"

#include "sectiondata/FieldParser.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif

namespace quarvel {
namespace {

constexpr std::size_t kNoteField = 6;
constexpr std::size_t kLayerField = 9;

constexpr std::array<const char*, PointLineParser::kMaxFields> kFieldNames = {
    "编号", "坐标X", "坐标Y",  "高程Z", "与起点距离", "标志",
    "注释", "编码",  "点类型", "图层",  "附加值"};

#if defined(_MSC_VER) && !defined(__clang__)
std::size_t LowestSetBit(std::uint64_t mask) {
    unsigned long index = 0;
    _BitScanForward64(&index, mask);
    return index;
}
#else
std::size_t LowestSetBit(std::uint64_t mask) {
    return static_cast<std::size_t>(__builtin_ctzll(mask));
}
#endif

// One bit per byte of the 64 bytes at block, set where the byte is a comma.
std::uint64_t CommaBits(const char* block) {
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i comma = _mm_set1_epi8(',');
    std::uint64_t bits = 0;
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
        const auto found =
            static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, comma)));
        bits |= static_cast<std::uint64_t>(found) << (16 * part);
    }
    return bits;
#else
    std::uint64_t bits = 0;
    for (int i = 0; i < 64; ++i) {
        bits |= static_cast<std::uint64_t>(block[i] == ',') << i;
    }
    return bits;
#endif
}

// Writes the positions of the first max commas of line; returns how many.
// Comma positions are unpredictable, so a branch per byte would mispredict at
// every field: whole blocks are tested at once and only the commas visited.
std::size_t FindCommas(std::string_view line, std::size_t* commas, std::size_t max) {
    constexpr std::size_t kBlock = 64;
    std::size_t found = 0;
    for (std::size_t base = 0; base < line.size() && found < max; base += kBlock) {
        std::uint64_t bits = 0;
        if (line.size() - base >= kBlock) {
            bits = CommaBits(line.data() + base);
        } else {
            char padded[kBlock] = {};
            std::memcpy(padded, line.data() + base, line.size() - base);
            bits = CommaBits(padded);
        }
        for (; bits != 0 && found < max; bits &= bits - 1) {
            commas[found++] = base + LowestSetBit(bits);
        }
    }
    return found;
}

} // namespace

const char* PointFieldName(std::size_t field) {
    return field < kFieldNames.size() ? kFieldNames[field] : "";
}

PointLineParser::PointLineParser(SectionFileVersion version, TextFieldDecoder& decoder)
    : m_fieldCount(version == SectionFileVersion::V3_8 ? 11 : 10), m_decoder(decoder) {}

bool PointLineParser::Parse(std::string_view line, CDataStruct& record, LineIssue& issue) {
    Split(line);
    m_complete = true;
    TakeNumber(0, issue, [&](std::string_view f) { return ParseInt32Field(f, record.number); });
    TakeNumber(1, issue, [&](std::string_view f) { return ParseRealField(f, record.x); });
    TakeNumber(2, issue, [&](std::string_view f) { return ParseRealField(f, record.y); });
    TakeNumber(3, issue, [&](std::string_view f) { return ParseRealField(f, record.z); });
    TakeNumber(4, issue, [&](std::string_view f) { return ParseRealField(f, record.station); });
    TakeNumber(5, issue, [&](std::string_view f) { return ParseUint32Field(f, record.flag); });
    m_note = TakeText(kNoteField, 0, issue);
    TakeNumber(7, issue, [&](std::string_view f) { return ParseUint32Field(f, record.code); });
    TakeNumber(8, issue, [&](std::string_view f) { return ParseUint32Field(f, record.pointKind); });
    m_layer = TakeText(kLayerField, 1, issue);
    if (m_fieldCount > 10) {
        TakeNumber(10, issue,
                   [&](std::string_view f) { return ParseUint32Field(f, record.extra); });
    }
    return m_complete;
}

void PointLineParser::Split(std::string_view line) {
    std::array<std::size_t, kMaxFields> commas{};
    const std::size_t found = FindCommas(line, commas.data(), m_fieldCount);
    std::size_t begin = 0;
    for (m_present = 0; m_present < found; ++m_present) {
        m_fields[m_present] = line.substr(begin, commas[m_present] - begin);
        begin = commas[m_present] + 1;
    }
    if (m_present < m_fieldCount) {
        m_fields[m_present++] = line.substr(begin);
    }
}

void PointLineParser::NoteProblem(std::size_t field, bool missing, LineIssue& issue) {
    if (m_complete) {
        issue = {field, missing};
        m_complete = false;
    }
}

template <typename ParseField>
void PointLineParser::TakeNumber(std::size_t field, LineIssue& issue, ParseField parse) {
    if (field >= m_present) {
        NoteProblem(field, true, issue);
    } else if (!parse(m_fields[field])) {
        // "1,2,3," ends in an empty field: the value is missing, not malformed.
        NoteProblem(field, TrimBlanks(m_fields[field]).empty(), issue);
    }
}

DecodedText* PointLineParser::TakeText(std::size_t field, std::size_t scratchSlot,
                                       LineIssue& issue) {
    if (field >= m_present) {
        NoteProblem(field, true, issue);
        return nullptr;
    }
    return &m_decoder.Decode(m_fields[field], scratchSlot);
}

} // namespace quarvel
