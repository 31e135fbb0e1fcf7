#pragma once

#include "profile/ProfileData.h"
#include "profile/ProfileGeometry.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <utility>
#include <vector>

class QFontMetricsF;
class QPainter;
class QPalette;

namespace quarvel {

struct ProfileColours {
    QColor background;
    QColor text;
    QColor grid;
    QColor highlight;

    static ProfileColours FromPalette(const QPalette& palette);
    // Black on white, for pictures that go into reports.
    static ProfileColours Print();
};

// Rows [first, last] of the table, both included.
using RowRanges = std::vector<std::pair<std::size_t, std::size_t>>;

// Everything a drawing of a profile needs besides the painter and its area.
struct ProfileScene {
    const ProfileData* data = nullptr;
    const SectionTable* table = nullptr; // the notes' texts; may be null
    QString title;
    double headerMargin = 0; // kept free at the header's right end, for controls there
    QString emptyHint;       // shown when there are no rows
    QFont font;
    ProfileViewport viewport;
    ProfileColours colours = ProfileColours::Print();
    const RowRanges* selected = nullptr;
    // Off only to check the reduction against the full drawing, pixel for
    // pixel, and the line alone against another drawing of it.
    bool reduce = true;
    bool marks = true;
    bool antialias = true;
    // A scale bar for a drawing at 1:scaleDenominator, where one logical
    // unit is 1/96 inch; 0 for none.
    int scaleDenominator = 0;
    // The layers and kinds of point beside the title. A picture too dense
    // for marks leaves them out: it would name marks it does not draw.
    bool legend = true;
    // Controls over the header's right end (the window's exaggeration box)
    // reach this far down from the area's top; the plot starts below them.
    double headerControlsBottom = 0;
};

// Draws a section profile: the title and the legend above the plot, grid,
// axes with captions, the section line, the marks of its points and labels
// of their notes.
class ProfilePainter {
public:
    // The part of area the plot takes for the scene's font, title and legend
    // (its viewport is not read); the rest holds the header, ticks and captions.
    static QRectF PlotRect(const QRectF& area, const ProfileScene& scene);
    // Marks and labels show only where the points lie this far apart on
    // average; denser, the line alone tells more.
    static bool ShowsMarks(std::size_t visibleRows, double plotWidth);
    // The rows whose points the plot shows, for a viewport.
    static std::size_t VisibleRows(const ProfileData& data, const ProfileViewport& viewport);

    // The header's texts after the title, in order: the legend's entries and
    // remarks on points left out.
    static QStringList HeaderTexts(const ProfileScene& scene);
    // What a true-scale drawing's scale bar says: both scales and its length.
    static QString ScaleText(const ProfileScene& scene);

    static void Draw(QPainter& painter, const QRectF& area, const ProfileScene& scene);
    // The section's line, the marks of its points, the notes when the scene
    // has a table, and the selection, inside the viewport's plot: the
    // profile without its frame, as sheets of many sections draw it.
    static void DrawSection(QPainter& painter, const ProfileScene& scene);
    // The colour of a layer's intersection points, by its place in the file's
    // layer list.
    static QColor LayerColour(std::uint16_t layer);
};

} // namespace quarvel
