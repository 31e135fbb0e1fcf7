#pragma once

#include "sectiondata/GbkDecoder.h"
#include "sectiondata/ShortTextKey.h"
#include "sectiondata/TextCodec.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quarvel {

// Text of a section file decoded to UTF-8 as the file's notes are, blanks
// kept; gbk converts when the file is code page 936.
std::string DecodeFileText(std::string_view raw, TextEncoding encoding, bool repairUtf8,
                           GbkDecoder& gbk);

// A cleaned note or layer, shared by every field with the same raw bytes.
struct DecodedText {
    static constexpr std::uint32_t kNotStored = 0xFFFFFFFF;

    std::string text;
    bool inLayerList = false; // set by the reader once it has listed this layer
    // Where the reader's point list keeps this text as a note and as a layer,
    // so that a text that repeats is stored and looked up once.
    std::uint32_t noteOffset = kNotStored;
    std::uint32_t layerIndex = kNotStored;
};

// Removes every U+0020 from a decoded note or layer, as the reader cleans them;
// a layer name typed by the user must be cleaned alike to match.
void RemoveBlanks(std::string& text);

// Turns the raw bytes of note and layer fields into cleaned UTF-8: decoded from
// the file's encoding, every U+0020 removed. Sections repeat a small set of
// notes and layers, so each distinct text is decoded once and remembered.
class TextFieldDecoder {
public:
    // repairUtf8: a UTF-8 file whose bytes are not all well-formed.
    // lines: at most how many lines the decoder will see, each with a note
    // and a layer; a small file's decoder sets up no more than it needs.
    TextFieldDecoder(TextEncoding encoding, bool repairUtf8,
                     std::size_t lines = static_cast<std::size_t>(-1));

    // The reference stays valid while the decoder lives, except for texts
    // beyond the remembered ones, which are valid until the next call with
    // the same scratch slot (0 or 1): a line's note and layer use one each.
    DecodedText& Decode(std::string_view raw, std::size_t scratchSlot = 0);

    // Another text of the file, decoded alike but neither cleaned nor remembered.
    std::string DecodeKeepingBlanks(std::string_view raw) {
        return DecodeFileText(raw, m_encoding, m_repairUtf8, m_gbk);
    }

private:
    struct Slot {
        ShortTextKey key;
        std::uint32_t entry = 0; // 1-based index into m_entries, 0 when free
    };

    DecodedText* FindShort(const ShortTextKey& key, std::size_t& slot);
    DecodedText& Remember(std::string text);
    std::string Clean(std::string_view raw);

    TextEncoding m_encoding;
    bool m_repairUtf8;
    GbkDecoder m_gbk;
    std::deque<DecodedText> m_entries;
    std::vector<Slot> m_shortSlots;
    // At most half the slots are taken, so that a probe always ends.
    std::size_t m_maxRemembered;
    // Longer texts: the keys view copies of the raw bytes kept in m_longKeys.
    std::deque<std::string> m_longKeys;
    std::unordered_map<std::string_view, std::uint32_t> m_long;
    DecodedText m_scratch[2];
    DecodedText m_empty;
};

} // namespace quarvel
