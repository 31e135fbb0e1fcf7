// "文件 > 导出横断面图纸…": the open section's sheets with the table's rules,
// the dialog's preview that refuses what does not fit, and a failure told
// without a file left behind.

#include "workbench/WindowHarness.h"

#include "sheets/SheetPreview.h"
#include "workbench/ExportSheetsCommand.h"
#include "workbench/MainMenu.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

using namespace quarvel;
using namespace quarvel::test;

class SheetsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void windowWritesTheOpenSectionsSheets() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        // The sheets draw the rows the table shows.
        QComboBox* knee = h.window->findChild<QComboBox*>(QStringLiteral("kneeMode"));
        QVERIFY(knee != nullptr);
        knee->setCurrentIndex(1);
        ExportSheetsCommand& command = h.window->SheetsExport();
        SheetRequest asked;
        command.SetOptionsChooser([&](const SheetRequest& proposed) {
            asked = proposed;
            SheetOptions options = proposed.options;
            options.scale = 500;
            return std::optional<SheetOptions>(options);
        });
        QString target = h.TempPath(QStringLiteral("路.dxf"));
        QString suggested;
        command.SetFileChooser([&](const QString& path) {
            suggested = path;
            return target;
        });
        QAction* action = h.window->Menu()->ExportSheetsAction();
        QCOMPARE(action->text(), QStringLiteral("导出横断面图纸…"));
        action->trigger();
        QVERIFY2(h.messages.isEmpty(), qPrintable(h.details.join(QLatin1Char('\n'))));
        QCOMPARE(asked.sections.size(), std::size_t(1));
        QCOMPARE(asked.sections[0].label, std::string("K0+860"));
        QCOMPARE(asked.roadName, std::string("section-3.8"));
        QCOMPARE(asked.options.exaggeration, 1);
        QCOMPARE(asked.rules.kneeMode, 1);
        QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("section-3.8-横断面图.pdf"));
        const QByteArray bytes = ReadBytes(target);
        QVERIFY(bytes.contains("\n  1\nK0+860\n"));
        QVERIFY(bytes.contains("\n  1\n1:500\n"));
        QVERIFY2(h.window->StatusText().contains(QStringLiteral("已导出 1 张横断面图纸")),
                 qPrintable(h.window->StatusText()));

        target = h.TempPath(QStringLiteral("gone/路.pdf"));
        action->trigger();
        QCOMPARE(h.messages, QStringList({"保存文件失败"}));
        QVERIFY(h.details.constFirst().contains(QDir::toNativeSeparators(target)));
        QVERIFY(!QFileInfo::exists(QFileInfo(target).absolutePath()));
    }

    void dialogOffersOnlySheetsThatCanBeWritten() {
        SheetRequest request;
        request.sections = SectionsAlongRoad({ToFsPath(ExamplePath("section-3.8.txt"))});
        request.roadName = "路";
        SheetsDialog dialog(nullptr, request);
        QPushButton* ok = dialog.Buttons()->button(QDialogButtonBox::Ok);
        QVERIFY(ok->isEnabled());
        QCOMPARE(dialog.Preview()->SheetCount(), std::size_t(1));
        QCOMPARE(dialog.Options().scale, 200);

        // About 40 m across: 4 m of paper at 1:10.
        dialog.ScaleBox()->setCurrentText(QStringLiteral("1:10"));
        QVERIFY(!ok->isEnabled());
        QVERIFY2(dialog.Preview()->Problem().contains(QStringLiteral("可用 1:200")),
                 qPrintable(dialog.Preview()->Problem()));
        dialog.ScaleBox()->setCurrentText(QStringLiteral("9"));
        QVERIFY(!ok->isEnabled());
        dialog.ScaleBox()->setCurrentText(QStringLiteral("1000"));
        QVERIFY(ok->isEnabled());
        QCOMPARE(dialog.Options().scale, 1000);
        if (qEnvironmentVariableIsSet("QUARVEL_SHEETS_SHOT")) {
            dialog.resize(900, 520);
            dialog.grab().save(qEnvironmentVariable("QUARVEL_SHEETS_SHOT"));
        }
    }
};

QTEST_MAIN(SheetsWindowTest)
#include "SheetsWindowTest.moc"
