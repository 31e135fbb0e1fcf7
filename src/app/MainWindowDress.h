#pragma once

namespace quarvel {

class CQuarvelDlg;

// Gives the main window what the application owns: its icon and the About box.
void DressMainWindow(CQuarvelDlg& window);

} // namespace quarvel
