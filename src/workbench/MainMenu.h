#pragma once

#include <QMenuBar>

class QAction;
class QMenu;

namespace quarvel {

// The window's menu bar: "文件(&F)", "视图(&V)" and "帮助(&H)", in the desktop's
// usual order, with the commands that have no button of their own. The window
// connects the actions; further menus are inserted before "帮助".
class MainMenu : public QMenuBar {
    Q_OBJECT
public:
    explicit MainMenu(QWidget* parent);

    QMenu* FileMenu() const { return m_fileMenu; }
    QMenu* ViewMenu() const { return m_viewMenu; }
    QMenu* HelpMenu() const { return m_helpMenu; }
    // A menu placed before "帮助(&H)".
    QMenu* InsertMenu(const QString& title);

    QAction* OpenAction() const { return m_open; }
    QAction* OpenRoadAction() const { return m_openRoad; }
    QAction* ExportAction() const { return m_export; }
    QAction* ExportProfileAction() const { return m_exportProfile; }
    QAction* ExportSheetsAction() const { return m_exportSheets; }
    QAction* BatchExportAction() const { return m_batchExport; }
    // Enabled while a road is open, as are the next and previous sections.
    QAction* ExportRoadAction() const { return m_exportRoad; }
    QAction* NextSectionAction() const { return m_nextSection; }
    QAction* PreviousSectionAction() const { return m_previousSection; }
    QAction* ExportOptionsAction() const { return m_exportOptions; }
    // "最近打开": the window's recent files fill it.
    QMenu* RecentMenu() const { return m_recentMenu; }
    // Checkable: whether the profile shows below the table.
    QAction* ProfileAction() const { return m_profile; }
    QAction* QuitAction() const { return m_quit; }
    QAction* AboutAction() const { return m_about; }

private:
    QMenu* m_fileMenu;
    QMenu* m_viewMenu;
    QMenu* m_helpMenu;
    QAction* m_open;
    QAction* m_openRoad;
    QAction* m_export;
    QAction* m_exportProfile;
    QAction* m_exportSheets;
    QAction* m_batchExport;
    QAction* m_exportRoad;
    QAction* m_nextSection;
    QAction* m_previousSection;
    QAction* m_exportOptions;
    QMenu* m_recentMenu;
    QAction* m_profile;
    QAction* m_quit;
    QAction* m_about;
};

} // namespace quarvel
