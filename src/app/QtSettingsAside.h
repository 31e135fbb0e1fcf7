#pragma once

namespace quarvel {

// Qt's own dialogs keep a history of their own ("QtProject.conf" in the user's configuration
// folder, the registry on Windows). Quarvel keeps everything it stores in its own settings
// file, so Qt's settings go to a folder of this run, removed when the program ends. Call once,
// before the first dialog.
void KeepQtSettingsAside();

} // namespace quarvel
