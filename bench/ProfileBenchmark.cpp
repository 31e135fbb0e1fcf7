// Draws the profile of a generated 1,000,000-point section at 1200 x 400
// pixels: the whole section, then zoomed and panned views, through the
// painter and through the panel widget, and reports the times per repaint.
//   profile_benchmark [POINTS]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "SectionFileGenerator.h"
#include "profile/ProfileData.h"
#include "profile/ProfilePainter.h"
#include "profile/SectionProfileView.h"
#include "sectiondata/SectionReader.h"
#include "workbench/SectionTableModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QItemSelectionModel>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 400;

struct Times {
    double median = 0;
    double worst = 0;
};

Times Measure(int runs, const std::function<void(int)>& work) {
    std::vector<double> times;
    QElapsedTimer timer;
    for (int run = 0; run < runs; ++run) {
        timer.start();
        work(run);
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const std::size_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    QApplication app(argc, argv);

    QTemporaryDir scratch;
    const QString file = scratch.filePath(QStringLiteral("section.txt"));
    {
        const std::string bytes = quarvel::GenerateSectionFile(count, 1);
        std::ofstream(file.toStdString(), std::ios::binary)
            .write(bytes.data(), static_cast<long>(bytes.size()));
    }
    quarvel::SectionReadResult read =
        quarvel::ReadSectionFile(std::filesystem::path(file.toStdString()));
    quarvel::TableOptions options;
    options.kneeMode = quarvel::IntersectionsAndKnees;
    quarvel::SectionTableModel model;
    model.SetTable(quarvel::SectionTable(read.points, {"编号", "高程Z"}, options), &read.points);
    const quarvel::SectionTable& table = model.Table();

    quarvel::ProfileData data;
    const Times build = Measure(5, [&](int) { data = quarvel::ProfileData(table, read.layers); });

    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    const QRectF area(0, 0, kWidth, kHeight);
    quarvel::ProfileScene scene;
    scene.data = &data;
    scene.table = &table;
    scene.title = QStringLiteral("section.txt");
    const QRectF plot = quarvel::ProfilePainter::PlotRect(area, scene);
    const quarvel::ProfileViewport whole = quarvel::ProfileViewport::Fit(
        plot, data.MinX(), data.MaxX(), data.MinY(), data.MaxY(), quarvel::kAutoExaggeration);
    const auto draw = [&](const quarvel::ProfileViewport& viewport) {
        scene.viewport = viewport;
        QPainter painter(&image);
        quarvel::ProfilePainter::Draw(painter, area, scene);
    };
    const Times full = Measure(20, [&](int) { draw(whole); });

    // Zoom steps of 1.25 around points spread over the section, the wheel's
    // step, down to a few points across; then pans at a deep zoom.
    std::vector<quarvel::ProfileViewport> views;
    for (int step = 1; step <= 60; ++step) {
        quarvel::ProfileViewport viewport = whole;
        const double x = plot.left() + plot.width() * ((step * 37) % 100) / 100.0;
        viewport.ZoomAt(QPointF(x, plot.center().y()), std::pow(1.25, step));
        views.push_back(viewport);
    }
    for (int step = 0; step < 40; ++step) {
        quarvel::ProfileViewport viewport = views[30];
        viewport.PanBy(QPointF(step * 25.0, step % 2 == 0 ? 10.0 : -10.0));
        views.push_back(viewport);
    }
    const Times zoomed =
        Measure(static_cast<int>(views.size()), [&](int run) { draw(views[run]); });

    // The panel itself: a repaint of the widget as the screen asks for it.
    quarvel::SectionProfileView view;
    QItemSelectionModel selection(&model);
    view.SetModel(&model, &selection, &read.layers);
    view.resize(kWidth, kHeight);
    view.grab();
    const Times panel = Measure(20, [&](int) { view.grab(); });

    std::printf("profile of %zu points (%zu rows drawn) at %dx%d px\n", count, data.Size(), kWidth,
                kHeight);
    std::printf("rows to profile data: %.1f ms (median of 5)\n", build.median);
    std::printf("full repaint, whole section: %.1f ms median, %.1f ms worst of 20 (aim 50 ms)\n",
                full.median, full.worst);
    std::printf("zoom/pan repaint: %.1f ms median, %.1f ms worst of %zu views (aim 16 ms)\n",
                zoomed.median, zoomed.worst, views.size());
    std::printf("panel widget repaint, whole section: %.1f ms median, %.1f ms worst of 20\n",
                panel.median, panel.worst);
    return 0;
}
