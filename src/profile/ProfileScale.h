#pragma once

#include "profile/ProfileData.h"
#include "profile/ProfileGeometry.h"

#include <QRectF>

#include <optional>

namespace quarvel {

// A section drawn at a true scale on paper: 1:N across, where one logical
// unit is 1/96 inch.

// quarvel --profile takes scales up to 1:kMaxScaleDenominator.
constexpr int kMaxScaleDenominator = 1000000;

// One metre at 1:denominator, in logical units.
double UnitsPerMetre(double denominator);

// Whether the section's width and its height fit the plot.
struct ScaleFit {
    bool width = true;
    bool height = true;

    bool Fits() const { return width && height; }
};

// The viewport that draws the whole section at 1:denominator across. The
// vertical scale follows the exaggeration; kAutoExaggeration takes the
// largest round scale (1, 2 or 5 times a power of ten) at which the height
// fits, so that the picture can state it.
ProfileViewport TrueScaleViewport(const QRectF& plot, const ProfileData& data, int denominator,
                                  int exaggeration);
ScaleFit FitAtScale(const QRectF& plot, const ProfileData& data, int denominator, int exaggeration);
// The largest round scale at which the section fits across and up, or
// nothing when none up to 1:kMaxScaleDenominator does.
std::optional<int> FittingScale(const QRectF& plot, const ProfileData& data, int exaggeration);

// The smallest of 1, 2 or 5 times a power of ten that is at least value (at
// least 1); infinity beyond the doubles.
double RoundScaleAtLeast(double value);

} // namespace quarvel
