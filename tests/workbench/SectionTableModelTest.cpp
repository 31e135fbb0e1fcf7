// The table model the window shows and exports: shape, texts made on demand,
// resets that keep views consistent, and the width candidates of big tables.

#include "workbench/SectionTableModel.h"
#include "controls/CListCtrlEx.h"
#include "support/TestSupport.h"
#include "table/TableRules.h"
#include "workbench/CQuarvelDlg.h"

#include <QAbstractItemModelTester>
#include <QFontMetrics>
#include <QTest>

using namespace quarvel;

namespace {

test::TextPoint Point(int number, double station, std::uint32_t kind, const char* note,
                      const char* layer) {
    CDataStruct point;
    point.number = number;
    point.x = 100 + station;
    point.y = 200;
    point.z = 10;
    point.station = station;
    point.pointKind = kind;
    return {point, note, layer};
}

QStringList Column(const QAbstractItemModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        texts.append(model.index(row, column).data().toString());
    }
    return texts;
}

} // namespace

class SectionTableModelTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheSequenceAndTheDataColumns() {
        const PointList points = test::WorkedExamplePoints();
        SectionTableModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 1);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("序号"));

        TableOptions options;
        options.kneeMode = IntersectionsAndKnees;
        options.decimals = 2;
        model.SetTable(SectionTable(points, {"与起点距离", "与前点距离", "图层", "注释"}, options),
                       &points);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.columnCount(), 5);
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("与前点距离"));
        QCOMPARE(Column(model, 0), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(Column(model, 1), QStringList({"0.00", "5.00", "9.50", "12.25"}));
        QCOMPARE(Column(model, 2), QStringList({"0.00", "5.00", "4.50", "2.75"}));
        QCOMPARE(Column(model, 3), QStringList({"(端点)", "DL", "(拐点)", "(端点)"}));
        QCOMPARE(Column(model, 4), QStringList({"", "", "", ""}));
        QCOMPARE(model.index(1, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::Alignment(Qt::AlignCenter));
        QCOMPARE(model.RowText(3), QStringLiteral("12.25\t2.75\t(端点)\t"));

        options.reverse = true;
        model.SetTable(SectionTable(points, {"与起点距离", "与前点距离"}, options), &points);
        QCOMPARE(Column(model, 1), QStringList({"0.00", "2.75", "7.25", "12.25"}));
        QCOMPARE(Column(model, 2), QStringList({"0.00", "2.75", "4.50", "5.00"}));

        // Clearing keeps the captions so that the header does not flicker.
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 3);
        QVERIFY(!model.index(0, 0).isValid());
        QVERIFY(!model.data(model.index(5, 1)).isValid());
    }

    void widthCandidatesHoldTheWidestTextOfBigTables() {
        PointList points;
        constexpr int kCount = 30000;
        points.reserve(kCount);
        for (int i = 0; i < kCount; ++i) {
            test::Add(points, Point(i, i * 0.5, kIntersectionPoint, "", "L"));
        }
        // One point far out and one long note, both where an even sample of
        // rows would miss them.
        points[12345].x = -123456789.125;
        points.SetNote(23457, "这一条注释比其他所有注释都长得多");
        points.SetLayer(23457, "很长很长的图层名称");
        SectionTableModel model;
        model.SetTable(SectionTable(points, {"坐标X", "注释", "图层", "编号"}, TableOptions{}),
                       &points);
        const auto candidates = [&model](int column) {
            return model.headerData(column, Qt::Horizontal, CListCtrlEx::kWidthCandidatesRole)
                .toStringList();
        };
        QCOMPARE(candidates(0), QStringList({QString::number(kCount)}));
        QVERIFY(candidates(1).contains(QStringLiteral("-123456789.125")));
        QVERIFY(candidates(2).contains(QStringLiteral("这一条注释比其他所有注释都长得多")));
        QVERIFY(candidates(3).contains(QStringLiteral("很长很长的图层名称")));
        QVERIFY(candidates(4).contains(QString::number(kCount)));
        QVERIFY(candidates(1).size() < 100);
    }
};

QTEST_MAIN(SectionTableModelTest)
#include "SectionTableModelTest.moc"
