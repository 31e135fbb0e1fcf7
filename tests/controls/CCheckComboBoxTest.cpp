#include "controls/CCheckComboBox.h"
#include "controls/CCheckComboItemDelegate.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using quarvel::CCheckComboBox;
using quarvel::CCheckComboItemDelegate;

namespace {

// A check combo filled the way the window fills the layer filter: every item checked.
std::unique_ptr<CCheckComboBox> MakeCombo(const QStringList& texts, const QString& name) {
    auto combo = std::make_unique<CCheckComboBox>();
    combo->setObjectName(name);
    combo->ResetContent();
    for (const QString& text : texts) {
        combo->AddString(text);
    }
    for (int i = 0; i < combo->count(); ++i) {
        combo->SetCheck(i, true);
    }
    return combo;
}

// Drops the combo's list down, shown in an active window.
bool DropDown(CCheckComboBox& combo) {
    combo.resize(160, combo.sizeHint().height());
    combo.show();
    combo.activateWindow();
    if (!QTest::qWaitForWindowActive(&combo)) {
        return false;
    }
    combo.showPopup();
    return QTest::qWaitFor([&combo] { return combo.view()->isVisible(); });
}

QPoint RowCentre(const QAbstractItemView& view, int row) {
    return view.visualRect(view.model()->index(row, 0)).center();
}

void Click(const CCheckComboBox& combo, Qt::MouseButton button, const QPoint& at) {
    QTest::mouseClick(combo.view()->viewport(), button, {}, at);
}

} // namespace

class CCheckComboBoxTest : public QObject {
    Q_OBJECT

private slots:
    void ItemsStaySortedAndOutOfRangeChangesNothing() {
        auto combo = MakeCombo({}, "layers");
        QCOMPARE(combo->AddString("地形"), 0);
        QCOMPARE(combo->AddString("DIM"), 0);
        // Sorted without regard to case, as the layer names come.
        QCOMPARE(combo->AddString("building"), 0);
        QCOMPARE(combo->AddString("0"), 0);
        QCOMPARE(combo->itemText(2), QString("DIM"));
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(!combo->GetCheck(0)); // new items start unchecked

        QCOMPARE(combo->SetCheck(1, true), 0);
        QCOMPARE(combo->SetCheck(-1, true), -1);
        QCOMPARE(combo->SetCheck(4, true), -1);
        QVERIFY(!combo->GetCheck(-1) && !combo->GetCheck(4));
        QCOMPARE(combo->CheckedTexts(), QStringList{"building"});

        combo->ResetContent();
        QCOMPARE(combo->count(), 0);
        QCOMPARE(combo->SummaryText(), QString());
    }

    void SummaryJoinsCheckedTextsInListOrder() {
        auto combo = MakeCombo({"D", "B", "A", "C"}, "layers");
        QCOMPARE(combo->SummaryText(), QString("A, B, C, D"));
        combo->SetCheck(2, false);
        QCOMPARE(combo->SummaryText(), QString("A, B, D"));
        // Adding an (unchecked) item leaves the summary as it was.
        combo->AddString("AA");
        QCOMPARE(combo->SummaryText(), QString("A, B, D"));
        for (int i = 0; i < combo->count(); ++i) {
            combo->SetCheck(i, false);
        }
        QCOMPARE(combo->SummaryText(), QString());

        // An empty text adds nothing, and no separator leads the summary.
        auto withEmpty = MakeCombo({"", "A", "B"}, "withEmpty");
        QCOMPARE(withEmpty->SummaryText(), QString("A, B"));
    }

    void SeparatorFollowsTheLocale() {
        QCOMPARE(CCheckComboBox::SummarySeparator(","), QString(", "));
        QCOMPARE(CCheckComboBox::SummarySeparator(";"), QString("; "));
        QCOMPARE(CCheckComboBox::SummarySeparator(";  "), QString("; "));
        QCOMPARE(CCheckComboBox::SummarySeparator(""), QString("; "));
    }

    void FaceShowsTheSummaryOneSpaceInWithEllipsis() {
        auto combo = MakeCombo({"A", "B"}, "layers");
        combo->resize(300, combo->sizeHint().height());
        QCOMPARE(combo->FaceText(), QString(" A, B"));

        auto crowded =
            MakeCombo({"地形图层一", "地形图层二", "地形图层三", "地形图层四"}, "crowded");
        crowded->resize(90, crowded->sizeHint().height());
        const QString face = crowded->FaceText();
        QVERIFY(face.startsWith(" 地形"));
        QVERIFY2(face.endsWith(QChar(0x2026)), qPrintable(face));
    }

    void RowsFollowTheFont() {
        const QFontMetrics metrics(QFont("Sans", 12));
        QCOMPARE(CCheckComboItemDelegate::RowHeight(metrics),
                 metrics.height() + std::max(0, metrics.leading()) + 2);
        QCOMPARE(CCheckComboItemDelegate::BoxWidth(metrics),
                 metrics.height() + std::max(0, metrics.leading()) + 6);
    }

    void ListRowsAndCheckBoxesFollowTheFont() {
        auto combo = MakeCombo({"A", "B"}, "largeFont");
        QFont font = combo->font();
        font.setPixelSize(30);
        combo->setFont(font);
        QVERIFY(DropDown(*combo));
        QAbstractItemView& view = *combo->view();
        const QFontMetrics metrics(view.font());
        QCOMPARE(metrics.height(), QFontMetrics(font).height());
        const QRect row = view.visualRect(view.model()->index(0, 0));
        QCOMPARE(row.height(), CCheckComboItemDelegate::RowHeight(metrics));

        // The check box fills the height of its column less a pixel above and below, as a
        // standard box drawn into that rectangle does.
        const QImage image = view.viewport()->grab().toImage();
        const QColor base = view.palette().color(QPalette::Base);
        int top = row.bottom();
        int bottom = row.top();
        for (int y = row.top(); y <= row.bottom(); ++y) {
            for (int x = row.left(); x < CCheckComboItemDelegate::BoxWidth(metrics); ++x) {
                if (image.pixelColor(x, y) != base) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        QVERIFY2(bottom - top + 1 >= row.height() - 3,
                 qPrintable(QString("box %1..%2 in row %3..%4")
                                .arg(top)
                                .arg(bottom)
                                .arg(row.top())
                                .arg(row.bottom())));
    }

    void LeftClicksToggleAndKeepTheListOpen() {
        auto combo = MakeCombo({"A", "B", "C"}, "layers");
        QSignalSpy spy(combo.get(), &CCheckComboBox::checkStateChanged);
        QVERIFY(DropDown(*combo));
        QAbstractItemView& view = *combo->view();

        Click(*combo, Qt::LeftButton, RowCentre(view, 1));
        QVERIFY(view.isVisible());
        QVERIFY(!combo->GetCheck(1));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(combo->SummaryText(), QString("A, C"));

        // Anywhere on the row, the text's far end included.
        const QRect row = view.visualRect(view.model()->index(1, 0));
        Click(*combo, Qt::LeftButton, QPoint(row.right() - 2, row.center().y()));
        QVERIFY(combo->GetCheck(1));
        QCOMPARE(spy.count(), 2);

        // Below the last row nothing toggles, but the change is still announced.
        QWidget* popup = view.window();
        popup->resize(popup->width(), popup->height() + 40);
        QTRY_VERIFY(view.viewport()->height() >
                    view.visualRect(view.model()->index(2, 0)).bottom() + 10);
        const QPoint below = view.visualRect(view.model()->index(2, 0)).bottomLeft() + QPoint(5, 3);
        QVERIFY(view.viewport()->rect().contains(below));
        Click(*combo, Qt::LeftButton, below);
        QCOMPARE(combo->CheckedTexts(), QStringList({"A", "B", "C"}));
        QCOMPARE(spy.count(), 3);

        // The second press of a double click arrives as a double click and toggles as well.
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, RowCentre(view, 0),
                                view.viewport()->mapToGlobal(RowCentre(view, 0)), Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &doubleClick);
        QVERIFY(!combo->GetCheck(0));
        QCOMPARE(spy.count(), 4);
        QVERIFY(view.isVisible());
    }

    void SpaceTogglesTheCurrentItem() {
        auto combo = MakeCombo({"A", "B", "C"}, "layers");
        QSignalSpy spy(combo.get(), &CCheckComboBox::checkStateChanged);
        QVERIFY(DropDown(*combo));
        QAbstractItemView& view = *combo->view();
        view.setCurrentIndex(view.model()->index(2, 0));
        QTest::keyClick(&view, Qt::Key_Space);
        QVERIFY(!combo->GetCheck(2));
        QVERIFY(combo->GetCheck(0) && combo->GetCheck(1));
        QCOMPARE(spy.count(), 1);
        QVERIFY(view.isVisible());
        QCOMPARE(view.currentIndex().row(), 2);
    }

    void RightClickChecksAllThenNone() {
        auto combo = MakeCombo({"A", "B", "C", "D"}, "layers");
        combo->SetCheck(1, false);
        QSignalSpy spy(combo.get(), &CCheckComboBox::checkStateChanged);
        QVERIFY(DropDown(*combo));
        const QPoint row = RowCentre(*combo->view(), 0);

        Click(*combo, Qt::RightButton, row);
        QCOMPARE(combo->SummaryText(), QString("A, B, C, D"));
        Click(*combo, Qt::RightButton, row);
        QCOMPARE(combo->SummaryText(), QString());
        QCOMPARE(spy.count(), 2);
        QVERIFY(combo->view()->isVisible());

        // The middle button neither toggles nor closes the list.
        Click(*combo, Qt::MiddleButton, row);
        QCOMPARE(spy.count(), 2);
        QVERIFY(combo->view()->isVisible());
    }

    void EachComboHandlesItsOwnList() {
        auto first = MakeCombo({"A", "B"}, "first");
        auto second = MakeCombo({"C", "D"}, "second");
        second->SetCheck(0, false);
        QVERIFY(DropDown(*first));
        first->hidePopup();
        first.reset();

        QSignalSpy spy(second.get(), &CCheckComboBox::checkStateChanged);
        QVERIFY(DropDown(*second));
        Click(*second, Qt::RightButton, RowCentre(*second->view(), 1));
        QCOMPARE(second->CheckedTexts(), QStringList({"C", "D"}));
        QCOMPARE(spy.count(), 1);

        // An empty combo: nothing can change, the change is still announced.
        auto empty = MakeCombo({}, "empty");
        QSignalSpy emptySpy(empty.get(), &CCheckComboBox::checkStateChanged);
        empty->show();
        QMouseEvent rightPress(QEvent::MouseButtonPress, QPointF(5, 5),
                               empty->view()->viewport()->mapToGlobal(QPointF(5, 5)),
                               Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(empty->view()->viewport(), &rightPress);
        QCOMPARE(emptySpy.count(), 1);
        QCOMPARE(empty->SummaryText(), QString());
    }
};

QTEST_MAIN(CCheckComboBoxTest)
#include "CCheckComboBoxTest.moc"
