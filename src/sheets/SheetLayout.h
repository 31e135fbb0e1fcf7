#pragma once

// The layout of cross-section sheets, without Qt: the PDF's painter and the
// DXF writer place everything from it, so that both draw the same sheets.
// Lengths on paper are in millimetres, from the paper's bottom left corner,
// y upwards (as a CAD drawing runs); lengths in the field are in metres.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

enum class Paper { A3, A4 };
enum class SheetOrder {
    Columns, // bottom to top, then left to right: the order of Chinese road drawings
    Rows,    // left to right, then top to bottom
};

constexpr int kMinSheetScale = 10;
constexpr int kMaxSheetScale = 10000;
constexpr int kDefaultSheetScale = 200;

struct SheetOptions {
    Paper paper = Paper::A3;
    int scale = kDefaultSheetScale; // 1:scale across
    int exaggeration = 1;           // one metre up drawn this many times one across
    SheetOrder order = SheetOrder::Columns;
};

struct RectMm {
    double left = 0;
    double bottom = 0;
    double width = 0;
    double height = 0;

    double Right() const { return left + width; }
    double Top() const { return bottom + height; }
};

// Text heights on paper.
constexpr double kTitleTextMm = 3.5;
constexpr double kLabelTextMm = 3.5;
constexpr double kNoteTextMm = 2.5;
// A point's mark reaches this far from it on paper (the profile's 3.5 of
// 1/96 inch).
constexpr double kMarkMm = 3.5 * 25.4 / 96;

// The paper, landscape.
struct PaperSize {
    double width = 0;
    double height = 0;
};
PaperSize SizeOf(Paper paper);
// "A3" or "A4".
std::string PaperName(Paper paper);

// The fixed parts of every sheet: the frame inside the binding edge and the
// margins, the title block in its bottom right corner with its cells (the
// road's name, "横断面图", the scale, the page), and the area left for the
// sections.
struct SheetFrame {
    PaperSize paper;
    RectMm frame;
    RectMm titleBlock;
    std::vector<RectMm> titleCells;
    RectMm drawingArea;
};
SheetFrame FrameOf(Paper paper);

// The texts of a sheet's title block, in the order of its cells.
std::vector<std::string> TitleTexts(const std::string& roadName, int scale, std::size_t page,
                                    std::size_t pages);

// What the layout needs to know of a section: its label and the extents of
// the rows drawn.
struct SectionExtent {
    std::string label;
    double minX = 0;
    double maxX = 0;
    double minY = 0;
    double maxY = 0;
};

// A section's grid in the field: the section's extents rounded out to whole
// steps, each step about a centimetre on paper.
struct SectionGrid {
    double left = 0;
    double right = 0;
    double bottom = 0;
    double top = 0;
    double stepX = 1;
    double stepY = 1;
};

// Where the grid's lines stand in the field: the distances of those across
// and the elevations of those up, from the grid's first to its last.
std::vector<double> GridDistances(const SectionGrid& grid);
std::vector<double> GridElevations(const SectionGrid& grid);

// A section on its sheet.
struct PlacedSection {
    std::size_t section = 0; // index into the extents laid out
    RectMm box;              // everything it draws: elevation note, grid, marks, label
    RectMm grid;             // the grid on paper
    SectionGrid field;       // the same grid in the field
};

struct Sheet {
    std::vector<PlacedSection> sections;
};

struct SheetLayout {
    std::vector<Sheet> sheets;
    // Set when a section does not fit one sheet's drawing area: nothing is
    // laid out then.
    std::optional<std::size_t> tooLarge;
    // The largest round scale (1, 2 or 5 times a power of ten) down to
    // 1:kMaxSheetScale at which that section fits; nothing when none does.
    std::optional<int> fittingScale;
};

SheetLayout LayOutSheets(const std::vector<SectionExtent>& sections, const SheetOptions& options);

// Why the layout was refused, for the user: the section, the sheet and the
// scale that would fit.
std::string RefusalText(const SheetLayout& layout, const std::vector<SectionExtent>& sections,
                        const SheetOptions& options);

// The note at the left of a section's lowest grid line: "高程 35.00 m".
std::string ElevationNote(double elevation);

// About how wide a text is on paper: a Chinese character as wide as the text
// is high, any other about 0.6 of that. The layout makes room by it; the
// drawings measure with their fonts where they can.
double EstimatedTextWidth(std::string_view utf8, double height);

// The paper's millimetres in the field at 1:scale.
inline double FieldMetres(double millimetres, int scale) {
    return millimetres * scale / 1000.0;
}

} // namespace quarvel
