#include "sectiondata/Cp936PrivateUse.h"

#ifndef _WIN32

#include "sectiondata/IconvConverter.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {
namespace {

constexpr char32_t kFirstCharacter = 0xE000;
constexpr std::size_t kCharacterCount = 0xE864 - 0xE000 + 1;

constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLastLead = 0xFE;
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kLastTrail = 0xFE;
constexpr std::size_t kTrailSpan = kLastTrail - kFirstTrail + 1;
constexpr std::size_t kCellCount = (kLastLead - kFirstLead + 1) * kTrailSpan;

struct Area {
    unsigned firstLead;
    unsigned lastLead;
    unsigned firstTrail;
    unsigned lastTrail;
};

// The user-defined areas in the order Windows numbers them. The sequences that
// code page 936 leaves unassigned elsewhere follow them, in code order.
constexpr std::array<Area, 3> kUserDefinedAreas = {{
    {0xAA, 0xAF, 0xA1, 0xFE},
    {0xF8, 0xFE, 0xA1, 0xFE},
    {0xA1, 0xA7, 0x40, 0xA0},
}};

std::size_t CellOf(unsigned lead, unsigned trail) {
    return (lead - kFirstLead) * kTrailSpan + (trail - kFirstTrail);
}

template <typename Visit>
void ForEachSequence(const Area& area, Visit visit) {
    for (unsigned lead = area.firstLead; lead <= area.lastLead; ++lead) {
        for (unsigned trail = area.firstTrail; trail <= area.lastTrail; ++trail) {
            if (IsCp936TrailByte(static_cast<unsigned char>(trail))) {
                visit(lead, trail);
            }
        }
    }
}

class PrivateUseTable {
public:
    PrivateUseTable() : m_numbers(kCellCount, 0) {
        for (const Area& area : kUserDefinedAreas) {
            ForEachSequence(area, [this](unsigned lead, unsigned trail) { Add(lead, trail); });
        }
        // With any other count the converter does not follow code page 936, and
        // numbering its gaps would give wrong characters: they stay undecodable.
        const std::vector<std::uint16_t> unassigned = UnassignedSequences();
        if (m_sequences.size() + unassigned.size() == kCharacterCount) {
            for (const std::uint16_t sequence : unassigned) {
                Add(sequence >> 8, sequence & 0xFF);
            }
        }
    }

    char32_t Character(unsigned lead, unsigned trail) const {
        const std::uint16_t number = m_numbers[CellOf(lead, trail)];
        return number == 0 ? 0 : kFirstCharacter + number - 1;
    }

    std::uint16_t Sequence(char32_t character) const {
        if (character < kFirstCharacter || character - kFirstCharacter >= m_sequences.size()) {
            return 0;
        }
        return m_sequences[character - kFirstCharacter];
    }

private:
    void Add(unsigned lead, unsigned trail) {
        m_sequences.push_back(static_cast<std::uint16_t>(lead << 8 | trail));
        m_numbers[CellOf(lead, trail)] = static_cast<std::uint16_t>(m_sequences.size());
    }

    // Taken from the converter rather than listed, so that no table typed by
    // hand can disagree with it: the sequences it rejects outside the
    // user-defined areas.
    std::vector<std::uint16_t> UnassignedSequences() const {
        IconvConverter converter("UTF-8", "GBK");
        std::vector<std::uint16_t> sequences;
        if (!converter.IsOpen()) {
            return sequences;
        }
        const Area all{kFirstLead, kLastLead, kFirstTrail, kLastTrail};
        std::string scratch;
        ForEachSequence(all, [&](unsigned lead, unsigned trail) {
            if (m_numbers[CellOf(lead, trail)] != 0) {
                return;
            }
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            scratch.clear();
            if (converter.Convert(std::string_view(pair, 2), scratch) < 2) {
                sequences.push_back(static_cast<std::uint16_t>(lead << 8 | trail));
            }
        });
        return sequences;
    }

    std::vector<std::uint16_t> m_sequences; // element k is the sequence of U+E000 + k
    std::vector<std::uint16_t> m_numbers;   // by CellOf: k + 1, or 0 for none
};

// Built on first use, when a file holds one of these sequences.
const PrivateUseTable& Table() {
    static const PrivateUseTable table;
    return table;
}

} // namespace

char32_t Cp936PrivateUseCharacter(unsigned char lead, unsigned char trail) {
    if (!IsCp936LeadByte(lead) || !IsCp936TrailByte(trail)) {
        return 0;
    }
    return Table().Character(lead, trail);
}

std::uint16_t Cp936PrivateUseSequence(char32_t character) {
    if (character < kFirstCharacter || character >= kFirstCharacter + kCharacterCount) {
        return 0;
    }
    return Table().Sequence(character);
}

} // namespace quarvel

#endif
