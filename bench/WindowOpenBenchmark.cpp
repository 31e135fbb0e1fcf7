// Opens a generated 1,000,000-point section file in the real main window and
// reports, with the profile hidden and shown, how long it takes until the
// first rows (and the profile, when it shows) are painted, until the whole
// section is shown, and the longest pause of the window's event loop
// meanwhile; then how long a page of scrolling takes, how long fitting the
// column widths takes, and the process's peak memory against the file size.
//   window_open_benchmark [POINTS]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "SectionFileGenerator.h"
#include "controls/CListCtrlEx.h"
#include "profile/SectionProfileView.h"
#include "workbench/CQuarvelDlg.h"
#include "workbench/SectionTableModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>

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

// Whether a list of the window's with rows is what this paint draws, or a
// profile beside such a list: the new section, since every run starts empty.
bool ShowsRows(const QWidget* list) {
    const auto* view = qobject_cast<const QAbstractItemView*>(list);
    return view != nullptr && qobject_cast<const QHeaderView*>(list) == nullptr &&
           view->model() != nullptr && view->model()->rowCount() > 0;
}

// Notes when the first rows, and the first profile beside them, have been
// painted: after the paint, as the screen would show them.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(const QElapsedTimer& clock) : m_clock(clock) {
        QApplication::instance()->installEventFilter(this);
    }
    ~PaintWatch() override { QApplication::instance()->removeEventFilter(this); }
    PaintWatch(const PaintWatch&) = delete;
    PaintWatch& operator=(const PaintWatch&) = delete;

    // Milliseconds until the rows and, when asked, the profile were painted; 0: not yet.
    double FirstPaintMs(bool profile) const {
        if (m_rowsAt == 0 || (profile && m_profileAt == 0)) {
            return 0;
        }
        return static_cast<double>(std::max(m_rowsAt, profile ? m_profileAt : 0)) / 1e6;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || m_inside || !watched->isWidgetType()) {
            return false;
        }
        auto* widget = static_cast<QWidget*>(watched);
        const bool rows = m_rowsAt == 0 && ShowsRows(widget->parentWidget());
        const bool profile = m_profileAt == 0 &&
                             qobject_cast<quarvel::SectionProfileView*>(widget) &&
                             qobject_cast<QSplitter*>(widget->parentWidget()) &&
                             ShowsRows(static_cast<QSplitter*>(widget->parentWidget())->widget(0));
        if (!rows && !profile) {
            return false;
        }
        m_inside = true;
        watched->event(event);
        m_inside = false;
        (rows ? m_rowsAt : m_profileAt) = m_clock.nsecsElapsed();
        return true;
    }

private:
    const QElapsedTimer& m_clock;
    qint64 m_rowsAt = 0;
    qint64 m_profileAt = 0;
    bool m_inside = false;
};

struct OpenTimes {
    double firstPaintMs = 0; // the first rows, and the profile when it shows
    double wholeMs = 0;      // the whole section shown and painted
    double pauseMs = 0;      // the longest pause of the event loop
};

// The times of one open; wholeMs is 0 when the file did not open.
OpenTimes Open(quarvel::CQuarvelDlg& window, const QString& file) {
    OpenTimes times;
    QElapsedTimer clock;
    clock.start();
    const PaintWatch watch(clock);
    // A tick every 10 ms; a late one is a pause of the event loop.
    QElapsedTimer sinceTick;
    qint64 longestPause = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longestPause = std::max(longestPause, sinceTick.restart()); });
    sinceTick.start();
    ticks.start(10);
    if (!window.OpenFile(file)) {
        return times;
    }
    QApplication::processEvents();
    Paint(window);
    times.wholeMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    longestPause = std::max(longestPause, sinceTick.elapsed());
    times.pauseMs = static_cast<double>(longestPause);
    const bool profile = window.Profile()->isVisible();
    times.firstPaintMs = watch.FirstPaintMs(profile);
    if (times.firstPaintMs == 0) {
        times.firstPaintMs = times.wholeMs;
    }
    return times;
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
    std::vector<double> first[2];
    std::vector<double> whole[2];
    std::vector<double> pause[2];
    std::unique_ptr<quarvel::CQuarvelDlg> window;
    for (int run = 0; run < 6; ++run) {
        const int profile = run % 2;
        window.reset();
        window = NewWindow(scratch, profile == 1);
        const OpenTimes times = Open(*window, file);
        if (times.wholeMs == 0) {
            std::fprintf(stderr, "the generated file did not open\n");
            return 1;
        }
        first[profile].push_back(times.firstPaintMs);
        whole[profile].push_back(times.wholeMs);
        pause[profile].push_back(times.pauseMs);
    }

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
    std::printf("medians of 3 opens; %d rows\n", window->TableModel()->rowCount());
    for (int profile = 0; profile < 2; ++profile) {
        std::printf("profile %s: first rows%s painted %.0f ms; whole section shown %.0f ms; "
                    "longest pause of the event loop %.0f ms\n",
                    profile == 1 ? "shown" : "hidden", profile == 1 ? " and profile" : "",
                    Median(first[profile]), Median(whole[profile]), Median(pause[profile]));
    }
    std::printf("one scrolled page painted: %.2f ms\n", scrollMs);
    std::printf("column widths fitted: %.1f ms\n", fitMs);
    std::printf("peak memory: %.1f MiB (%.2fx the file); before the open %.1f MiB, so the section "
                "took %.1f MiB (%.2fx)\n",
                peak, peak / fileMegabytes, baseline, peak - baseline,
                (peak - baseline) / fileMegabytes);
    return 0;
}
