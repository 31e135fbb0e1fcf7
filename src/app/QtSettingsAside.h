#pragma once

namespace quarvel {

// Qt's own dialogs keep a history of their own ("QtProject.conf" in the user's configuration
// folder). Quarvel keeps everything it stores in its own settings file, so Qt's settings go to
// a folder of this run, removed when the program ends. Call once, before the first dialog. On
// Windows Qt keeps that history in the registry, which no path moves: this notes which of its
// keys exist, and the file dialogs leave it as they found it (workbench/FileDialogs).
void KeepQtSettingsAside();

} // namespace quarvel
