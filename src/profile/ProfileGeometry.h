#pragma once

#include "settings/Exaggeration.h"

#include <QPointF>
#include <QRectF>

#include <cstddef>
#include <optional>
#include <vector>

namespace quarvel {

// An axis's range as the plot can show it: a non-finite end gives way to the
// other one, and a range too small for its magnitude (a single value, or
// values so large that the doubles between them are few) becomes one around
// its middle, of two metres or of a small share of the magnitude.
struct AxisRange {
    double low = 0;
    double high = 0;

    // Halves, so that a range of two values near the largest double stays finite.
    double Middle() const { return low / 2 + high / 2; }
    double HalfWidth() const { return high / 2 - low / 2; }
};
AxisRange UsableRange(double low, double high);
// Whether [low, high] holds enough doubles to tell its pixels and ticks apart.
bool IsResolvable(double low, double high);

// A tick step of 1, 2 or 5 times a power of ten that divides range into at
// most maxTicks steps and at least about a third of that.
double NiceStep(double range, int maxTicks);
// The multiples of step in [low, high]: none where there would be more than a
// plot can show, and each value once where the doubles run out between them.
std::vector<double> TickValues(double low, double high, double step);
// Decimals that show every multiple of step exactly.
int TickDecimals(double step);

// Which part of the section the plot shows: the data point at the plot's
// centre and how many pixels one metre takes across and up.
struct ProfileViewport {
    QRectF plot;
    double centreX = 0;
    double centreY = 0;
    double pixelsPerMetreX = 1;
    double pixelsPerMetreY = 1;

    double PixelX(double x) const { return plot.center().x() + (x - centreX) * pixelsPerMetreX; }
    double PixelY(double y) const { return plot.center().y() - (y - centreY) * pixelsPerMetreY; }
    QPointF Pixel(double x, double y) const { return {PixelX(x), PixelY(y)}; }
    double DataX(double px) const { return centreX + (px - plot.center().x()) / pixelsPerMetreX; }
    double DataY(double py) const { return centreY - (py - plot.center().y()) / pixelsPerMetreY; }
    // The data ranges the plot shows.
    double LeftX() const { return DataX(plot.left()); }
    double RightX() const { return DataX(plot.right()); }
    double BottomY() const { return DataY(plot.bottom()); }
    double TopY() const { return DataY(plot.top()); }
    // Whether the ranges shown are finite and hold enough doubles to map to
    // pixels; a zoom or a pan that would leave this is not taken.
    bool IsResolvable() const;

    // Shows [minX, maxX] x [minY, maxY] whole, with a little room around it.
    // exaggeration N: one metre up takes N times the pixels of one metre
    // across; kAutoExaggeration fills the plot both ways. Each range is
    // first made usable (UsableRange).
    static ProfileViewport Fit(const QRectF& plot, double minX, double maxX, double minY,
                               double maxY, int exaggeration);
    // Puts the start of x where a fitted section starts, at the plot's left
    // margin, so that room the scale leaves across lies beyond the end and the
    // distance axis starts near zero. A wider section is centred, and one
    // wider than the plot starts at its left edge.
    void AlignStart(const AxisRange& x);
    // Scales by factor, keeping the data point under pixel where it is.
    void ZoomAt(const QPointF& pixel, double factor);
    void PanBy(const QPointF& pixels);
};

// The line through (xs[i], ys[i]) for i in [begin, end), in pixels, reduced
// to what can differ on screen: of each run of points that fall into one
// pixel column of the device (pixelRatio of them to a logical pixel), its
// first, lowest, highest and last point, in row order. Points left or right
// of the plot share one column per side.
void ReduceToColumns(const double* xs, const double* ys, std::size_t begin, std::size_t end,
                     const ProfileViewport& viewport, double pixelRatio, std::vector<QPointF>& out);
// The same line without reduction.
void MapAll(const double* xs, const double* ys, std::size_t begin, std::size_t end,
            const ProfileViewport& viewport, std::vector<QPointF>& out);

// Cuts the segment from a to b to its part inside rect; false when none
// lies inside, or when the segment is too long to measure.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& rect);

// The parts of a polyline inside rect, each a polyline of its own: the
// painter's rasteriser loses precision on coordinates far outside the
// picture, which a deep zoom produces. A point that is not finite (a value
// beyond the doubles' range) breaks the line.
std::vector<std::vector<QPointF>> ClipPolyline(const std::vector<QPointF>& line,
                                               const QRectF& rect);

// A point's mark reaches this far from the point, its outline included.
constexpr double kMarkRadius = 3.5;

// Where the notes of marked points go, in order: each beside its mark (above
// it, below it or to a side), wholly inside plot and clear of the line, of
// every mark and of the notes placed before it; nothing for a note without a
// size or without such a place.
std::vector<std::optional<QRectF>> PlaceNotes(const std::vector<QPointF>& marks,
                                              const std::vector<QSizeF>& sizes, const QRectF& plot,
                                              const std::vector<QPointF>& line);

} // namespace quarvel
