#pragma once

#include "exporting/ExportForm.h"
#include "sectiondata/ShortTextKey.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quarvel {

class TableSource;

// The file's bytes of cell texts: the UTF-8 text quoted where the cell needs
// it, and in code page 936 for such a file, counting the characters that
// have none there. One a thread: it remembers the texts it formed.
class CellForm {
public:
    explicit CellForm(const ExportForm& form);

    char Separator() const { return m_separator; }
    // The characters written as "?" so far.
    std::size_t Unencodable() const { return m_unencodable; }

    // Turns the UTF-8 text of one cell, just appended to buffer from start
    // on, into the file's bytes in place.
    void Finish(std::string& buffer, std::size_t start);

    // The file's bytes of a text the table keeps (TableSource::KeptCellText),
    // valid until the next call: found by where the text lies, so that each
    // distinct text is looked at once. Every text cell comes here: the
    // finding is inline, the forming not.
    std::string_view FormKept(std::string_view text) {
        if (text.empty()) {
            return text; // an empty cell needs neither quotes nor encoding
        }
        const KeptSlot* slot = &m_kept[KeptSlotOf(text)];
        if (slot->data != text.data() || slot->size != text.size()) {
            slot = &Keep(text);
        }
        m_unencodable += slot->formed->lacking;
        return slot->formed->bytes;
    }

    // Whether the cells of a column may need quotes or another encoding: a
    // number's digits, sign and point are none of the separators, and ASCII.
    static bool MayNeedForm(const TableSource& table, std::size_t column);

private:
    struct Formed {
        std::string bytes;
        std::size_t lacking = 0;
    };
    // A text the table keeps, by where it lies.
    struct KeptSlot {
        const char* data = nullptr;
        std::size_t size = 0;
        const Formed* formed = nullptr;
    };
    static constexpr std::size_t kKeptSlots = 256;

    static std::size_t KeptSlotOf(std::string_view text) {
        const auto place = reinterpret_cast<std::uintptr_t>(text.data()) ^ text.size();
        return static_cast<std::size_t>((place * 0x9E3779B97F4A7C15ull) >> 32) % kKeptSlots;
    }
    const KeptSlot& Keep(std::string_view text);
    bool NeedsQuotes(std::string_view cell) const;
    Formed Form(std::string_view utf8) const;
    const Formed& FindFormed(std::string_view utf8);
    static void AppendQuoted(std::string& buffer, std::string_view bytes);

    bool m_gbk;
    char m_separator;
    bool m_quoteOnlySeparator;
    // Notes and layers repeat a lot, and forming one text is far dearer than
    // looking it up; the lookup takes the cell's text where it lies.
    std::deque<std::string> m_keys; // the texts the keys view; a deque never moves them
    std::unordered_map<std::string_view, Formed, ShortTextHash> m_formed;
    std::array<KeptSlot, kKeptSlots> m_kept{};
    std::string m_text;
    std::size_t m_unencodable = 0;
};

} // namespace quarvel
