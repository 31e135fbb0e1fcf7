// Opens a generated 1,000,000-point section file in the real main window and
// reports how long it takes until the first rows (and the profile, when it
// shows) are painted, with the profile hidden and shown, how long a page of
// scrolling takes, how long fitting the column widths takes, and the
// process's peak memory against the file size.
//   window_open_benchmark [POINTS]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "SectionFileGenerator.h"
#include "controls/CListCtrlEx.h"
#include "profile/SectionProfileView.h"
#include "workbench/CQuarvelDlg.h"
#include "workbench/SectionTableModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

#include <sys/resource.h>

namespace {

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Paints the list's visible rows, and the profile when it shows, now, as the
// screen would.
void Paint(quarvel::CQuarvelDlg& window) {
    window.List()->viewport()->grab();
    if (window.Profile()->isVisible()) {
        window.Profile()->repaint();
    }
}

// A window on a settings file that shows or hides the profile.
std::unique_ptr<quarvel::CQuarvelDlg> NewWindow(const QTemporaryDir& scratch, bool profile) {
    const QString settings = scratch.filePath(QStringLiteral("Quarvel.ini"));
    std::ofstream(settings.toStdString(), std::ios::binary)
        << "[VIEW]\r\nProfile=" << (profile ? 1 : 0) << "\r\n";
    auto window = std::make_unique<quarvel::CQuarvelDlg>(settings.toStdString());
    window->resize(800, 700);
    window->show();
    QApplication::processEvents();
    Paint(*window);
    return window;
}

// Milliseconds from the open until the first paint; 0 when the file did not open.
double OpenMs(quarvel::CQuarvelDlg& window, const QString& file) {
    QElapsedTimer timer;
    timer.start();
    if (!window.OpenFile(file)) {
        return 0;
    }
    QApplication::processEvents();
    Paint(window);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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

    // Alternately without and with the profile, so that both meet the same
    // state of the machine; the last window stays for scrolling.
    const double baseline = PeakMegabytes();
    std::vector<double> hidden;
    std::vector<double> shown;
    std::unique_ptr<quarvel::CQuarvelDlg> window;
    for (int run = 0; run < 6; ++run) {
        const bool profile = run % 2 == 1;
        window.reset();
        window = NewWindow(scratch, profile);
        const double ms = OpenMs(*window, file);
        if (ms == 0) {
            std::fprintf(stderr, "the generated file did not open\n");
            return 1;
        }
        (profile ? shown : hidden).push_back(ms);
    }
    const double hiddenMs = Median(hidden);
    const double shownMs = Median(shown);

    QElapsedTimer timer;
    QScrollBar* scroll = window->List()->verticalScrollBar();
    constexpr int kPages = 50;
    timer.restart();
    for (int page = 1; page <= kPages; ++page) {
        scroll->setValue(scroll->maximum() / kPages * page);
        window->List()->viewport()->grab();
    }
    const double scrollMs = static_cast<double>(timer.nsecsElapsed()) / 1e6 / kPages;

    // Fitting the column widths again reads only the model's width candidates.
    timer.restart();
    window->List()->AutoSizeColumns();
    const double fitMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    const double peak = PeakMegabytes();
    std::printf("file: %zu points, %.1f MiB\n", points, fileMegabytes);
    std::printf("open and first rows painted, profile hidden: %.0f ms; profile shown: %.0f ms "
                "(%.2fx; medians of 3; %d rows)\n",
                hiddenMs, shownMs, shownMs / hiddenMs, window->TableModel()->rowCount());
    std::printf("one scrolled page painted: %.2f ms\n", scrollMs);
    std::printf("column widths fitted: %.1f ms\n", fitMs);
    std::printf("peak memory: %.1f MiB (%.2fx the file); before the open %.1f MiB, so the section "
                "took %.1f MiB (%.2fx)\n",
                peak, peak / fileMegabytes, baseline, peak - baseline,
                (peak - baseline) / fileMegabytes);
    return 0;
}
