// Runs the main window's "批量导出…" on every section file of a folder, as a
// user would with the view the options give, and reports the longest pause
// of the window's event loop meanwhile: how long the window could not
// repaint or take a click. bench/time-batch.sh times it beside quarvel-cli.
//   window_batch_benchmark IN_FOLDER OUT_FOLDER [--columns LIST] [--knee-mode N]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "settings/SettingsFile.h"
#include "workbench/CQuarvelDlg.h"
#include "workbench/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// The view of a first start, with the columns and the mode asked for.
quarvel::Settings ViewFrom(const QStringList& args) {
    quarvel::Settings settings;
    for (int i = 2; i + 1 < args.size(); i += 2) {
        if (args[i] == QStringLiteral("--columns")) {
            const QStringList columns = args[i + 1].split(QLatin1Char(','));
            settings.columnCount = static_cast<int>(columns.size());
            for (int c = 0; c < columns.size() && c < static_cast<int>(quarvel::kFieldCount); ++c) {
                settings.captions[static_cast<std::size_t>(c)] = columns[c].toStdString();
            }
        } else if (args[i] == QStringLiteral("--knee-mode")) {
            settings.kneeMode = args[i + 1].toInt();
        }
    }
    return settings;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: window_batch_benchmark IN_FOLDER OUT_FOLDER [options]\n");
        return EXIT_FAILURE;
    }
    QTemporaryDir settingsDir;
    const std::filesystem::path settingsFile =
        settingsDir.filePath(QStringLiteral("Quarvel.ini")).toStdString();
    quarvel::SaveSettings(settingsFile, ViewFrom(args));

    quarvel::CQuarvelDlg window(settingsFile);
    window.show();
    quarvel::BatchExportCommand& batch = window.BatchExport();
    quarvel::BatchRequest request;
    request.folder = args[0];
    request.outputFolder = args[1];
    batch.SetRequestChooser([&request](const quarvel::BatchRequest&, quarvel::ExportForm&) {
        return std::optional<quarvel::BatchRequest>(request);
    });
    batch.SetExistingChooser([](int, const QString&) {
        return quarvel::BatchExportCommand::ExistingOutputs::ReplaceAll;
    });
    QString headline;
    batch.SetSummarySink([&headline](const QString& text, const QString&) { headline = text; });

    // A tick every 10 ms; a late one is a pause of the event loop.
    QElapsedTimer sinceTick;
    qint64 longestPause = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longestPause = std::max(longestPause, sinceTick.restart()); });
    QElapsedTimer total;
    total.start();
    sinceTick.start();
    ticks.start(10);
    window.Menu()->BatchExportAction()->trigger();
    ticks.stop();
    std::printf("%s in %.2f s; longest pause of the window's event loop: %lld ms\n",
                headline.toUtf8().constData(), static_cast<double>(total.elapsed()) / 1000.0,
                static_cast<long long>(longestPause));
    return headline.isEmpty() ? EXIT_FAILURE : EXIT_SUCCESS;
}
