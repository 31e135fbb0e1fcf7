#include "controls/CCheckComboBox.h"
#include "controls/CCheckComboItemDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QStyleOptionButton>
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

// Makes a style the application's for a while; the one before comes back after.
class StyleScope {
public:
    explicit StyleScope(const QString& name) : m_previous(QApplication::style()->name()) {
        QApplication::setStyle(QStyleFactory::create(name));
    }
    ~StyleScope() { QApplication::setStyle(QStyleFactory::create(m_previous)); }
    StyleScope(const StyleScope&) = delete;
    StyleScope& operator=(const StyleScope&) = delete;

private:
    QString m_previous;
};

// Where a row shows its check box: the first columns from the left holding anything but the
// background, up to the first column of background (the blank before the text).
QRect DrawnBox(const QImage& list, const QRect& row, const QColor& background) {
    QRect box;
    for (int x = row.left(); x <= row.right(); ++x) {
        QRect inColumn;
        for (int y = row.top(); y <= row.bottom(); ++y) {
            if (list.pixelColor(x, y) != background) {
                inColumn |= QRect(x, y, 1, 1);
            }
        }
        if (inColumn.isNull() && !box.isNull()) {
            break;
        }
        box |= inColumn;
    }
    return box;
}

// A checked box as the list's style draws it at the size it gives its check boxes.
QRect StylesOwnBox(const QAbstractItemView& view, const QColor& background) {
    const QStyle& style = *view.style();
    QStyleOptionButton box;
    box.initFrom(&view);
    box.state = QStyle::State_Enabled | QStyle::State_On;
    box.rect = QRect(2, 2, style.pixelMetric(QStyle::PM_IndicatorWidth, &box, &view),
                     style.pixelMetric(QStyle::PM_IndicatorHeight, &box, &view));
    QImage image(box.rect.size() + QSize(4, 4), QImage::Format_ARGB32);
    image.fill(background);
    QPainter painter(&image);
    style.drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter, &view);
    painter.end();
    return DrawnBox(image, image.rect(), background);
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
        const int line = metrics.height() + std::max(0, metrics.leading());
        const QSize small(4, 4);
        QCOMPARE(CCheckComboItemDelegate::RowHeight(metrics, small), line + 2);
        QCOMPARE(CCheckComboItemDelegate::BoxWidth(metrics, small), line + 6);
        // A check box larger than the font keeps a pixel of room on every side.
        const QSize large(line + 10, line + 20);
        QCOMPARE(CCheckComboItemDelegate::RowHeight(metrics, large), large.height() + 2);
        QCOMPARE(CCheckComboItemDelegate::BoxWidth(metrics, large), large.width() + 2);
    }

    void ListCheckBoxesAreTheStylesOwnInEveryFont() {
        // Some styles draw a check box only at their own size, whatever room it is given: the
        // box is the style's under every style, and the rows have room for it.
        for (const QString& styleName : QStyleFactory::keys()) {
            const StyleScope style(styleName);
            for (const int pixelSize : {30, 6}) {
                const QString what = QStringLiteral("%1, %2 px").arg(styleName).arg(pixelSize);
                auto combo = MakeCombo({"A", "B"}, "font");
                QFont font = combo->font();
                font.setPixelSize(pixelSize);
                combo->setFont(font);
                QVERIFY2(DropDown(*combo), qPrintable(what));
                QAbstractItemView& view = *combo->view();
                const QFontMetrics metrics(view.font());
                QCOMPARE(metrics.height(), QFontMetrics(font).height());
                const QRect row = view.visualRect(view.model()->index(0, 0));
                const QColor base = view.palette().color(QPalette::Base);
                const QRect box = DrawnBox(view.viewport()->grab().toImage(), row, base);
                const QString where = QStringLiteral("%1: box %2,%3 %4x%5 in row %6..%7")
                                          .arg(what)
                                          .arg(box.x())
                                          .arg(box.y())
                                          .arg(box.width())
                                          .arg(box.height())
                                          .arg(row.top())
                                          .arg(row.bottom());
                QVERIFY2(box.size() == StylesOwnBox(view, base).size(), qPrintable(where));
                QVERIFY2(row.adjusted(0, 1, 0, -1).contains(box), qPrintable(where));
                // The font's line and two pixels, unless the style's box needs more.
                const int line = metrics.height() + std::max(0, metrics.leading());
                const int boxHeight =
                    view.style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, &view);
                QCOMPARE(row.height(), std::max(line, boxHeight) + 2);
            }
        }
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
