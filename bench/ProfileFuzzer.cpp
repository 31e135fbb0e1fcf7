// libFuzzer entry for the profile's arithmetic: every section the reader
// accepts, forward and reversed, must map to pixels, ticks, notes and page
// scales without a hang, a crash or a coordinate that is not finite.

#include "profile/ProfileData.h"
#include "profile/ProfileGeometry.h"
#include "profile/ProfileScale.h"
#include "sectiondata/SectionReader.h"
#include "table/TableRules.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

using namespace quarvel;

// The plot sizes of a small panel, a large picture and a page at 1/96 inch.
const QRectF kPlots[] = {{60, 30, 400, 150}, {80, 40, 19000, 19000}, {70, 50, 980, 620}};
// More rows than this are drawn only in part: the checks walk every row.
constexpr std::size_t kMaxCheckedRows = 4096;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsFinite(const QPointF& point) {
    return std::isfinite(point.x()) && std::isfinite(point.y());
}

void CheckTicks(double low, double high, double side, double spacing) {
    const double step = NiceStep(high - low, std::max(1, static_cast<int>(side / spacing)));
    const std::vector<double> ticks = TickValues(low, high, step);
    Require(ticks.size() <= 201);
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        Require(ticks[i] > ticks[i - 1]);
    }
}

// What a drawing of the viewport computes: ticks, the reduced and clipped
// line, the notes' places.
void CheckDrawing(const ProfileData& data, const ProfileViewport& viewport) {
    CheckTicks(viewport.LeftX(), viewport.RightX(), viewport.plot.width(), 90);
    CheckTicks(viewport.BottomY(), viewport.TopY(), viewport.plot.height(), 40);
    const auto [begin, end] = data.RowsBetween(viewport.LeftX(), viewport.RightX());
    Require(begin <= end && end <= data.Size());
    std::vector<QPointF> line;
    ReduceToColumns(data.Xs(), data.Ys(), begin, std::min(end, begin + kMaxCheckedRows), viewport,
                    1, line);
    const QRectF bounds = viewport.plot.adjusted(-4, -4, 4, 4);
    for (const std::vector<QPointF>& part : ClipPolyline(line, bounds)) {
        for (const QPointF& point : part) {
            Require(IsFinite(point) && bounds.adjusted(-1, -1, 1, 1).contains(point));
        }
    }
    std::vector<QPointF> marks;
    for (std::size_t row = begin; row < end && marks.size() < 64; ++row) {
        const QPointF at = viewport.Pixel(data.X(row), data.Y(row));
        if (viewport.plot.contains(at)) {
            marks.push_back(at);
        }
    }
    const std::vector<QSizeF> sizes(marks.size(), QSizeF(60, 14));
    for (const auto& note : PlaceNotes(marks, sizes, viewport.plot, line)) {
        Require(!note || viewport.plot.contains(*note));
    }
}

void CheckFitted(const ProfileData& data, const QRectF& plot, int exaggeration) {
    const ProfileViewport viewport = ProfileViewport::Fit(plot, data.MinX(), data.MaxX(),
                                                          data.MinY(), data.MaxY(), exaggeration);
    Require(viewport.IsResolvable());
    CheckDrawing(data, viewport);
    // The whole section shows: every point that can be drawn lies in the plot.
    const QRectF inside = plot.adjusted(-1, -1, 1, 1);
    for (std::size_t row = 0; row < data.Size() && row < kMaxCheckedRows; ++row) {
        if (data.Drawable(row)) {
            Require(inside.contains(viewport.Pixel(data.X(row), data.Y(row))));
        }
    }
    ProfileViewport zoomed = viewport;
    zoomed.ZoomAt(plot.center() + QPointF(plot.width() / 7, 0), 1000);
    if (zoomed.IsResolvable()) {
        CheckDrawing(data, zoomed);
    }
}

// A page's scale: the one suggested fits, the next larger does not.
void CheckScales(const ProfileData& data, const QRectF& plot, int exaggeration) {
    for (const int denominator : {1, 500, kMaxScaleDenominator}) {
        const ProfileViewport viewport = TrueScaleViewport(plot, data, denominator, exaggeration);
        Require(viewport.pixelsPerMetreX > 0 && std::isfinite(viewport.pixelsPerMetreY) &&
                viewport.pixelsPerMetreY > 0 && std::isfinite(viewport.centreX) &&
                std::isfinite(viewport.centreY));
        // A section that fits lies wholly on the page.
        if (FitAtScale(plot, data, denominator, exaggeration).Fits() && viewport.IsResolvable()) {
            const QRectF inside = plot.adjusted(-1, -1, 1, 1);
            Require(inside.contains(viewport.Pixel(data.MinX(), data.MinY())) &&
                    inside.contains(viewport.Pixel(data.MaxX(), data.MaxY())));
        }
    }
    const std::optional<int> fitting = FittingScale(plot, data, exaggeration);
    if (fitting) {
        Require(*fitting >= 1 && *fitting <= kMaxScaleDenominator);
        Require(FitAtScale(plot, data, *fitting, exaggeration).Fits());
        int leading = *fitting;
        while (leading >= 10) {
            leading /= 10;
        }
        const int larger = leading == 5 ? *fitting / 5 * 2 : *fitting / 2;
        Require(*fitting == 1 || !FitAtScale(plot, data, larger, exaggeration).Fits());
        CheckDrawing(data, TrueScaleViewport(plot, data, *fitting, exaggeration));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const SectionReadResult read =
        ReadSectionFile(std::string_view(reinterpret_cast<const char*>(bytes), size));
    if (!read.Ok()) {
        return 0;
    }
    for (const bool reverse : {false, true}) {
        TableOptions options;
        options.kneeMode = IntersectionsAndKnees;
        options.reverse = reverse;
        const SectionTable table(read.points, {}, options);
        const ProfileData data(table, read.layers);
        if (data.Empty()) {
            continue;
        }
        for (const ExaggerationChoice& choice : kExaggerationChoices) {
            for (const QRectF& plot : kPlots) {
                CheckFitted(data, plot, choice.value);
            }
            CheckScales(data, kPlots[2], choice.value);
        }
    }
    return 0;
}
