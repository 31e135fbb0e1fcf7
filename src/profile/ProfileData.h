#pragma once

#include "sectiondata/CDataStruct.h"
#include "table/TableRules.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

// How a row's point is marked in the drawing.
enum class MarkKind : std::uint8_t { Intersection, Knee, End, Added, Other };

// The rows of a table as the profile draws them: x the row's distance from
// start, y its elevation, in table order. Compact arrays, so that a repaint
// of a million rows walks 16 MB instead of the point records.
class ProfileData {
public:
    static constexpr std::uint16_t kNoLayer = 0xFFFF;

    ProfileData() = default;
    // layers: the file's sorted layer list; a layer's colour follows its place
    // there, so it does not change when the filter hides others.
    ProfileData(const SectionTable& table, const LayerList& layers);

    std::size_t Size() const { return m_xs.size(); }
    bool Empty() const { return m_xs.empty(); }
    const double* Xs() const { return m_xs.data(); }
    const double* Ys() const { return m_ys.data(); }
    double X(std::size_t row) const { return m_xs[row]; }
    double Y(std::size_t row) const { return m_ys[row]; }
    MarkKind Kind(std::size_t row) const { return m_kinds[row]; }
    // Index into Layers() of an intersection point's layer, else kNoLayer.
    std::uint16_t Layer(std::size_t row) const { return m_layerOfRow[row]; }

    const LayerList& Layers() const { return m_layers; }
    // The layers of the intersection points among the rows, in list order.
    const std::vector<std::uint16_t>& ShownLayers() const { return m_shownLayers; }
    // Which of the kinds the rows hold, by MarkKind value.
    bool HasKind(MarkKind kind) const { return m_hasKind[static_cast<std::size_t>(kind)]; }
    // Whether an intersection point's layer is missing from the layer list.
    bool HasUnlayered() const { return m_hasUnlayered; }

    // x never decreases from row to row, so visible rows can be found by
    // bisection.
    bool Ascending() const { return m_ascending; }
    // Values beyond this are not drawn: a plot around them could reach past
    // the doubles' range.
    static constexpr double kLargestDrawable = 1e300;
    bool Drawable(std::size_t row) const {
        return std::abs(m_xs[row]) <= kLargestDrawable && std::abs(m_ys[row]) <= kLargestDrawable;
    }

    // The extents of the drawable rows; 0 when there are none.
    double MinX() const { return m_minX; }
    double MaxX() const { return m_maxX; }
    double MinY() const { return m_minY; }
    double MaxY() const { return m_maxY; }
    // Rows that cannot be drawn: a reversed table's distance from start can
    // exceed even the doubles' range.
    std::size_t UndrawableRows() const { return m_undrawableRows; }

    // The rows whose x lies in [x0, x1], widened by one row on each side so
    // that the line leaves the plot towards its neighbours. Only meaningful
    // when Ascending(); otherwise every row.
    std::pair<std::size_t, std::size_t> RowsBetween(double x0, double x1) const;

private:
    void FindExtents();

    std::vector<double> m_xs;
    std::vector<double> m_ys;
    std::vector<MarkKind> m_kinds;
    std::vector<std::uint16_t> m_layerOfRow;
    LayerList m_layers;
    std::vector<std::uint16_t> m_shownLayers;
    bool m_hasKind[5] = {};
    bool m_hasUnlayered = false;
    bool m_ascending = true;
    double m_minX = 0;
    double m_maxX = 0;
    double m_minY = 0;
    double m_maxY = 0;
    std::size_t m_undrawableRows = 0;
};

} // namespace quarvel
