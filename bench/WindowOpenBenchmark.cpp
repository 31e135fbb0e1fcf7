// Opens a generated 1,000,000-point section file in the real main window and
// reports how long it takes until the first rows are painted, how long a page
// of scrolling takes, how long fitting the column widths takes, and the
// process's peak memory against the file size.
//   window_open_benchmark [POINTS]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "SectionFileGenerator.h"
#include "controls/CListCtrlEx.h"
#include "workbench/CQuarvelDlg.h"
#include "workbench/SectionTableModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <sys/resource.h>

namespace {

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Paints the list's visible rows now, as the screen would.
void PaintList(quarvel::CQuarvelDlg& window) {
    window.List()->viewport()->grab();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const std::size_t points = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    QApplication app(argc, argv);

    QTemporaryDir scratch;
    const QString file = scratch.filePath(QStringLiteral("section.txt"));
    double fileMegabytes = 0;
    {
        const std::string bytes = quarvel::GenerateSectionFile(points, 1);
        std::ofstream(file.toStdString(), std::ios::binary)
            .write(bytes.data(), static_cast<long>(bytes.size()));
        fileMegabytes = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    }

    quarvel::CQuarvelDlg window(scratch.filePath(QStringLiteral("Quarvel.ini")).toStdString());
    window.resize(800, 700);
    window.show();
    QApplication::processEvents();
    PaintList(window);
    const double baseline = PeakMegabytes();

    QElapsedTimer timer;
    timer.start();
    if (!window.OpenFile(file)) {
        std::fprintf(stderr, "the generated file did not open\n");
        return 1;
    }
    QApplication::processEvents();
    PaintList(window);
    const double openMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    QScrollBar* scroll = window.List()->verticalScrollBar();
    constexpr int kPages = 50;
    timer.restart();
    for (int page = 1; page <= kPages; ++page) {
        scroll->setValue(scroll->maximum() / kPages * page);
        PaintList(window);
    }
    const double scrollMs = static_cast<double>(timer.nsecsElapsed()) / 1e6 / kPages;

    // Fitting the column widths again reads only the model's width candidates.
    timer.restart();
    window.List()->AutoSizeColumns();
    const double fitMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    const double peak = PeakMegabytes();
    std::printf("file: %zu points, %.1f MiB\n", points, fileMegabytes);
    std::printf("open and first rows painted: %.0f ms (%d rows)\n", openMs,
                window.TableModel()->rowCount());
    std::printf("one scrolled page painted: %.2f ms\n", scrollMs);
    std::printf("column widths fitted: %.1f ms\n", fitMs);
    std::printf("peak memory: %.1f MiB (%.2fx the file); before the open %.1f MiB, so the section "
                "took %.1f MiB (%.2fx)\n",
                peak, peak / fileMegabytes, baseline, peak - baseline,
                (peak - baseline) / fileMegabytes);
    return 0;
}
