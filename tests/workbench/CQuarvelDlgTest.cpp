// The main window from start-up to a loaded section: what it shows first,
// opening every example, rejected and unreadable files, reversed opening, the
// status line, dropping a file, Enter and Esc.

#include "WindowHarness.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

using namespace quarvel;
using namespace quarvel::test;

namespace {

const std::vector<std::string> kDefaultCaptions = {"编号", "坐标X", "坐标Y"};

// Everything a failed open must leave as it was.
struct Snapshot {
    QStringList captions;
    QList<QStringList> rows;
    QStringList layers;
    QStringList checkedLayers;
    QString status;

    explicit Snapshot(const WindowHarness& h)
        : captions(h.Captions()), rows(h.AllRows()), checkedLayers(h.Layers()->CheckedTexts()),
          status(h.window->StatusText()) {
        for (int i = 0; i < h.Layers()->count(); ++i) {
            layers.append(h.Layers()->itemText(i));
        }
    }
    bool operator==(const Snapshot& other) const {
        return captions == other.captions && rows == other.rows && layers == other.layers &&
               checkedLayers == other.checkedLayers && status == other.status;
    }
};

// A child's rectangle in the window's coordinates, wherever it is nested.
QRect InWindow(const QWidget* widget) {
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

// What a label shows: its text, or the text of the HTML it holds.
QString ShownText(const QLabel* label) {
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    if (!rich) {
        return label->text();
    }
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

} // namespace

class CQuarvelDlgTest : public QObject {
    Q_OBJECT

private slots:
    void startsWithDefaultsAndNoRows() {
        WindowHarness h;
        QCOMPARE(h.window->windowTitle(), QStringLiteral("MorvexV1.3"));
        QCOMPARE(h.Captions(), QStringList({"序号", "编号", "坐标X", "坐标Y"}));
        QCOMPARE(h.Rows(), 0);
        QCOMPARE(h.Spin("columnCount")->value(), 3);
        QCOMPARE(h.Spin("decimals")->text(), QStringLiteral("3"));
        QCOMPARE(h.KneeCombo()->currentText(), QStringLiteral("仅显示交点"));
        QCOMPARE(h.KneeCombo()->count(), 3);
        QCOMPARE(h.KneeCombo()->itemText(1), QStringLiteral("显示交点与拐点"));
        QCOMPARE(h.KneeCombo()->itemText(2), QStringLiteral("仅显示拐点"));
        QVERIFY(!h.Check("renumber")->isChecked());
        QVERIFY(!h.Check("reverse")->isChecked());
        QCOMPARE(h.Layers()->count(), 0);
        QCOMPARE(h.List()->columnWidth(0), 40);
        QCOMPARE(h.List()->columnWidth(1), 80);
        QCOMPARE(h.List()->columnWidth(3), 80);
        QCOMPARE(h.List()->HeaderCtrl()->Choices(0), QString());
        QCOMPARE(h.List()->HeaderCtrl()->Choices(2).split(QLatin1Char('\n')).size(), 9);
        // Pressing the buttons of an empty window does nothing and asks nothing.
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QTest::mouseClick(h.Button("layerFilterButton"), Qt::LeftButton);
        QCOMPARE(h.saveAsked, 0);
        QCOMPARE(h.Rows(), 0);
    }

    void controlsKeepTheirPlacesAndTheTableGrows() {
        WindowHarness h;
        QPushButton* open = h.Button("openButton");
        const QRect openBefore = open->geometry();
        const QRect listBefore = InWindow(h.List());
        // Nothing above the table overlaps another control.
        const QList<QWidget*> controls = {open,
                                          h.Button("exportButton"),
                                          h.Button("layerFilterButton"),
                                          h.Spin("columnCount"),
                                          h.Spin("decimals"),
                                          h.KneeCombo(),
                                          h.Layers(),
                                          h.Check("renumber"),
                                          h.Check("reverse")};
        for (int i = 0; i < controls.size(); ++i) {
            QVERIFY(controls[i]->geometry().bottom() < listBefore.top());
            for (int j = i + 1; j < controls.size(); ++j) {
                QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                         qPrintable(controls[i]->objectName() + " / " + controls[j]->objectName()));
            }
        }
        h.window->resize(h.window->width() + 200, h.window->height() + 150);
        QApplication::processEvents();
        QCOMPARE(open->geometry(), openBefore);
        QCOMPARE(h.List()->width(), listBefore.width() + 200);
        QCOMPARE(h.List()->height(), listBefore.height() + 150);
    }

    void opensEveryExampleAsTheRulesBuildIt_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("version");
        QTest::newRow("3.0") << ExamplePath("section-3.0.txt") << "3.0";
        QTest::newRow("3.6") << ExamplePath("section-3.6.txt") << "3.6";
        QTest::newRow("3.8") << ExamplePath("section-3.8.txt") << "3.8";
        QTest::newRow("3.8 utf-8") << ExamplePath("section-3.8-utf8.txt") << "3.8";
    }
    void opensEveryExampleAsTheRulesBuildIt() {
        QFETCH(QString, file);
        QFETCH(QString, version);
        WindowHarness h;
        QAbstractItemModelTester tester(h.window->TableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        h.OpenThroughButton(file);
        QCOMPARE(h.openAsked, 1);
        QVERIFY2(h.messages.isEmpty(), qPrintable(h.messages.join('\n')));

        const ExpectedTable expected(file, kDefaultCaptions, TableOptions{});
        QVERIFY(h.Rows() > 0);
        QVERIFY(h.ShowsExactly(expected));
        QCOMPARE(h.window->Points().size(), expected.points.size());

        const SectionReadResult read = ReadSectionFile(ToFsPath(file));
        QCOMPARE(h.Layers()->count(), static_cast<int>(read.layers.size()));
        QCOMPARE(h.Layers()->CheckedTexts().size(), h.Layers()->count());
        const QString status = h.window->StatusText();
        QVERIFY2(status.contains(QFileInfo(file).fileName()), qPrintable(status));
        QVERIFY2(status.contains(version), qPrintable(status));
        QVERIFY2(status.contains(QString::number(read.points.size())), qPrintable(status));
        // Fitted to the content after loading, within the list's bounds.
        for (int column = 1; column < h.Model()->columnCount(); ++column) {
            QVERIFY(h.List()->columnWidth(column) >= 80);
            QVERIFY(h.List()->columnWidth(column) <= 150);
        }
    }

    void showsTheFirstPointsOfTheExampleAsTheSurveyorExpects() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        // The start point numbered 1 in the file shows its number plus one.
        QCOMPARE(h.Cell(0, 0), QStringLiteral("1"));
        QCOMPARE(h.Row(0), QStringList({"2", "500000.123", "3400000.456"}));
        // Knee points and the point flagged 1 are not rows in the first mode.
        QCOMPARE(h.Rows(), 11);
        QCOMPARE(h.Row(10), QStringList({"15", "500038.623", "3400006.456"}));
    }

    void failedOpensChangeNothing() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        h.Layers()->SetCheck(0, false);
        const Snapshot before(h);

        h.OpenThroughButton(QString()); // cancelled
        QVERIFY(h.messages.isEmpty());
        QVERIFY(Snapshot(h) == before);

        const QString rejected =
            h.WriteFile(QStringLiteral("notes.txt"), QByteArrayLiteral("HWT2.0\nx\n1\n1,2,3\n"));
        h.OpenThroughButton(rejected);
        QCOMPARE(h.messages, QStringList({"非本软件数据格式文件"}));
        QVERIFY(h.details.last().contains(QStringLiteral("notes.txt")));
        QVERIFY(Snapshot(h) == before);

        const QString empty = h.WriteFile(QStringLiteral("empty.txt"), QByteArray());
        h.OpenThroughButton(empty);
        QCOMPARE(h.messages.last(), QStringLiteral("非本软件数据格式文件"));
        QVERIFY(Snapshot(h) == before);

        const QString missing = h.TempPath(QStringLiteral("missing.txt"));
        h.OpenThroughButton(missing);
        QCOMPARE(h.messages.last(), QStringLiteral("文件导入失败"));
        QVERIFY(h.details.last().contains(QStringLiteral("missing.txt")));
        QVERIFY(Snapshot(h) == before);

        h.OpenThroughButton(h.dir.path()); // a folder cannot be read as a file
        QCOMPARE(h.messages.last(), QStringLiteral("文件导入失败"));
        QVERIFY(Snapshot(h) == before);
        QCOMPARE(h.messages.size(), 4);
    }

    void cancellingALongReadKeepsTheSectionShown() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        const Snapshot before(h);
        const std::size_t pointsBefore = h.window->Points().size();

        // Some megabytes, so that the read reports its progress several times.
        constexpr int kPoints = 120000;
        QByteArray big = QByteArrayLiteral("HWT3.8\nheader\n") + QByteArray::number(kPoints) + '\n';
        for (int i = 0; i < kPoints; ++i) {
            big += QByteArray::number(i) + ",100.5,200.25,10,5,0,note,0,0,LAYER,0,\n";
        }
        const QString file = h.WriteFile(QStringLiteral("big.txt"), big);

        int shown = 0;
        bool busy = false;
        QTimer presser;
        QObject::connect(&presser, &QTimer::timeout, [&] {
            auto* progress = h.window->findChild<QProgressDialog*>();
            if (progress == nullptr || !progress->isVisible() || shown > 0) {
                return;
            }
            ++shown;
            busy = QApplication::overrideCursor() != nullptr &&
                   QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        });
        presser.start(0);
        h.window->SetProgressDelay(0);
        // Read on a thread of its own, the file would be read before the progress shows.
        h.window->SectionOpening().SetFileReader(SlowedReader());
        h.OpenThroughButton(file);
        presser.stop();

        QCOMPARE(shown, 1);
        QVERIFY(busy);
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(h.window->Points().size(), pointsBefore);
        QVERIFY(Snapshot(h) == before);
        QVERIFY(QApplication::overrideCursor() == nullptr);

        // Not cancelled, the same file replaces the section.
        h.OpenThroughButton(file);
        QCOMPARE(h.Rows(), kPoints);
    }

    void fileNamesShowAsTheyAreNotAsHtml() {
        // Labels would take "&lt;" for HTML and show "<".
        const QString name = QStringLiteral("断面 &lt;K1&gt;.txt");
        WindowHarness h;
        h.OpenThroughButton(h.WriteFile(name, WorkedExampleBytes()));
        QVERIFY(h.messages.isEmpty());
        const auto* status = h.window->findChild<QLabel*>(QStringLiteral("status"));
        QVERIFY(ShownText(status).contains(name));
    }

    void messageBoxesShowPathsWholeOverTheWindow() {
        WindowHarness h;
        CQuarvelDlg window(ToFsPath(h.TempPath(QStringLiteral("other.ini"))));
        // Qt keeps a box on the screen: at the screen's edge, a box wider than the window (a
        // long temporary folder makes it so) could not stand centred over it.
        const QRect screen = window.screen()->availableGeometry();
        window.move(screen.center().x() - window.width() / 2, screen.top());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The texts of the box the window shows by itself for a rejected file, how many of
        // their lines it shows in full, its details and where it stands.
        struct Box {
            QStringList texts;
            int fullLines = 0;
            QString details;
            QRect geometry;
        };
        const auto openRejected = [&](const QString& name) {
            QDir().mkpath(QFileInfo(h.TempPath(name)).absolutePath());
            Box shown;
            QTimer::singleShot(50, [&shown] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    for (const QLabel* label : box->findChildren<QLabel*>()) {
                        shown.texts.append(ShownText(label));
                        for (const QString& line : ShownText(label).split('\n')) {
                            shown.fullLines +=
                                label->fontMetrics().horizontalAdvance(line) <= label->width();
                        }
                    }
                    shown.details = box->detailedText();
                    shown.geometry = box->geometry();
                    box->accept();
                }
            });
            QTimer::singleShot(3000, [] { // never left hanging
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    modal->close();
                }
            });
            window.OpenFile(h.WriteFile(name, QByteArrayLiteral("notes\n")));
            return shown;
        };

        // A typical path on one line, a name that looks like HTML as it is, over the window.
        const QString typical =
            QStringLiteral("道路工程/K1+200 至 K3+450 断面/&lt;a href=x&gt;笔记.txt");
        Box box = openRejected(typical);
        const QString path = QDir::toNativeSeparators(h.TempPath(typical));
        QVERIFY2(box.texts.join('\n').contains(path), qPrintable(box.texts.join('\n')));
        QCOMPARE(box.fullLines, static_cast<int>(box.texts.join('\n').count('\n')) + 1);
        QVERIFY2((box.geometry.center() - window.geometry().center()).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("box %1,%2 %3x%4 over a window centred at %5,%6")
                                .arg(box.geometry.x())
                                .arg(box.geometry.y())
                                .arg(box.geometry.width())
                                .arg(box.geometry.height())
                                .arg(window.geometry().center().x())
                                .arg(window.geometry().center().y())));

        // Beyond that the path gives up its middle; the details hold it whole.
        const QString deep =
            QStringLiteral("很长的文件夹名称/").repeated(30) + QStringLiteral("断面.txt");
        box = openRejected(deep);
        QVERIFY(box.details.contains(QDir::toNativeSeparators(h.TempPath(deep))));
        const QString line = box.texts.filter(QStringLiteral("断面.txt")).value(0);
        QVERIFY2(line.startsWith(QStringLiteral("文件：")) && line.contains(QChar(0x2026)),
                 qPrintable(line));
        QVERIFY(box.geometry.width() <= window.screen()->availableGeometry().width());
    }

    void aSectionWithoutPointsEmptiesTheTableAndTheLayers() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        QVERIFY(h.Rows() > 0);
        const QString none =
            h.WriteFile(QStringLiteral("none.txt"), QByteArrayLiteral("HWT3.8\nheader\n0\n"));
        h.OpenThroughButton(none);
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(h.Rows(), 0);
        QCOMPARE(h.Captions().size(), 4);
        QCOMPARE(h.Layers()->count(), 0);
        QVERIFY(h.window->StatusText().contains(QStringLiteral("none.txt")));
    }

    void theNextOpenStartsInTheFolderLastUsed() {
        WindowHarness h;
        const QString file = h.WriteFile(QStringLiteral("a.txt"), WorkedExampleBytes());
        h.OpenThroughButton(file);
        h.OpenThroughButton(QString());
        QCOMPARE(QFileInfo(h.openFolder).canonicalFilePath(),
                 QFileInfo(h.dir.path()).canonicalFilePath());

        // A wrong file picked elsewhere still moves the next search there.
        QVERIFY(QDir(h.dir.path()).mkdir(QStringLiteral("other")));
        h.OpenThroughButton(h.WriteFile(QStringLiteral("other/notes.txt"), "notes\n"));
        QCOMPARE(h.messages, QStringList({"非本软件数据格式文件"}));
        h.OpenThroughButton(QString());
        QCOMPARE(QFileInfo(h.openFolder).canonicalFilePath(),
                 QFileInfo(h.TempPath(QStringLiteral("other"))).canonicalFilePath());
    }

    void opensReversedWhenTheReverseBoxIsChecked() {
        WindowHarness h;
        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
        QVERIFY(h.Check("reverse")->isChecked());
        QCOMPARE(h.Rows(), 0);
        const QString file = ExamplePath("section-3.6.txt");
        h.OpenThroughButton(file);
        TableOptions reversed;
        reversed.reverse = true;
        QVERIFY(h.ShowsExactly(ExpectedTable(file, kDefaultCaptions, reversed)));
        const ExpectedTable forward(file, kDefaultCaptions, TableOptions{});
        QCOMPARE(h.Row(0), forward.Row(static_cast<int>(forward.table.RowCount()) - 1));
    }

    void statusLineWarnsOfIncompletePointLines() {
        WindowHarness h;
        const QString file = h.WriteFile(QStringLiteral("broken.txt"),
                                         QByteArrayLiteral("HWT3.8\nheader\n5\n"
                                                           "1,100,200,10,0,0,a,0,3,DL,0,\n"
                                                           "2,101,200,10,1,0,b,0,0,DL,0,\n"
                                                           "3,x,200\n"
                                                           "4,103,200,10,3,0,d,0,3,DL,0,\n"));
        h.OpenThroughButton(file);
        const QString status = h.window->StatusText();
        QVERIFY2(status.contains(QStringLiteral("broken.txt")), qPrintable(status));
        QVERIFY2(status.contains(QStringLiteral("警告")), qPrintable(status));
        QVERIFY2(status.contains(QStringLiteral("第 6 行")), qPrintable(status));

        // Both warnings are read in full in a window of the size it starts with,
        // between the table and the status line.
        const auto* warning = h.window->findChild<QLabel*>(QStringLiteral("warning"));
        const auto* statusLine = h.window->findChild<QLabel*>(QStringLiteral("status"));
        QVERIFY(warning->isVisible());
        QVERIFY2(warning->width() >= warning->sizeHint().width(), qPrintable(warning->text()));
        QVERIFY(statusLine->width() >= statusLine->sizeHint().width());
        QVERIFY(InWindow(h.window->Profile()).bottom() < warning->geometry().top());
        QVERIFY(warning->geometry().bottom() < statusLine->geometry().top());
        const int listHeight = h.List()->height();

        // A clean file afterwards clears the warning and gives its line back.
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        QVERIFY(!h.window->StatusText().contains(QStringLiteral("警告")));
        QVERIFY(!warning->isVisible());
        QCOMPARE(h.List()->height(), listHeight + statusLine->height());
    }

    void droppingAFileOpensItTheSameWay() {
        WindowHarness h;
        const auto drop = [&h](const QString& path) {
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(path)});
            const QPoint at = h.List()->geometry().center();
            QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(h.window.get(), &enter);
            if (!enter.isAccepted()) {
                return false;
            }
            QDropEvent dropEvent(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(h.window.get(), &dropEvent);
            QTest::qWait(20);
            return true;
        };
        QVERIFY(drop(ExamplePath("section-3.0.txt")));
        QVERIFY(h.ShowsExactly(
            ExpectedTable(ExamplePath("section-3.0.txt"), kDefaultCaptions, TableOptions{})));
        const QString rejected =
            h.WriteFile(QStringLiteral("photo.txt"), QByteArrayLiteral("\x89PNG\r\n"));
        QVERIFY(drop(rejected));
        QCOMPARE(h.messages, QStringList({"非本软件数据格式文件"}));
        QVERIFY(h.Rows() > 0);
        QCOMPARE(h.openAsked, 0);
    }

    void enterKeepsTheWindowOpenAndEscClosesIt() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        QSpinBox* decimals = h.Spin("decimals");
        WindowHarness::TypeInto(decimals, QStringLiteral("2"));
        QTest::keyClick(decimals, Qt::Key_Return);
        QTest::keyClick(h.Spin("columnCount"), Qt::Key_Enter);
        QTest::keyClick(h.List(), Qt::Key_Return);
        QVERIFY(h.window->isVisible());
        QCOMPARE(decimals->value(), 2);
        QVERIFY(!std::filesystem::exists(h.SettingsFile()));

        QTest::keyClick(h.List(), Qt::Key_Escape);
        QVERIFY(!h.window->isVisible());
        QVERIFY(std::filesystem::exists(h.SettingsFile()));
    }

    void tabWalksTheControlsWithTheTableAsOneStop() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        const QList<QWidget*> order = {h.List(),
                                       h.Spin("columnCount"),
                                       h.Button("openButton"),
                                       h.KneeCombo(),
                                       h.Button("exportButton"),
                                       h.Layers(),
                                       h.Button("layerFilterButton"),
                                       h.Spin("decimals"),
                                       h.Check("renumber"),
                                       h.Check("reverse"),
                                       h.window->Profile()->ExaggerationBox()};
        const QRect cell = h.List()->visualRect(h.Model()->index(2, 1));
        QTest::mouseClick(h.List()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(h.List()->currentIndex().row(), 3);
        for (int i = 1; i <= order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(order[i % order.size()]->hasFocus(), qPrintable(QString::number(i)));
        }
        for (int i = order.size() - 1; i >= 0; --i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QVERIFY2(order[i]->hasFocus(), qPrintable(QString::number(i)));
        }
        QCOMPARE(h.List()->currentIndex().row(), 3);
    }

    void copiesSelectedRowsOrTheWholeTable() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        h.List()->setFocus();
        QTest::keyClick(h.List(), Qt::Key_C, Qt::ControlModifier);
        const QStringList all = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(all.size(), h.Rows());
        QCOMPARE(all.first(), h.Row(0).join('\t'));

        h.List()->selectionModel()->clearSelection();
        h.List()->selectRow(1);
        h.List()->selectionModel()->select(h.Model()->index(3, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(h.List(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(),
                 h.Row(1).join('\t') + '\n' + h.Row(3).join('\t') + '\n');
    }
};

QTEST_MAIN(CQuarvelDlgTest)
#include "CQuarvelDlgTest.moc"
