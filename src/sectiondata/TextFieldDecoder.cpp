#include "sectiondata/TextFieldDecoder.h"

#include <algorithm>
#include <utility>

namespace quarvel {
namespace {

// Beyond half this many distinct texts nothing more is remembered, so that a
// file of unique texts cannot inflate memory or the probe chains.
constexpr std::size_t kMaxShortSlots = std::size_t{1} << 13; // a power of two
constexpr std::size_t kMinShortSlots = 64;

// Room for every text of that many lines at most half full: a batch makes a
// decoder for each small file, and clearing the largest table cost more than
// reading the file.
std::size_t ShortSlotsFor(std::size_t lines) {
    std::size_t slots = kMinShortSlots;
    while (slots < kMaxShortSlots && slots / 4 < lines) {
        slots *= 2;
    }
    return slots;
}

} // namespace

void RemoveBlanks(std::string& text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
}

TextFieldDecoder::TextFieldDecoder(TextEncoding encoding, bool repairUtf8, std::size_t lines)
    : m_encoding(encoding), m_repairUtf8(repairUtf8), m_shortSlots(ShortSlotsFor(lines)),
      m_maxRemembered(m_shortSlots.size() / 2) {}

DecodedText& TextFieldDecoder::Decode(std::string_view raw, std::size_t scratchSlot) {
    if (raw.empty()) {
        return m_empty;
    }
    if (raw.size() <= ShortTextKey::kBytes) {
        const ShortTextKey key = ShortTextKey::Of(raw);
        std::size_t slot = 0;
        if (DecodedText* found = FindShort(key, slot)) {
            return *found;
        }
        if (m_entries.size() < m_maxRemembered) {
            DecodedText& entry = Remember(Clean(raw));
            m_shortSlots[slot] = {key, static_cast<std::uint32_t>(m_entries.size())};
            return entry;
        }
    } else if (const auto found = m_long.find(raw); found != m_long.end()) {
        return m_entries[found->second - 1];
    } else if (m_entries.size() < m_maxRemembered) {
        DecodedText& entry = Remember(Clean(raw));
        m_longKeys.emplace_back(raw);
        m_long.emplace(m_longKeys.back(), static_cast<std::uint32_t>(m_entries.size()));
        return entry;
    }
    DecodedText& scratch = m_scratch[scratchSlot];
    scratch = {Clean(raw)};
    return scratch;
}

// Finds key by linear probing; when absent, slot is the free slot for it.
DecodedText* TextFieldDecoder::FindShort(const ShortTextKey& key, std::size_t& slot) {
    const std::size_t mask = m_shortSlots.size() - 1;
    slot = key.Hash() & mask;
    while (m_shortSlots[slot].entry != 0) {
        if (m_shortSlots[slot].key == key) {
            return &m_entries[m_shortSlots[slot].entry - 1];
        }
        slot = (slot + 1) & mask;
    }
    return nullptr;
}

DecodedText& TextFieldDecoder::Remember(std::string text) {
    m_entries.push_back({std::move(text)});
    return m_entries.back();
}

// Splitting at raw commas is safe for both encodings: neither puts a comma,
// CR or LF inside a character. Blanks go only after decoding, because in GBK a
// stray lead byte before a blank must not join the byte after the blank.
std::string TextFieldDecoder::Clean(std::string_view raw) {
    std::string text = DecodeFileText(raw, m_encoding, m_repairUtf8, m_gbk);
    RemoveBlanks(text);
    return text;
}

std::string DecodeFileText(std::string_view raw, TextEncoding encoding, bool repairUtf8,
                           GbkDecoder& gbk) {
    std::string text;
    if (IsAscii(raw) || (encoding == TextEncoding::Utf8 && !repairUtf8)) {
        text.assign(raw);
    } else if (encoding == TextEncoding::Utf8) {
        text = DecodeUtf16Le(EncodeUtf16Le(raw));
    } else {
        gbk.AppendDecoded(raw, text);
    }
    return text;
}

} // namespace quarvel
