#include "controls/CListCellCombo.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QtTest>
#include <cmath>
#include <memory>

using quarvel::CListCellCombo;

namespace {

const QStringList kFields{"编号",       "坐标X", "坐标Y", "高程Z", "与起点距离",
                          "与前点距离", "注释",  "方位",  "图层"};

// A dialog standing in for the window, with the combo over its top and another field that can
// take the focus away.
struct Host {
    explicit Host(const QStringList& choices, int selected = 0) {
        dialog = std::make_unique<QDialog>();
        dialog->setObjectName("host");
        dialog->resize(300, 200);
        other = new QLineEdit(dialog.get());
        other->setObjectName("otherField");
        other->setGeometry(10, 100, 100, 24);
        combo = new CListCellCombo(4, dialog.get());
        combo->setObjectName("cellCombo");
        combo->addItems(choices);
        combo->setCurrentIndex(selected);
        combo->setGeometry(40, 0, 80, 24);
        spy = std::make_unique<QSignalSpy>(combo.data(), &CListCellCombo::cellEditEnded);
        dialog->show();
        dialog->activateWindow();
        combo->show();
        combo->setFocus();
    }
    // A combo that lost the focus while the window came up has ended and is gone.
    bool Ready() const {
        return QTest::qWaitForWindowActive(dialog.get()) && combo != nullptr && combo->hasFocus();
    }
    void Key(Qt::Key key) const { QTest::keyClick(combo.data(), key); }

    std::unique_ptr<QDialog> dialog;
    QLineEdit* other = nullptr;
    QPointer<CListCellCombo> combo;
    std::unique_ptr<QSignalSpy> spy;
};

QPoint RowCentre(const QAbstractItemView& view, int row) {
    return view.visualRect(view.model()->index(row, 0)).center();
}

// Red ink, also where it is blended into the blue highlight at a glyph's edge.
bool IsRedInk(const QColor& c) {
    return c.red() - c.green() > 60;
}

// Width from the first to the last column of a face holding red ink where the face without its
// caption holds none.
int CaptionInkWidth(const QImage& face, const QImage& empty) {
    int first = face.width();
    int last = -1;
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
            const QColor c = face.pixelColor(x, y);
            if (c != empty.pixelColor(x, y) && IsRedInk(c)) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return last - first + 1;
}

// Whether every column with red caption ink also holds the blue highlight, above or below it.
bool HighlightSpansTheCaption(const QImage& face, const QImage& empty) {
    for (int x = 0; x < face.width(); ++x) {
        bool inked = false;
        bool highlighted = false;
        for (int y = 0; y < face.height(); ++y) {
            const QColor c = face.pixelColor(x, y);
            inked = inked || (c != empty.pixelColor(x, y) && IsRedInk(c));
            highlighted = highlighted || c == QColor(Qt::blue);
        }
        if (inked && !highlighted) {
            return false;
        }
    }
    return true;
}

// Makes a style the application's for a while; the one before comes back after.
class StyleScope {
public:
    explicit StyleScope(QStyle* style) : m_previous(QApplication::style()->name()) {
        QApplication::setStyle(style);
    }
    ~StyleScope() { QApplication::setStyle(QStyleFactory::create(m_previous)); }
    StyleScope(const StyleScope&) = delete;
    StyleScope& operator=(const StyleScope&) = delete;

private:
    QString m_previous;
};

// A style whose list items keep more room beside their texts than the built-in styles do.
class RoomyItemsStyle : public QProxyStyle {
public:
    RoomyItemsStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type == CT_ItemViewItem) {
            result.rwidth() += 2 * kPadding;
        }
        return result;
    }
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget) const override {
        QRect rect = QProxyStyle::subElementRect(element, option, widget);
        if (element == SE_ItemViewItemText) {
            rect.adjust(kPadding, 0, -kPadding, 0);
        }
        return rect;
    }

private:
    static constexpr int kPadding = 6;
};

// What the dropped list shows of an item.
QImage ShownItem(const QAbstractItemView& view, int row) {
    const QRect item = view.visualRect(view.model()->index(row, 0));
    return view.viewport()->grab(item & view.viewport()->rect()).toImage();
}

// Whether the dropped list shows an item's text whole: with more room the item looks the same,
// only with more background beside it.
bool ShowsWhole(QAbstractItemView& view, int row) {
    const QImage shown = ShownItem(view, row);
    QWidget* const popup = view.window();
    const int room = view.viewport()->width();
    popup->resize(popup->width() + 100, popup->height());
    if (!QTest::qWaitFor([&view, room] { return view.viewport()->width() >= room + 100; })) {
        return false;
    }
    const QImage spare = ShownItem(view, row);
    for (int y = 0; y < shown.height(); ++y) {
        const QRgb background = spare.pixel(spare.width() - 1, y);
        for (int x = 0; x < spare.width(); ++x) {
            if (spare.pixel(x, y) != (x < shown.width() ? shown.pixel(x, y) : background)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

class CListCellComboTest : public QObject {
    Q_OBJECT

private slots:
    void ArrowKeysReportTheNewChoiceOnce() {
        Host host(kFields, 1);
        QVERIFY(host.Ready());
        host.Key(Qt::Key_Down);
        QCOMPARE(host.spy->count(), 1);
        QCOMPARE(host.spy->at(0).at(0).toInt(), 4);
        QCOMPARE(host.spy->at(0).at(1).toString(), QString("坐标Y"));
        QVERIFY(host.combo->isHidden());
        QTRY_VERIFY(host.combo.isNull());
        QCOMPARE(host.spy->count(), 1);

        Host upHost(kFields, 1);
        QVERIFY(upHost.Ready());
        upHost.Key(Qt::Key_Up);
        QCOMPARE(upHost.spy->count(), 1);
        QCOMPARE(upHost.spy->at(0).at(1).toString(), QString("编号"));
    }

    void ArrowKeyAtTheEndChangesNothing() {
        Host first(kFields, 0);
        QVERIFY(first.Ready());
        first.Key(Qt::Key_Up);
        Host last(kFields, static_cast<int>(kFields.size()) - 1);
        QVERIFY(last.Ready());
        last.Key(Qt::Key_Down);
        QCOMPARE(first.spy->count(), 0);
        QCOMPARE(last.spy->count(), 0);
        QVERIFY(!last.combo->IsEnded());
        QVERIFY(last.combo->isVisible());
    }

    void EnterWithoutChangeEndsSilently() {
        Host host(kFields, 2);
        QVERIFY(host.Ready());
        // Left to itself, Qt would give the focus to the widget that comes next.
        auto* next = new QLineEdit(host.dialog.get());
        next->show();
        host.combo->SetFocusAfterEdit(host.other);
        host.Key(Qt::Key_Return);
        QVERIFY(host.dialog->isVisible()); // the dialog's default button saw nothing
        QCOMPARE(host.spy->count(), 0);
        QVERIFY(host.other->hasFocus());
        QTRY_VERIFY(host.combo.isNull());
    }

    void FocusLossEndsSilently() {
        Host host(kFields, 2);
        QVERIFY(host.Ready());
        host.other->setFocus();
        QCOMPARE(host.spy->count(), 0);
        QTRY_VERIFY(host.combo.isNull());
    }

    void EmptyChoiceIsNeverReported() {
        Host host({"a", ""}, 0);
        QVERIFY(host.Ready());
        host.Key(Qt::Key_Down);
        QCOMPARE(host.spy->count(), 0);
        QVERIFY(host.combo->IsEnded());
        QTRY_VERIFY(host.combo.isNull());
    }

    void EscapeKeepsTheEditGoing() {
        Host host(kFields, 2);
        QVERIFY(host.Ready());
        host.combo->showPopup();
        QTRY_VERIFY(host.combo->view()->isVisible());
        QTest::keyClick(host.combo->view(), Qt::Key_Escape);
        QTRY_VERIFY(!host.combo->view()->isVisible());
        host.Key(Qt::Key_Escape);
        QVERIFY(host.dialog->isVisible());
        QVERIFY(!host.combo->IsEnded());
        QVERIFY(host.combo->isVisible());
        QCOMPARE(host.spy->count(), 0);
    }

    void ClicksInTheDroppedList() {
        Host host(kFields, 2);
        QVERIFY(host.Ready());
        host.combo->showPopup();
        QAbstractItemView* view = host.combo->view();
        QTRY_VERIFY(view->isVisible());

        // The item already selected: nothing changes, the list closes and the chooser stays.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowCentre(*view, 2));
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(host.spy->count(), 0);
        QVERIFY(!host.combo->IsEnded());
        QVERIFY(host.combo->isVisible());
        QTRY_VERIFY(host.combo->hasFocus());
        host.combo->showPopup();
        QTRY_VERIFY(view->isVisible());
        // Only the left button chooses another item.
        for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mouseClick(view->viewport(), button, {}, RowCentre(*view, 5));
            QVERIFY(view->isVisible());
        }
        QCOMPARE(host.spy->count(), 0);
        QCOMPARE(host.combo->currentIndex(), 2);

        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowCentre(*view, 4));
        QCOMPARE(host.spy->count(), 1);
        QCOMPARE(host.spy->at(0).at(1).toString(), QString("与起点距离"));
        QTRY_VERIFY(host.combo.isNull());
        QCOMPARE(host.spy->count(), 1);
    }

    // The focused face highlights its whole caption, in every style: the Windows styles' own
    // highlight covers only their narrower text field.
    void FaceShowsTheWholeCaptionInAnEightyPixelColumn() {
        for (const QString& styleName : QStyleFactory::keys()) {
            const StyleScope style(QStyleFactory::create(styleName));
            for (const int item : {4, 5}) { // the longest captions
                Host host(kFields, item);
                QPalette palette = host.combo->palette();
                palette.setColor(QPalette::HighlightedText, Qt::red);
                palette.setColor(QPalette::Highlight, Qt::blue);
                host.combo->setPalette(palette);
                QVERIFY(host.Ready());
                const QImage face = host.combo->grab().toImage();
                host.combo->setItemText(item, QString());
                const QImage empty = host.combo->grab().toImage();
                const QRect ink = QFontMetrics(host.combo->font()).tightBoundingRect(kFields[item]);
                const QString what = styleName + QLatin1Char(' ') + kFields[item];
                QVERIFY2(CaptionInkWidth(face, empty) >= ink.width() - 2, qPrintable(what));
                QVERIFY2(HighlightSpansTheCaption(face, empty), qPrintable(what));
            }
        }
    }

    void DroppedListShowsSevenRowsAndFitsItsItems() {
        // Whatever the style: frames, item margins and scroll bars differ between styles.
        const QStringList builtIn = QStyleFactory::keys();
        for (const QString& styleName : builtIn + QStringList{QStringLiteral("roomy items")}) {
            const StyleScope style(builtIn.contains(styleName) ? QStyleFactory::create(styleName)
                                                               : new RoomyItemsStyle);
            ListShowsSevenRowsAndFitsItsItems(styleName);
            if (QTest::currentTestFailed()) {
                return;
            }
        }
    }

    void DroppedListUsesTheCombosFont() {
        Host host(kFields, 0);
        QVERIFY(host.Ready());
        QFont font = host.combo->font();
        font.setPixelSize(30);
        host.combo->setFont(font);
        host.combo->showPopup();
        QAbstractItemView* view = host.combo->view();
        QTRY_VERIFY(view->isVisible());
        QCOMPARE(view->fontMetrics().height(), QFontMetrics(font).height());
        QVERIFY(view->visualRect(view->model()->index(0, 0)).height() >=
                QFontMetrics(font).height());
    }

    void DestroyingTheParentLeavesNothingBehind() {
        Host host(kFields, 2);
        QVERIFY(host.Ready());
        host.combo->showPopup();
        QTRY_VERIFY(host.combo->view()->isVisible());
        host.dialog.reset();
        QVERIFY(host.combo.isNull());
        QCOMPARE(host.spy->count(), 0);
    }

private:
    void ListShowsSevenRowsAndFitsItsItems(const QString& styleName) {
        // The widest fields show whole beside the scroll bar, with no more room than a "0" to
        // spare, also in a font whose "0" is narrower than the item's margins and the list's
        // frame.
        for (const int pixelSize : {0, 8}) {
            Host nine(kFields, 0);
            if (pixelSize > 0) {
                QFont font = nine.combo->font();
                font.setPixelSize(pixelSize);
                nine.combo->setFont(font);
                nine.combo->resize(20, nine.combo->height());
            }
            QVERIFY(nine.Ready());
            nine.combo->showPopup();
            QAbstractItemView* view = nine.combo->view();
            QTRY_VERIFY(view->isVisible());
            QVERIFY(view->verticalScrollBar()->maximum() > 0);
            const int rowHeight = view->visualRect(view->model()->index(0, 0)).height();
            QCOMPARE(view->viewport()->height() / rowHeight, 7);
            QCOMPARE(view->window()->width(), nine.combo->DropWidth());
            QVERIFY(view->viewport()->width() <=
                    view->sizeHintForColumn(0) +
                        nine.combo->fontMetrics().horizontalAdvance(QLatin1Char('0')));
            for (const int widest : {4, 5}) {
                QVERIFY2(ShowsWhole(*view, widest), qPrintable(styleName + ": " + kFields[widest]));
            }
            nine.combo->hidePopup();
        }

        // Few short items: no scroll bar, never narrower than the combo.
        Host few({"a", "b"}, 0);
        QVERIFY(few.Ready());
        QCOMPARE(few.combo->DropWidth(), few.combo->width());
        few.combo->showPopup();
        QTRY_VERIFY(few.combo->view()->isVisible());
        QCOMPARE(few.combo->view()->verticalScrollBar()->maximum(), 0);
        few.combo->hidePopup();

        // The widest item is not cut short, whatever fraction of a pixel its width ends in.
        for (const QString& text :
             QStringList{"1234567.891", "Station offset", "abcdefghi", "x7.5"}) {
            Host narrow({"a", text}, 0);
            QVERIFY(narrow.Ready());
            narrow.combo->resize(20, narrow.combo->height());
            narrow.combo->showPopup();
            QAbstractItemView* narrowView = narrow.combo->view();
            QTRY_VERIFY(narrowView->isVisible());
            QVERIFY2(ShowsWhole(*narrowView, 1), qPrintable(styleName + ": " + text));
            narrow.combo->hidePopup();
        }

        // An item wider than 200 px stops the measuring at 200: the list is as wide as for an
        // item of 200 px.
        const QString wide(100, QLatin1Char('W'));
        Host capped({"a", wide, "b"}, 0);
        QVERIFY(capped.Ready());
        capped.combo->resize(10, capped.combo->height());
        QVERIFY(capped.combo->fontMetrics().horizontalAdvance(wide) > 200);
        const int cappedWidth = capped.combo->DropWidth();
        capped.combo->setItemText(1, QStringLiteral("W"));
        const int margin =
            capped.combo->DropWidth() -
            static_cast<int>(
                std::ceil(QFontMetricsF(capped.combo->font()).horizontalAdvance(QLatin1Char('W'))));
        QCOMPARE(cappedWidth, 200 + margin);
    }
};

QTEST_MAIN(CListCellComboTest)
#include "CListCellComboTest.moc"
