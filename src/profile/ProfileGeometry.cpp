#include "profile/ProfileGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quarvel {
namespace {

// Room left around a fitted section, as a share of the plot.
constexpr double kFitMargin = 0.04;
// A plot never shows more ticks than this, whatever it is asked.
constexpr int kMaxTickCount = 200;
// A range narrower than this share of its magnitude holds too few doubles for
// a plot: a point at 1e17 m has neighbours 16 m away. A thousand times that
// spacing still leaves every pixel and tick its own value.
constexpr double kMinRelativeRange = 1e-9;
constexpr double kMinRange = 1e-9;

bool IsFinite(const QPointF& point) {
    return std::isfinite(point.x()) && std::isfinite(point.y());
}

} // namespace

AxisRange UsableRange(double low, double high) {
    if (!std::isfinite(low)) {
        low = std::isfinite(high) ? high : 0;
    }
    if (!std::isfinite(high)) {
        high = low;
    }
    AxisRange range{std::min(low, high), std::max(low, high)};
    if (IsResolvable(range.low, range.high)) {
        return range;
    }
    const double magnitude = std::max(std::abs(range.low), std::abs(range.high));
    const double half = std::max(1.0, magnitude * kMinRelativeRange);
    const double middle = range.Middle();
    constexpr double kLargest = std::numeric_limits<double>::max();
    return {std::max(middle - half, -kLargest), std::min(middle + half, kLargest)};
}

bool IsResolvable(double low, double high) {
    if (!std::isfinite(low) || !std::isfinite(high)) {
        return false;
    }
    const double magnitude = std::max(std::abs(low), std::abs(high));
    // Halved, so that the test itself cannot overflow.
    return high / 2 - low / 2 > std::max(kMinRange, magnitude * kMinRelativeRange) / 2;
}

double NiceStep(double range, int maxTicks) {
    if (!(range > 0) || !std::isfinite(range) || maxTicks < 1) {
        return 1;
    }
    const double rough = range / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        // A little tolerance, so that 0.3 / 3 picks 0.1 and not 0.2.
        if (factor * power >= rough * (1 - 1e-9)) {
            return factor * power;
        }
    }
    return 10 * power;
}

std::vector<double> TickValues(double low, double high, double step) {
    std::vector<double> values;
    if (!(step > 0) || !std::isfinite(step) || !std::isfinite(low) || !std::isfinite(high) ||
        !(high >= low) || !(high / step - low / step <= kMaxTickCount)) {
        return values;
    }
    // Counted, not stepped: far from zero, adding one step to a multiple can
    // leave it unchanged.
    const double first = std::ceil(low / step - 1e-9);
    for (int k = 0; k <= kMaxTickCount; ++k) {
        const double value = (first + k) * step;
        if (value > high + step * 1e-9) {
            break;
        }
        if (values.empty() || value > values.back()) {
            values.push_back(value == 0 ? 0.0 : value); // never "-0"
        }
    }
    return values;
}

int TickDecimals(double step) {
    if (!(step > 0) || step >= 1) {
        return 0;
    }
    return std::min(9, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
}

bool ProfileViewport::IsResolvable() const {
    return pixelsPerMetreX > 0 && pixelsPerMetreY > 0 && std::isfinite(pixelsPerMetreX) &&
           std::isfinite(pixelsPerMetreY) && quarvel::IsResolvable(LeftX(), RightX()) &&
           quarvel::IsResolvable(BottomY(), TopY());
}

ProfileViewport ProfileViewport::Fit(const QRectF& plot, double minX, double maxX, double minY,
                                     double maxY, int exaggeration) {
    const AxisRange x = UsableRange(minX, maxX);
    const AxisRange y = UsableRange(minY, maxY);
    ProfileViewport viewport;
    viewport.plot = plot;
    viewport.centreY = y.Middle();
    const double width = std::max(1.0, plot.width() * (1 - 2 * kFitMargin));
    const double height = std::max(1.0, plot.height() * (1 - 2 * kFitMargin));
    const double across = width / 2 / x.HalfWidth();
    const double up = height / 2 / y.HalfWidth();
    if (exaggeration == kAutoExaggeration) {
        viewport.pixelsPerMetreX = across;
        viewport.pixelsPerMetreY = up;
    } else {
        viewport.pixelsPerMetreX = std::min(across, up / exaggeration);
        viewport.pixelsPerMetreY = viewport.pixelsPerMetreX * exaggeration;
    }
    viewport.AlignStart(x);
    return viewport;
}

void ProfileViewport::AlignStart(const AxisRange& x) {
    const double room = (plot.width() - 2 * x.HalfWidth() * pixelsPerMetreX) / 2;
    const double left = std::clamp(room, 0.0, plot.width() * kFitMargin);
    centreX = x.low + (plot.width() / 2 - left) / pixelsPerMetreX;
}

void ProfileViewport::ZoomAt(const QPointF& pixel, double factor) {
    const double x = DataX(pixel.x());
    const double y = DataY(pixel.y());
    pixelsPerMetreX *= factor;
    pixelsPerMetreY *= factor;
    centreX = x - (pixel.x() - plot.center().x()) / pixelsPerMetreX;
    centreY = y + (pixel.y() - plot.center().y()) / pixelsPerMetreY;
}

void ProfileViewport::PanBy(const QPointF& pixels) {
    centreX -= pixels.x() / pixelsPerMetreX;
    centreY += pixels.y() / pixelsPerMetreY;
}

void ReduceToColumns(const double* xs, const double* ys, std::size_t begin, std::size_t end,
                     const ProfileViewport& viewport, double pixelRatio,
                     std::vector<QPointF>& out) {
    if (begin >= end) {
        return;
    }
    // Columns are the device's pixel columns, pixelRatio of them to a
    // logical pixel. Points beyond the plot fall into the column just left or
    // right of it. No floor() per row: without SSE4.1 it is a call.
    const double scale = viewport.pixelsPerMetreX * pixelRatio;
    const double offset =
        (viewport.plot.center().x() - viewport.centreX * viewport.pixelsPerMetreX) * pixelRatio;
    const double left = std::floor(viewport.plot.left() * pixelRatio);
    const double right = std::floor(viewport.plot.right() * pixelRatio);
    const auto columnOf = [scale, offset, left, right](double x) -> long long {
        const double column = x * scale + offset;
        if (!(column >= left)) {
            return static_cast<long long>(left) - 1;
        }
        if (column >= right + 1) {
            return static_cast<long long>(right) + 1;
        }
        return static_cast<long long>(column - left) + static_cast<long long>(left);
    };
    const auto flush = [&](std::size_t first, std::size_t low, std::size_t high, std::size_t last) {
        const std::size_t picks[4] = {first, std::min(low, high), std::max(low, high), last};
        std::size_t previous = std::numeric_limits<std::size_t>::max();
        for (const std::size_t row : picks) {
            if (row != previous) {
                out.emplace_back(viewport.PixelX(xs[row]), viewport.PixelY(ys[row]));
                previous = row;
            }
        }
    };
    std::size_t first = begin;
    std::size_t low = begin;
    std::size_t high = begin;
    double lowY = ys[begin];
    double highY = ys[begin];
    long long column = columnOf(xs[begin]);
    for (std::size_t row = begin + 1; row < end; ++row) {
        const long long rowColumn = columnOf(xs[row]);
        const double y = ys[row];
        if (rowColumn != column) {
            flush(first, low, high, row - 1);
            first = low = high = row;
            lowY = highY = y;
            column = rowColumn;
            continue;
        }
        if (y < lowY) {
            lowY = y;
            low = row;
        }
        if (y > highY) {
            highY = y;
            high = row;
        }
    }
    flush(first, low, high, end - 1);
}

void MapAll(const double* xs, const double* ys, std::size_t begin, std::size_t end,
            const ProfileViewport& viewport, std::vector<QPointF>& out) {
    for (std::size_t row = begin; row < end; ++row) {
        out.emplace_back(viewport.PixelX(xs[row]), viewport.PixelY(ys[row]));
    }
}

namespace {

// Which sides of rect a point lies beyond: 1 left, 2 right, 4 above, 8 below.
int Outside(const QPointF& point, const QRectF& rect) {
    int sides = 0;
    if (point.x() < rect.left()) {
        sides |= 1;
    } else if (point.x() > rect.right()) {
        sides |= 2;
    }
    if (point.y() < rect.top()) {
        sides |= 4;
    } else if (point.y() > rect.bottom()) {
        sides |= 8;
    }
    return sides;
}

// Moves from, which lies beyond one of the sides, along the line to to onto
// that side's line. Measured from the end nearer that line: from a far end,
// the share of the segment up to it can round to 0 or 1.
QPointF OntoSide(const QPointF& from, const QPointF& to, int sides, const QRectF& rect) {
    if (sides & 3) {
        const double x = (sides & 1) ? rect.left() : rect.right();
        const QPointF& near = std::abs(x - from.x()) <= std::abs(x - to.x()) ? from : to;
        return {x, near.y() + (x - near.x()) * ((to.y() - from.y()) / (to.x() - from.x()))};
    }
    const double y = (sides & 4) ? rect.top() : rect.bottom();
    const QPointF& near = std::abs(y - from.y()) <= std::abs(y - to.y()) ? from : to;
    return {near.x() + (y - near.y()) * ((to.x() - from.x()) / (to.y() - from.y())), y};
}

} // namespace

bool ClipSegment(QPointF& a, QPointF& b, const QRectF& rect) {
    if (!IsFinite(b - a)) {
        return false; // an end beyond the doubles' range, or ends too far apart
    }
    // Cohen-Sutherland: each step puts an end on a side's line, so four
    // steps settle it.
    int outsideA = Outside(a, rect);
    int outsideB = Outside(b, rect);
    for (int step = 0; step < 4 && (outsideA | outsideB) != 0; ++step) {
        if ((outsideA & outsideB) != 0) {
            return false;
        }
        if (outsideA != 0) {
            a = OntoSide(a, b, outsideA, rect);
            outsideA = Outside(a, rect);
        } else {
            b = OntoSide(b, a, outsideB, rect);
            outsideB = Outside(b, rect);
        }
    }
    return (outsideA | outsideB) == 0;
}

std::vector<std::vector<QPointF>> ClipPolyline(const std::vector<QPointF>& line,
                                               const QRectF& rect) {
    std::vector<std::vector<QPointF>> parts;
    std::vector<QPointF> current;
    const auto close = [&] {
        if (current.size() > 1) {
            parts.push_back(std::move(current));
        }
        current.clear();
    };
    if (line.size() == 1 && rect.contains(line.front())) {
        parts.push_back(line);
        return parts;
    }
    for (std::size_t i = 1; i < line.size(); ++i) {
        QPointF a = line[i - 1];
        QPointF b = line[i];
        if (!ClipSegment(a, b, rect)) {
            close();
            continue;
        }
        if (a != line[i - 1] || current.empty()) {
            close();
            current.push_back(a);
        }
        current.push_back(b);
        if (b != line[i]) {
            close();
        }
    }
    close();
    return parts;
}

namespace {

// A note keeps this far from its mark's centre.
constexpr double kNoteGap = kMarkRadius + 3;

bool CrossesLine(const QRectF& rect, const std::vector<QPointF>& line) {
    for (std::size_t i = 1; i < line.size(); ++i) {
        const QPointF& a = line[i - 1];
        const QPointF& b = line[i];
        if (std::max(a.x(), b.x()) < rect.left() || std::min(a.x(), b.x()) > rect.right()) {
            continue;
        }
        QPointF from = a;
        QPointF to = b;
        if (ClipSegment(from, to, rect)) {
            return true;
        }
    }
    return false;
}

std::optional<QRectF> PlaceNote(const QPointF& at, const QSizeF& size, const QRectF& plot,
                                const std::vector<QPointF>& line,
                                const std::vector<QRectF>& taken) {
    const double w = size.width();
    const double h = size.height();
    const double above = at.y() - kNoteGap - h;
    const double below = at.y() + kNoteGap;
    const double centred = at.x() - w / 2;
    const double right = at.x() + kNoteGap;
    const double left = at.x() - kNoteGap - w;
    // Above the point first, as a reader looks for it; then below, then beside.
    const QPointF corners[] = {{centred, above},        {right, above},        {left, above},
                               {centred, below},        {right, below},        {left, below},
                               {right, at.y() - h / 2}, {left, at.y() - h / 2}};
    for (const QPointF& corner : corners) {
        const QRectF rect(corner, size);
        // A little air between neighbouring texts and from the line.
        const QRectF clearance = rect.adjusted(-2, -1, 2, 1);
        if (!plot.contains(rect) || CrossesLine(clearance, line) ||
            std::any_of(taken.begin(), taken.end(),
                        [&clearance](const QRectF& r) { return r.intersects(clearance); })) {
            continue;
        }
        return rect;
    }
    return std::nullopt;
}

} // namespace

std::vector<std::optional<QRectF>> PlaceNotes(const std::vector<QPointF>& marks,
                                              const std::vector<QSizeF>& sizes, const QRectF& plot,
                                              const std::vector<QPointF>& line) {
    std::vector<QRectF> taken;
    const double side = 2 * kMarkRadius;
    for (const QPointF& at : marks) {
        taken.emplace_back(at.x() - kMarkRadius, at.y() - kMarkRadius, side, side);
    }
    std::vector<std::optional<QRectF>> notes(marks.size());
    for (std::size_t i = 0; i < marks.size() && i < sizes.size(); ++i) {
        if (sizes[i].isEmpty()) {
            continue;
        }
        notes[i] = PlaceNote(marks[i], sizes[i], plot, line, taken);
        if (notes[i]) {
            taken.push_back(*notes[i]);
        }
    }
    return notes;
}

} // namespace quarvel
