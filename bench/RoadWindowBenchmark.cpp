// Opens a road of many generated section files in the real main window and
// reports how long it takes until its list is painted beside the first
// section, how long until every section has been read behind the list (and
// the longest pause of the event loop meanwhile), and how long moving to the
// next section takes until it is painted.
//   road_window_benchmark [FILES] [POINTS]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "SectionFileGenerator.h"
#include "controls/CListCtrlEx.h"
#include "profile/SectionProfileView.h"
#include "roadlist/RoadList.h"
#include "workbench/CQuarvelDlg.h"
#include "workbench/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

double Ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Paints the road's list, the table and the profile now, as the screen would.
void Paint(quarvel::CQuarvelDlg& window) {
    window.RoadSections()->View()->viewport()->grab();
    window.List()->viewport()->grab();
    if (window.Profile()->isVisible()) {
        window.Profile()->repaint();
    }
}

// files section files of points points each, their stakes in their headers
// in the opposite order of their names, so that the list has to order them.
void WriteRoad(const QString& folder, std::size_t files, std::size_t points) {
    const std::string bytes = quarvel::GenerateSectionFile(points, 1);
    const std::size_t stake = bytes.find("K0+000");
    for (std::size_t i = 0; i < files; ++i) {
        const std::size_t metres = (files - i) * 20;
        char name[32];
        std::snprintf(name, sizeof name, "/sec%04zu.txt", i);
        char text[32];
        std::snprintf(text, sizeof text, "K%zu+%03zu", metres / 1000, metres % 1000);
        std::string file = bytes;
        if (stake != std::string::npos) {
            file.replace(stake, 6, text);
        }
        std::ofstream((folder + QString::fromLatin1(name)).toStdString(), std::ios::binary)
            .write(file.data(), static_cast<long>(file.size()));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const std::size_t files = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 2000;
    const std::size_t points = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 500;
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString folder = scratch.filePath(QStringLiteral("road"));
    QDir().mkpath(folder);
    WriteRoad(folder, files, points);
    const quarvel::RoadSource road{{}, folder, false};

    std::vector<double> listed;
    std::vector<double> scanned;
    std::vector<double> pauses;
    std::unique_ptr<quarvel::CQuarvelDlg> window;
    for (int run = 0; run < 3; ++run) {
        window.reset();
        window = std::make_unique<quarvel::CQuarvelDlg>(
            scratch.filePath(QStringLiteral("Quarvel.ini")).toStdString());
        window->resize(1000, 700);
        window->show();
        QApplication::processEvents();

        QElapsedTimer timer;
        timer.start();
        if (!window->OpenRoad(road)) {
            std::fprintf(stderr, "the generated road did not open\n");
            return EXIT_FAILURE;
        }
        QApplication::processEvents();
        Paint(*window);
        listed.push_back(Ms(timer));

        // A tick every 10 ms while the sections are read behind the list; a
        // late one is a pause of the event loop, when the window could not
        // repaint or take a click.
        QElapsedTimer sinceTick;
        sinceTick.start();
        qint64 longestPause = 0;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout,
                         [&] { longestPause = std::max(longestPause, sinceTick.restart()); });
        ticks.start(10);
        QEventLoop loop;
        QObject::connect(window->RoadSections(), &quarvel::RoadList::scanFinished, &loop,
                         &QEventLoop::quit);
        if (!window->RoadSections()->IsScanned()) {
            loop.exec();
        }
        scanned.push_back(Ms(timer));
        pauses.push_back(static_cast<double>(longestPause));
    }

    std::vector<double> moves;
    QAction* next = window->Menu()->NextSectionAction();
    for (int move = 0; move < 100; ++move) {
        QElapsedTimer timer;
        timer.start();
        next->trigger();
        QApplication::processEvents();
        Paint(*window);
        moves.push_back(Ms(timer));
    }

    std::printf("road: %zu files of %zu points\n", files, points);
    std::printf("open until the list and the first section are painted: %.0f ms (median of 3; "
                "aim 2000 ms)\n",
                Median(listed));
    std::printf("every section read behind the list: %.0f ms after the open (median of 3); the "
                "event loop paused at most %.0f ms meanwhile\n",
                Median(scanned), *std::max_element(pauses.begin(), pauses.end()));
    std::printf("next section painted: %.1f ms median, %.1f ms at most (100 moves; aim 100 ms)\n",
                Median(moves), *std::max_element(moves.begin(), moves.end()));
    std::printf("window: %s\n", qPrintable(window->StatusText()));
    return EXIT_SUCCESS;
}
