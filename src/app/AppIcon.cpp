#include "app/AppIcon.h"

#include <QSize>
#include <QString>

// The resources live in a static library, which the linker would otherwise
// leave out: naming their initialiser here pulls them in.
static void InitialiseQuarvelResources() {
    Q_INIT_RESOURCE(quarvel);
}

namespace quarvel {

QIcon ApplicationIcon() {
    static const bool initialised = (InitialiseQuarvelResources(), true);
    (void)initialised;
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/icons/quarvel-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace quarvel
