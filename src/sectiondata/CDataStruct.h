#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quarvel {

// Values of CDataStruct::pointKind.
enum PointKind : std::uint32_t {
    kIntersectionPoint = 0,
    kHiddenPoint = 1, // hidden by the layer filter
    kKneePoint = 2,
    kEndPoint = 3,
    kAddedPoint = 4,
};

// One point of a section, as read from its line of a section file plus the two
// directions worked out after loading. A large file holds a million of these,
// so a record keeps no text of its own: its note lies in its point list's
// text buffer and its layer, which repeats, is an index into the list's layer
// names. Read both through the list (PointList::Note, PointList::Layer). The
// members are grouped by size, so that no padding lies between them.
struct CDataStruct {
    std::int32_t number = 0;
    std::uint32_t flag = 0;
    std::uint32_t code = 0;
    std::uint32_t pointKind = 0;
    std::uint32_t extra = 0;

    // Which of its list's layer names the point lies on; 0 is no layer.
    std::uint32_t LayerIndex() const { return m_layerIndex; }
    std::uint32_t NoteOffset() const { return m_noteOffset; }
    std::uint32_t NoteLength() const { return m_noteLength; }
    // For whoever builds a list: the texts as the list stores them.
    void SetTextRefs(std::uint32_t noteOffset, std::uint32_t noteLength, std::uint32_t layerIndex) {
        m_noteOffset = noteOffset;
        m_noteLength = noteLength;
        m_layerIndex = layerIndex;
    }

private:
    std::uint32_t m_noteOffset = 0;
    std::uint32_t m_noteLength = 0;
    std::uint32_t m_layerIndex = 0;

public:
    double x = 0;
    double y = 0;
    double z = 0;
    double station = 0;
    double azimuth = 0;
    double backAzimuth = 0;
};

// The point list, in file order: the records, the text buffer that holds
// their notes and the distinct layer names they use. Texts are UTF-8.
class PointList {
public:
    using iterator = std::vector<CDataStruct>::iterator;
    using const_iterator = std::vector<CDataStruct>::const_iterator;

    PointList();
    // count default records: every number 0, both texts empty.
    explicit PointList(std::size_t count);
    // Records with the numbers of points and empty texts.
    PointList(std::initializer_list<CDataStruct> points);

    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    std::size_t capacity() const { return m_records.capacity(); }
    void reserve(std::size_t count) { m_records.reserve(count); }
    // Default records are added, or the last ones dropped.
    void resize(std::size_t count) { m_records.resize(count); }
    // Empties the list, its texts included.
    void clear();

    CDataStruct& operator[](std::size_t index) { return m_records[index]; }
    const CDataStruct& operator[](std::size_t index) const { return m_records[index]; }
    const CDataStruct& at(std::size_t index) const { return m_records.at(index); }
    CDataStruct& front() { return m_records.front(); }
    const CDataStruct& front() const { return m_records.front(); }
    CDataStruct& back() { return m_records.back(); }
    const CDataStruct& back() const { return m_records.back(); }
    iterator begin() { return m_records.begin(); }
    iterator end() { return m_records.end(); }
    const_iterator begin() const { return m_records.begin(); }
    const_iterator end() const { return m_records.end(); }
    CDataStruct* data() { return m_records.data(); }

    // Appends a record with the numbers of point and these texts.
    CDataStruct& Append(const CDataStruct& point, std::string_view note = {},
                        std::string_view layer = {});
    // The same with both texts empty: a record of another list does not
    // bring its texts along.
    void push_back(const CDataStruct& point) { Append(point); }

    std::string_view Note(std::size_t index) const {
        const CDataStruct& point = m_records[index];
        return std::string_view(m_notes).substr(point.NoteOffset(), point.NoteLength());
    }
    const std::string& Layer(std::size_t index) const {
        return m_layerNames[m_records[index].LayerIndex()];
    }
    void SetNote(std::size_t index, std::string_view note);
    void SetLayer(std::size_t index, std::string_view layer);

    // Every layer a record may name, in the order they were met; the first is
    // the empty one. Not sorted and not the layer filter's list.
    const std::vector<std::string>& LayerNames() const { return m_layerNames; }

    // For whoever builds a list: puts a note into the text buffer and returns
    // its offset, and finds or adds a layer name. Both throw std::length_error
    // beyond 4 GB of notes or 2^32 layers.
    std::uint32_t StoreNote(std::string_view note);
    std::uint32_t LayerIndexOf(std::string_view layer);

    // Takes over the texts of another list, whose records are count records
    // of this one from first on: their notes and layer indexes, which refer
    // to texts, are made to refer to this list's.
    void AdoptTexts(std::size_t first, std::size_t count, PointList&& texts);

private:
    std::vector<CDataStruct> m_records;
    std::string m_notes;
    std::vector<std::string> m_layerNames;
    std::unordered_map<std::string, std::uint32_t> m_layerLookup;
};

// The layer list of the layer filter: sorted, unique.
using LayerList = std::vector<std::string>;

} // namespace quarvel
