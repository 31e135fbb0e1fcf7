#include "workbench/BackgroundWork.h"

#include "workbench/InputBlocker.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

namespace quarvel {
namespace {

constexpr int kProgressInterval = 50; // milliseconds between two repaints of the progress

} // namespace

bool RunWithProgress(QWidget* window, const ProgressSetup& setup, CancelFlag& cancel,
                     const std::function<void(QProgressDialog&)>& update,
                     const std::function<void()>& work) {
    QEventLoop loop;
    QProgressDialog progress(QString(), QStringLiteral("取消"), 0, setup.maximum, window);
    progress.setObjectName(setup.objectName);
    progress.setWindowTitle(setup.title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(setup.delay);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    // The progress shows after a while; until then nothing else may take the user's input.
    const InputBlocker blocker(&progress);
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&] {
        cancel = true;
        progress.setLabelText(QStringLiteral("正在取消…"));
    });
    const auto repaint = [&] {
        if (cancel || progress.wasCanceled()) {
            cancel = true;
            return;
        }
        update(progress);
    };
    repaint();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &progress, repaint);
    timer.start(kProgressInterval);

    std::atomic<bool> threw{false};
    std::thread worker([&] {
        try {
            work();
        } catch (const std::exception&) {
            threw = true;
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    return !threw;
}

} // namespace quarvel
