#pragma once

#include <QIcon>

namespace quarvel {

// The application icon in 16, 32, 48 and 256 pixels, from the resources.
QIcon ApplicationIcon();

} // namespace quarvel
