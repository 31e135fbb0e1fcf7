// The sheets' layout: the order of the sections, how many a column and a
// sheet hold, even gaps, and the refusal of a section that does not fit.

#include "sheets/SheetLayout.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace quarvel;

namespace {

SectionExtent Extent(double width, double height, const std::string& label = "K0+000") {
    return {label, 0, width, 30, 30 + height};
}

std::vector<SectionExtent> Equal(std::size_t count, double width, double height) {
    std::vector<SectionExtent> sections;
    for (std::size_t i = 0; i < count; ++i) {
        sections.push_back(Extent(width, height, "K0+" + std::to_string(100 + i)));
    }
    return sections;
}

double CentreX(const RectMm& box) {
    return box.left + box.width / 2;
}

bool Overlap(const RectMm& a, const RectMm& b) {
    return a.left < b.Right() && b.left < a.Right() && a.bottom < b.Top() && b.bottom < a.Top();
}

// The gaps between consecutive intervals [low, high) in order, and before
// the first and after the last within [from, to].
std::vector<double> Gaps(std::vector<std::pair<double, double>> spans, double from, double to) {
    std::sort(spans.begin(), spans.end());
    std::vector<double> gaps;
    double at = from;
    for (const auto& [low, high] : spans) {
        gaps.push_back(low - at);
        at = high;
    }
    gaps.push_back(to - at);
    return gaps;
}

void CompareAll(const std::vector<double>& values, double expected) {
    for (const double value : values) {
        QVERIFY2(std::abs(value - expected) < 1e-9,
                 qPrintable(QStringLiteral("%1 != %2").arg(value).arg(expected)));
    }
}

} // namespace

class SheetLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void columnsFillBottomToTopThenLeftToRight() {
        const std::vector<SectionExtent> sections = Equal(20, 20, 4);
        const SheetLayout layout = LayOutSheets(sections, {});
        QCOMPARE(layout.sheets.size(), std::size_t(1));
        const std::vector<PlacedSection>& placed = layout.sheets[0].sections;
        QCOMPARE(placed.size(), sections.size());
        const RectMm area = FrameOf(Paper::A3).drawingArea;
        const double height = placed[0].box.height;
        // As many as fit the column's height with the least gap (4 mm) between.
        const auto perColumn = static_cast<std::size_t>((area.height + 4) / (height + 4));
        QVERIFY(perColumn >= 2 && perColumn < sections.size());
        for (std::size_t i = 0; i < placed.size(); ++i) {
            QCOMPARE(placed[i].section, i);
            if (i % perColumn == 0) {
                if (i > 0) {
                    QVERIFY(placed[i].box.left > placed[i - 1].box.Right());
                }
                continue;
            }
            QCOMPARE(CentreX(placed[i].box), CentreX(placed[i - 1].box));
            QVERIFY(placed[i].box.bottom > placed[i - 1].box.Top());
        }
    }

    void rowsFillLeftToRightThenTopToBottom() {
        const std::vector<SectionExtent> sections = Equal(12, 20, 4);
        SheetOptions options;
        options.order = SheetOrder::Rows;
        const SheetLayout layout = LayOutSheets(sections, options);
        QCOMPARE(layout.sheets.size(), std::size_t(1));
        const std::vector<PlacedSection>& placed = layout.sheets[0].sections;
        const RectMm area = FrameOf(Paper::A3).drawingArea;
        const auto perRow = static_cast<std::size_t>((area.width + 4) / (placed[0].box.width + 4));
        QVERIFY(perRow >= 2 && perRow < sections.size());
        for (std::size_t i = 1; i < placed.size(); ++i) {
            if (i % perRow == 0) {
                QVERIFY(placed[i].box.Top() < placed[i - 1].box.bottom);
            } else {
                QCOMPARE(placed[i].box.bottom, placed[i - 1].box.bottom);
                QVERIFY(placed[i].box.left > placed[i - 1].box.Right());
            }
        }
    }

    void sectionsAreCentredWithEvenGaps() {
        // One column of three sections of different widths, then one too high
        // to join them.
        std::vector<SectionExtent> sections = {Extent(20, 12), Extent(30, 12), Extent(10, 12),
                                               Extent(20, 40)};
        const SheetLayout layout = LayOutSheets(sections, {});
        QCOMPARE(layout.sheets.size(), std::size_t(1));
        const std::vector<PlacedSection>& placed = layout.sheets[0].sections;
        const RectMm area = FrameOf(Paper::A3).drawingArea;
        QCOMPARE(CentreX(placed[1].box), CentreX(placed[0].box));
        QCOMPARE(CentreX(placed[2].box), CentreX(placed[0].box));
        QVERIFY(placed[3].box.left > placed[1].box.Right());
        std::vector<std::pair<double, double>> column;
        for (std::size_t i = 0; i < 3; ++i) {
            column.emplace_back(placed[i].box.bottom, placed[i].box.Top());
        }
        const std::vector<double> vertical = Gaps(column, area.bottom, area.Top());
        CompareAll(vertical, vertical.front());
        // The lone section of the second column sits in its middle.
        CompareAll(Gaps({{placed[3].box.bottom, placed[3].box.Top()}}, area.bottom, area.Top()),
                   (area.height - placed[3].box.height) / 2);
        // Across: the widest section of the first column, then the second one.
        const std::vector<double> across = Gaps({{placed[1].box.left, placed[1].box.Right()},
                                                 {placed[3].box.left, placed[3].box.Right()}},
                                                area.left, area.Right());
        CompareAll(across, across.front());
    }

    void everySectionLandsOnOneSheetInsideItsArea() {
        for (const Paper paper : {Paper::A3, Paper::A4}) {
            SheetOptions options;
            options.paper = paper;
            const std::vector<SectionExtent> sections = Equal(100, 30, 6);
            const SheetLayout layout = LayOutSheets(sections, options);
            const RectMm area = FrameOf(paper).drawingArea;
            const std::size_t perSheet = layout.sheets[0].sections.size();
            QCOMPARE(layout.sheets.size(), (sections.size() + perSheet - 1) / perSheet);
            std::size_t next = 0;
            for (const Sheet& sheet : layout.sheets) {
                QVERIFY(sheet.sections.size() <= perSheet);
                for (std::size_t i = 0; i < sheet.sections.size(); ++i) {
                    const RectMm& box = sheet.sections[i].box;
                    QCOMPARE(sheet.sections[i].section, next++);
                    QVERIFY(box.left >= area.left - 1e-9 && box.Right() <= area.Right() + 1e-9);
                    QVERIFY(box.bottom >= area.bottom - 1e-9 && box.Top() <= area.Top() + 1e-9);
                    for (std::size_t j = 0; j < i; ++j) {
                        QVERIFY(!Overlap(box, sheet.sections[j].box));
                    }
                }
            }
            QCOMPARE(next, sections.size());
        }
    }

    void aWideSectionStartsAColumnOfItsOwnWhereItWouldWidenOnePastTheSheet() {
        // A3's area is 375 mm wide: a column 267 mm wide, then one of 67 mm
        // that a section of 167 mm would widen beyond it.
        const std::vector<SectionExtent> sections = {Extent(50, 45), Extent(10, 4), Extent(30, 4)};
        const SheetLayout layout = LayOutSheets(sections, {});
        QCOMPARE(layout.sheets.size(), std::size_t(2));
        QCOMPARE(layout.sheets[0].sections.size(), std::size_t(2));
        const RectMm area = FrameOf(Paper::A3).drawingArea;
        for (const PlacedSection& placed : layout.sheets[0].sections) {
            QVERIFY(placed.box.Right() <= area.Right());
        }
    }

    void gridHoldsTheSectionInStepsOfAboutACentimetre() {
        SheetOptions options;
        options.exaggeration = 2;
        const SheetLayout layout = LayOutSheets({{"K1", 1.3, 17.2, 30.4, 33.1}}, options);
        const PlacedSection& placed = layout.sheets.at(0).sections.at(0);
        QCOMPARE(placed.field.stepX, 2.0);
        QCOMPARE(placed.field.stepY, 1.0);
        QCOMPARE(placed.field.left, 0.0);
        QCOMPARE(placed.field.right, 18.0);
        QCOMPARE(placed.field.bottom, 30.0);
        QCOMPARE(placed.field.top, 34.0);
        // 18 m at 1:200 is 90 mm; 4 m up, twice exaggerated, 40 mm.
        QCOMPARE(placed.grid.width, 90.0);
        QCOMPARE(placed.grid.height, 40.0);
        QCOMPARE(ElevationNote(placed.field.bottom), std::string("高程 30.00 m"));
    }

    void aSectionLargerThanASheetIsRefusedWithTheScaleThatFits() {
        // 500 m across: 2.5 m at 1:200, 250 mm at 1:2000 within A3's 375 mm.
        std::vector<SectionExtent> sections = {Extent(20, 4, "K0+100"), Extent(500, 4, "K0+200")};
        SheetOptions options;
        SheetLayout layout = LayOutSheets(sections, options);
        QVERIFY(layout.sheets.empty());
        QCOMPARE(layout.tooLarge, std::optional<std::size_t>(1));
        QCOMPARE(layout.fittingScale, std::optional<int>(2000));
        const std::string text = RefusalText(layout, sections, options);
        QVERIFY(text.find("K0+200") != std::string::npos);
        QVERIFY(text.find("1:200 ") != std::string::npos);
        QVERIFY(text.find("1:2000") != std::string::npos);

        // Up: 100 m is 500 mm at 1:200; at 1:500, 200 mm fit A3's 255 mm,
        // but twice exaggerated only at 1:1000; A4's 168 mm need 1:1000 too.
        sections = {Extent(10, 100)};
        QCOMPARE(LayOutSheets(sections, options).fittingScale, std::optional<int>(500));
        options.exaggeration = 2;
        QCOMPARE(LayOutSheets(sections, options).fittingScale, std::optional<int>(1000));
        options.exaggeration = 1;
        options.paper = Paper::A4;
        QCOMPARE(LayOutSheets(sections, options).fittingScale, std::optional<int>(1000));

        // 10 km is a metre on paper at 1:10000.
        sections = {Extent(10000, 4, "K9+000")};
        layout = LayOutSheets(sections, options);
        QCOMPARE(layout.tooLarge, std::optional<std::size_t>(0));
        QVERIFY(!layout.fittingScale);
        QVERIFY(RefusalText(layout, sections, options).find("直到 1:10000") != std::string::npos);

        // Beyond what the doubles place to the millimetre, however small.
        sections = {{"K1", 1e12, 1e12 + 10, 30, 32}};
        layout = LayOutSheets(sections, options);
        QCOMPARE(layout.tooLarge, std::optional<std::size_t>(0));
        QVERIFY(RefusalText(layout, sections, options).find("无法按比例绘制") != std::string::npos);
    }
};

QTEST_GUILESS_MAIN(SheetLayoutTest)
#include "SheetLayoutTest.moc"
