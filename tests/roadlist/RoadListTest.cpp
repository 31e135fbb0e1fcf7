// The road's list: its rows, the marks the reading behind it leaves, and the
// choosing of a section.

#include "roadlist/RoadList.h"
#include "roadlist/RoadListModel.h"
#include "support/TestSupport.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

#include <filesystem>
#include <string>
#include <vector>

using namespace quarvel;
namespace fs = std::filesystem;

namespace {

QString Cell(const RoadListModel& model, int row, int column, int role = Qt::DisplayRole) {
    return model.index(row, column).data(role).toString();
}

// Sections of the example files, in the order given.
std::vector<RoadSection> Examples(const std::vector<const char*>& names) {
    std::vector<RoadSection> sections;
    for (const char* name : names) {
        sections.push_back(ReadRoadSection(test::ExampleFile(name)));
    }
    return sections;
}

} // namespace

class RoadListTest : public QObject {
    Q_OBJECT

private slots:
    void aSectionIsMarkedOnceAndUnmarkedWhenItReads() {
        RoadListModel model;
        model.SetSections(Examples({"section-3.8.txt", "section-3.0.txt"}));
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("桩号"));
        QCOMPARE(Cell(model, 0, RoadListModel::LabelColumn), QStringLiteral("K0+860"));
        QCOMPARE(Cell(model, 1, RoadListModel::FileColumn), QStringLiteral("section-3.0.txt"));
        QCOMPARE(Cell(model, 1, RoadListModel::PointsColumn), QString()); // not read yet

        model.SetFailed(1, QStringLiteral("非本软件数据格式文件: x"));
        model.SetFailed(1, QStringLiteral("文件导入失败: x"));
        QCOMPARE(model.FailedCount(), 1);
        QVERIFY(!model.index(1, 0).data(Qt::DecorationRole).isNull());
        QCOMPARE(Cell(model, 1, RoadListModel::FileColumn, Qt::ToolTipRole),
                 QStringLiteral("文件导入失败: x"));
        QCOMPARE(Cell(model, 1, RoadListModel::PointsColumn), QStringLiteral("—"));

        model.SetRead(1, 10);
        QCOMPARE(model.FailedCount(), 0);
        QVERIFY(model.index(1, 0).data(Qt::DecorationRole).isNull());
        QCOMPARE(Cell(model, 1, RoadListModel::PointsColumn), QStringLiteral("10"));
        QVERIFY(Cell(model, 1, RoadListModel::LabelColumn, Qt::ToolTipRole)
                    .endsWith(QStringLiteral("section-3.0.txt")));
        model.SetFailed(7, QStringLiteral("no such row"));
        QCOMPARE(model.FailedCount(), 0);
    }

    // Behind the list every section is read: the count of its points, or the
    // reason it cannot be read, as the road's export gives it.
    void theSectionsAreReadBehindTheList() {
        const test::TempFolder folder;
        QVERIFY(test::WriteFileBytes(folder / "notes.txt", "notes\r\n"));
        std::vector<RoadSection> sections = Examples({"section-3.8.txt", "section-3.6.txt"});
        sections.push_back(ReadRoadSection(folder / "notes.txt"));
        RoadList list;
        QSignalSpy finished(&list, &RoadList::scanFinished);
        list.SetRoad(sections);
        QVERIFY(finished.wait(10000));
        const RoadListModel& model = *list.Model();
        QCOMPARE(model.PointCount(0), std::optional<std::size_t>(14));
        QCOMPARE(model.PointCount(1), std::optional<std::size_t>(12));
        QVERIFY(model.IsFailed(2));
        QVERIFY2(model.Failure(2).startsWith(QStringLiteral("非本软件数据格式文件: ")),
                 qPrintable(model.Failure(2)));
        QVERIFY(model.Failure(2).contains(QStringLiteral("notes.txt")));
    }

    // What was read of the road before must not land on the rows of the next.
    void aNewRoadDropsWhatWasReadOfTheOldOne() {
        const test::TempFolder folder;
        std::vector<RoadSection> bad;
        for (int i = 0; i < 200; ++i) {
            const fs::path file = folder / ("bad" + std::to_string(i) + ".txt");
            QVERIFY(test::WriteFileBytes(file, "notes\r\n"));
            bad.push_back(ReadRoadSection(file));
        }
        RoadList list;
        QSignalSpy finished(&list, &RoadList::scanFinished);
        list.SetRoad(bad);
        QTest::qSleep(50); // the old road's reading has told some rows by now
        list.SetRoad(Examples({"section-3.8.txt", "section-3.0.txt", "section-3.6.txt"}));
        QVERIFY(finished.wait(10000));
        QTest::qWait(200);
        QCOMPARE(list.Model()->FailedCount(), 0);
        QCOMPARE(list.Model()->PointCount(1), std::optional<std::size_t>(10));
    }

    // The count at the right of a row stays in sight, also when the list is narrow.
    void theCountStaysInSightHoweverNarrow() {
        RoadList list;
        list.SetRoad(Examples({"section-3.8.txt"}));
        list.show();
        for (const int width : {list.sizeHint().width(), list.sizeHint().width() * 2 / 3}) {
            list.resize(width, 300);
            QVERIFY(QTest::qWaitForWindowExposed(&list));
            const QHeaderView* header = list.View()->header();
            const int right = header->sectionViewportPosition(RoadListModel::PointsColumn) +
                              header->sectionSize(RoadListModel::PointsColumn);
            QVERIFY2(right <= list.View()->viewport()->width(),
                     qPrintable(QStringLiteral("%1 > %2").arg(right).arg(
                         list.View()->viewport()->width())));
            QVERIFY(header->sectionSize(RoadListModel::PointsColumn) >=
                    list.fontMetrics().horizontalAdvance(QStringLiteral("99999")));
        }
    }

    void nextAndPreviousChooseOnceAndStopAtTheEnds() {
        RoadList list;
        list.SetRoad(Examples({"section-3.8.txt", "section-3.0.txt", "section-3.6.txt"}));
        QSignalSpy chosen(&list, &RoadList::sectionChosen);
        QCOMPARE(list.CurrentRow(), -1);
        QVERIFY(!list.Previous());
        QVERIFY(list.Next());
        QVERIFY(list.Next());
        QVERIFY(list.Next());
        QVERIFY(!list.Next());
        QCOMPARE(list.CurrentRow(), 2);
        list.Choose(2); // chosen already
        list.ShowChosen(0);
        QCOMPARE(list.CurrentRow(), 0);
        QVERIFY(list.Previous() == false);
        QCOMPARE(chosen.size(), 3);
        QCOMPARE(chosen.at(0).at(0).toInt(), 0);
        QCOMPARE(chosen.at(2).at(0).toInt(), 2);

        // The user's keys choose as well.
        list.View()->setFocus();
        QTest::keyClick(list.View(), Qt::Key_Down);
        QCOMPARE(chosen.size(), 4);
        QCOMPARE(chosen.last().at(0).toInt(), 1);
    }
};

QTEST_MAIN(RoadListTest)
#include "RoadListTest.moc"
