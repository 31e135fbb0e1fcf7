#pragma once

#include <QString>

class QWidget;

namespace quarvel {

// A warning centred on window and wide enough for a typical path on one line. A line wider than
// that is elided in its middle, where a path's folders are, and the box offers the whole text
// under its details.
void ShowWarningBox(QWidget* window, const QString& message, const QString& detail);

} // namespace quarvel
