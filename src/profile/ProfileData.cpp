#include "profile/ProfileData.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quarvel {
namespace {

MarkKind KindOf(const CDataStruct& point) {
    switch (point.pointKind) {
    case kIntersectionPoint:
        return MarkKind::Intersection;
    case kKneePoint:
        return MarkKind::Knee;
    case kEndPoint:
        return MarkKind::End;
    case kAddedPoint:
        return MarkKind::Added;
    default:
        return MarkKind::Other;
    }
}

} // namespace

ProfileData::ProfileData(const SectionTable& table, const LayerList& layers) : m_layers(layers) {
    const PointList* points = table.Points();
    const std::size_t rows = points == nullptr ? 0 : table.RowCount();
    m_xs.resize(rows);
    m_ys.resize(rows);
    m_kinds.resize(rows);
    m_layerOfRow.resize(rows, kNoLayer);
    std::vector<bool> layerShown(m_layers.size(), false);
    const bool reverse = table.Options().reverse;
    // Neighbouring points mostly share a layer: look a name up only when it
    // changes.
    const std::string* lastName = nullptr;
    std::uint16_t lastLayer = kNoLayer;
    for (std::size_t row = 0; row < rows; ++row) {
        const std::size_t index = table.PointIndex(row);
        const CDataStruct& point = (*points)[index];
        m_xs[row] = DistanceFromStart(*points, index, reverse);
        m_ys[row] = point.z;
        const MarkKind kind = KindOf(point);
        m_kinds[row] = kind;
        m_hasKind[static_cast<std::size_t>(kind)] = true;
        if (kind != MarkKind::Intersection) {
            continue;
        }
        if (lastName == nullptr || *lastName != point.layer) {
            const auto found = std::lower_bound(m_layers.begin(), m_layers.end(), point.layer);
            const bool known = found != m_layers.end() && *found == point.layer &&
                               found - m_layers.begin() < kNoLayer;
            lastLayer = known ? static_cast<std::uint16_t>(found - m_layers.begin()) : kNoLayer;
            lastName = &point.layer;
        }
        m_layerOfRow[row] = lastLayer;
        if (lastLayer != kNoLayer) {
            layerShown[lastLayer] = true;
        } else {
            m_hasUnlayered = true;
        }
    }
    for (std::size_t i = 0; i < layerShown.size(); ++i) {
        if (layerShown[i]) {
            m_shownLayers.push_back(static_cast<std::uint16_t>(i));
        }
    }
    FindExtents();
}

void ProfileData::FindExtents() {
    bool any = false;
    for (std::size_t row = 0; row < m_xs.size(); ++row) {
        if (!Drawable(row)) {
            ++m_undrawableRows;
            continue;
        }
        const double x = m_xs[row];
        const double y = m_ys[row];
        m_minX = any ? std::min(m_minX, x) : x;
        m_maxX = any ? std::max(m_maxX, x) : x;
        m_minY = any ? std::min(m_minY, y) : y;
        m_maxY = any ? std::max(m_maxY, y) : y;
        any = true;
    }
    // Bisection needs an order that every x takes part in; NaN takes part in none.
    m_ascending = std::none_of(m_xs.begin(), m_xs.end(), [](double x) { return std::isnan(x); }) &&
                  std::is_sorted(m_xs.begin(), m_xs.end());
}

std::pair<std::size_t, std::size_t> ProfileData::RowsBetween(double x0, double x1) const {
    if (!m_ascending) {
        return {0, m_xs.size()};
    }
    std::size_t begin =
        static_cast<std::size_t>(std::lower_bound(m_xs.begin(), m_xs.end(), x0) - m_xs.begin());
    std::size_t end =
        static_cast<std::size_t>(std::upper_bound(m_xs.begin(), m_xs.end(), x1) - m_xs.begin());
    begin = begin > 0 ? begin - 1 : 0;
    end = std::min(end + 1, m_xs.size());
    return {begin, end};
}

} // namespace quarvel
