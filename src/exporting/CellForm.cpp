#include "exporting/CellForm.h"

#include "sectiondata/TextCodec.h"
#include "table/TableRules.h"

#include <algorithm>
#include <cstring>

namespace quarvel {
namespace {

constexpr std::size_t kMaxFormedTexts = 1u << 12;

// The row count and commas, in either encoding: the form the section tools
// read, which keeps the bytes of the first versions.
bool IsSectionToolsForm(const ExportForm& form) {
    return form.firstLine == FirstLine::Count && form.separator == Separator::Comma;
}

} // namespace

CellForm::CellForm(const ExportForm& form)
    : m_gbk(form.encoding == ExportEncoding::Gbk), m_separator(SeparatorChar(form.separator)),
      m_quoteOnlySeparator(IsSectionToolsForm(form)) {}

void CellForm::Finish(std::string& buffer, std::size_t start) {
    const std::string_view cell = std::string_view(buffer).substr(start);
    if (m_gbk && !IsAscii(cell)) {
        const Formed& formed = FindFormed(cell);
        m_unencodable += formed.lacking;
        buffer.resize(start);
        buffer += formed.bytes;
    } else if (NeedsQuotes(cell)) {
        m_text.assign(cell);
        buffer.resize(start);
        AppendQuoted(buffer, m_text);
    }
}

const CellForm::KeptSlot& CellForm::Keep(std::string_view text) {
    KeptSlot& slot = m_kept[KeptSlotOf(text)];
    const Formed& formed = FindFormed(text); // may empty every slot
    slot = {text.data(), text.size(), &formed};
    return slot;
}

bool CellForm::MayNeedForm(const TableSource& table, std::size_t column) {
    return !table.IsNumberColumn(column);
}

// As RFC 4180 has it, so that spreadsheets and CSV readers keep the cell
// whole: a quote or a line break would otherwise end it or its row. Cells
// read from a section file hold no comma, so the section tools' form writes
// them as they are.
bool CellForm::NeedsQuotes(std::string_view cell) const {
    if (m_quoteOnlySeparator) {
        return std::memchr(cell.data(), m_separator, cell.size()) != nullptr;
    }
    return std::any_of(cell.begin(), cell.end(), [this](char c) {
        return c == m_separator || c == '"' || c == '\r' || c == '\n';
    });
}

// No code page 936 character has a quote, separator or line break among its
// bytes, so the UTF-8 text tells whether its bytes need quotes.
CellForm::Formed CellForm::Form(std::string_view utf8) const {
    Formed formed;
    std::string encoded =
        m_gbk && !IsAscii(utf8) ? EncodeGbk(std::string(utf8), formed.lacking) : std::string(utf8);
    if (NeedsQuotes(utf8)) {
        AppendQuoted(formed.bytes, encoded);
    } else {
        formed.bytes = std::move(encoded);
    }
    return formed;
}

const CellForm::Formed& CellForm::FindFormed(std::string_view utf8) {
    auto found = m_formed.find(utf8);
    if (found == m_formed.end()) {
        if (m_formed.size() >= kMaxFormedTexts) {
            m_formed.clear();
            m_keys.clear();
            m_kept.fill(KeptSlot{}); // they point into the entries just dropped
        }
        m_keys.emplace_back(utf8);
        found = m_formed.emplace(m_keys.back(), Form(m_keys.back())).first;
    }
    return found->second;
}

// In quotes, a quote inside doubled.
void CellForm::AppendQuoted(std::string& buffer, std::string_view bytes) {
    buffer += '"';
    for (const char c : bytes) {
        if (c == '"') {
            buffer += '"';
        }
        buffer += c;
    }
    buffer += '"';
}

} // namespace quarvel
