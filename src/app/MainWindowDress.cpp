#include "app/MainWindowDress.h"

#include "app/AppIcon.h"
#include "app/CAboutDlg.h"
#include "workbench/CQuarvelDlg.h"

namespace quarvel {

void DressMainWindow(CQuarvelDlg& window) {
    window.setWindowIcon(ApplicationIcon());
    QObject::connect(&window, &CQuarvelDlg::aboutRequested, &window, [&window] {
        CAboutDlg about(&window);
        about.exec();
    });
}

} // namespace quarvel
