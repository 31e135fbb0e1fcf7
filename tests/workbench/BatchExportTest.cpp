// "批量导出…", "导出选项…" and "最近打开", driven through the window.

#include "WindowHarness.h"

#include "cli/ExportCommand.h"
#include "sectiondata/TextCodec.h"
#include "workbench/ExportOptionsDialog.h"
#include "workbench/MainMenu.h"
#include "workbench/RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QProgressDialog>
#include <QRadioButton>
#include <QTimer>

#include <sstream>

using namespace quarvel;
using namespace quarvel::test;

namespace {

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// The command line's export of one file to standard output.
QByteArray CliExport(const QString& input, const std::vector<std::string>& options) {
    std::vector<std::string> args = {"export", input.toStdString(), "--stdout"};
    args.insert(args.end(), options.begin(), options.end());
    std::ostringstream out;
    std::ostringstream err;
    return RunCli(args, out, err) == kExitOk ? QByteArray::fromStdString(out.str()) : QByteArray();
}

struct BatchAnswers {
    BatchRequest request;
    BatchExportCommand::ExistingOutputs existing = BatchExportCommand::ExistingOutputs::Cancel;
    int requestsAsked = 0;
    QList<int> existingAsked;
    QStringList headlines;
    QStringList details;
};

// The batch's dialogs answered by answers instead of the user.
void AnswerBatch(WindowHarness& h, BatchAnswers& answers) {
    BatchExportCommand& batch = h.window->BatchExport();
    batch.SetRequestChooser([&answers](const BatchRequest&, ExportForm&) {
        ++answers.requestsAsked;
        return std::optional<BatchRequest>(answers.request);
    });
    batch.SetExistingChooser([&answers](int count, const QString&) {
        answers.existingAsked.append(count);
        return answers.existing;
    });
    batch.SetSummarySink([&answers](const QString& headline, const QString& details) {
        answers.headlines.append(headline);
        answers.details.append(details);
    });
}

} // namespace

class BatchExportTest : public QObject {
    Q_OBJECT
private slots:
    // The window's view and export form on files that are not open give the
    // very bytes of quarvel-cli with the same choices, and so does the
    // window's own export of the open file.
    void batchExportsAsTheCommandLineWithTheWindowsViewAndForm() {
        WindowHarness h;
        const QString open = ExamplePath("section-3.6.txt");
        h.OpenThroughButton(open);
        h.Spin("columnCount")->setValue(4);
        QVERIFY(h.ChooseField(4, QStringLiteral("图层")));
        h.Spin("decimals")->setValue(2);
        h.KneeCombo()->setCurrentIndex(1);
        QTest::mouseClick(h.Check("renumber"), Qt::LeftButton);
        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
        QVERIFY(h.ClickLayer(QStringLiteral("边沟")));
        QTest::mouseClick(h.Button("layerFilterButton"), Qt::LeftButton);
        const ExportForm form{ExportEncoding::Utf8Bom, FirstLine::Captions, Separator::Semicolon};
        ExportOptionsDialog options(form, h.window.get());
        QCOMPARE(options.Form(), form);
        options.findChild<QRadioButton*>(QStringLiteral("separator1"))->click();
        options.findChild<QRadioButton*>(QStringLiteral("firstLine2"))->click();
        options.findChild<QRadioButton*>(QStringLiteral("encoding0"))->click();
        QCOMPARE(options.Form(),
                 (ExportForm{ExportEncoding::Gbk, FirstLine::None, Separator::Tab}));
        h.window->SetExportOptionsChooser([&form](const ExportForm&) { return form; });
        h.window->Menu()->ExportOptionsAction()->trigger();
        QCOMPARE(h.window->Form(), form);

        BatchAnswers answers;
        const QStringList inputs = {ExamplePath("section-3.0.txt"), open,
                                    ExamplePath("section-3.8.txt"),
                                    ExamplePath("section-3.8-utf8.txt")};
        answers.request.files = inputs;
        answers.request.outputFolder = h.TempPath(QStringLiteral("out"));
        AnswerBatch(h, answers);
        h.window->Menu()->BatchExportAction()->trigger();
        QCOMPARE(answers.headlines,
                 QStringList({QStringLiteral("已导出 4 个文件到 %1")
                                  .arg(QDir::toNativeSeparators(answers.request.outputFolder))}));
        QCOMPARE(answers.details, QStringList({QString()}));
        QVERIFY(h.window->StatusText().startsWith(QStringLiteral("已批量导出 4 个文件到 ")));

        const std::vector<std::string> same = {
            "--columns",    "编号,坐标X,坐标Y,图层",
            "--decimals",   "2",
            "--knee-mode",  "1",
            "--renumber",   "--reverse",
            "--layers",     h.Layers()->CheckedTexts().join(',').toStdString(),
            "--encoding",   "utf8-bom",
            "--first-line", "captions",
            "--separator",  "semicolon"};
        QCOMPARE(h.Layers()->CheckedTexts().size(), h.Layers()->count() - 1);
        for (const QString& input : inputs) {
            const QString output = QDir(answers.request.outputFolder)
                                       .filePath(QFileInfo(input).completeBaseName() + ".csv");
            const QByteArray expected = CliExport(input, same);
            QVERIFY(expected.startsWith("\xEF\xBB\xBF编号;坐标X;坐标Y;图层\r\n"));
            QCOMPARE(ReadBytes(output), expected);
        }

        h.nextSave = h.TempPath(QStringLiteral("open.csv"));
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QCOMPARE(ReadBytes(h.nextSave), CliExport(open, same));
    }

    void existingOutputsAreAskedAboutOnce() {
        WindowHarness h;
        BatchAnswers answers;
        answers.request.folder = h.TempPath(QStringLiteral("in"));
        answers.request.outputFolder = h.TempPath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(answers.request.folder));
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            QVERIFY(QFile::copy(ExamplePath("section-3.0.txt"),
                                QDir(answers.request.folder).filePath(QString::fromLatin1(name))));
        }
        h.WriteFile(QStringLiteral("in/notes.txt"), "not a section\n"); // not picked up
        QVERIFY(QDir().mkpath(answers.request.outputFolder));
        h.WriteFile(QStringLiteral("out/a.csv"), "old a");
        h.WriteFile(QStringLiteral("out/c.csv"), "old c");
        const QByteArray fresh = CliExport(ExamplePath("section-3.0.txt"), {});
        AnswerBatch(h, answers);

        answers.existing = BatchExportCommand::ExistingOutputs::Cancel;
        h.window->Menu()->BatchExportAction()->trigger();
        QCOMPARE(answers.existingAsked, QList<int>({2}));
        QVERIFY(answers.headlines.isEmpty());
        QCOMPARE(Entries(answers.request.outputFolder), QStringList({"a.csv", "c.csv"}));
        QCOMPARE(ReadBytes(h.TempPath(QStringLiteral("out/a.csv"))), QByteArray("old a"));

        answers.existing = BatchExportCommand::ExistingOutputs::SkipExisting;
        h.window->Menu()->BatchExportAction()->trigger();
        QCOMPARE(answers.existingAsked, QList<int>({2, 2}));
        QCOMPARE(answers.headlines.last(),
                 QStringLiteral("已导出 1 个文件到 %1；跳过 2 个已有文件")
                     .arg(QDir::toNativeSeparators(answers.request.outputFolder)));
        QCOMPARE(ReadBytes(h.TempPath(QStringLiteral("out/a.csv"))), QByteArray("old a"));
        QCOMPARE(ReadBytes(h.TempPath(QStringLiteral("out/b.csv"))), fresh);

        answers.existing = BatchExportCommand::ExistingOutputs::ReplaceAll;
        h.window->Menu()->BatchExportAction()->trigger();
        QCOMPARE(answers.existingAsked, QList<int>({2, 2, 3}));
        for (const char* name : {"out/a.csv", "out/b.csv", "out/c.csv"}) {
            QCOMPARE(ReadBytes(h.TempPath(QString::fromLatin1(name))), fresh);
        }
        QCOMPARE(Entries(answers.request.outputFolder), QStringList({"a.csv", "b.csv", "c.csv"}));

        // Failures are listed in the summary, one line each with its file.
        h.WriteFile(QStringLiteral("in/d.txt"), "HWT3.8\r\nh\r\n0\r\n");
        answers.existing = BatchExportCommand::ExistingOutputs::SkipExisting;
        h.window->Menu()->BatchExportAction()->trigger();
        QCOMPARE(answers.headlines.last(),
                 QStringLiteral("已导出 0 个文件到 %1；跳过 3 个已有文件；1 个文件失败")
                     .arg(QDir::toNativeSeparators(answers.request.outputFolder)));
        QStringList details = {QStringLiteral("没有数据行，未写入文件: ") +
                               QDir::toNativeSeparators(h.TempPath(QStringLiteral("in/d.txt")))};
        for (const char* name : {"a", "b", "c"}) {
            details.append(QStringLiteral("跳过已有文件: %1；输入文件 %2 未导出")
                               .arg(QDir::toNativeSeparators(
                                        h.TempPath(QStringLiteral("out/%1.csv").arg(name))),
                                    QDir::toNativeSeparators(
                                        h.TempPath(QStringLiteral("in/%1.txt").arg(name)))));
        }
        QCOMPARE(answers.details.last(), details.join(QLatin1Char('\n')));
    }

    // A folder's subfolders come out as subfolders of the output folder, so
    // that same-named files in two of them are both exported; a clash that
    // remains names the input left out.
    void subfoldersAreMirrored() {
        WindowHarness h;
        BatchAnswers answers;
        answers.request.folder = h.TempPath(QStringLiteral("in"));
        answers.request.subfolders = true;
        answers.request.outputFolder = h.TempPath(QStringLiteral("out"));
        for (const char* name : {"in/K1/s.txt", "in/K2/s.txt", "in/s.txt"}) {
            QVERIFY(QDir().mkpath(QFileInfo(h.TempPath(QString::fromLatin1(name))).path()));
            QVERIFY(
                QFile::copy(ExamplePath("section-3.0.txt"), h.TempPath(QString::fromLatin1(name))));
        }
        AnswerBatch(h, answers);
        h.window->Menu()->BatchExportAction()->trigger();
        QCOMPARE(answers.headlines.last(),
                 QStringLiteral("已导出 3 个文件到 %1")
                     .arg(QDir::toNativeSeparators(answers.request.outputFolder)));
        const QByteArray fresh = CliExport(ExamplePath("section-3.0.txt"), {});
        for (const char* name : {"out/K1/s.csv", "out/K2/s.csv", "out/s.csv"}) {
            QCOMPARE(ReadBytes(h.TempPath(QString::fromLatin1(name))), fresh);
        }

        // Without the subfolders' own folders the second s.txt is left out, by name.
        answers.request.files = {h.TempPath(QStringLiteral("in/K1/s.txt")),
                                 h.TempPath(QStringLiteral("in/K2/s.txt"))};
        answers.request.outputFolder = h.TempPath(QStringLiteral("flat"));
        h.window->Menu()->BatchExportAction()->trigger();
        QCOMPARE(answers.details.last(),
                 QStringLiteral(
                     "保存文件失败: %1: 与前一个输入文件的输出重名，未覆盖；输入文件 %2 未导出")
                     .arg(QDir::toNativeSeparators(h.TempPath(QStringLiteral("flat/s.csv"))),
                          QDir::toNativeSeparators(answers.request.files.last())));
    }

    // An item the plan refuses (its output is an input, or another input's output) is neither
    // counted among the existing outputs nor skipped: it is reported as refused.
    void refusedItemsAreNeitherCountedNorSkipped() {
        WindowHarness h;
        BatchAnswers answers;
        answers.request.outputFolder = h.TempPath(QStringLiteral("out"));
        for (const char* folder : {"in/a", "in/b", "out"}) {
            QVERIFY(QDir().mkpath(h.TempPath(QString::fromLatin1(folder))));
        }
        const QByteArray section = ReadBytes(ExamplePath("section-3.0.txt"));
        answers.request.files = {h.WriteFile(QStringLiteral("in/a/K1.txt"), section),
                                 h.WriteFile(QStringLiteral("in/b/K1.txt"), section),
                                 h.WriteFile(QStringLiteral("out/K2.csv"), section)};
        h.WriteFile(QStringLiteral("out/K1.csv"), "old");
        AnswerBatch(h, answers);
        answers.existing = BatchExportCommand::ExistingOutputs::SkipExisting;
        h.window->Menu()->BatchExportAction()->trigger();

        QCOMPARE(answers.existingAsked, QList<int>({1}));
        QCOMPARE(answers.headlines.size(), 1);
        QVERIFY2(answers.headlines[0].contains(QStringLiteral("跳过 1 个已有文件")),
                 qPrintable(answers.headlines[0]));
        QVERIFY2(answers.headlines[0].contains(QStringLiteral("2 个文件失败")),
                 qPrintable(answers.headlines[0]));
        const QStringList lines = answers.details[0].split('\n');
        QCOMPARE(lines.size(), 3);
        for (const QString& line : lines.mid(0, 2)) {
            QVERIFY2(line.startsWith(QStringLiteral("保存文件失败: ")) &&
                         line.contains(QStringLiteral("，未覆盖")),
                     qPrintable(line));
        }
        QVERIFY2(lines[2].startsWith(QStringLiteral("跳过已有文件: ")), qPrintable(lines[2]));
        QCOMPARE(ReadBytes(h.TempPath(QStringLiteral("out/K1.csv"))), QByteArray("old"));
        QCOMPARE(ReadBytes(answers.request.files[2]), section);
    }

    // The window stays responsive: the progress repaints and its Cancel stops
    // the batch, leaving only whole files.
    void cancellingABatchLeavesOnlyWholeFiles() {
        WindowHarness h;
        BatchAnswers answers;
        answers.request.folder = h.TempPath(QStringLiteral("in"));
        answers.request.outputFolder = h.TempPath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(answers.request.folder));
        // Files large enough that the batch still runs for a few repaints of
        // the progress after its first file.
        QByteArray section = "HWT3.8\r\nh\r\n20000\r\n";
        for (int i = 0; i < 20000; ++i) {
            section += QByteArray::number(i) + "," + QByteArray::number(i * 0.25) +
                       ",2,3,0,0,,0,0,L,0,\r\n";
        }
        constexpr int kFiles = 80;
        for (int i = 0; i < kFiles; ++i) {
            h.WriteFile(QStringLiteral("in/K%1.txt").arg(i, 3, 10, QLatin1Char('0')), section);
        }
        const QByteArray whole = CliExport(h.TempPath(QStringLiteral("in/K000.txt")), {});
        AnswerBatch(h, answers);
        h.window->BatchExport().SetProgressDelay(0);
        QString seen;
        QTimer cancelAfterFirstFile;
        connect(&cancelAfterFirstFile, &QTimer::timeout, this, [&] {
            auto* progress = h.window->findChild<QProgressDialog*>(QStringLiteral("batchProgress"));
            if (progress != nullptr && progress->value() >= 1 && seen.isEmpty()) {
                seen = progress->labelText();
                // Through the progress's window, as the system delivers a click.
                const QPushButton* cancel = progress->findChild<QPushButton*>();
                QTest::mouseClick(progress->windowHandle(), Qt::LeftButton, {},
                                  cancel->mapTo(progress, cancel->rect().center()));
            }
        });
        cancelAfterFirstFile.start(1);
        h.window->Menu()->BatchExportAction()->trigger();

        QVERIFY2(seen.startsWith(QStringLiteral("正在导出 ")), qPrintable(seen));
        const QStringList written = Entries(answers.request.outputFolder);
        QVERIFY(!written.isEmpty());
        QVERIFY2(written.size() < kFiles, "the batch ran to its end");
        for (const QString& name : written) {
            QVERIFY2(name.endsWith(QStringLiteral(".csv")), qPrintable(name));
            QCOMPARE(ReadBytes(QDir(answers.request.outputFolder).filePath(name)), whole);
        }
        QCOMPARE(answers.headlines,
                 QStringList({QStringLiteral("已导出 %1 个文件到 %2；已取消，%3 个文件未导出")
                                  .arg(written.size())
                                  .arg(QDir::toNativeSeparators(answers.request.outputFolder))
                                  .arg(kFiles - written.size())}));
    }

    // From the batch's start, before its progress shows, the window takes no input: neither a
    // second batch nor a close can start. Afterwards it takes input again.
    void theWindowTakesNoInputWhileABatchRuns() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        BatchAnswers answers;
        answers.request.files = {ExamplePath("section-3.8.txt")};
        answers.request.outputFolder = h.TempPath(QStringLiteral("out"));
        AnswerBatch(h, answers);
        h.window->BatchExport().SetProgressDelay(60000);
        bool visibleAfterEscape = false;
        bool closed = true;
        const auto userActs = [&] {
            QTest::keyClick(h.window.get(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
            QTest::mouseClick(h.Button("openButton"), Qt::LeftButton);
            QTest::keyClick(h.List(), Qt::Key_Escape);
            visibleAfterEscape = h.window->isVisible();
            closed = h.window->close();
        };
        h.window->BatchExport().SetRequestChooser([&](const BatchRequest&, ExportForm&) {
            ++answers.requestsAsked;
            // Runs once the batch waits for its files, before the progress would show.
            QTimer::singleShot(0, h.window.get(), userActs);
            return std::optional<BatchRequest>(answers.request);
        });
        h.window->Menu()->BatchExportAction()->trigger();

        QCOMPARE(answers.headlines.size(), 1);
        QCOMPARE(answers.requestsAsked, 1);
        QCOMPARE(h.openAsked, 0);
        QVERIFY(visibleAfterEscape);
        QVERIFY(!closed);
        QVERIFY(h.window->isVisible());
        QTest::keyClick(h.List(), Qt::Key_Escape);
        QVERIFY(!h.window->isVisible());
    }

    // With GBK, an export says how many characters it had to write as "?".
    void exportTellsOfCharactersGbkLacks() {
        WindowHarness h;
        h.OpenThroughButton(h.WriteFile(QStringLiteral("emoji.txt"),
                                        "HWT3.0\r\nh\r\n2\r\n1,1,2,3,0,0,墙😀😀,0,0,L,\r\n"
                                        "2,1,2,3,0,0,墙😀😀,0,0,L,\r\n"));
        QVERIFY(h.ChooseField(3, QStringLiteral("注释")));
        h.nextSave = h.TempPath(QStringLiteral("emoji.csv"));
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QCOMPARE(ReadBytes(h.nextSave),
                 QByteArray::fromStdString(EncodeGbk("2\r\n2,1.000,墙??\r\n3,1.000,墙??\r\n")));
        QVERIFY2(h.window->StatusText().endsWith(
                     QStringLiteral("；4 个字符在 GBK 中没有对应的字符，已写成“?”")),
                 qPrintable(h.window->StatusText()));
    }

    // Ten files at most, also before a restart; a file chosen in the menu opens and moves to
    // the top once its own action has finished.
    void recentFilesStayAtTenAndTheChosenOneMovesUpAfterItsAction() {
        WindowHarness h;
        QStringList files;
        for (int i = 0; i < 12; ++i) {
            files.append(h.WriteFile(QStringLiteral("%1.txt").arg(i), WorkedExampleBytes()));
            h.OpenThroughButton(files.last());
        }
        QCOMPARE(h.window->Recent().Files().size(), RecentFiles::kMaxFiles);
        QCOMPARE(QFileInfo(h.window->Recent().Files().constFirst()).fileName(),
                 QStringLiteral("11.txt"));
        QMenu* menu = h.window->Menu()->RecentMenu();
        // The menu as the user sees it: rebuilt once the last open has returned.
        QApplication::processEvents();
        QTRY_COMPARE(menu->actions().size(), RecentFiles::kMaxFiles);

        QPointer<QAction> chosen = menu->actions().at(3);
        bool aliveInItsSignal = false;
        connect(chosen.data(), &QAction::triggered, [&] { aliveInItsSignal = !chosen.isNull(); });
        chosen->trigger();
        QVERIFY(aliveInItsSignal);
        QVERIFY(h.window->StatusText().contains(QStringLiteral("8.txt")));
        QTRY_COMPARE(menu->actions().constFirst()->toolTip(), QDir::toNativeSeparators(files[8]));
        QCOMPARE(menu->actions().size(), RecentFiles::kMaxFiles);
        QVERIFY(h.messages.isEmpty());
    }

    // The files opened last come back after a restart, newest first and each
    // once; each file dialog starts in its own last folder.
    void recentFilesAndFoldersSurviveARestart() {
        WindowHarness h;
        QVERIFY(QDir().mkpath(h.TempPath(QStringLiteral("sub"))));
        QStringList files;
        for (int i = 0; i < 12; ++i) {
            files.append(h.WriteFile(QStringLiteral("sub/%1.txt").arg(i), WorkedExampleBytes()));
            h.OpenThroughButton(files.last());
        }
        h.OpenThroughButton(h.TempPath(QStringLiteral("sub/../sub/10.txt")));
        h.nextSave = h.TempPath(QStringLiteral("导出.csv"));
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QVERIFY(h.messages.isEmpty());
        h.window->close();

        h.Start();
        QStringList expected = {files[10], files[11]};
        for (int i = 9; i >= 2; --i) {
            expected.append(files[i]);
        }
        QCOMPARE(h.window->Recent().Files(), expected);
        QMenu* menu = h.window->Menu()->RecentMenu();
        QCOMPARE(menu->actions().size(), 10);

        QVERIFY(QFile::remove(files[11]));
        menu->actions().at(1)->trigger();
        QCOMPARE(h.messages, QStringList({QStringLiteral("文件不存在，已从“最近打开”中移除")}));
        QCOMPARE(h.window->Recent().Files().size(), 9);
        QTRY_COMPARE(menu->actions().size(), 9);
        menu->actions().at(1)->trigger(); // now files[9]
        QVERIFY(h.window->StatusText().contains(QStringLiteral("9.txt")));

        h.OpenThroughButton(QString());
        QCOMPARE(QFileInfo(h.openFolder).canonicalFilePath(),
                 QFileInfo(h.TempPath(QStringLiteral("sub"))).canonicalFilePath());
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QCOMPARE(QFileInfo(QFileInfo(h.saveSuggested).path()).canonicalFilePath(),
                 QFileInfo(h.dir.path()).canonicalFilePath());
    }
};

QTEST_MAIN(BatchExportTest)
#include "BatchExportTest.moc"
