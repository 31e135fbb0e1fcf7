#include "controls/CListCtrlEx.h"
#include "controls/CBandedRowDelegate.h"
#include "controls/CHeaderCtrlEx.h"

#include <QAbstractTableModel>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QImage>
#include <QStandardItemModel>
#include <QtTest>
#include <cmath>
#include <functional>

using quarvel::CBandedRowDelegate;
using quarvel::CListCtrlEx;

namespace {

// A table whose cells are computed, with an optional list of widest candidates per column and
// a count of the cell reads, so that large tables need no memory and reads can be checked.
class GeneratedModel : public QAbstractTableModel {
public:
    GeneratedModel(int rows, int columns) : m_rows(rows), m_columns(columns) {}

    int rowCount(const QModelIndex& = {}) const override { return m_rows; }
    int columnCount(const QModelIndex& = {}) const override { return m_columns; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole) {
            return {};
        }
        ++m_reads;
        if (index.row() == m_wideRow && index.column() == m_wideColumn) {
            return m_wideText;
        }
        return m_filler ? m_filler(index.row()) : QString::number(index.row() % 100);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == CListCtrlEx::kWidthCandidatesRole &&
            m_provideCandidates) {
            return QStringList{QStringLiteral("99"), m_wideText};
        }
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    void PlantWideCell(int row, int column, const QString& text) {
        m_wideRow = row;
        m_wideColumn = column;
        m_wideText = text;
    }
    void ProvideCandidates(bool provide) { m_provideCandidates = provide; }
    void SetFiller(std::function<QString(int row)> filler) { m_filler = std::move(filler); }
    long long Reads() const { return m_reads; }

private:
    int m_rows;
    int m_columns;
    int m_wideRow = -1;
    int m_wideColumn = -1;
    QString m_wideText;
    bool m_provideCandidates = false;
    std::function<QString(int row)> m_filler;
    mutable long long m_reads = 0;
};

QStandardItemModel* MakeModel(QObject* parent, const QList<QStringList>& rows) {
    auto* model = new QStandardItemModel(parent);
    for (const QStringList& row : rows) {
        QList<QStandardItem*> items;
        for (const QString& text : row) {
            items << new QStandardItem(text);
        }
        model->appendRow(items);
    }
    return model;
}

} // namespace

class CListCtrlExTest : public QObject {
    Q_OBJECT

private:
    // What the view needs to show text in full: the delegate's own size hint and the grid line.
    static int NeededWidth(const CListCtrlEx& list, const QString& text) {
        return static_cast<int>(std::ceil(QFontMetricsF(list.font()).horizontalAdvance(text))) +
               2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 1;
    }

private slots:
    void ConstructionSetsUpTheReportLook() {
        CListCtrlEx list;
        QVERIFY(list.HeaderCtrl() != nullptr);
        QCOMPARE(static_cast<QHeaderView*>(list.HeaderCtrl()), list.horizontalHeader());
        QVERIFY(list.showGrid());
        QCOMPARE(list.selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(list.verticalHeader()->isHidden());

        list.setModel(MakeModel(&list, {{"a"}, {"b"}, {"c"}}));
        QCOMPARE(list.rowHeight(0), 22);
        QCOMPARE(list.rowHeight(2), 22);
        // A press on a caption neither sorts nor selects a column.
        QVERIFY(!list.horizontalHeader()->sectionsClickable());
        QVERIFY(!list.isSortingEnabled());
    }

    void EvenRowsAreBandedWhateverTheModelPaints() {
        CListCtrlEx list;
        list.setObjectName("bandedList");
        QStandardItemModel* model = MakeModel(&list, {{"1", "x"}, {"2", "y"}, {"3", "z"}});
        // A model's own background must not break the banding.
        model->item(0, 1)->setBackground(Qt::red);
        model->item(1, 0)->setBackground(Qt::green);
        list.setModel(model);
        // Not shown: the focused cell's frame of the style would cover part of row 0.
        list.resize(300, 200);

        const QImage image = list.viewport()->grab().toImage();
        const QColor window = list.palette().color(QPalette::Base);
        for (int column = 0; column < 2; ++column) {
            const int x = list.columnViewportPosition(column) + list.columnWidth(column) - 5;
            for (int row = 0; row < 3; ++row) {
                const int y = list.rowViewportPosition(row) + 2;
                const QColor expected = row % 2 == 0 ? CBandedRowDelegate::BandColor() : window;
                QCOMPARE(image.pixelColor(x, y), expected);
            }
        }
    }

    void AutoSizeCutsWidensAndKeeps() {
        CListCtrlEx list;
        const QString longText(60, QLatin1Char('W'));
        QStandardItemModel* model =
            MakeModel(&list, {{"1", "ab", longText, "x", "x"}, {"22", "abc", "y", "y", "y"}});
        list.setModel(model);
        list.setColumnWidth(0, 40);  // wider than its content: kept
        list.setColumnWidth(1, 4);   // narrower than its content: widened
        list.setColumnWidth(2, 80);  // content beyond 150: cut to 150
        list.setColumnWidth(3, 400); // wider than 150: cut back
        list.setColumnWidth(4, 2);   // narrower than the minimum
        model->setHorizontalHeaderLabels({"序号", QString(40, QLatin1Char('M'))});

        list.AutoSizeColumns();

        QCOMPARE(list.columnWidth(0), 40);
        // The caption of column 1 is much wider than its cells and does not count.
        QCOMPARE(list.columnWidth(1), std::max(10, NeededWidth(list, "abc")));
        QCOMPARE(list.columnWidth(2), 150);
        QCOMPARE(list.columnWidth(3), 150);
        QCOMPARE(list.columnWidth(4), std::max(10, NeededWidth(list, "x")));
        QVERIFY(list.columnWidth(4) >= 10);
    }

    void AutoSizeShowsTheWidestCellInFull() {
        // Texts whose fractional advances round down would be cut with an ellipsis.
        for (const QString& text : QStringList{"12.345", "1234567.891", "与起点距离很长", "illi"}) {
            CListCtrlEx list;
            list.setFont(QFont("Sans Serif", 9));
            list.setModel(MakeModel(&list, {{"9"}, {text}, {"1"}}));
            list.setColumnWidth(0, 10);
            list.AutoSizeColumns();
            // The view's own measure: the delegate's margins and the grid line.
            QCOMPARE(list.columnWidth(0),
                     static_cast<const QAbstractItemView&>(list).sizeHintForColumn(0));
        }
    }

    void AutoSizeOnEmptyListsKeepsWidths() {
        CListCtrlEx list;
        list.AutoSizeColumns(); // no model at all
        auto* model = new QStandardItemModel(0, 3, &list);
        list.setModel(model);
        list.setColumnWidth(0, 40);
        list.setColumnWidth(1, 80);
        list.setColumnWidth(2, 200);
        list.AutoSizeColumns();
        QCOMPARE(list.columnWidth(0), 40);
        QCOMPARE(list.columnWidth(1), 80);
        QCOMPARE(list.columnWidth(2), 150);
    }

    void AutoSizeMeasuresEveryCellUpToTheExactLimit() {
        CListCtrlEx list;
        GeneratedModel model(CListCtrlEx::kExactRowLimit, 1);
        model.PlantWideCell(CListCtrlEx::kExactRowLimit - 1, 0, "88888888");
        list.setModel(&model);
        list.setColumnWidth(0, 10);
        list.AutoSizeColumns();
        QCOMPARE(list.columnWidth(0), NeededWidth(list, "88888888"));
    }

    void AutoSizeOnAMillionRowsReadsOnlyCandidates() {
        CListCtrlEx list;
        GeneratedModel model(1000000, 3);
        model.PlantWideCell(765432, 1, "1234567.890");
        model.ProvideCandidates(true);
        list.setModel(&model);
        for (int column = 0; column < 3; ++column) {
            list.setColumnWidth(column, 10);
        }
        // Its time is measured by window_open_benchmark.
        const long long readsBefore = model.Reads();
        list.AutoSizeColumns();
        QVERIFY(model.Reads() - readsBefore < 1000);
        QCOMPARE(list.columnWidth(1), NeededWidth(list, "1234567.890"));
    }

    void AutoSizeWithoutCandidatesFindsTheLongestText() {
        CListCtrlEx list;
        GeneratedModel model(CListCtrlEx::kExactRowLimit * 3, 2);
        // Three ideographs are wider than any two-digit number and than "99999".
        model.PlantWideCell(25000, 1, "与前点");
        list.setModel(&model);
        list.setColumnWidth(1, 10);
        list.AutoSizeColumns();
        QCOMPARE(list.columnWidth(1), std::min(150, NeededWidth(list, "与前点")));

        // Hundreds of different texts with more but narrower letters than the widest one.
        CListCtrlEx narrowList;
        GeneratedModel narrow(CListCtrlEx::kExactRowLimit * 3, 1);
        narrow.SetFiller([](int row) { return "lllllllll" + QString::number(row % 500); });
        narrow.PlantWideCell(20000, 0, "MMMMMM");
        QVERIFY(NeededWidth(narrowList, "MMMMMM") > NeededWidth(narrowList, "lllllllll499"));
        narrowList.setModel(&narrow);
        narrowList.setColumnWidth(0, 10);
        narrowList.AutoSizeColumns();
        QCOMPARE(narrowList.columnWidth(0), std::min(150, NeededWidth(narrowList, "MMMMMM")));
    }

    void HeaderChoicesSkipTheFirstColumn() {
        CListCtrlEx list;
        auto* model = new QStandardItemModel(1, 4, &list);
        list.setModel(model);
        list.SetHeaderChoices("a\nb");
        QVERIFY(!list.HeaderCtrl()->HasChoices(0));
        for (int column = 1; column < 4; ++column) {
            QCOMPARE(list.HeaderCtrl()->Choices(column), QString("a\nb"));
        }
        // A narrower table leaves no chooser behind on a column that is gone.
        model->setColumnCount(2);
        list.SetHeaderChoices("c");
        QCOMPARE(list.HeaderCtrl()->Choices(1), QString("c"));
        QVERIFY(!list.HeaderCtrl()->HasChoices(2));
    }
};

QTEST_MAIN(CListCtrlExTest)
#include "CListCtrlExTest.moc"
