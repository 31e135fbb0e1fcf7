#include "controls/CHeaderCtrlEx.h"
#include "controls/CListCellCombo.h"
#include "controls/CListCtrlEx.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>
#include <memory>

using quarvel::CHeaderCtrlEx;
using quarvel::CListCellCombo;
using quarvel::CListCtrlEx;

namespace {

const QString kFields = "编号\n坐标X\n坐标Y\n高程Z\n与起点距离\n与前点距离\n注释\n方位\n图层";

// The report list as the window sets it up: a sequence column and data columns with choosers.
struct Table {
    explicit Table(const QStringList& captions, const QString& choices = kFields) {
        list = std::make_unique<CListCtrlEx>();
        list->setObjectName("reportList");
        model = new QStandardItemModel(2, static_cast<int>(captions.size()), list.get());
        model->setHorizontalHeaderLabels(captions);
        list->setModel(model);
        list->setColumnWidth(0, 40);
        for (int column = 1; column < captions.size(); ++column) {
            list->setColumnWidth(column, 80);
        }
        list->SetHeaderChoices(choices);
        list->resize(500, 200);
        list->show();
        list->activateWindow();
    }
    bool Ready() const { return QTest::qWaitForWindowActive(list.get()); }
    CHeaderCtrlEx* Header() const { return list->HeaderCtrl(); }
    QWidget* Surface() const { return Header()->viewport(); }
    QPoint SectionPoint(int section, int xOffset) const {
        return {Header()->sectionViewportPosition(section) + xOffset, Header()->height() / 2};
    }
    QPoint SectionCentre(int section) const {
        return SectionPoint(section, Header()->sectionSize(section) / 2);
    }
    CListCellCombo* Press(int section) const {
        QTest::mouseClick(Surface(), Qt::LeftButton, {}, SectionCentre(section));
        return Header()->CellCombo();
    }

    std::unique_ptr<CListCtrlEx> list;
    QStandardItemModel* model = nullptr;
};

const QStringList kCaptions{"序号", "编号", "坐标X", "高程z", "坐标", "未知"};

} // namespace

class CHeaderCtrlExTest : public QObject {
    Q_OBJECT

private slots:
    void PressOpensAComboExactlyOverTheSection() {
        Table table(kCaptions);
        QVERIFY(table.Ready());
        CListCellCombo* combo = table.Press(2);
        QVERIFY(combo != nullptr);
        QCOMPARE(combo->Column(), 2);
        const CHeaderCtrlEx& header = *table.Header();
        QCOMPARE(combo->geometry(), QRect(header.sectionViewportPosition(2), 0,
                                          header.sectionSize(2), header.viewport()->height()));
        QVERIFY(combo->isVisible());
        QVERIFY(!combo->view()->isVisible()); // not dropped down
        QTRY_VERIFY(combo->hasFocus());
        QCOMPARE(combo->count(), 9);
        QCOMPARE(combo->currentText(), QString("坐标X"));
    }

    void CaptionSelectsTheFirstPrefixMatchFromTheSecondItem_data() {
        QTest::addColumn<int>("section");
        QTest::addColumn<int>("expected");
        QTest::newRow("exact") << 2 << 1;
        QTest::newRow("first item comes last") << 1 << 0;
        QTest::newRow("ignoring case") << 3 << 3;
        QTest::newRow("prefix of several") << 4 << 1;
        QTest::newRow("no match") << 5 << 0;
    }
    void CaptionSelectsTheFirstPrefixMatchFromTheSecondItem() {
        QFETCH(int, section);
        QFETCH(int, expected);
        Table table(kCaptions);
        QVERIFY(table.Ready());
        CListCellCombo* combo = table.Press(section);
        QVERIFY(combo != nullptr);
        QCOMPARE(combo->currentIndex(), expected);
    }

    void ChoicesKeepEmptyPieces() {
        Table table({"序号", "A"}, "a\n\nb\n");
        QVERIFY(table.Ready());
        CListCellCombo* combo = table.Press(1);
        QVERIFY(combo != nullptr);
        QCOMPARE(combo->count(), 4);
        QCOMPARE(combo->itemText(3), QString());
    }

    void FirstColumnAndItsDividerBehaveAsUsual() {
        Table table(kCaptions);
        QVERIFY(table.Ready());
        QVERIFY(table.Press(0) == nullptr);

        // Dragging from column 0's divider zone, inside column 0, resizes it.
        const QPoint divider = table.SectionPoint(1, -1);
        QTest::mousePress(table.Surface(), Qt::LeftButton, {}, divider);
        QTest::mouseMove(table.Surface(), divider + QPoint(30, 0));
        QTest::mouseRelease(table.Surface(), Qt::LeftButton, {}, divider + QPoint(30, 0));
        QVERIFY(table.Header()->CellCombo() == nullptr);
        QCOMPARE(table.list->columnWidth(0), 70);
    }

    void PressOnTheDividerInsideAChooserOpensIt() {
        Table table(kCaptions);
        QVERIFY(table.Ready());
        const QPoint inside = table.SectionPoint(1, 1);
        QTest::mousePress(table.Surface(), Qt::LeftButton, {}, inside);
        QTest::mouseMove(table.Surface(), inside + QPoint(30, 0));
        QTest::mouseRelease(table.Surface(), Qt::LeftButton, {}, inside + QPoint(30, 0));
        QVERIFY(table.Header()->CellCombo() != nullptr);
        QCOMPARE(table.Header()->CellCombo()->Column(), 1);
        QCOMPARE(table.list->columnWidth(0), 40);
    }

    // Once the chooser is gone the keys go to the table; the key that chose moves no row.
    void ChoiceIsReportedOnceAndTheKeysGoToTheTable() {
        Table table(kCaptions);
        QVERIFY(table.Ready());
        table.list->setCurrentIndex(table.model->index(0, 1));
        QSignalSpy spy(table.Header(), &CHeaderCtrlEx::fieldChosen);
        QPointer<CListCellCombo> combo = table.Press(2);
        QVERIFY(combo != nullptr);
        QTRY_VERIFY(combo->hasFocus());
        // Left to itself, Qt would give the focus to the widget that comes next.
        auto* next = new QLineEdit(table.list.get());
        next->show();
        QTest::keyClick(combo.data(), Qt::Key_Down);

        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 2);
        QCOMPARE(spy.at(0).at(1).toString(), QString("坐标Y"));
        QVERIFY(table.list->hasFocus());
        QCOMPARE(table.list->currentIndex().row(), 0);
        // The header never changes a caption itself.
        QCOMPARE(table.model->headerData(2, Qt::Horizontal).toString(), QString("坐标X"));
        QVERIFY(table.Header()->CellCombo() == nullptr);
        QTRY_VERIFY(combo.isNull());

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(table.list->currentIndex().row(), 1);
        QCOMPARE(spy.count(), 1);
        QVERIFY(table.Header()->findChild<CListCellCombo*>() == nullptr);
    }

    void SecondChooserEndsTheFirstSilently() {
        Table table(kCaptions);
        QVERIFY(table.Ready());
        QSignalSpy spy(table.Header(), &CHeaderCtrlEx::fieldChosen);
        QPointer<CListCellCombo> first = table.Press(1);
        QPointer<CListCellCombo> second = table.Press(3);
        QVERIFY(first != nullptr && second != nullptr && first != second);
        QTRY_VERIFY(first.isNull());
        QVERIFY(second != nullptr);
        QCOMPARE(table.Header()->CellCombo(), second.data());
        QCOMPARE(spy.count(), 0);
    }

    void ClosingTheListWhileAChooserIsOpenLeavesNothing() {
        Table table(kCaptions);
        QVERIFY(table.Ready());
        QSignalSpy spy(table.Header(), &CHeaderCtrlEx::fieldChosen);
        QPointer<CListCellCombo> combo = table.Press(2);
        QVERIFY(combo != nullptr);
        table.list.reset();
        QVERIFY(combo.isNull());
        QCOMPARE(spy.count(), 0);
    }

    void SectionsDrawGreyLinesAndACaptionBelowTheTop() {
        Table table({"序号", "编号"});
        QVERIFY(table.Ready());
        const CHeaderCtrlEx& header = *table.Header();
        const QImage image = header.viewport()->grab().toImage();
        const QColor grey(190, 190, 190);
        const int right = header.sectionViewportPosition(1) - 1;
        const int bottom = header.height() - 1;
        QCOMPARE(image.pixelColor(right, 2), grey);
        QCOMPARE(image.pixelColor(right, bottom - 2), grey);
        QCOMPARE(image.pixelColor(right - 10, bottom), grey);

        // The caption starts 6 px below the top: nothing of it above, some of it below.
        const QColor face = header.palette().color(QPalette::Button);
        const int left = header.sectionViewportPosition(1) + 2;
        const int width = header.sectionSize(1) - 4;
        const auto inkInRows = [&](int top, int rows) {
            for (int y = top; y < top + rows; ++y) {
                for (int x = left; x < left + width; ++x) {
                    if (image.pixelColor(x, y) != face) {
                        return true;
                    }
                }
            }
            return false;
        };
        QVERIFY(!inkInRows(0, 6));
        QVERIFY(inkInRows(6, header.fontMetrics().height()));
        // ...and the header is tall enough that the caption's last row is not cut off.
        QVERIFY(header.height() > 6 + QFontMetrics(QApplication::font()).height());
    }
};

QTEST_MAIN(CHeaderCtrlExTest)
#include "CHeaderCtrlExTest.moc"
