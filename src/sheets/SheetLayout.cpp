#include "sheets/SheetLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace quarvel {
namespace {

constexpr double kBindingEdgeMm = 25;
constexpr double kMarginMm = 10;
// The sections keep this far from the frame and the title block.
constexpr double kInsetMm = 5;
constexpr double kTitleHeightMm = 12;
constexpr double kTitleCellWidthsMm[] = {64, 30, 20, 36};
// Sections keep at least this far apart.
constexpr double kMinGapMm = 4;
// A grid step takes about this much paper.
constexpr double kGridStepMm = 10;
constexpr double kNoteGapMm = 1.5;
constexpr double kLabelGapMm = 2;
// Distances and elevations beyond this cannot be placed to the millimetre:
// the doubles around them are too far apart.
constexpr double kLargestFieldValue = 1e9;

// The smallest of 1, 2 or 5 times a power of ten that is at least value.
double NiceAtLeast(double value) {
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= value * (1 - 1e-12)) {
            return factor * power;
        }
    }
    return 10 * power;
}

void RoundOut(double low, double high, double step, double& from, double& to) {
    from = std::floor(low / step) * step;
    to = std::ceil(high / step) * step;
    if (!(to > from)) {
        to = from + step;
    }
}

bool InRange(const SectionExtent& section) {
    for (const double value : {section.minX, section.maxX, section.minY, section.maxY}) {
        if (!(std::abs(value) <= kLargestFieldValue)) {
            return false;
        }
    }
    return true;
}

// A section at a scale: its grid, and its box with the grid's bottom left
// corner at the origin.
struct SectionShape {
    SectionGrid field;
    double gridWidth = 0;
    double gridHeight = 0;
    RectMm box;
};

SectionShape ShapeOf(const SectionExtent& section, int scale, int exaggeration) {
    SectionShape shape;
    SectionGrid& grid = shape.field;
    grid.stepX = NiceAtLeast(FieldMetres(kGridStepMm, scale));
    grid.stepY = NiceAtLeast(FieldMetres(kGridStepMm, scale) / exaggeration);
    RoundOut(section.minX, section.maxX, grid.stepX, grid.left, grid.right);
    RoundOut(section.minY, section.maxY, grid.stepY, grid.bottom, grid.top);
    shape.gridWidth = (grid.right - grid.left) * 1000.0 / scale;
    shape.gridHeight = (grid.top - grid.bottom) * exaggeration * 1000.0 / scale;
    const double noteWidth = EstimatedTextWidth(ElevationNote(grid.bottom), kNoteTextMm);
    const double labelWidth = EstimatedTextWidth(section.label, kLabelTextMm);
    const double left =
        std::min({-kNoteGapMm - noteWidth, shape.gridWidth / 2 - labelWidth / 2, -kMarkMm});
    const double right = std::max(shape.gridWidth + kMarkMm, shape.gridWidth / 2 + labelWidth / 2);
    const double bottom = -kLabelGapMm - kLabelTextMm;
    const double top = shape.gridHeight + kMarkMm;
    shape.box = {left, bottom, right - left, top - bottom};
    return shape;
}

bool Fits(const SectionShape& shape, const RectMm& area) {
    return shape.box.width <= area.width && shape.box.height <= area.height;
}

// Sections as lines of a layout: a column (or a row) and the sections in it.
// "along" runs inside a line, "across" from line to line.
struct Line {
    std::vector<std::size_t> sections;
    double along = 0;  // the sum of the sections' lengths, gaps left out
    double across = 0; // the widest section
};

struct SheetLines {
    std::vector<Line> lines;
    double across = 0; // the lines' widths, gaps left out
};

double Along(const RectMm& box, SheetOrder order) {
    return order == SheetOrder::Columns ? box.height : box.width;
}

double Across(const RectMm& box, SheetOrder order) {
    return order == SheetOrder::Columns ? box.width : box.height;
}

// Fills lines with as many sections as fit, and sheets with as many lines.
std::vector<SheetLines> FillSheets(const std::vector<SectionShape>& shapes, const RectMm& area,
                                   SheetOrder order) {
    const double areaAlong = Along(area, order);
    const double areaAcross = Across(area, order);
    std::vector<SheetLines> sheets(1);
    Line line;
    const auto closeLine = [&] {
        sheets.back().across += line.across;
        sheets.back().lines.push_back(std::move(line));
        line = Line();
    };
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const double along = Along(shapes[i].box, order);
        const double across = Across(shapes[i].box, order);
        const std::size_t lines = sheets.back().lines.size();
        const double usedAcross = sheets.back().across + static_cast<double>(lines) * kMinGapMm;
        if (!line.sections.empty() && (line.along + kMinGapMm + along > areaAlong ||
                                       usedAcross + std::max(line.across, across) > areaAcross)) {
            closeLine();
        }
        if (line.sections.empty() && !sheets.back().lines.empty() &&
            sheets.back().across + static_cast<double>(sheets.back().lines.size()) * kMinGapMm +
                    across >
                areaAcross) {
            sheets.emplace_back();
        }
        line.along += (line.sections.empty() ? 0 : kMinGapMm) + along;
        line.across = std::max(line.across, across);
        line.sections.push_back(i);
    }
    if (!line.sections.empty()) {
        closeLine();
    }
    return sheets;
}

// Places the lines of a sheet with even gaps, each section centred across
// its line.
Sheet PlaceSheet(const SheetLines& lines, const std::vector<SectionShape>& shapes,
                 const RectMm& area, SheetOrder order) {
    Sheet sheet;
    const double gapAcross =
        (Across(area, order) - lines.across) / static_cast<double>(lines.lines.size() + 1);
    double acrossAt = gapAcross;
    for (const Line& line : lines.lines) {
        const double gapAlong = (Along(area, order) - line.along +
                                 kMinGapMm * static_cast<double>(line.sections.size() - 1)) /
                                static_cast<double>(line.sections.size() + 1);
        double alongAt = gapAlong;
        for (const std::size_t i : line.sections) {
            const SectionShape& shape = shapes[i];
            const double across = Across(shape.box, order);
            const double along = Along(shape.box, order);
            const double centred = acrossAt + (line.across - across) / 2;
            RectMm box = shape.box;
            if (order == SheetOrder::Columns) {
                box.left = area.left + centred;
                box.bottom = area.bottom + alongAt;
            } else {
                box.left = area.left + alongAt;
                box.bottom = area.Top() - centred - across;
            }
            PlacedSection placed;
            placed.section = i;
            placed.box = box;
            placed.grid = {box.left - shape.box.left, box.bottom - shape.box.bottom,
                           shape.gridWidth, shape.gridHeight};
            placed.field = shape.field;
            sheet.sections.push_back(placed);
            alongAt += along + gapAlong;
        }
        acrossAt += line.across + gapAcross;
    }
    return sheet;
}

std::optional<int> FittingScale(const SectionExtent& section, int exaggeration,
                                const RectMm& area) {
    for (int power = 10; power <= kMaxSheetScale; power *= 10) {
        for (const int factor : {1, 2, 5}) {
            const int scale = factor * power;
            if (scale <= kMaxSheetScale && Fits(ShapeOf(section, scale, exaggeration), area)) {
                return scale;
            }
        }
    }
    return std::nullopt;
}

std::string Decimal(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value == 0 ? 0.0 : value);
    return text;
}

std::vector<double> GridLines(double from, double to, double step) {
    const auto steps = std::lround((to - from) / step);
    std::vector<double> lines;
    for (long i = 0; i <= steps; ++i) {
        lines.push_back(from + static_cast<double>(i) * step);
    }
    return lines;
}

} // namespace

std::vector<double> GridDistances(const SectionGrid& grid) {
    return GridLines(grid.left, grid.right, grid.stepX);
}

std::vector<double> GridElevations(const SectionGrid& grid) {
    return GridLines(grid.bottom, grid.top, grid.stepY);
}

PaperSize SizeOf(Paper paper) {
    return paper == Paper::A4 ? PaperSize{297, 210} : PaperSize{420, 297};
}

std::string PaperName(Paper paper) {
    return paper == Paper::A4 ? "A4" : "A3";
}

SheetFrame FrameOf(Paper paper) {
    SheetFrame sheet;
    sheet.paper = SizeOf(paper);
    sheet.frame = {kBindingEdgeMm, kMarginMm, sheet.paper.width - kBindingEdgeMm - kMarginMm,
                   sheet.paper.height - 2 * kMarginMm};
    double titleWidth = 0;
    for (const double width : kTitleCellWidthsMm) {
        titleWidth += width;
    }
    sheet.titleBlock = {sheet.frame.Right() - titleWidth, sheet.frame.bottom, titleWidth,
                        kTitleHeightMm};
    double left = sheet.titleBlock.left;
    for (const double width : kTitleCellWidthsMm) {
        sheet.titleCells.push_back({left, sheet.titleBlock.bottom, width, kTitleHeightMm});
        left += width;
    }
    const double bottom = sheet.titleBlock.Top() + kInsetMm;
    sheet.drawingArea = {sheet.frame.left + kInsetMm, bottom, sheet.frame.width - 2 * kInsetMm,
                         sheet.frame.Top() - kInsetMm - bottom};
    return sheet;
}

std::vector<std::string> TitleTexts(const std::string& roadName, int scale, std::size_t page,
                                    std::size_t pages) {
    return {roadName, "横断面图", "1:" + std::to_string(scale),
            "第 " + std::to_string(page) + " 页 共 " + std::to_string(pages) + " 页"};
}

SheetLayout LayOutSheets(const std::vector<SectionExtent>& sections, const SheetOptions& options) {
    SheetLayout layout;
    const RectMm area = FrameOf(options.paper).drawingArea;
    std::vector<SectionShape> shapes;
    shapes.reserve(sections.size());
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (!InRange(sections[i])) {
            layout.tooLarge = i;
            return layout;
        }
        shapes.push_back(ShapeOf(sections[i], options.scale, options.exaggeration));
        if (!Fits(shapes.back(), area)) {
            layout.tooLarge = i;
            layout.fittingScale = FittingScale(sections[i], options.exaggeration, area);
            return layout;
        }
    }
    if (shapes.empty()) {
        return layout;
    }
    for (const SheetLines& lines : FillSheets(shapes, area, options.order)) {
        layout.sheets.push_back(PlaceSheet(lines, shapes, area, options.order));
    }
    return layout;
}

std::string RefusalText(const SheetLayout& layout, const std::vector<SectionExtent>& sections,
                        const SheetOptions& options) {
    if (!layout.tooLarge) {
        return {};
    }
    const SectionExtent& section = sections[*layout.tooLarge];
    if (!InRange(section)) {
        return "断面 " + section.label + " 的距离或高程超出 ±1000000000 m，无法按比例绘制";
    }
    std::string text = "断面 " + section.label + " 按 1:" + std::to_string(options.scale) +
                       " 比例超出 " + PaperName(options.paper) + " 图纸的绘图区，";
    text += layout.fittingScale
                ? "可用 1:" + std::to_string(*layout.fittingScale) + " 或更小的比例"
                : "直到 1:" + std::to_string(kMaxSheetScale) + " 都没有能容下它的比例";
    return text;
}

std::string ElevationNote(double elevation) {
    return "高程 " + Decimal(elevation, 2) + " m";
}

double EstimatedTextWidth(std::string_view utf8, double height) {
    double width = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(utf8[i]);
        if ((byte & 0xC0) == 0x80) {
            continue; // a continuation byte: its character was counted at its start
        }
        // Characters from U+1000 on (CJK among them) are about as wide as high.
        width += (byte >= 0xE1 ? 1.0 : 0.6) * height;
    }
    return width;
}

} // namespace quarvel
