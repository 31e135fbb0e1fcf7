// A road in the window: "打开道路…", the list of its sections beside the
// table, moving along it, and "导出全线断面表…" against quarvel-cli merge.

#include "WindowHarness.h"

#include "cli/ExportCommand.h"
#include "roadlist/RoadList.h"
#include "roadlist/RoadListModel.h"
#include "sheets/SheetSource.h"
#include "workbench/ExportSheetsCommand.h"
#include "workbench/MainMenu.h"
#include "workbench/RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <functional>

#include <sstream>

using namespace quarvel;
using namespace quarvel::test;

namespace {

// The examples along a road, named against its order, and a fourth section in
// a subfolder; a note that is no section lies beside them.
struct RoadFolder {
    QString folder;
    QString k0860; // section-3.8.txt
    QString k1250; // section-3.0.txt
    QString k2100; // section-3.6.txt
    QString k3000; // sub/, section-3.8.txt with another stake

    explicit RoadFolder(const WindowHarness& h)
        : folder(h.TempPath(QStringLiteral("road"))), k0860(folder + QStringLiteral("/c.txt")),
          k1250(folder + QStringLiteral("/b.txt")), k2100(folder + QStringLiteral("/a.txt")),
          k3000(folder + QStringLiteral("/sub/d.txt")) {
        QDir().mkpath(folder + QStringLiteral("/sub"));
        QFile::copy(ExamplePath("section-3.8.txt"), k0860);
        QFile::copy(ExamplePath("section-3.0.txt"), k1250);
        QFile::copy(ExamplePath("section-3.6.txt"), k2100);
        QByteArray other = ReadBytes(k0860);
        other.replace("K0+860", "K3+000");
        h.WriteFile(QStringLiteral("road/sub/d.txt"), other);
        h.WriteFile(QStringLiteral("road/readme.txt"), "notes\r\n");
    }
};

// quarvel-cli run in-process; its exit status.
int Cli(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    return RunCli(args, out, err);
}

// The rows the table shows for file with the view and the layers applied by name.
QList<QStringList> ExpectedRows(const QString& file, const std::vector<std::string>& captions,
                                const TableOptions& options,
                                const std::vector<std::string>& layers) {
    SectionReadResult read = ReadSectionFile(ToFsPath(file));
    ComputeAzimuths(read.points);
    ApplyLayerFilter(read.points, layers);
    const SectionTable table(read.points, captions, options);
    QList<QStringList> rows;
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        QStringList cells;
        for (std::size_t column = 0; column < table.DataColumnCount(); ++column) {
            cells.append(Q(table.CellText(row, column)));
        }
        rows.append(cells);
    }
    return rows;
}

struct RoadAnswers {
    QString target;
    std::function<void()> whileChoosing; // the save dialog's "导出选项…"
    QList<int> skipAsked;
    bool skip = true;
    QStringList headlines;
    QStringList details;
};

class RoadWindow {
public:
    explicit RoadWindow(WindowHarness& h) : m_h(h) {
        ExportRoadCommand& exporting = h.window->RoadExport();
        exporting.SetFileChooser([this](const QString&) {
            if (answers.whileChoosing) {
                answers.whileChoosing();
            }
            return answers.target;
        });
        exporting.SetSkipChooser([this](int unreadable) {
            answers.skipAsked.append(unreadable);
            return answers.skip;
        });
        exporting.SetSummarySink([this](const QString& headline, const QString& details) {
            answers.headlines.append(headline);
            answers.details.append(details);
        });
    }

    // Opens the road through Ctrl+Shift+O, the dialog answering road.
    void Open(const RoadSource& road) {
        m_h.window->RoadOpening().SetSourceChooser(
            [road](const RoadSource&) { return std::optional<RoadSource>(road); });
        QTest::keyClick(m_h.window.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    }

    RoadList* List() const { return m_h.window->RoadSections(); }
    const RoadListModel& Model() const { return *List()->Model(); }
    QStringList Labels() const {
        QStringList labels;
        for (int row = 0; row < Model().rowCount(); ++row) {
            labels.append(Model().index(row, RoadListModel::LabelColumn).data().toString());
        }
        return labels;
    }
    bool Export(const QString& target) {
        answers.target = target;
        m_h.window->Menu()->ExportRoadAction()->trigger();
        return QFile::exists(target);
    }

    RoadAnswers answers;

private:
    WindowHarness& m_h;
};

const std::vector<std::string> kCaptions = {"编号", "坐标X", "坐标Y", "图层"};

// The window's view: four columns, 2 decimals, knee points, renumbered and
// reversed; "边沟" unchecked and the filter applied.
std::vector<std::string> ChooseView(WindowHarness& h) {
    h.Spin("columnCount")->setValue(4);
    h.ChooseField(4, QStringLiteral("图层"));
    h.Spin("decimals")->setValue(2);
    h.KneeCombo()->setCurrentIndex(1);
    QTest::mouseClick(h.Check("renumber"), Qt::LeftButton);
    QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
    h.ClickLayer(QStringLiteral("边沟"));
    QTest::mouseClick(h.Button("layerFilterButton"), Qt::LeftButton);
    std::vector<std::string> applied;
    for (const QString& layer : h.Layers()->CheckedTexts()) {
        applied.push_back(layer.toStdString());
    }
    return applied;
}

TableOptions ViewOptions() {
    TableOptions options;
    options.decimals = 2;
    options.kneeMode = 1;
    options.renumber = true;
    options.reverse = true;
    return options;
}

} // namespace

class RoadWindowTest : public QObject {
    Q_OBJECT

private slots:
    void aRoadIsListedAlongItBesideTheTable() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        const RoadFolder road(h);
        RoadWindow w(h);
        const int singleWidth = h.window->width();
        w.Open(RoadSource{{}, road.folder, true});

        QVERIFY(h.messages.isEmpty());
        QVERIFY(w.List()->isVisible());
        QVERIFY(h.window->width() > singleWidth);
        QVERIFY(w.List()->geometry().right() < h.List()->mapTo(h.window.get(), QPoint()).x());
        QCOMPARE(w.Labels(), QStringList({QStringLiteral("K0+860"), QStringLiteral("K1+250"),
                                          QStringLiteral("K2+100"), QStringLiteral("K3+000")}));
        QCOMPARE(w.Model().index(1, RoadListModel::FileColumn).data().toString(),
                 QStringLiteral("b.txt"));
        QTRY_VERIFY(w.List()->IsScanned());
        QCOMPARE(w.Model().index(1, RoadListModel::PointsColumn).data().toString(),
                 QStringLiteral("10"));

        // The first section shows in the table, the profile and the status line.
        QCOMPARE(w.List()->CurrentRow(), 0);
        QVERIFY(h.ShowsExactly(ExpectedTable(road.k0860, {"编号", "坐标X", "坐标Y"}, {})));
        QCOMPARE(h.window->StatusText(),
                 QStringLiteral("断面：K0+860（1/4）    文件：c.txt    格式版本：3.8    点数：14"));
        QCOMPARE(h.window->Profile()->Title(), QStringLiteral("K0+860（c.txt）"));
        QVERIFY(h.window->Menu()->ExportRoadAction()->isEnabled());

        // A single file puts the window back as it was.
        h.window->OpenFile(ExamplePath("section-3.0.txt"));
        QVERIFY(!w.List()->isVisible());
        QCOMPARE(h.window->width(), singleWidth);
        QVERIFY(!h.window->Road().has_value());
        QVERIFY(h.window->StatusText().startsWith(QStringLiteral("文件：section-3.0.txt")));
        QVERIFY(!h.window->Menu()->ExportRoadAction()->isEnabled());
        QVERIFY(!h.window->Menu()->NextSectionAction()->isEnabled());
    }

    void ctrlPageDownAndUpMoveAlongTheRoadFromAnywhere() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        const RoadFolder road(h);
        RoadWindow w(h);
        w.Open(RoadSource{{}, road.folder, false});
        QCOMPARE(w.List()->Count(), 3);

        h.List()->setFocus();
        QTest::keyClick(h.List(), Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(w.List()->CurrentRow(), 1);
        QVERIFY(h.ShowsExactly(ExpectedTable(road.k1250, {"编号", "坐标X", "坐标Y"}, {})));
        QVERIFY(h.List()->hasFocus());

        w.List()->View()->setFocus();
        QTest::keyClick(w.List()->View(), Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(w.List()->CurrentRow(), 2);
        QVERIFY(h.ShowsExactly(ExpectedTable(road.k2100, {"编号", "坐标X", "坐标Y"}, {})));
        QTest::keyClick(w.List()->View(), Qt::Key_PageDown, Qt::ControlModifier); // the end
        QCOMPARE(w.List()->CurrentRow(), 2);

        h.Spin("decimals")->setFocus();
        QTest::keyClick(h.Spin("decimals"), Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(w.List()->CurrentRow(), 1);
        QCOMPARE(h.Spin("decimals")->value(), 3);
        QVERIFY(h.window->StatusText().startsWith(QStringLiteral("断面：K1+250（2/3）")));

        // The mouse chooses too.
        const QRect first = w.List()->View()->visualRect(w.Model().index(0, 0));
        QTest::mouseClick(w.List()->View()->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(w.List()->CurrentRow(), 0);
        QVERIFY(h.ShowsExactly(ExpectedTable(road.k0860, {"编号", "坐标X", "坐标Y"}, {})));
    }

    // Cancelling the read of the next section leaves the one shown, in the
    // list as well: nothing is marked, nothing emptied.
    void cancellingTheReadOfASectionKeepsTheOneShown() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        QVERIFY(QDir().mkpath(h.TempPath(QStringLiteral("long"))));
        QFile::copy(ExamplePath("section-3.8.txt"),
                    h.TempPath(QStringLiteral("long/a.txt"))); // K0+860
        constexpr int kPoints = 120000; // some megabytes: the read reports its progress often
        QByteArray big = QByteArrayLiteral("HWT3.8\nheader\n") + QByteArray::number(kPoints) + '\n';
        for (int i = 0; i < kPoints; ++i) {
            big += QByteArray::number(i) + ",100.5,200.25,10,5,0,note,0,0,LAYER,0,\n";
        }
        h.WriteFile(QStringLiteral("long/K9+000.txt"), big);
        RoadWindow w(h);
        w.Open(RoadSource{{}, h.TempPath(QStringLiteral("long")), false});
        QCOMPARE(w.List()->Count(), 2);
        const QString status = h.window->StatusText();
        const int rows = h.Rows();

        int shown = 0;
        QTimer presser;
        connect(&presser, &QTimer::timeout, this, [&] {
            auto* progress = h.window->findChild<QProgressDialog*>();
            if (progress != nullptr && progress->isVisible() && shown == 0) {
                ++shown;
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            }
        });
        presser.start(0);
        h.window->SetProgressDelay(0);
        // Read on a thread of its own, the file could be read before the progress shows.
        h.window->SectionOpening().SetFileReader(SlowedReader());
        h.List()->setFocus();
        QTest::keyClick(h.List(), Qt::Key_PageDown, Qt::ControlModifier);
        presser.stop();

        QCOMPARE(shown, 1);
        QCOMPARE(w.List()->CurrentRow(), 0);
        QCOMPARE(h.Rows(), rows);
        QCOMPARE(h.window->StatusText(), status);
        QVERIFY(h.messages.isEmpty());
        QVERIFY(!w.Model().IsFailed(1));
    }

    // Columns, decimals, knee points, renumbering and the order stay; the
    // layers applied go by name, as the batch export applies them.
    void theViewStaysAsTheUserMovesOn() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        const RoadFolder road(h);
        RoadWindow w(h);
        w.Open(RoadSource{{}, road.folder, false});
        const std::vector<std::string> applied = ChooseView(h);
        QCOMPARE(h.AllRows(), ExpectedRows(road.k0860, kCaptions, ViewOptions(), applied));

        h.window->Menu()->NextSectionAction()->trigger();
        h.window->Menu()->NextSectionAction()->trigger();
        QCOMPARE(h.AllRows(), ExpectedRows(road.k2100, kCaptions, ViewOptions(), applied));
        QVERIFY(!h.Layers()->CheckedTexts().contains(QStringLiteral("边沟")));
        QVERIFY(h.Layers()->CheckedTexts().contains(QStringLiteral("道路边线")));
        QVERIFY(h.Check("reverse")->isChecked());

        // Applied again on a section without "路面", the filter keeps showing "路面" elsewhere.
        h.window->Menu()->PreviousSectionAction()->trigger();
        h.ClickLayer(QStringLiteral("辅助线"));
        QTest::mouseClick(h.Button("layerFilterButton"), Qt::LeftButton);
        h.window->Menu()->PreviousSectionAction()->trigger();
        const std::vector<std::string> kept = {"地面线", "边坡", "道路中线", "道路边线", "路面"};
        QCOMPARE(h.AllRows(), ExpectedRows(road.k0860, kCaptions, ViewOptions(), kept));
        QVERIFY(h.Layers()->CheckedTexts().contains(QStringLiteral("路面")));
        QVERIFY(!h.Layers()->CheckedTexts().contains(QStringLiteral("辅助线")));
    }

    void theRoadsTableIsQuarvelClisMerge() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        const RoadFolder road(h);
        RoadWindow w(h);
        w.Open(RoadSource{{}, road.folder, true});
        const std::vector<std::string> applied = ChooseView(h);
        h.window->SetExportOptionsChooser([](const ExportForm&) {
            return std::optional<ExportForm>(
                ExportForm{ExportEncoding::Utf8Bom, FirstLine::Captions, Separator::Tab});
        });
        // Chosen in the save dialog: the form the file is written in.
        w.answers.whileChoosing = [&h] { h.window->Menu()->ExportOptionsAction()->trigger(); };
        h.window->Menu()->NextSectionAction()->trigger(); // the view, not the section, counts

        const QString target = h.TempPath(QStringLiteral("全线.csv"));
        QVERIFY(w.Export(target));
        QVERIFY2(w.answers.headlines.isEmpty(), qPrintable(w.answers.details.join('\n')));
        QVERIFY2(h.window->StatusText().startsWith(QStringLiteral("已导出全线断面表：4 个断面，")),
                 qPrintable(h.window->StatusText()));
        QVERIFY(w.answers.skipAsked.isEmpty());

        std::string layers;
        for (const std::string& layer : applied) {
            layers += (layers.empty() ? "" : ",") + layer;
        }
        const std::vector<std::string> view = {"--columns",   "编号,坐标X,坐标Y,图层",
                                               "--decimals",  "2",
                                               "--knee-mode", "1",
                                               "--renumber",  "--reverse",
                                               "--layers",    layers,
                                               "--recursive"};
        const QString cliTable = h.TempPath(QStringLiteral("cli.csv"));
        std::vector<std::string> args = {"merge",        ToFsPath(road.folder).u8string(),
                                         "-o",           ToFsPath(cliTable).u8string(),
                                         "--encoding",   "utf8-bom",
                                         "--first-line", "captions",
                                         "--separator",  "tab"};
        args.insert(args.end(), view.begin(), view.end());
        QCOMPARE(Cli(args), kExitOk);
        QCOMPARE(ReadBytes(target), ReadBytes(cliTable));

        const QString book = h.TempPath(QStringLiteral("全线.xlsx"));
        QVERIFY(w.Export(book));
        const QString cliBook = h.TempPath(QStringLiteral("cli.xlsx"));
        args = {"merge", ToFsPath(road.folder).u8string(), "-o", ToFsPath(cliBook).u8string()};
        args.insert(args.end(), view.begin(), view.end());
        QCOMPARE(Cli(args), kExitOk);
#ifndef _WIN32 // openpyxl reads them on the build machine
        QProcess check;
        check.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(QUARVEL_CHECK_WORKBOOK),
                                                         QStringLiteral("same"), book, cliBook});
        QVERIFY(check.waitForFinished(60000));
        QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());
#endif
    }

    // A section that cannot be read is marked, told in the status line when
    // chosen, and left out of the road's table only when the user agrees.
    void anUnreadableSectionIsMarkedToldAndLeftOutOnlyWhenAgreed() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        const RoadFolder road(h);
        RoadWindow w(h);
        const QString notes = road.folder + QStringLiteral("/readme.txt");
        // A file of the set that has gone since is listed and marked like the note.
        const QString gone = road.folder + QStringLiteral("/gone.txt");
        w.Open(RoadSource{{road.k1250, notes, gone, road.k0860}, {}, false});
        QCOMPARE(w.Labels(), QStringList({QStringLiteral("K0+860"), QStringLiteral("K1+250"),
                                          QStringLiteral("gone"), QStringLiteral("readme")}));
        QTRY_VERIFY(w.List()->IsScanned());
        QCOMPARE(w.Model().FailedCount(), 2);
        QVERIFY(w.Model().Failure(2).contains(QStringLiteral("gone.txt")));
        const QString reason =
            w.Model().index(3, RoadListModel::FileColumn).data(Qt::ToolTipRole).toString();
        QVERIFY2(reason.startsWith(QStringLiteral("非本软件数据格式文件: ")) &&
                     reason.contains(QStringLiteral("readme.txt")),
                 qPrintable(reason));

        w.List()->Choose(3);
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(h.Rows(), 0);
        QCOMPARE(h.window->StatusText(),
                 QStringLiteral("断面：readme（4/4）    文件：readme.txt    ") + reason);
        QTest::keyClick(h.List(), Qt::Key_PageUp, Qt::ControlModifier);
        QTest::keyClick(h.List(), Qt::Key_PageUp, Qt::ControlModifier);
        QVERIFY(h.ShowsExactly(ExpectedTable(road.k1250, {"编号", "坐标X", "坐标Y"}, {})));
        QVERIFY(h.window->findChild<QLabel*>(QStringLiteral("warning"))->text().isEmpty());

        const QString target = h.TempPath(QStringLiteral("全线.csv"));
        w.answers.skip = false;
        QVERIFY(!w.Export(target));
        QCOMPARE(w.answers.skipAsked, QList<int>{2});
        QVERIFY(w.answers.headlines.isEmpty());

        w.answers.skip = true;
        QVERIFY(w.Export(target));
        QCOMPARE(w.answers.headlines.size(), 1);
        QVERIFY2(w.answers.headlines[0].contains(QStringLiteral("2 个断面")) &&
                     w.answers.headlines[0].contains(QStringLiteral("2 个文件无法读入")),
                 qPrintable(w.answers.headlines[0]));
        QVERIFY(w.answers.details[0].contains(QStringLiteral("readme.txt")));
        const QString cliTable = h.TempPath(QStringLiteral("cli.csv"));
        QCOMPARE(Cli({"merge", ToFsPath(road.k1250).u8string(), ToFsPath(notes).u8string(),
                      ToFsPath(gone).u8string(), ToFsPath(road.k0860).u8string(), "-o",
                      ToFsPath(cliTable).u8string(), "--skip-bad"}),
                 kExitFailed);
        QCOMPARE(ReadBytes(target), ReadBytes(cliTable));
    }

    void aCancelledExportOfTheRoadLeavesNothing() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        QByteArray section = "HWT3.8\r\nh\r\n4000\r\n";
        for (int i = 0; i < 4000; ++i) {
            section += QByteArray::number(i) + "," + QByteArray::number(i * 0.25) +
                       ",2,3,0,0,,0,0,L,0,\r\n";
        }
        QVERIFY(QDir().mkpath(h.TempPath(QStringLiteral("big"))));
        for (int i = 0; i < 80; ++i) {
            h.WriteFile(QStringLiteral("big/K%1+000.txt").arg(i), section);
        }
        RoadWindow w(h);
        w.Open(RoadSource{{}, h.TempPath(QStringLiteral("big")), false});
        QCOMPARE(w.List()->Count(), 80);
        h.window->RoadExport().SetProgressDelay(0);
        QString seen;
        QTimer cancelOnceReading;
        connect(&cancelOnceReading, &QTimer::timeout, this, [&] {
            auto* progress =
                h.window->findChild<QProgressDialog*>(QStringLiteral("roadExportProgress"));
            if (progress != nullptr && progress->value() >= 1 && seen.isEmpty()) {
                seen = progress->labelText();
                const QPushButton* cancel = progress->findChild<QPushButton*>();
                QTest::mouseClick(progress->windowHandle(), Qt::LeftButton, {},
                                  cancel->mapTo(progress, cancel->rect().center()));
            }
        });
        cancelOnceReading.start(1);
        const QString target = h.TempPath(QStringLiteral("全线.csv"));
        QVERIFY(!w.Export(target));
        QVERIFY2(seen.startsWith(QStringLiteral("正在读入断面 ")), qPrintable(seen));
        QVERIFY(w.answers.headlines.isEmpty());
        QVERIFY(!h.window->StatusText().startsWith(QStringLiteral("已导出")));
        QCOMPARE(QDir(h.TempPath(QStringLiteral("big"))).entryList(QDir::Files).size(), 80);
    }

    void roadsAreRememberedAmongTheRecentFiles() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        const RoadFolder road(h);
        {
            RoadWindow w(h);
            w.Open(RoadSource{{}, road.folder, true});
            h.window->OpenFile(road.k1250);
        }
        h.window->close();
        h.Start();
        QCOMPARE(h.window->Recent().Roads().size(), std::size_t{1});
        QMenu* recent = h.window->Menu()->RecentMenu();
        QTRY_COMPARE(recent->actions().size(), 3); // the file, a separator, the road
        QAction* entry = recent->actions().last();
        QCOMPARE(
            entry->text(),
            QStringLiteral("道路：%1（包括子文件夹）").arg(QDir::toNativeSeparators(road.folder)));
        entry->trigger();
        QVERIFY(h.window->Road().has_value());
        QCOMPARE(RoadWindow(h).List()->Count(), 4);

        QVERIFY(QDir(road.folder).removeRecursively());
        h.window->OpenFile(ExamplePath("section-3.0.txt"));
        QTRY_COMPARE(recent->actions().size(), 4);
        recent->actions().last()->trigger();
        QCOMPARE(h.messages, QStringList{QStringLiteral("文件夹不存在，已从“最近打开”中移除")});
        QVERIFY(h.window->Recent().Roads().empty());
        QVERIFY(!h.window->Road().has_value());
    }

    void aRoadWithoutSectionsIsToldAndChangesNothing() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        const int rows = h.Rows();
        QVERIFY(QDir().mkpath(h.TempPath(QStringLiteral("notes"))));
        h.WriteFile(QStringLiteral("notes/readme.txt"), "notes\r\n");
        RoadWindow w(h);
        w.Open(RoadSource{{}, h.TempPath(QStringLiteral("notes")), false});
        w.Open(RoadSource{{}, h.TempPath(QStringLiteral("missing")), false});
        QCOMPARE(h.messages,
                 QStringList({QStringLiteral("没有找到断面文件"), QStringLiteral("文件夹不存在")}));
        QVERIFY(!h.window->Road().has_value());
        QVERIFY(!w.List()->isVisible());
        QCOMPARE(h.Rows(), rows);
    }

    // The sheets of an open road draw all its sections in stake order, under
    // the folder's name; a single file opened after it draws that file alone.
    void theSheetsDrawTheOpenRoadOrTheOpenSection() {
        WindowHarness h;
        const RoadFolder road(h);
        RoadWindow w(h);
        w.Open(RoadSource{{}, road.folder, true});
        ExportSheetsCommand& sheets = h.window->SheetsExport();
        SheetRequest asked;
        sheets.SetOptionsChooser([&asked](const SheetRequest& proposed) {
            asked = proposed;
            return std::optional<SheetOptions>(proposed.options);
        });
        const QString target = h.TempPath(QStringLiteral("路.dxf"));
        sheets.SetFileChooser([&target](const QString&) { return target; });
        const auto labels = [&asked] {
            QStringList texts;
            for (const SheetSection& section : asked.sections) {
                texts.append(QString::fromStdString(section.label));
            }
            return texts;
        };

        h.window->Menu()->ExportSheetsAction()->trigger();
        QVERIFY2(h.messages.isEmpty(), qPrintable(h.details.join(QLatin1Char('\n'))));
        QCOMPARE(labels(), QStringList({QStringLiteral("K0+860"), QStringLiteral("K1+250"),
                                        QStringLiteral("K2+100"), QStringLiteral("K3+000")}));
        QCOMPARE(asked.roadName, std::string("road"));
        QVERIFY(ReadBytes(target).contains("\n  1\nK3+000\n"));

        h.OpenThroughButton(road.k1250);
        h.window->Menu()->ExportSheetsAction()->trigger();
        QCOMPARE(labels(), QStringList({QStringLiteral("K1+250")}));
        QCOMPARE(asked.roadName, std::string("b"));
    }
};

QTEST_MAIN(RoadWindowTest)
#include "RoadWindowTest.moc"
