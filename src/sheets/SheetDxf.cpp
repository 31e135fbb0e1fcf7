#include "sheets/SheetDxf.h"

#include "files/AtomicFile.h"
#include "sheets/DxfOut.h"

#include <dl_dxf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quarvel {
namespace {

// Sheets lie this far apart on paper, side by side.
constexpr double kSheetGapMm = 20;
// Every handle the file uses stays below this: CAD programs give new objects
// the handles from here on.
constexpr int kHandleSeed = 0x7FFFFFF;

// Layer names and texts come from file names and headers: no line breaks.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    return text;
}

DL_Attributes OnLayer(const char* layer, int colour = 256) {
    return DL_Attributes(layer, colour, -1, "BYLAYER", 1.0);
}

void WriteHeader(DxfOut& out, const SheetRequest& request, std::size_t sheets) {
    const PaperSize paper = SizeOf(request.options.paper);
    const int scale = request.options.scale;
    const double width = static_cast<double>(sheets) * SheetSpacing(request.options.paper, scale) -
                         FieldMetres(kSheetGapMm, scale);
    const double height = FieldMetres(paper.height, scale);
    out.sectionHeader();
    out.dxfString(9, "$ACADVER");
    out.dxfString(1, "AC1015");
    out.dxfString(9, "$DWGCODEPAGE");
    out.dxfString(3, "ANSI_936");
    out.dxfString(9, "$HANDSEED");
    out.dxfHex(5, kHandleSeed);
    out.dxfString(9, "$INSUNITS");
    out.dxfInt(70, 6); // metres
    out.dxfString(9, "$MEASUREMENT");
    out.dxfInt(70, 1); // metric
    for (const auto& [name, x, y] : {std::tuple{"$EXTMIN", 0.0, 0.0}, {"$EXTMAX", width, height}}) {
        out.dxfString(9, name);
        out.dxfReal(10, x);
        out.dxfReal(20, y);
        out.dxfReal(30, 0.0);
    }
    for (const auto& [name, x, y] : {std::tuple{"$LIMMIN", 0.0, 0.0}, {"$LIMMAX", width, height}}) {
        out.dxfString(9, name);
        out.dxfReal(10, x);
        out.dxfReal(20, y);
    }
    out.dxfString(9, "$TEXTSTYLE");
    out.dxfString(7, kTextStyle);
    out.sectionEnd();
}

void WriteLayer(DxfOut& out, const char* name, int colour) {
    out.tableLayerEntry(std::string_view(name) == "0" ? 0x10 : 0);
    out.dxfString(2, name);
    out.dxfInt(70, 0);
    out.dxfInt(62, colour);
    out.dxfString(6, "CONTINUOUS");
    out.dxfInt(370, -3);
    out.dxfHex(390, 0xF);
}

// A style with a TrueType font: the file in group 3 and its family in the
// ACAD extended data, as CAD programs write one.
void WriteTrueTypeStyle(DxfOut& out) {
    out.dxfString(0, "STYLE");
    out.handle();
    out.dxfString(100, "AcDbSymbolTableRecord");
    out.dxfString(100, "AcDbTextStyleTableRecord");
    out.dxfString(2, kTextStyle);
    out.dxfInt(70, 0);
    out.dxfReal(40, 0.0);
    out.dxfReal(41, 1.0);
    out.dxfReal(50, 0.0);
    out.dxfInt(71, 0);
    out.dxfReal(42, 2.5);
    out.dxfString(3, kTextFont);
    out.dxfString(4, "");
    out.dxfString(1001, "ACAD");
    out.dxfString(1000, "宋体");
    out.dxfInt(1071, 0);
}

void WriteTables(DL_Dxf& dxf, DxfOut& out) {
    out.sectionTables();
    dxf.writeVPort(out);
    out.tableLinetypes(3);
    dxf.writeLinetype(out, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
    dxf.writeLinetype(out, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
    dxf.writeLinetype(out, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
    out.tableEnd();
    out.tableLayers(5);
    WriteLayer(out, "0", 7);
    WriteLayer(out, kLineLayer, 7);
    WriteLayer(out, kPointLayer, 1);
    WriteLayer(out, kNoteLayer, 7);
    WriteLayer(out, kFrameLayer, 7);
    out.tableEnd();
    out.tableStyle(2);
    DL_StyleData standard("Standard", 0, 0.0, 1.0, 0.0, 0, 2.5, "txt", "");
    dxf.writeStyle(out, standard);
    WriteTrueTypeStyle(out);
    out.tableEnd();
    dxf.writeView(out);
    dxf.writeUcs(out);
    out.tableAppid(1);
    dxf.writeAppid(out, "ACAD");
    out.tableEnd();
    dxf.writeDimStyle(out, 2.5, 0.625, 0.625, 0.625, 2.5);
    dxf.writeBlockRecord(out);
    out.tableEnd();
    out.sectionEnd();
    out.sectionBlocks();
    for (const char* block : {"*Model_Space", "*Paper_Space", "*Paper_Space0"}) {
        dxf.writeBlock(out, DL_BlockData(block, 0, 0.0, 0.0, 0.0));
        dxf.writeEndBlock(out, block);
    }
    out.sectionEnd();
}

// Draws in the field's metres: a sheet's paper millimetres go to its place
// at 1:scale.
class SheetPen {
public:
    SheetPen(DL_Dxf& dxf, DxfOut& out, double sheetLeft, int scale)
        : m_dxf(dxf), m_out(out), m_sheetLeft(sheetLeft), m_scale(scale) {}

    double X(double millimetres) const { return m_sheetLeft + FieldMetres(millimetres, m_scale); }
    double Y(double millimetres) const { return FieldMetres(millimetres, m_scale); }
    double Length(double millimetres) const { return FieldMetres(millimetres, m_scale); }

    void Rectangle(const RectMm& rect, const char* layer) const {
        Closed({{X(rect.left), Y(rect.bottom)},
                {X(rect.Right()), Y(rect.bottom)},
                {X(rect.Right()), Y(rect.Top())},
                {X(rect.left), Y(rect.Top())}},
               layer);
    }
    void Closed(const std::vector<std::pair<double, double>>& points, const char* layer) const {
        m_dxf.writePolyline(m_out, DL_PolylineData(static_cast<int>(points.size()), 0, 0, 1),
                            OnLayer(layer));
        for (const auto& [x, y] : points) {
            m_dxf.writeVertex(m_out, DL_VertexData(x, y));
        }
        m_dxf.writePolylineEnd(m_out);
    }
    // Text of the paper's height (mm) at a point of the field, aligned
    // horizontally (0 left, 1 centre, 2 right) and vertically (2 middle,
    // 3 top).
    void Text(double x, double y, double heightMm, int horizontal, int vertical,
              const std::string& text) const {
        m_dxf.writeText(m_out,
                        DL_TextData(x, y, 0, x, y, 0, Length(heightMm), 1.0, 0, horizontal,
                                    vertical, OneLine(text), kTextStyle, 0),
                        OnLayer(kNoteLayer));
    }
    void Line(double x1, double y1, double x2, double y2, const char* layer, int colour) const {
        m_dxf.writeLine(m_out, DL_LineData(x1, y1, 0, x2, y2, 0), OnLayer(layer, colour));
    }
    DL_Dxf& Dxf() const { return m_dxf; }
    DxfOut& Out() const { return m_out; }

private:
    DL_Dxf& m_dxf;
    DxfOut& m_out;
    double m_sheetLeft;
    int m_scale;
};

void WriteFrame(const SheetPen& pen, const SheetFrame& frame,
                const std::vector<std::string>& titles) {
    // The paper's edge: plotted at 1:scale it is the sheet, so a CAD user
    // plots it by its outline without knowing the margins.
    pen.Rectangle({0, 0, frame.paper.width, frame.paper.height}, kFrameLayer);
    pen.Rectangle(frame.frame, kFrameLayer);
    pen.Rectangle(frame.titleBlock, kFrameLayer);
    for (std::size_t i = 0; i < frame.titleCells.size(); ++i) {
        const RectMm& cell = frame.titleCells[i];
        pen.Rectangle(cell, kFrameLayer);
        pen.Text(pen.X(cell.left + cell.width / 2), pen.Y(cell.bottom + cell.height / 2),
                 kTitleTextMm, 1, 2, titles[i]);
    }
}

void WriteMark(const SheetPen& pen, double x, double y, MarkKind kind) {
    const double r = pen.Length(kMarkMm);
    switch (kind) {
    case MarkKind::End:
        pen.Closed({{x - r, y - r}, {x + r, y - r}, {x + r, y + r}, {x - r, y + r}}, kPointLayer);
        return;
    case MarkKind::Knee: {
        const double d = r * 4.5 / 3.5; // the profile's diamond reaches one unit further
        pen.Closed({{x, y - d}, {x + d, y}, {x, y + d}, {x - d, y}}, kPointLayer);
        return;
    }
    case MarkKind::Other:
        pen.Dxf().writeCircle(pen.Out(), DL_CircleData(x, y, 0, r * 2.5 / 3.5),
                              OnLayer(kPointLayer));
        return;
    case MarkKind::Intersection:
    case MarkKind::Added:
        break;
    }
    pen.Dxf().writeCircle(pen.Out(), DL_CircleData(x, y, 0, r), OnLayer(kPointLayer));
}

void WriteSection(const SheetPen& pen, const PlacedSection& placed, const DrawnSection& section,
                  const std::string& label, int exaggeration) {
    const SectionGrid& field = placed.field;
    // The section at true size: a metre across is a metre, one up is
    // exaggeration metres.
    const double originX = pen.X(placed.grid.left);
    const double originY = pen.Y(placed.grid.bottom);
    const auto x = [&](double value) { return originX + (value - field.left); };
    const auto y = [&](double value) { return originY + (value - field.bottom) * exaggeration; };
    for (const double distance : GridDistances(field)) {
        pen.Line(x(distance), y(field.bottom), x(distance), y(field.top), kNoteLayer, 8);
    }
    for (const double elevation : GridElevations(field)) {
        pen.Line(x(field.left), y(elevation), x(field.right), y(elevation), kNoteLayer, 8);
    }
    // Rows beyond the doubles' drawable range are left out, as the profile
    // leaves them out; the layout placed the section by the others.
    const ProfileData& data = section.data;
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < data.Size(); ++row) {
        if (data.Drawable(row)) {
            rows.push_back(row);
        }
    }
    if (rows.size() >= 2) {
        pen.Dxf().writePolyline(pen.Out(), DL_PolylineData(static_cast<int>(rows.size()), 0, 0, 0),
                                OnLayer(kLineLayer));
        for (const std::size_t row : rows) {
            pen.Dxf().writeVertex(pen.Out(), DL_VertexData(x(data.X(row)), y(data.Y(row))));
        }
        pen.Dxf().writePolylineEnd(pen.Out());
    }
    for (const std::size_t row : rows) {
        WriteMark(pen, x(data.X(row)), y(data.Y(row)), data.Kind(row));
    }
    pen.Text(originX - pen.Length(1.5), originY, kNoteTextMm, 2, 2, ElevationNote(field.bottom));
    pen.Text((x(field.left) + x(field.right)) / 2, originY - pen.Length(2), kLabelTextMm, 1, 3,
             label);
}

} // namespace

double SheetSpacing(Paper paper, int scale) {
    return FieldMetres(SizeOf(paper).width + kSheetGapMm, scale);
}

bool WriteSheetsDxf(const std::filesystem::path& target, const SheetRequest& request,
                    const SheetLayout& layout, std::string& reason, const SheetProgress& progress) {
    AtomicFile file(target);
    if (!file.Open()) {
        reason = file.Reason();
        return false;
    }
    DxfOut out(file);
    DL_Dxf dxf;
    WriteHeader(out, request, layout.sheets.size());
    WriteTables(dxf, out);
    out.sectionEntities();
    const SheetFrame frame = FrameOf(request.options.paper);
    const int scale = request.options.scale;
    const auto drawSheet = [&](std::size_t page, const Sheet& sheet,
                               const std::vector<std::unique_ptr<DrawnSection>>& sections) {
        const SheetPen pen(dxf, out,
                           static_cast<double>(page) * SheetSpacing(request.options.paper, scale),
                           scale);
        WriteFrame(pen, frame, TitleTexts(request.roadName, scale, page + 1, layout.sheets.size()));
        for (std::size_t i = 0; i < sheet.sections.size(); ++i) {
            const PlacedSection& placed = sheet.sections[i];
            WriteSection(pen, placed, *sections[i], request.sections[placed.section].label,
                         request.options.exaggeration);
        }
        return true;
    };
    if (!DrawSheets(request, layout, reason, progress, drawSheet)) {
        return false;
    }
    out.sectionEnd();
    out.TrackOwners();
    dxf.writeObjects(out);
    dxf.writeObjectsEnd(out);
    out.dxfEOF();
    if (!out.Finish() || !file.Commit()) {
        reason = file.Reason();
        return false;
    }
    return true;
}

} // namespace quarvel
