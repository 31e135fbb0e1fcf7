// "数据导出" to an Excel workbook: the same workbook as quarvel-cli's.

#include "WindowHarness.h"

#include "cli/ExportCommand.h"
#include "workbench/ExportTableCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <sstream>

using namespace quarvel;
using namespace quarvel::test;

class WorkbookExportTest : public QObject {
    Q_OBJECT

private slots:
    void theDialogOffersWorkbooks() {
        const QStringList filters = ExportTableCommand::NameFilters();
        QCOMPARE(filters.value(0), QStringLiteral("Excel文件(*.csv)")); // still preselected
        QVERIFY(filters.contains(QStringLiteral("Excel 工作簿(*.xlsx)")));
        QCOMPARE(
            AddFilterExtension(QStringLiteral("/d/全线"), QStringLiteral("Excel 工作簿(*.xlsx)")),
            QStringLiteral("/d/全线.xlsx"));
    }

    void theWindowsWorkbookIsQuarvelClis() {
        WindowHarness h;
        const QString file = ExamplePath("section-3.8.txt");
        h.OpenThroughButton(file);
        QTest::keyClick(h.Spin("columnCount"), Qt::Key_Up);
        QVERIFY(h.ChooseField(2, QStringLiteral("方位")));
        QVERIFY(h.ChooseField(3, QStringLiteral("注释")));
        QTest::keyClick(h.Spin("decimals"), Qt::Key_Down);
        h.KneeCombo()->setCurrentIndex(1);
        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);

        h.nextSave = h.TempPath(QStringLiteral("全线.xlsx"));
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QVERIFY2(h.messages.isEmpty(), qPrintable(h.details.join('\n')));
        QCOMPARE(h.window->StatusText(), QStringLiteral("已导出 %1 行到 %2")
                                             .arg(h.Rows())
                                             .arg(QDir::toNativeSeparators(h.nextSave)));
        QCOMPARE(ReadBytes(h.nextSave).left(2), QByteArrayLiteral("PK"));

        const QString cliBook = h.TempPath(QStringLiteral("cli.xlsx"));
        std::ostringstream out;
        std::ostringstream err;
        const std::vector<std::string> args = {"export",
                                               file.toStdString(),
                                               "--columns",
                                               "编号,方位,注释,高程Z",
                                               "--decimals",
                                               "2",
                                               "--knee-mode",
                                               "1",
                                               "--reverse",
                                               "-o",
                                               ToFsPath(cliBook).u8string()};
        QCOMPARE(RunCli(args, out, err), kExitOk);
#ifndef _WIN32 // openpyxl reads them on the build machine
        QProcess check;
        check.start(
            QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(QUARVEL_CHECK_WORKBOOK), QStringLiteral("same"), h.nextSave, cliBook});
        QVERIFY(check.waitForFinished(60000));
        QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());
#endif
    }

    void aFailedWorkbookIsToldWithItsFile() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.0.txt"));
        h.nextSave = h.TempPath(QStringLiteral("missing/out.xlsx"));
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QCOMPARE(h.messages, QStringList{QStringLiteral("保存文件失败")});
        QVERIFY2(h.details.value(0).contains(QFileInfo(h.nextSave).fileName()),
                 qPrintable(h.details.value(0)));
    }
};

QTEST_MAIN(WorkbookExportTest)
#include "WorkbookExportTest.moc"
