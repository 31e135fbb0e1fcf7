#include "app/QtSettingsAside.h"

#include "workbench/FileDialogs.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

namespace quarvel {

void KeepQtSettingsAside() {
    static const QTemporaryDir folder;
    // Without a folder of its own the history goes to the temporary folder, never the user's.
    const QString path = folder.isValid() ? folder.path() : QDir::tempPath();
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
    NoteQtDialogHistory();
}

} // namespace quarvel
