// The sheets as drawn, the PDF's pages and the preview: each section at its
// true scale on its grid, whatever the scale, the exaggeration and the
// preview's zoom. Read from the painter's commands rather than from pixels,
// so that no rasteriser decides.

#include "SheetSections.h"

#include "sheets/SheetPainter.h"
#include "sheets/SheetPreview.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QTextItem>
#include <QtTest>

#include <algorithm>

using namespace quarvel;
using namespace quarvel::test;

namespace {

struct DrawnText {
    QPointF at;
    QString text;
};

// Keeps the lines, polylines and texts drawn, in the device's coordinates.
class Recorder : public QPaintEngine {
public:
    Recorder() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice* /*device*/) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& changed) override {
        if (changed.state() & QPaintEngine::DirtyTransform) {
            m_transform = changed.transform();
        }
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (mode == PolylineMode) {
            QPolygonF line;
            for (int i = 0; i < count; ++i) {
                line << m_transform.map(points[i]);
            }
            polylines.push_back(line);
        }
    }
    void drawLines(const QLineF* drawn, int count) override {
        for (int i = 0; i < count; ++i) {
            lines.push_back(m_transform.map(drawn[i]));
        }
    }
    void drawTextItem(const QPointF& at, const QTextItem& item) override {
        texts.push_back({m_transform.map(at), item.text()});
    }
    void drawPath(const QPainterPath& /*path*/) override {}
    void drawPixmap(const QRectF& /*r*/, const QPixmap& /*pm*/, const QRectF& /*sr*/) override {}

    std::vector<QPolygonF> polylines;
    std::vector<QLineF> lines;
    std::vector<DrawnText> texts;

private:
    QTransform m_transform;
};

class RecordingDevice : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &recorder; }
    mutable Recorder recorder;

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 4000;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        default:
            return 0;
        }
    }
};

QRectF Bounds(const std::vector<QPolygonF>& polylines) {
    QRectF bounds;
    for (const QPolygonF& line : polylines) {
        bounds = bounds.isNull() ? line.boundingRect() : bounds.united(line.boundingRect());
    }
    return bounds;
}

// The grid: the rectangle its vertical and horizontal lines span.
QRectF GridOf(const std::vector<QLineF>& lines) {
    double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
    for (const QLineF& line : lines) {
        if (qFuzzyCompare(line.x1(), line.x2())) {
            left = std::min(left, line.x1());
            right = std::max(right, line.x1());
        } else if (qFuzzyCompare(line.y1(), line.y2())) {
            top = std::min(top, line.y1());
            bottom = std::max(bottom, line.y1());
        }
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

// A text by its start: the painter hands a text over in runs of one font.
const DrawnText* Find(const std::vector<DrawnText>& texts, const QString& start) {
    const auto found = std::find_if(texts.begin(), texts.end(), [&](const DrawnText& drawn) {
        return drawn.text.startsWith(start);
    });
    return found == texts.end() ? nullptr : &*found;
}

void CompareNear(double actual, double expected, const char* what) {
    QVERIFY2(
        std::abs(actual - expected) < 1e-6,
        qPrintable(QStringLiteral("%1: %2 instead of %3").arg(what).arg(actual).arg(expected)));
}

// 40 m across, its elevations from 30 m to 40 m: the lowest on a grid line
// and the first point on the grid's left edge at every scale tried here.
SheetRequest OneSection(const TempFolder& folder, const SheetOptions& options) {
    SheetRequest request;
    request.roadName = "路";
    request.options = options;
    request.sections.push_back(
        {WriteSection(folder / "k.txt", SectionOfSize(40, 30, 10)), "K0+100"});
    return request;
}

// Checks that the recorded section spans 40 m by 10 m times the exaggeration
// at zoom logical units a paper millimetre, on its grid.
void CheckSection(const Recorder& recorder, const SheetOptions& options, double unitsPerMm) {
    QVERIFY(!recorder.polylines.empty());
    const double perMetre = 1000.0 / options.scale * unitsPerMm;
    const QRectF line = Bounds(recorder.polylines);
    CompareNear(line.width(), 40 * perMetre, "the ground line's width");
    CompareNear(line.height(), 10 * options.exaggeration * perMetre, "the ground line's height");
    const QRectF grid = GridOf(recorder.lines);
    CompareNear(line.left(), grid.left(), "the ground line's start");
    CompareNear(line.bottom(), grid.bottom(), "the ground line's lowest point");

    const DrawnText* note = Find(recorder.texts, QStringLiteral("高程 30.00"));
    QVERIFY(note != nullptr);
    QVERIFY(note->at.x() < grid.left());
    QVERIFY(std::abs(note->at.y() - grid.bottom()) < 2 * unitsPerMm);
    const DrawnText* label = Find(recorder.texts, QStringLiteral("K0+100"));
    QVERIFY(label != nullptr);
    QVERIFY(label->at.y() > grid.bottom());
    QVERIFY(label->at.x() < grid.center().x() && label->at.x() > grid.left());
}

} // namespace

class SheetPainterTest : public QObject {
    Q_OBJECT

private slots:
    void sectionsAreDrawnAtTrueScale_data() {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("exaggeration");
        QTest::newRow("A3 1:200") << int(Paper::A3) << 200 << 1;
        QTest::newRow("A4 1:500, 1:5 exaggerated") << int(Paper::A4) << 500 << 5;
        QTest::newRow("A3 1:150, 1:2 exaggerated") << int(Paper::A3) << 150 << 2;
    }

    void sectionsAreDrawnAtTrueScale() {
        QFETCH(int, paper);
        QFETCH(int, scale);
        QFETCH(int, exaggeration);
        SheetOptions options;
        options.paper = static_cast<Paper>(paper);
        options.scale = scale;
        options.exaggeration = exaggeration;
        TempFolder folder;
        const SheetRequest request = OneSection(folder, options);
        const SheetLayout layout = LayOutSheets({{"K0+100", 0, 40, 30, 40}}, options);
        QCOMPARE(layout.sheets.size(), std::size_t(1));
        std::string failure;
        const auto sections = LoadSheet(request, layout.sheets[0], failure);
        QVERIFY2(!sections.empty(), failure.c_str());

        RecordingDevice device;
        QPainter painter(&device);
        SheetPainter::Draw(painter, request, layout.sheets[0], 1, 1, sections);
        painter.end();
        CheckSection(device.recorder, options, SheetPainter::kUnitsPerMm);
        // On the grid's place in the layout.
        const QRectF grid = GridOf(device.recorder.lines);
        const QRectF placed =
            SheetPainter::Rect(SizeOf(options.paper), layout.sheets[0].sections[0].grid);
        CompareNear(grid.left(), placed.left(), "the grid's left");
        CompareNear(grid.bottom(), placed.bottom(), "the grid's bottom");
        // Paper y runs up, the page's down: the title block below the section.
        const DrawnText* title = Find(device.recorder.texts, QStringLiteral("横断面图"));
        QVERIFY(title != nullptr && title->at.y() > grid.bottom());
    }

    void previewDrawsTheFirstSheetZoomedToFit() {
        TempFolder folder;
        SheetOptions options;
        options.scale = 500;
        options.exaggeration = 2;
        const SheetRequest request = OneSection(folder, options);
        SheetPreview preview;
        preview.SetSections(request.sections, request.rules, request.roadName);
        preview.SetOptions(options);
        QVERIFY2(preview.Problem().isEmpty(), qPrintable(preview.Problem()));
        // Wider than the paper's shape: the height decides the zoom.
        preview.resize(900, 416);
        RecordingDevice device;
        preview.render(&device);
        const double zoom = (416.0 - 16) / (297 * SheetPainter::kUnitsPerMm);
        CheckSection(device.recorder, options, SheetPainter::kUnitsPerMm * zoom);
    }
};

QTEST_MAIN(SheetPainterTest)
#include "SheetPainterTest.moc"
