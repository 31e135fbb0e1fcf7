#include "sheets/SheetPainter.h"

#include "profile/ProfilePainter.h"
#include "profile/ProfileScale.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace quarvel {
namespace {

constexpr double kPointsPerMm = 72 / 25.4;
// Pen widths in millimetres.
constexpr double kFramePenMm = 0.7;
constexpr double kThinPenMm = 0.25;
constexpr double kGridPenMm = 0.13;
const QColor kGridColour(0xB4, 0xB4, 0xB4);

QPen PenOf(double widthMm, const QColor& colour = Qt::black) {
    QPen pen(colour, widthMm * SheetPainter::kUnitsPerMm);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// Text of heightMm centred in rect, shortened in the middle where it is wider.
void DrawCentred(QPainter& painter, const QRectF& rect, double heightMm, const QString& text) {
    const QFont font = SheetPainter::Font(heightMm);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QString shown = metrics.elidedText(text, Qt::ElideMiddle, rect.width() - 4);
    painter.drawText(rect, Qt::AlignCenter, shown);
}

void DrawFrame(QPainter& painter, const SheetFrame& frame, const std::vector<std::string>& titles) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(PenOf(kFramePenMm));
    painter.drawRect(SheetPainter::Rect(frame.paper, frame.frame));
    painter.drawRect(SheetPainter::Rect(frame.paper, frame.titleBlock));
    painter.setPen(PenOf(kThinPenMm));
    for (std::size_t i = 0; i < frame.titleCells.size(); ++i) {
        const QRectF cell = SheetPainter::Rect(frame.paper, frame.titleCells[i]);
        painter.drawRect(cell);
        DrawCentred(painter, cell, kTitleTextMm, Text(titles[i]));
    }
}

void DrawGrid(QPainter& painter, const QRectF& grid, const SectionGrid& field,
              const ProfileViewport& viewport) {
    painter.setPen(PenOf(kGridPenMm, kGridColour));
    for (const double distance : GridDistances(field)) {
        const double x = viewport.PixelX(distance);
        painter.drawLine(QPointF(x, grid.top()), QPointF(x, grid.bottom()));
    }
    for (const double elevation : GridElevations(field)) {
        const double y = viewport.PixelY(elevation);
        painter.drawLine(QPointF(grid.left(), y), QPointF(grid.right(), y));
    }
}

void DrawSection(QPainter& painter, const PaperSize& paper, const PlacedSection& placed,
                 const DrawnSection& section, const std::string& label,
                 const SheetOptions& options) {
    const QRectF grid = SheetPainter::Rect(paper, placed.grid);
    const SectionGrid& field = placed.field;
    ProfileScene scene;
    scene.data = &section.data;
    scene.font = SheetPainter::Font(kNoteTextMm);
    scene.viewport.plot = grid;
    scene.viewport.centreX = field.left / 2 + field.right / 2;
    scene.viewport.centreY = field.bottom / 2 + field.top / 2;
    scene.viewport.pixelsPerMetreX = UnitsPerMetre(options.scale);
    scene.viewport.pixelsPerMetreY = scene.viewport.pixelsPerMetreX * options.exaggeration;
    DrawGrid(painter, grid, field, scene.viewport);
    // The marks reach past the grid's edge where a point lies on it.
    scene.viewport.plot =
        grid.adjusted(-kMarkRadius - 1, -kMarkRadius - 1, kMarkRadius + 1, kMarkRadius + 1);
    ProfilePainter::DrawSection(painter, scene);

    painter.setPen(Qt::black);
    const QFont noteFont = SheetPainter::Font(kNoteTextMm);
    painter.setFont(noteFont);
    const QString note = Text(ElevationNote(field.bottom));
    const QFontMetricsF noteMetrics(noteFont);
    const double noteRight = grid.left() - 1.5 * SheetPainter::kUnitsPerMm;
    painter.drawText(QPointF(noteRight - noteMetrics.horizontalAdvance(note),
                             grid.bottom() + noteMetrics.ascent() / 2 - noteMetrics.descent() / 2),
                     note);
    const QFont labelFont = SheetPainter::Font(kLabelTextMm);
    painter.setFont(labelFont);
    const QFontMetricsF labelMetrics(labelFont);
    const QString text = Text(label);
    painter.drawText(QPointF(grid.center().x() - labelMetrics.horizontalAdvance(text) / 2,
                             grid.bottom() + 2 * SheetPainter::kUnitsPerMm + labelMetrics.ascent()),
                     text);
}

} // namespace

QFont SheetPainter::Font(double heightMm) {
    QFont font;
    // Song as the drawings' own; any other Chinese font where it is missing.
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(heightMm * kPointsPerMm);
    return font;
}

QPointF SheetPainter::At(const PaperSize& paper, double xMm, double yMm) {
    return {xMm * kUnitsPerMm, (paper.height - yMm) * kUnitsPerMm};
}

QRectF SheetPainter::Rect(const PaperSize& paper, const RectMm& rect) {
    return QRectF(At(paper, rect.left, rect.Top()), At(paper, rect.Right(), rect.bottom));
}

void SheetPainter::Draw(QPainter& painter, const SheetRequest& request, const Sheet& sheet,
                        std::size_t page, std::size_t pages,
                        const std::vector<std::unique_ptr<DrawnSection>>& sections) {
    const SheetOptions& options = request.options;
    const SheetFrame frame = FrameOf(options.paper);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    DrawFrame(painter, frame, TitleTexts(request.roadName, options.scale, page, pages));
    for (std::size_t i = 0; i < sheet.sections.size() && i < sections.size(); ++i) {
        const PlacedSection& placed = sheet.sections[i];
        DrawSection(painter, frame.paper, placed, *sections[i],
                    request.sections[placed.section].label, options);
    }
    painter.restore();
}

} // namespace quarvel
