#pragma once

#include "exporting/ExportWriter.h"

#include <QString>

#include <functional>

class QProgressDialog;
class QWidget;

namespace quarvel {

// The progress dialog of a command that works on a thread of its own.
struct ProgressSetup {
    QString objectName;
    QString title;
    int maximum = 0; // 0: the dialog shows that it is busy, with no steps
    int delay = 500; // milliseconds before it shows
};

// Runs work on a thread of its own. Meanwhile this thread keeps the windows
// painted, shows the progress after setup.delay, has update set its text and
// value every 50 ms, and takes no input but the progress's "取消", which sets
// cancel. Returns once work has returned; false when work threw (memory ran
// out), which must not end the program.
bool RunWithProgress(QWidget* window, const ProgressSetup& setup, CancelFlag& cancel,
                     const std::function<void(QProgressDialog&)>& update,
                     const std::function<void()>& work);

} // namespace quarvel
