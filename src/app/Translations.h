#pragma once

namespace quarvel {

// Loads Qt's own Simplified Chinese texts (file dialogs, message boxes, "OK"
// and "Cancel") into the running application whatever the machine's locale:
// the surveyors this tool is made for work on Chinese systems. False when the
// translations are not installed (Debian: qt6-translations-l10n).
bool InstallChineseTranslations();

} // namespace quarvel
