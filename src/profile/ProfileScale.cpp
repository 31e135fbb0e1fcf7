#include "profile/ProfileScale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quarvel {
namespace {

constexpr double kLogicalDpi = 96;
constexpr double kMillimetresPerInch = 25.4;
// A true-scale section's height keeps this share of the plot free, as a
// fitted one does.
constexpr double kHeightRoom = 0.92;

// Half the section's extent across or up, in metres; halved so that the
// extent of values near the largest double stays finite.
double HalfExtent(double low, double high) {
    return high / 2 - low / 2;
}

// The vertical scale for kAutoExaggeration: the round one at which the
// section's usable height fills the most of the plot.
double AutoVerticalPixelsPerMetre(const QRectF& plot, const ProfileData& data) {
    const AxisRange y = UsableRange(data.MinY(), data.MaxY());
    const double height = std::max(1.0, plot.height() * kHeightRoom);
    const double needed = 2 * y.HalfWidth() * UnitsPerMetre(1) / height;
    const double denominator = RoundScaleAtLeast(needed);
    if (!std::isfinite(denominator)) {
        return height / 2 / y.HalfWidth(); // no round scale: fill the plot
    }
    return UnitsPerMetre(denominator);
}

} // namespace

double UnitsPerMetre(double denominator) {
    return 1000.0 / denominator / kMillimetresPerInch * kLogicalDpi;
}

double RoundScaleAtLeast(double value) {
    if (!(value > 1)) {
        return 1;
    }
    if (!std::isfinite(value)) {
        return std::numeric_limits<double>::infinity();
    }
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= value) {
            return factor * power;
        }
    }
    return 10 * power; // log10 rounded down a power too far
}

ProfileViewport TrueScaleViewport(const QRectF& plot, const ProfileData& data, int denominator,
                                  int exaggeration) {
    ProfileViewport viewport = ProfileViewport::Fit(plot, data.MinX(), data.MaxX(), data.MinY(),
                                                    data.MaxY(), exaggeration);
    viewport.pixelsPerMetreX = UnitsPerMetre(denominator);
    viewport.pixelsPerMetreY = exaggeration == kAutoExaggeration
                                   ? AutoVerticalPixelsPerMetre(plot, data)
                                   : viewport.pixelsPerMetreX * exaggeration;
    // The section's own width: at a fixed scale a single point is no wider.
    viewport.AlignStart({data.MinX(), data.MaxX()});
    return viewport;
}

ScaleFit FitAtScale(const QRectF& plot, const ProfileData& data, int denominator,
                    int exaggeration) {
    const ProfileViewport viewport = TrueScaleViewport(plot, data, denominator, exaggeration);
    ScaleFit fit;
    fit.width = HalfExtent(data.MinX(), data.MaxX()) * viewport.pixelsPerMetreX <= plot.width() / 2;
    fit.height =
        HalfExtent(data.MinY(), data.MaxY()) * viewport.pixelsPerMetreY <= plot.height() / 2;
    return fit;
}

std::optional<int> FittingScale(const QRectF& plot, const ProfileData& data, int exaggeration) {
    for (int power = 1; power <= kMaxScaleDenominator; power *= 10) {
        for (const int factor : {1, 2, 5}) {
            const int denominator = factor * power;
            if (denominator <= kMaxScaleDenominator &&
                FitAtScale(plot, data, denominator, exaggeration).Fits()) {
                return denominator;
            }
        }
    }
    return std::nullopt;
}

} // namespace quarvel
