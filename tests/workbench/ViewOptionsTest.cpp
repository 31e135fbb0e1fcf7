// The view options, the header's field choice, the layer filter, the export
// and the settings file, all driven through the window's own widgets.

#include "WindowHarness.h"

#include "cli/ExportCommand.h"
#include "exporting/ExportWriter.h"
#include "sectiondata/TextCodec.h"
#include "settings/SettingsFile.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>

#include <algorithm>
#include <iterator>
#include <set>
#include <sstream>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace quarvel;
using namespace quarvel::test;

namespace {

// The table the rules give for the window's current controls.
std::unique_ptr<ExpectedTable> ExpectedNow(const WindowHarness& h, const QString& file,
                                           bool reverse) {
    std::vector<std::string> captions;
    const QStringList shown = h.Captions();
    for (int column = 1; column < shown.size(); ++column) {
        captions.push_back(shown[column].toStdString());
    }
    TableOptions options;
    options.kneeMode = h.KneeCombo()->currentIndex();
    options.renumber = h.Check("renumber")->isChecked();
    options.decimals = h.Spin("decimals")->value();
    options.reverse = reverse;
    auto expected = std::make_unique<ExpectedTable>(file, captions, options);
    std::vector<std::string> checked;
    for (const QString& layer : h.Layers()->CheckedTexts()) {
        checked.push_back(layer.toStdString());
    }
    if (checked.size() != static_cast<std::size_t>(h.Layers()->count())) {
        ApplyLayerFilter(expected->points, checked);
        expected->table = SectionTable(expected->points, captions, options);
    }
    return expected;
}

// Unchecks layer in the layer filter and applies the filter.
bool HideLayer(WindowHarness& h, const QString& layer) {
    if (!h.ClickLayer(layer)) {
        return false;
    }
    QTest::mouseClick(h.Button("layerFilterButton"), Qt::LeftButton);
    return true;
}

} // namespace

class ViewOptionsTest : public QObject {
    Q_OBJECT

private slots:
    void workedExampleThroughTheControls() {
        WindowHarness h;
        h.OpenThroughButton(h.WriteFile(QStringLiteral("worked.txt"), WorkedExampleBytes()));
        QAbstractItemModelTester tester(h.window->TableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTest::keyClick(h.Spin("columnCount"), Qt::Key_Up);
        QCOMPARE(h.Captions().size(), 5);
        QVERIFY(h.ChooseField(1, QStringLiteral("与起点距离")));
        QVERIFY(h.ChooseField(2, QStringLiteral("与前点距离")));
        QVERIFY(h.ChooseField(3, QStringLiteral("图层")));
        QVERIFY(h.ChooseField(4, QStringLiteral("注释")));
        QCOMPARE(h.Captions(), QStringList({"序号", "与起点距离", "与前点距离", "图层", "注释"}));
        QTest::keyClick(h.Spin("decimals"), Qt::Key_Down);
        QCOMPARE(h.Spin("decimals")->value(), 2);

        h.KneeCombo()->setFocus();
        QTest::keyClick(h.KneeCombo(), Qt::Key_Down);
        QCOMPARE(h.KneeCombo()->currentText(), QStringLiteral("显示交点与拐点"));
        QCOMPARE(h.Column(1), QStringList({"0.00", "5.00", "9.50", "12.25"}));
        QCOMPARE(h.Column(2), QStringList({"0.00", "5.00", "4.50", "2.75"}));
        QCOMPARE(h.Column(3), QStringList({"(端点)", "DL", "(拐点)", "(端点)"}));
        QCOMPARE(h.Column(4), QStringList({"", "", "", ""}));

        QTest::keyClick(h.KneeCombo(), Qt::Key_Up);
        QCOMPARE(h.Column(2), QStringList({"0.00", "5.00", "7.25"}));
        h.KneeCombo()->setCurrentIndex(2);
        QCOMPARE(h.Column(2), QStringList({"0.00", "9.50", "2.75"}));

        h.KneeCombo()->setCurrentIndex(1);
        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
        QCOMPARE(h.Column(1), QStringList({"0.00", "2.75", "7.25", "12.25"}));
        QCOMPARE(h.Column(2), QStringList({"0.00", "2.75", "4.50", "5.00"}));
        QCOMPARE(h.Column(3), QStringList({"(端点)", "(拐点)", "DL", "(端点)"}));
    }

    void columnCountAndDecimalsStayInBounds() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        QSpinBox* columns = h.Spin("columnCount");
        WindowHarness::TypeInto(columns, QStringLiteral("12"));
        QCOMPARE(columns->value(), 9);
        QCOMPARE(columns->text(), QStringLiteral("9"));
        QCOMPARE(h.Model()->columnCount(), 10);
        QTest::keyClick(columns, Qt::Key_Up);
        QCOMPARE(columns->value(), 9);
        WindowHarness::TypeInto(columns, QStringLiteral("1"));
        QCOMPARE(columns->text(), QStringLiteral("2"));
        QCOMPARE(h.Model()->columnCount(), 3);
        QTest::keyClick(columns, Qt::Key_Down);
        QCOMPARE(columns->value(), 2);
        WindowHarness::TypeInto(columns, QStringLiteral("a-+ "));
        QCOMPARE(columns->text(), QStringLiteral("2"));
        // An emptied edit shows its value again at once, selected: the next
        // digit replaces it and the arrows step from it.
        WindowHarness::TypeInto(columns, QStringLiteral("5"));
        QTest::keyClick(columns, Qt::Key_End);
        QTest::keyClick(columns, Qt::Key_Backspace);
        QCOMPARE(columns->text(), QStringLiteral("5"));
        QTest::keyClick(columns, Qt::Key_7);
        QCOMPARE(columns->text(), QStringLiteral("7"));
        QTest::keyClick(columns, Qt::Key_End);
        QTest::keyClick(columns, Qt::Key_Backspace);
        QTest::keyClick(columns, Qt::Key_Up);
        QCOMPARE(columns->text(), QStringLiteral("8"));
        QCOMPARE(h.Model()->columnCount(), 9);

        QSpinBox* decimals = h.Spin("decimals");
        WindowHarness::TypeInto(decimals, QStringLiteral("7"));
        QCOMPARE(decimals->text(), QStringLiteral("3"));
        QTest::keyClick(decimals, Qt::Key_Up);
        QCOMPARE(decimals->value(), 3);
        WindowHarness::TypeInto(decimals, QStringLiteral("0"));
        QCOMPARE(h.Cell(0, 2), QStringLiteral("500000"));
        QTest::keyClick(decimals, Qt::Key_Down);
        QCOMPARE(decimals->value(), 0);
        QTest::keyClick(decimals, Qt::Key_Up);
        QCOMPARE(h.Cell(0, 2), QStringLiteral("500000.1"));
        QTest::keyClick(decimals, Qt::Key_End);
        QTest::keyClick(decimals, Qt::Key_Backspace);
        QTest::keyClick(decimals, Qt::Key_Up);
        QCOMPARE(h.Cell(0, 2), QStringLiteral("500000.12"));
    }

    void everyOptionKeepsTheReversedOrder() {
        WindowHarness h;
        const QString file = ExamplePath("section-3.8.txt");
        h.OpenThroughButton(file);
        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
        QVERIFY(h.ShowsExactly(*ExpectedNow(h, file, true)));

        const QList<QPair<const char*, std::function<void()>>> actions = {
            {"decimals", [&h] { QTest::keyClick(h.Spin("decimals"), Qt::Key_Down); }},
            {"column count", [&h] { QTest::keyClick(h.Spin("columnCount"), Qt::Key_Up); }},
            {"knee mode", [&h] { h.KneeCombo()->setCurrentIndex(2); }},
            {"renumber", [&h] { QTest::mouseClick(h.Check("renumber"), Qt::LeftButton); }},
            {"header field", [&h] { QVERIFY(h.ChooseField(2, QStringLiteral("与前点距离"))); }},
            {"layer filter", [&h] { QVERIFY(HideLayer(h, QStringLiteral("路面"))); }},
        };
        for (const auto& [name, action] : actions) {
            action();
            QVERIFY2(h.Check("reverse")->isChecked(), name);
            QVERIFY2(h.ShowsExactly(*ExpectedNow(h, file, true)), name);
        }
        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
        QVERIFY(h.ShowsExactly(*ExpectedNow(h, file, false)));
    }

    // A rebuild of the same points keeps the rows the user selected and the current one, by
    // the points they show; another file starts at its first row and the left edge.
    void viewChangesKeepTheSelectedRowsAndAnotherFileStartsAtTheLeft() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        QItemSelectionModel* selection = h.List()->selectionModel();
        const SectionTableModel& model = *h.window->TableModel();
        const auto pointOf = [&model](int row) {
            return model.Table().PointIndex(static_cast<std::size_t>(row));
        };
        const auto selectedPoints = [&] {
            std::set<std::size_t> points;
            for (const QModelIndex& row : selection->selectedRows()) {
                points.insert(pointOf(row.row()));
            }
            return points;
        };
        const auto shownPoints = [&] {
            std::set<std::size_t> points;
            for (int row = 0; row < h.Rows(); ++row) {
                points.insert(pointOf(row));
            }
            return points;
        };
        for (const int row : {3, 4, 5, 8}) {
            selection->select(h.Model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        selection->setCurrentIndex(h.Model()->index(4, 2), QItemSelectionModel::NoUpdate);
        const std::set<std::size_t> chosen = selectedPoints();
        const std::size_t current = pointOf(4);

        const QList<QPair<const char*, std::function<void()>>> actions = {
            {"column count", [&h] { QTest::keyClick(h.Spin("columnCount"), Qt::Key_Down); }},
            {"header field", [&h] { QVERIFY(h.ChooseField(1, QStringLiteral("高程Z"))); }},
            {"decimals", [&h] { QTest::keyClick(h.Spin("decimals"), Qt::Key_Down); }},
            {"reverse", [&h] { QTest::mouseClick(h.Check("reverse"), Qt::LeftButton); }},
            {"knee mode", [&h] { h.KneeCombo()->setCurrentIndex(1); }},
            {"layer filter", [&h] { QVERIFY(HideLayer(h, QStringLiteral("路面"))); }},
        };
        for (const auto& [name, action] : actions) {
            action();
            const std::set<std::size_t> shown = shownPoints();
            std::set<std::size_t> expected;
            std::set_intersection(chosen.begin(), chosen.end(), shown.begin(), shown.end(),
                                  std::inserter(expected, expected.begin()));
            QVERIFY2(!expected.empty(), name);
            QVERIFY2(selectedPoints() == expected, name);
            QVERIFY2(h.List()->currentIndex().isValid(), name);
            QVERIFY2(pointOf(h.List()->currentIndex().row()) == current, name);
            QCOMPARE(h.List()->currentIndex().column(), 2);
        }

        h.Spin("columnCount")->setValue(9);
        QScrollBar* sideways = h.List()->horizontalScrollBar();
        QVERIFY(sideways->maximum() > 0);
        sideways->setValue(sideways->maximum());
        h.OpenThroughButton(ExamplePath("section-3.6.txt"));
        QVERIFY(h.window->StatusText().contains(QStringLiteral("section-3.6.txt")));
        QCOMPARE(sideways->value(), 0);
        QVERIFY(!selection->hasSelection());
        QVERIFY(!h.List()->currentIndex().isValid());
    }

    // A key that chooses in a header's chooser changes the column once; the keys after it move
    // in the table, as the chooser is gone.
    void keysGoToTheTableOnceTheChooserIsGone() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        h.List()->setCurrentIndex(h.Model()->index(2, 1));
        CHeaderCtrlEx* header = h.List()->HeaderCtrl();
        const int x = header->sectionViewportPosition(2) + header->sectionSize(2) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        QVERIFY(header->CellCombo() != nullptr && header->CellCombo()->hasFocus());
        const auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
        key(Qt::Key_Down);
        QCOMPARE(h.Captions(), QStringList({"序号", "编号", "坐标Y", "坐标Y"}));
        QVERIFY(h.List()->hasFocus());
        QCOMPARE(h.List()->currentIndex().row(), 2);
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        key(Qt::Key_Return);
        QCOMPARE(h.Captions(), QStringList({"序号", "编号", "坐标Y", "坐标Y"}));
        QCOMPARE(h.List()->currentIndex().row(), 4);
        QTRY_VERIFY(header->findChild<CListCellCombo*>() == nullptr);
    }

    void layerFilterAppliesTheClickedLayersOnThePress() {
        WindowHarness h;
        const QString file = ExamplePath("section-3.8.txt");
        h.OpenThroughButton(file);
        QVERIFY(h.ChooseField(3, QStringLiteral("图层")));
        const QList<QStringList> before = h.AllRows();
        QVERIFY(h.Column(3).contains(QStringLiteral("边坡")));

        QVERIFY(h.ClickLayer(QStringLiteral("边坡")));
        QVERIFY(!h.Layers()->CheckedTexts().contains(QStringLiteral("边坡")));
        QCOMPARE(h.AllRows(), before); // nothing until the button is pressed

        QTest::mouseClick(h.Button("layerFilterButton"), Qt::LeftButton);
        QVERIFY(!h.Column(3).contains(QStringLiteral("边坡")));
        QVERIFY(h.Rows() < before.size());
        QVERIFY(h.ShowsExactly(*ExpectedNow(h, file, false)));

        QVERIFY(h.ClickLayer(QStringLiteral("边坡")));
        QTest::mouseClick(h.Button("layerFilterButton"), Qt::LeftButton);
        QVERIFY(h.Column(3).contains(QStringLiteral("边坡")));

        // A new file starts with every layer checked and nothing hidden.
        QVERIFY(h.ClickLayer(QStringLiteral("路面")));
        QTest::mouseClick(h.Button("layerFilterButton"), Qt::LeftButton);
        h.OpenThroughButton(file);
        QCOMPARE(h.Layers()->CheckedTexts().size(), h.Layers()->count());
        QVERIFY(h.Column(3).contains(QStringLiteral("路面")));
    }

    void exportWritesTheTableAsShownAndAsTheCommandLine() {
        WindowHarness h;
        const QString file = ExamplePath("section-3.8.txt");
        h.OpenThroughButton(file);
        QTest::keyClick(h.Spin("columnCount"), Qt::Key_Up);
        QTest::keyClick(h.Spin("columnCount"), Qt::Key_Up);
        QVERIFY(h.ChooseField(2, QStringLiteral("高程Z")));
        QVERIFY(h.ChooseField(3, QStringLiteral("与起点距离")));
        QVERIFY(h.ChooseField(4, QStringLiteral("与前点距离")));
        QVERIFY(h.ChooseField(5, QStringLiteral("注释")));
        QTest::keyClick(h.Spin("decimals"), Qt::Key_Down);
        h.KneeCombo()->setCurrentIndex(1);
        QTest::mouseClick(h.Check("renumber"), Qt::LeftButton);
        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
        QVERIFY(h.ClickLayer(QStringLiteral("边沟")));
        QTest::mouseClick(h.Button("layerFilterButton"), Qt::LeftButton);

        // The table as worked out by hand from the example, not by the table's own code.
        const QByteArray expected = QByteArray::fromStdString(
            test::ReadFileBytes(test::TestDataFile("section-3.8-five-columns-filtered.csv")));
        QStringList lines = QString::fromStdString(DecodeGbk(expected.toStdString()))
                                .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.takeFirst(), QString::number(h.Rows()));
        QCOMPARE(h.Captions(),
                 QStringList({"序号", "编号", "高程Z", "与起点距离", "与前点距离", "注释"}));
        for (int row = 0; row < h.Rows(); ++row) {
            QCOMPARE(h.Row(row).join(QLatin1Char(',')), lines.value(row));
        }

        h.nextSave = h.TempPath(QStringLiteral("导出.csv"));
        const QString fileStatus = h.window->StatusText();
        h.window->SetNoticeDuration(100);
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QCOMPARE(h.saveAsked, 1);
        // Told in the status line, without a box to close, for a while.
        QCOMPARE(h.window->StatusText(), QStringLiteral("已导出 %1 行到 %2")
                                             .arg(h.Rows())
                                             .arg(QDir::toNativeSeparators(h.nextSave)));
        QTRY_COMPARE(h.window->StatusText(), fileStatus);
        QCOMPARE(QFileInfo(h.saveSuggested).fileName(), QStringLiteral("数据文件.csv"));
        QVERIFY2(h.messages.isEmpty(), qPrintable(h.details.join('\n')));
        const QByteArray written = ReadBytes(h.nextSave);

        std::ostringstream out;
        std::ostringstream err;
        const std::vector<std::string> args = {
            "export",      file.toStdString(),
            "--columns",   "编号,高程Z,与起点距离,与前点距离,注释",
            "--decimals",  "2",
            "--knee-mode", "1",
            "--renumber",  "--reverse",
            "--layers",    "地面线,边坡,道路边线,路面,道路中线",
            "--stdout"};
        QCOMPARE(RunCli(args, out, err), kExitOk);
        QCOMPARE(written, expected);
        QCOMPARE(written, QByteArray::fromStdString(out.str()));
        // The second export to the same name writes the same bytes again.
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QCOMPARE(ReadBytes(h.nextSave), written);
    }

    void exportDoesNothingWithoutRows() {
        WindowHarness h;
        h.OpenThroughButton(
            h.WriteFile(QStringLiteral("none.txt"), QByteArrayLiteral("HWT3.8\nheader\n0\n")));
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QCOMPARE(h.saveAsked, 0);
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        h.nextSave.clear(); // cancelled
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QCOMPARE(h.saveAsked, 1);
        QVERIFY(h.messages.isEmpty());
    }

    void failedExportsKeepTheOldFile() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        const QByteArray old = QByteArrayLiteral("old contents\r\n");

        h.nextSave = h.TempPath(QStringLiteral("no-such-folder/out.csv"));
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QCOMPARE(h.messages, QStringList({"保存文件失败"}));
        QVERIFY(!h.window->StatusText().contains(QStringLiteral("已导出")));
        // The detail names the file once and gives the reason without repeating the headline.
        const QString detail = h.details.last();
        QCOMPARE(detail.count(QStringLiteral("out.csv")), 1);
        QVERIFY(!detail.contains(QStringLiteral("保存文件失败")));
        QCOMPARE(detail.split(QLatin1Char('\n')).size(), 2);

#ifndef _WIN32
        // A file size limit makes the write fail even for root.
        h.nextSave = h.WriteFile(QStringLiteral("limited.csv"), old);
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 64;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedHandler);
        QCOMPARE(h.messages.size(), 2);
        QCOMPARE(h.messages.last(), QStringLiteral("保存文件失败"));
        QCOMPARE(ReadBytes(h.nextSave), old);

        if (geteuid() != 0) {
            const QString folder = h.TempPath(QStringLiteral("locked"));
            QVERIFY(QDir().mkpath(folder));
            h.nextSave = h.WriteFile(QStringLiteral("locked/out.csv"), old);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QCOMPARE(h.messages.size(), 3);
            QCOMPARE(ReadBytes(h.nextSave), old);
        }
#endif
    }

    void settingsSurviveARestartButReverseDoesNot() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        QTest::keyClick(h.Spin("columnCount"), Qt::Key_Up);
        QVERIFY(h.ChooseField(4, QStringLiteral("方位")));
        QTest::keyClick(h.Spin("decimals"), Qt::Key_Down);
        h.KneeCombo()->setCurrentIndex(2);
        QTest::mouseClick(h.Check("renumber"), Qt::LeftButton);
        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
        const QStringList captions = h.Captions();
        h.window->close();
        QVERIFY(std::filesystem::exists(h.SettingsFile()));

        h.Start();
        QCOMPARE(h.Captions(), captions);
        QCOMPARE(h.Spin("columnCount")->value(), 4);
        QCOMPARE(h.Spin("decimals")->value(), 2);
        QCOMPARE(h.KneeCombo()->currentIndex(), 2);
        QVERIFY(h.Check("renumber")->isChecked());
        QVERIFY(!h.Check("reverse")->isChecked());
        QCOMPARE(h.Rows(), 0);

        // Closing without a change still writes the file.
        QVERIFY(std::filesystem::remove(h.SettingsFile()));
        h.window->close();
        QVERIFY(std::filesystem::exists(h.SettingsFile()));
    }

    void outOfRangeSettingsAreBounded() {
        WindowHarness h;
        h.window.reset();
        const std::string ini = "[SETTING]\r\nColnumNum=12\r\nDecimalNum=-4\r\nKneePnt=5\r\n"
                                "Renumber=1\r\n[HEAD]\r\n表头2=方位\r\n表头3=" +
                                std::string(60, 'A') + "\r\n";
        h.WriteFile(QStringLiteral("Quarvel.ini"), QByteArray::fromStdString(EncodeGbk(ini)));
        h.Start();
        QCOMPARE(h.Spin("columnCount")->value(), 9);
        QCOMPARE(h.Model()->columnCount(), 10);
        QCOMPARE(h.Spin("decimals")->value(), 3);
        QCOMPARE(h.KneeCombo()->currentIndex(), 1); // as the table treats an unknown mode
        QVERIFY(h.Check("renumber")->isChecked());
        QCOMPARE(h.Captions()[3], QStringLiteral("方位"));
        QCOMPARE(h.Captions()[4], QString(49, QLatin1Char('A')));
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        QVERIFY(h.Cell(0, 2).contains(QLatin1Char('.')));
        QCOMPARE(h.Cell(0, 2).section(QLatin1Char('.'), 1).size(), 3);
    }

    void typedNamesGetTheChosenFilterExtension() {
        const QString csv = QStringLiteral("Excel文件(*.csv)");
        const QString txt = QStringLiteral("Data File(*.txt)");
        QCOMPARE(AddFilterExtension("/d/数据文件", csv), QStringLiteral("/d/数据文件.csv"));
        QCOMPARE(AddFilterExtension("/d/数据文件", txt), QStringLiteral("/d/数据文件.txt"));
        QCOMPARE(AddFilterExtension("/d/out.txt", csv), QStringLiteral("/d/out.txt"));
        QCOMPARE(AddFilterExtension("/d/out.", csv), QStringLiteral("/d/out.csv"));
        QCOMPARE(AddFilterExtension("/d/K1+200.5", csv), QStringLiteral("/d/K1+200.5.csv"));
        QCOMPARE(AddFilterExtension("/d.x/name", txt), QStringLiteral("/d.x/name.txt"));
        QCOMPARE(AddFilterExtension(QString(), csv), QString());
    }
};

QTEST_MAIN(ViewOptionsTest)
#include "ViewOptionsTest.moc"
