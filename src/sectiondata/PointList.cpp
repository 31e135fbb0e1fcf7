#include "sectiondata/CDataStruct.h"

#include <limits>
#include <stdexcept>
#include <utility>

namespace quarvel {
namespace {

constexpr std::size_t kMaxRef = std::numeric_limits<std::uint32_t>::max();

} // namespace

PointList::PointList() : m_layerNames(1) {}

PointList::PointList(std::size_t count) : m_records(count), m_layerNames(1) {}

PointList::PointList(std::initializer_list<CDataStruct> points) : m_layerNames(1) {
    m_records.reserve(points.size());
    for (const CDataStruct& point : points) {
        Append(point);
    }
}

void PointList::clear() {
    *this = PointList();
}

CDataStruct& PointList::Append(const CDataStruct& point, std::string_view note,
                               std::string_view layer) {
    const std::uint32_t noteOffset = StoreNote(note);
    const std::uint32_t layerIndex = LayerIndexOf(layer);
    CDataStruct& record = m_records.emplace_back(point);
    record.SetTextRefs(noteOffset, static_cast<std::uint32_t>(note.size()), layerIndex);
    return record;
}

void PointList::SetNote(std::size_t index, std::string_view note) {
    CDataStruct& record = m_records[index];
    record.SetTextRefs(StoreNote(note), static_cast<std::uint32_t>(note.size()),
                       record.LayerIndex());
}

void PointList::SetLayer(std::size_t index, std::string_view layer) {
    CDataStruct& record = m_records[index];
    record.SetTextRefs(record.NoteOffset(), record.NoteLength(), LayerIndexOf(layer));
}

std::uint32_t PointList::StoreNote(std::string_view note) {
    if (note.empty()) {
        return 0;
    }
    if (m_notes.size() + note.size() > kMaxRef) {
        throw std::length_error("notes beyond 4 GB");
    }
    const auto offset = static_cast<std::uint32_t>(m_notes.size());
    m_notes += note;
    return offset;
}

std::uint32_t PointList::LayerIndexOf(std::string_view layer) {
    if (layer.empty()) {
        return 0;
    }
    std::string name(layer);
    const auto found = m_layerLookup.find(name);
    if (found != m_layerLookup.end()) {
        return found->second;
    }
    if (m_layerNames.size() >= kMaxRef) {
        throw std::length_error("too many layers");
    }
    const auto index = static_cast<std::uint32_t>(m_layerNames.size());
    m_layerNames.push_back(name);
    m_layerLookup.emplace(std::move(name), index);
    return index;
}

void PointList::AdoptTexts(std::size_t first, std::size_t count, PointList&& texts) {
    if (m_notes.empty() && m_layerNames.size() == 1) {
        // Nothing of its own yet: the records refer to the texts as they are.
        m_notes = std::move(texts.m_notes);
        m_layerNames = std::move(texts.m_layerNames);
        m_layerLookup = std::move(texts.m_layerLookup);
        texts = PointList();
        return;
    }
    if (m_notes.size() + texts.m_notes.size() > kMaxRef) {
        throw std::length_error("notes beyond 4 GB");
    }
    const auto noteBase = static_cast<std::uint32_t>(m_notes.size());
    m_notes += texts.m_notes;
    std::vector<std::uint32_t> layerMap(texts.m_layerNames.size(), 0);
    for (std::size_t i = 1; i < layerMap.size(); ++i) {
        layerMap[i] = LayerIndexOf(texts.m_layerNames[i]);
    }
    for (std::size_t i = first; i < first + count; ++i) {
        CDataStruct& record = m_records[i];
        const std::uint32_t offset = record.NoteLength() == 0 ? 0 : record.NoteOffset() + noteBase;
        record.SetTextRefs(offset, record.NoteLength(), layerMap[record.LayerIndex()]);
    }
    texts = PointList();
}

} // namespace quarvel
