// The profile: metres to pixels, ticks, the reduced million-point line
// against the full one, degenerate sections, and the drawing linked with the
// table both ways in the real window.

#include "workbench/WindowHarness.h"

#include "SectionPoints.h"

#include "profile/ProfileGeometry.h"
#include "profile/ProfilePainter.h"
#include "profile/ProfilePicture.h"
#include "profile/SectionProfileView.h"
#include "workbench/MainMenu.h"

#include <QAction>
#include <QHelpEvent>
#include <QImage>
#include <QItemSelectionModel>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>
#include <limits>
#include <optional>

using namespace quarvel;
using namespace quarvel::test;

namespace {

QImage Render(const ProfileScene& scene, const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    ProfilePainter::Draw(painter, QRectF(QPointF(0, 0), QSizeF(size)), scene);
    return image;
}

// Topmost and bottommost pixel of each column of rect dark enough to be the line.
std::vector<std::pair<int, int>> InkExtents(const QImage& image, const QRect& rect) {
    std::vector<std::pair<int, int>> extents;
    for (int x = rect.left(); x <= rect.right(); ++x) {
        int top = -1;
        int bottom = -1;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            if (qGray(image.pixel(x, y)) < 128) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        }
        extents.emplace_back(top, bottom);
    }
    return extents;
}

// 200,000 rows 1 cm apart along a wave with spikes up and down.
std::vector<std::pair<double, double>> SpikyRows() {
    std::vector<std::pair<double, double>> rows;
    for (int i = 0; i < 200000; ++i) {
        const double spike = i % 997 == 0 ? 6 : (i % 1451 == 0 ? -6 : 0);
        rows.emplace_back(i * 0.01, std::sin(i * 0.001) + 0.3 * std::sin(i * 0.37) + spike);
    }
    return rows;
}

// The columns inside the plot where one drawing reaches higher or lower than
// the other. The rasteriser may put a steep segment's pixels into the column
// beside its end points, and ends a segment a pixel or two short depending
// on where it goes next: every extreme of one drawing must show in the other
// within a column either side and two pixels up or down. Where a steep
// segment meets the plot's left or right edge, rasterisers clip it a few
// pixels apart (Windows' build does): the two columns at each edge are left out.
int DifferingColumns(const QImage& a, const QImage& b, const ProfileViewport& viewport) {
    const QRect plot = viewport.plot.toAlignedRect().adjusted(2, 1, -2, -1);
    const auto extentsA = InkExtents(a, plot);
    const auto extentsB = InkExtents(b, plot);
    const auto reaches = [](const auto& extents, std::size_t x, std::pair<int, int> want) {
        if (want.first < 0) {
            return true; // nothing to reach
        }
        int top = std::numeric_limits<int>::max();
        int bottom = -1;
        for (const std::size_t near : {x - 1, x, x + 1}) {
            if (near < extents.size() && extents[near].first >= 0) {
                top = std::min(top, extents[near].first);
                bottom = std::max(bottom, extents[near].second);
            }
        }
        return top <= want.first + 2 && bottom >= want.second - 2;
    };
    int differing = 0;
    for (std::size_t x = 0; x < extentsA.size(); ++x) {
        differing += reaches(extentsA, x, extentsB[x]) && reaches(extentsB, x, extentsA[x]) ? 0 : 1;
    }
    return differing;
}

void Wheel(QWidget* widget, const QPointF& at, int steps) {
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

QPoint PixelOfRow(const SectionProfileView* view, int row) {
    const ProfileData& data = view->Data();
    const auto index = static_cast<std::size_t>(row);
    return view->Viewport().Pixel(data.X(index), data.Y(index)).toPoint();
}

} // namespace

class SectionProfileViewTest : public QObject {
    Q_OBJECT

private slots:
    void mapsMetresToPixelsAtTrueScaleAndExaggerated() {
        // 100 m across and 4 m up in a 1000 x 500 plot, 4 % room at each side.
        const QRectF plot(0, 0, 1000, 500);
        QCOMPARE(ProfileViewport::Fit(plot, 0, 100, 0, 4, 1).Pixel(100, 4), QPointF(960, 231.6));
        QCOMPARE(ProfileViewport::Fit(plot, 0, 100, 0, 4, 5).Pixel(100, 4), QPointF(960, 158));
        QCOMPARE(ProfileViewport::Fit(plot, 0, 100, 0, 4, kAutoExaggeration).Pixel(0, 0),
                 QPointF(40, 480));
        // Room the exaggeration leaves across lies beyond the end: the
        // distance axis starts near zero, not 200 m before it.
        QCOMPARE(ProfileViewport::Fit(plot, 0, 10, 0, 40, 5).Pixel(0, 0), QPointF(40, 480));

        // Drawn: the worked example's ordinary point sits in its layer's colour
        // on the pixel the mapping gives, at true scale and at 1:5.
        const PointList points = WorkedExamplePoints();
        TableOptions options;
        options.kneeMode = IntersectionsAndKnees;
        const SectionTable table(points, {}, options);
        const ProfileData data(table, {"DL"});
        for (const int exaggeration : {1, 5}) {
            const ProfileScene scene = ProfilePicture::WholeSection(
                QRectF(0, 0, 800, 400), data, &table, QString(), exaggeration);
            const ProfileViewport& viewport = scene.viewport;
            QCOMPARE(viewport.pixelsPerMetreY, viewport.pixelsPerMetreX * exaggeration);
            const QPoint at = viewport.Pixel(5, 11).toPoint();
            QCOMPARE(Render(scene, QSize(800, 400)).pixelColor(at), ProfilePainter::LayerColour(0));
        }
    }

    void choosesRoundTicks() {
        QCOMPARE(NiceStep(0.7, 5), 0.2);
        QCOMPARE(NiceStep(40, 10), 5.0);
        QCOMPARE(NiceStep(3, 3), 1.0);
        QCOMPARE(NiceStep(1234, 5), 500.0);
        QCOMPARE(NiceStep(0.0042, 4), 0.002);
        const std::vector<double> ticks = TickValues(-1, 1.1, 0.5);
        QCOMPARE(ticks, std::vector<double>({-1, -0.5, 0, 0.5, 1}));
        QVERIFY(!std::signbit(ticks[2])); // "0", never "-0"
        QCOMPARE(TickDecimals(0.2), 1);
        QCOMPARE(TickDecimals(0.05), 2);
        QCOMPARE(TickDecimals(5), 0);

        // Far from zero a step adds nothing to a multiple: each value once,
        // and never more than a plot can show.
        QCOMPARE(TickValues(1e17, 1e17, 1), std::vector<double>({1e17}));
        QCOMPARE(TickValues(1e17, 1e17 + 64, 1).size(), std::size_t(5));
        QCOMPARE(TickValues(1e300, 1e300, 1).size(), std::size_t(1));
        QVERIFY(TickValues(0, 1e6, 1).empty());
        QVERIFY(TickValues(0, std::numeric_limits<double>::infinity(), 1e300).empty());
    }

    // 200,000 points with spikes and a few points out of order, drawn with
    // the line reduced to each pixel column's first, lowest, highest and last
    // point and drawn whole: every column reaches as high and as low.
    void reducedLineKeepsEveryExtreme() {
        std::vector<std::pair<double, double>> rows = SpikyRows();
        for (std::size_t i = 5000; i < rows.size(); i += 20011) {
            std::swap(rows[i].first, rows[i + 1].first); // a swapped point
        }
        const PointList points = SectionPoints(rows);
        const SectionTable table(points, {}, TableOptions{});
        const ProfileData data(table, {"A"});
        ProfileScene scene = ProfilePicture::WholeSection(QRectF(0, 0, 1200, 400), data, &table,
                                                          QString(), kAutoExaggeration);
        scene.antialias = false;
        const auto differing = [&scene] {
            scene.reduce = true;
            const QImage reduced = Render(scene, QSize(1200, 400));
            scene.reduce = false;
            return DifferingColumns(reduced, Render(scene, QSize(1200, 400)), scene.viewport);
        };
        QCOMPARE(differing(), 0);
        // Zoomed in, the rows out of order are all drawn; those left and right
        // of the plot each share a column outside it.
        scene.marks = false;
        scene.viewport.centreX = 1234.5;
        scene.viewport.pixelsPerMetreX *= 40;
        QCOMPARE(differing(), 0);

        std::vector<QPointF> line;
        ReduceToColumns(data.Xs(), data.Ys(), 0, data.Size(), scene.viewport, 1, line);
        QVERIFY(line.size() <= 4 * static_cast<std::size_t>(scene.viewport.plot.width() + 2));
    }

    // Zoomed in and panned, the plot's edges cut the line: what the picture
    // draws of it (reduced, clipped, only the rows in view and their
    // neighbours) matches every row drawn whole, to the plot's edges.
    void reducedLineMatchesEveryRowZoomedAndPanned() {
        const PointList points = SectionPoints(SpikyRows());
        const SectionTable table(points, {}, TableOptions{});
        const ProfileData data(table, {"A"});
        ProfileScene scene = ProfilePicture::WholeSection(QRectF(0, 0, 1200, 400), data, &table,
                                                          QString(), kAutoExaggeration);
        scene.antialias = false;
        scene.marks = false;
        // Zoomed across (and a little up, so that spikes leave the plot)
        // around a distance, then panned.
        const auto view = [whole = scene.viewport](double x, double across, const QPointF& pan) {
            ProfileViewport viewport = whole;
            viewport.centreX = x;
            viewport.pixelsPerMetreX *= across;
            viewport.pixelsPerMetreY *= 1.5;
            viewport.PanBy(pan);
            return viewport;
        };
        const std::vector<ProfileViewport> views = {
            view(1234.5, 40, {}),            // about four rows a column
            view(1000, 3000, {310, 45}),     // rows 17 px apart
            view(777.777, 30000, {0, -20})}; // rows 170 px apart, a few in view
        for (const ProfileViewport& viewport : views) {
            scene.viewport = viewport;
            QImage every(1200, 400, QImage::Format_ARGB32_Premultiplied);
            every.fill(Qt::white);
            {
                QPainter painter(&every);
                painter.setClipRect(viewport.plot);
                painter.setPen(QPen(Qt::black, 0));
                std::vector<QPointF> line;
                // Every row within a metre of the plot: beyond, the rasteriser
                // loses precision.
                for (std::size_t row = 0; row < data.Size(); ++row) {
                    if (data.X(row) > viewport.LeftX() - 1 && data.X(row) < viewport.RightX() + 1) {
                        line.push_back(viewport.Pixel(data.X(row), data.Y(row)));
                    }
                }
                painter.drawPolyline(line.data(), static_cast<int>(line.size()));
            }
            QCOMPARE(DifferingColumns(Render(scene, QSize(1200, 400)), every, viewport), 0);
        }
    }

    // No rows, one row, all at one distance, all at one elevation, values so
    // large that the doubles between them are few or that a reversed
    // distance overflows: the plot keeps a usable scale, every point that has
    // a value lands inside it, and the one that has none is counted.
    void degenerateSectionsDrawSensibly() {
        const std::vector<std::vector<std::pair<double, double>>> sections = {
            {},
            {{3, 7}},
            {{5, 1}, {5, 2}, {5, 4}},
            {{0, 9}, {10, 9}, {20, 9}},
            {{1e17, 5}},
            {{0, 1e16}, {5, 1e16}, {9, 1e16}},
            {{-1e308, 5}, {1e308, 6}}};
        for (const auto& rows : sections) {
            const PointList points = SectionPoints(rows);
            for (const bool reverse : {false, true}) {
                TableOptions options;
                options.reverse = reverse;
                const SectionTable table(points, {}, options);
                const ProfileData data(table, {"A"});
                const ProfileScene scene = ProfilePicture::WholeSection(
                    QRectF(0, 0, 600, 300), data, &table, QStringLiteral("t"), 1);
                const ProfileViewport& viewport = scene.viewport;
                QVERIFY(viewport.IsResolvable());
                QCOMPARE(viewport.pixelsPerMetreY, viewport.pixelsPerMetreX);
                const QImage image = Render(scene, QSize(600, 300));
                for (std::size_t row = 0; row < data.Size(); ++row) {
                    const QPointF at = viewport.Pixel(data.X(row), data.Y(row));
                    if (data.Drawable(row)) {
                        QVERIFY(viewport.plot.contains(at));
                        QCOMPARE(image.pixelColor(at.toPoint()), ProfilePainter::LayerColour(0));
                    }
                }
                // Beyond 1e300 m nothing is drawn, and the header says so;
                // reversed, the end lies at 0.
                const std::size_t beyond = rows.size() == 2 ? (reverse ? 1 : 2) : 0;
                QCOMPARE(data.UndrawableRows(), beyond);
                QCOMPARE(ProfilePainter::HeaderTexts(scene).contains(
                             QStringLiteral("%1 个点超出可画范围，未画出").arg(beyond)),
                         beyond > 0);
            }
        }

        // The line breaks at a point without a value, and at a segment too
        // long to measure; one from far away enters and leaves where it should.
        const double inf = std::numeric_limits<double>::infinity();
        const auto parts = ClipPolyline({{10, 10},
                                         {inf, 20},
                                         {30, 30},
                                         {40, 40},
                                         {1e308, 40},
                                         {-1e308, 40},
                                         {50, 50},
                                         {-1e307, 60},
                                         {1e5, 60},
                                         {50, 50},
                                         {-1e307, -2e306}},
                                        QRectF(0, 0, 100, 100));
        QCOMPARE(parts, std::vector<std::vector<QPointF>>(
                            {{{30, 30}, {40, 40}, {100, 40}},
                             {{0, 50}, {50, 50}, {0, 50}},
                             {{0, 60}, {100, 60}},
                             {{100, 50 + 50 * (10.0 / 99950)}, {50, 50}, {0, 40}}}));

        // Zoomed in as far as the wheel goes, a section at 1e17 m stops where
        // its doubles run out, and still draws.
        WindowHarness h;
        h.OpenThroughButton(h.WriteFile(QStringLiteral("far.txt"),
                                        "HWT3.8\n0,0,0,K0,\n2\n1,0,0,5,1e17,0,a,0,0,A,0,\n"
                                        "2,0,0,6,100000000000000064,0,b,0,0,A,0,\n"));
        SectionProfileView* view = h.window->Profile();
        for (int i = 0; i < 100; ++i) {
            Wheel(view, view->Viewport().plot.center(), 3);
        }
        QVERIFY(view->Viewport().IsResolvable());
        QVERIFY(!view->grab().isNull());
    }

    // A note goes where it covers neither the line, nor a mark, nor another
    // note, inside the plot; with no such place it is left out.
    void notesKeepClearOfTheLineAndTheMarks() {
        const QRectF plot(0, 0, 400, 200);
        const auto markAt = [](const QPointF& at) {
            return QRectF(at - QPointF(kMarkRadius, kMarkRadius),
                          QSizeF(2 * kMarkRadius, 2 * kMarkRadius));
        };
        const auto clear = [&](const std::optional<QRectF>& rect, const std::vector<QPointF>& line,
                               const std::vector<QPointF>& marks) {
            if (!rect) {
                return false;
            }
            for (std::size_t i = 1; i < line.size(); ++i) {
                QPointF a = line[i - 1];
                QPointF b = line[i];
                if (ClipSegment(a, b, *rect)) {
                    return false;
                }
            }
            return plot.contains(*rect) &&
                   std::none_of(marks.begin(), marks.end(),
                                [&](const QPointF& at) { return markAt(at).intersects(*rect); });
        };
        // Above, below and beside the rising line a long note crosses it but
        // in one place.
        std::vector<QPointF> line = {{0, 150}, {100, 100}, {200, 20}};
        std::vector<QPointF> marks = {{100, 100}};
        QVERIFY(clear(PlaceNotes(marks, {{120, 16}}, plot, line).front(), line, marks));
        // Nor where the mark at the line's end would be covered.
        line = {{0, 100}, {100, 100}, {130, 95}};
        marks = {{100, 100}, {130, 95}};
        QVERIFY(clear(PlaceNotes(marks, {{120, 16}, {}}, plot, line).front(), line, marks));
        // Close neighbours' notes move aside; a note wider than the plot and
        // one without text are left out.
        line = {{0, 100}, {400, 100}};
        marks = {{100, 100}, {140, 100}, {200, 100}, {300, 100}};
        const auto notes = PlaceNotes(marks, {{60, 16}, {60, 16}, {401, 16}, {}}, plot, line);
        QVERIFY(clear(notes[0], line, marks) && clear(notes[1], line, marks));
        QVERIFY(!notes[0]->intersects(*notes[1]));
        QVERIFY(!notes[2] && !notes[3]);

        // Drawn: the note on a rising section sits beside its mark, off the line.
        PointList points = SectionPoints({{0, 0}, {10, 10}, {20, 20}});
        points[1].note = "一条相当长的注释";
        const SectionTable table(points, {}, TableOptions{});
        const ProfileData data(table, {"A"});
        ProfileScene scene = ProfilePicture::WholeSection(QRectF(0, 0, 500, 300), data, &table,
                                                          QString(), kAutoExaggeration);
        scene.antialias = false;
        const QImage withNote = Render(scene, QSize(500, 300));
        scene.table = nullptr;
        const QImage without = Render(scene, QSize(500, 300));
        QRect text;
        for (int y = 0; y < withNote.height(); ++y) {
            for (int x = 0; x < withNote.width(); ++x) {
                if (withNote.pixel(x, y) != without.pixel(x, y)) {
                    text |= QRect(x, y, 1, 1);
                }
            }
        }
        QVERIFY(!text.isEmpty());
        const QPointF at = scene.viewport.Pixel(10, 10);
        QVERIFY2(text.right() < at.x() - 6 && text.bottom() < at.y() - 6,
                 qPrintable(QStringLiteral("note at %1,%2 %3x%4, its point at %5,%6")
                                .arg(text.x())
                                .arg(text.y())
                                .arg(text.width())
                                .arg(text.height())
                                .arg(at.x())
                                .arg(at.y())));
    }

    // The legend names what the picture draws: points without a layer and
    // of other kinds too, and nothing of a section too dense for marks,
    // which draws none. In the panel it keeps clear of the exaggeration box.
    void legendNamesWhatIsDrawn() {
        PointList points = SectionPoints({{0, 1}, {5, 2}, {10, 1}, {15, 3}});
        points[1].layer.clear();
        points[2].pointKind = kAddedPoint;
        points[3].pointKind = 7;
        SectionTable table(points, {}, TableOptions{});
        ProfileData data(table, {"A"});
        const QRectF area(0, 0, 600, 300);
        ProfileScene scene =
            ProfilePicture::WholeSection(area, data, &table, QString(), kAutoExaggeration);
        QCOMPARE(ProfilePainter::HeaderTexts(scene),
                 QStringList({"A", "无图层", "加点", "其他点"}));

        std::vector<std::pair<double, double>> rows;
        for (int i = 0; i < 3000; ++i) {
            rows.emplace_back(i * 0.1, std::sin(i * 0.05));
        }
        points = SectionPoints(rows);
        table = SectionTable(points, {}, TableOptions{});
        data = ProfileData(table, {"A"});
        scene = ProfilePicture::WholeSection(area, data, &table, QString(), kAutoExaggeration);
        QVERIFY(ProfilePainter::HeaderTexts(scene).isEmpty());
        const auto marked = [&scene] {
            const QImage image = Render(scene, QSize(600, 300));
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (image.pixelColor(x, y) == ProfilePainter::LayerColour(0)) {
                        return true;
                    }
                }
            }
            return false;
        };
        QVERIFY(!marked());
        scene.viewport.ZoomAt(scene.viewport.plot.center(), 100); // 30 points across
        QVERIFY(marked());

        WindowHarness h;
        h.OpenThroughButton(h.WriteFile(QStringLiteral("one.txt"),
                                        "HWT3.8\n0,0,0,K0,\n2\n1,0,0,5,0,0,a,0,0,A,0,\n"
                                        "2,0,0,6,10,0,b,0,0,A,0,\n"));
        const SectionProfileView* view = h.window->Profile();
        QVERIFY(
            !view->ExaggerationBox()->geometry().intersects(view->Viewport().plot.toAlignedRect()));
    }

    // The profile draws exactly the table's rows: their distance from start
    // and elevation, after every view option.
    void followsEveryViewOption() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        SectionProfileView* view = h.window->Profile();
        const auto drawsTheTable = [&] {
            const SectionTable& table = h.window->TableModel()->Table();
            const ProfileData& data = view->Data();
            if (data.Size() != table.RowCount() || static_cast<int>(data.Size()) != h.Rows()) {
                return false;
            }
            for (std::size_t row = 0; row < data.Size(); ++row) {
                if (FormatValue(data.X(row), 3) != table.FieldText(row, Field::DistanceFromStart) ||
                    FormatValue(data.Y(row), 3) != table.FieldText(row, Field::Z)) {
                    return false;
                }
            }
            return true;
        };
        QVERIFY(drawsTheTable());
        QVERIFY(!view->Data().HasKind(MarkKind::Knee));
        h.KneeCombo()->setCurrentIndex(IntersectionsAndKnees);
        QVERIFY(drawsTheTable());
        QVERIFY(view->Data().HasKind(MarkKind::Knee));
        QVERIFY(h.ClickLayer(QStringLiteral("边沟")));
        QTest::mouseClick(h.Button("layerFilterButton"), Qt::LeftButton);
        QVERIFY(drawsTheTable());
        const LayerList& layers = view->Data().Layers();
        for (const std::uint16_t layer : view->Data().ShownLayers()) {
            QVERIFY(layers[layer] != "边沟");
        }
        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
        QVERIFY(drawsTheTable());
        QCOMPARE(view->Data().X(0), 0.0); // a reversed table draws from the section's end
        QCOMPARE(view->Title(), QStringLiteral("section-3.8.txt"));
    }

    // The empty panel tells why it is empty: no file yet, a section without points, or a table
    // whose options leave no row.
    void emptyPanelSaysWhy() {
        WindowHarness h;
        const SectionProfileView* view = h.window->Profile();
        QCOMPARE(view->EmptyHint(), QStringLiteral("打开数据文件后，这里显示断面图"));
        h.OpenThroughButton(
            h.WriteFile(QStringLiteral("none.txt"), QByteArrayLiteral("HWT3.8\nheader\n0\n")));
        QVERIFY(view->Data().Empty());
        QCOMPARE(view->EmptyHint(), QStringLiteral("该断面没有可画的点"));
        h.OpenThroughButton(h.WriteFile(
            QStringLiteral("one.txt"),
            QByteArrayLiteral("HWT3.8\n0,0,0,0,K0+000,\n1\n2,103,204,11,5,0,,0,0,DL,0,\n")));
        QCOMPARE(h.Rows(), 1);
        h.KneeCombo()->setCurrentIndex(KneesOnly);
        QCOMPARE(h.Rows(), 0);
        QCOMPARE(view->EmptyHint(), QStringLiteral("表格中没有可画的点"));
    }

    void pointsAndRowsSelectEachOther() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        SectionProfileView* view = h.window->Profile();
        QItemSelectionModel* selection = h.List()->selectionModel();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));

        // Hovering a point tells its row as the table shows it.
        QHelpEvent help(QEvent::ToolTip, PixelOfRow(view, 4),
                        view->mapToGlobal(PixelOfRow(view, 4)));
        QApplication::sendEvent(view, &help);
        const QString tip = QToolTip::text();
        QVERIFY2(tip.contains(QStringLiteral("序号：5")) &&
                     tip.contains(QStringLiteral("编号：7")) &&
                     tip.contains(QStringLiteral("高程Z：33.900")) &&
                     tip.contains(QStringLiteral("与起点距离：10.000")),
                 qPrintable(tip));

        // Zoomed in on a point, a click on it selects its row and the list
        // scrolls to it.
        const ProfileViewport fitted = view->Viewport();
        Wheel(view, PixelOfRow(view, 4), 12);
        QVERIFY(view->Viewport().pixelsPerMetreX > fitted.pixelsPerMetreX * 10);
        QTest::mouseClick(view, Qt::LeftButton, {}, PixelOfRow(view, 4));
        QCOMPARE(selection->selectedRows().size(), 1);
        QCOMPARE(selection->currentIndex().row(), 4);

        // A row selected in the table far outside the zoomed view brings its
        // point into view, ringed.
        selection->setCurrentIndex(h.Model()->index(10, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QVERIFY(view->Viewport().plot.contains(PixelOfRow(view, 10)));
        QCOMPARE(view->SelectedRows(), RowRanges({{10, 10}}));

        // A drag pans by as many pixels; a double-click shows it all again.
        const QPoint before = PixelOfRow(view, 10);
        QTest::mousePress(view, Qt::LeftButton, {}, before + QPoint(3, 3));
        QTest::mouseMove(view, before + QPoint(43, 23));
        QTest::mouseRelease(view, Qt::LeftButton, {}, before + QPoint(43, 23));
        QCOMPARE(PixelOfRow(view, 10), before + QPoint(40, 20));
        QCOMPARE(selection->currentIndex().row(), 10); // a drag selects nothing
        QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(view->Viewport().pixelsPerMetreX, fitted.pixelsPerMetreX);
        QCOMPARE(view->Viewport().centreX, fitted.centreX);
    }

    // The view menu hides the profile (F7), and a restart keeps that, its
    // height and the exaggeration.
    void menuAndSettingsKeepTheProfile() {
        WindowHarness h;
        const QList<QAction*> menus = h.window->Menu()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[1]->text(), QStringLiteral("视图(&V)"));
        QCOMPARE(menus[2]->text(), QStringLiteral("帮助(&H)"));
        QAction* toggle = h.window->Menu()->ProfileAction();
        QCOMPARE(toggle->text(), QStringLiteral("断面图"));
        QCOMPARE(toggle->shortcut(), QKeySequence(Qt::Key_F7));
        QVERIFY(h.window->Profile()->isVisible());

        auto* exaggeration =
            h.window->Profile()->findChild<QComboBox*>(QStringLiteral("exaggeration"));
        exaggeration->setCurrentIndex(exaggeration->findText(QStringLiteral("1:5")));
        QCOMPARE(h.window->Profile()->Exaggeration(), 5);
        QTest::keyClick(h.List(), Qt::Key_F7);
        QVERIFY(!h.window->Profile()->isVisible());
        QVERIFY(!toggle->isChecked());
        h.window->close();

        h.Start();
        QVERIFY(!h.window->Profile()->isVisible());
        QVERIFY(!h.window->Menu()->ProfileAction()->isChecked());
        QCOMPARE(h.window->Profile()->Exaggeration(), 5);
        h.window->Menu()->ProfileAction()->trigger();
        QVERIFY(h.window->Profile()->isVisible());
    }
};

QTEST_MAIN(SectionProfileViewTest)
#include "SectionProfileViewTest.moc"
