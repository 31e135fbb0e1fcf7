#pragma once

#include "sectiondata/CDataStruct.h"
#include "sectiondata/SectionReader.h"
#include "settings/SettingsFile.h"
#include "table/TableRules.h"
#include "workbench/BatchExportCommand.h"
#include "workbench/ExportProfileCommand.h"
#include "workbench/ExportRoadCommand.h"
#include "workbench/ExportSheetsCommand.h"
#include "workbench/ExportTableCommand.h"
#include "workbench/OpenRoadCommand.h"
#include "workbench/OpenSectionCommand.h"
#include "workbench/QtPaths.h"

#include <QString>
#include <QWidget>

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace quarvel {

class BoundedSpinBox;
class CCheckComboBox;
class CListCtrlEx;
class MainMenu;
class ProfileSplitter;
class RecentFiles;
class RoadList;
class SectionPreview;
class SectionProfileView;
class SectionTableModel;

// The main window "MorvexV1.3": the section's points as a table, the view
// options above it, the open and export commands and the layer filter.
class CQuarvelDlg : public QWidget {
    Q_OBJECT
public:
    using OpenFileChooser = OpenSectionCommand::FileChooser;
    using SaveFileChooser = ExportTableCommand::FileChooser;
    // Asked for the export options, given the current ones; nothing: cancelled.
    using ExportOptionsChooser = std::function<std::optional<ExportForm>(const ExportForm&)>;

    explicit CQuarvelDlg(std::filesystem::path settingsFile, QWidget* parent = nullptr);
    ~CQuarvelDlg() override;

    void SetOpenFileChooser(OpenFileChooser chooser);
    void SetSaveFileChooser(SaveFileChooser chooser);
    void SetMessageSink(MessageSink sink);
    void SetExportOptionsChooser(ExportOptionsChooser chooser);
    // How long a read may run before its progress and its Cancel button show.
    void SetProgressDelay(int milliseconds);
    // How long a notice such as a finished export stays in the status line.
    void SetNoticeDuration(int milliseconds);

    // Reads a section file and shows it; a cancelled, failed or rejected read
    // changes nothing. The dialog, the command line and a drop all come here.
    bool OpenFile(const QString& path);
    // Lists the road's sections beside the table and shows its first; a
    // cancelled or failed listing changes nothing.
    bool OpenRoad(const RoadSource& road);
    // The open road; nothing while a single file is open.
    const std::optional<RoadSource>& Road() const { return m_road; }

    const PointList& Points() const { return m_points; }
    const LayerList& Layers() const { return m_layers; }
    SectionTableModel* TableModel() const { return m_model; }
    CListCtrlEx* List() const { return m_list; }
    SectionProfileView* Profile() const { return m_profile; }
    OpenSectionCommand& SectionOpening() { return m_openCommand; }
    ExportProfileCommand& ProfileExport() { return m_profileExport; }
    ExportSheetsCommand& SheetsExport() { return m_sheetsExport; }
    BatchExportCommand& BatchExport() { return m_batchExport; }
    OpenRoadCommand& RoadOpening() { return m_openRoadCommand; }
    ExportRoadCommand& RoadExport() { return m_exportRoad; }
    RoadList* RoadSections() const { return m_roadList; }
    const RecentFiles& Recent() const { return *m_recent; }
    const ExportForm& Form() const { return m_exportForm; }
    MainMenu* Menu() const { return m_menu; }
    QString StatusText() const;

public slots:
    void OnOpenDataFile();
    void OnBnClickedExport();
    void OnExportProfile();
    void OnExportSheets();
    void OnBatchExport();
    void OnExportOptions();
    void OnRecentFileChosen(const QString& path);
    void OnOpenRoad();
    void OnRecentRoadChosen(const RoadSource& road);
    void OnExportRoad();
    // The About box belongs to the application, which answers aboutRequested.
    void ShowAboutBox();
    // Selected rows, or the whole table when none is selected, to the clipboard.
    void CopyRows();

signals:
    // F1, the menus' About entry or the system menu's.
    void aboutRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void CreateControls();
    void CreateMenu();
    int MenuHeight() const;
    void PlaceControls();
    void PlaceTable();
    void ConnectControls();
    void AddAboutToSystemMenu();

    void LoadSettings();
    void SaveSettings() const;
    void SetupColumns();
    // Rebuilds the table from the same points: the selected rows and the current one stay.
    void RefreshTable();
    // Rebuilds the table from scratch.
    void RebuildTable();
    // The table of points as the view options shape it.
    SectionTable TableOf(const PointList& points) const;
    // What shows of a large file while it is read; the layers last applied
    // stay applied when keepLayers, as along a road.
    ReadPreview PreviewAs(const QString& title, bool keepLayers);
    void FillLayerFilter();
    // Shows a section that has been read: the layers last applied stay applied, if any.
    void InstallSection(SectionReadResult& result, const QString& path);
    void ShowStatus(const QString& fileName, const SectionReadResult& result);
    void ShowStatusLines(const QString& fileStatus, const QString& warning);
    // Shown in the status line for a while; then the file's status returns.
    void ShowNotice(const QString& notice);
    void ShowMessage(const QString& message, const QString& detail) const;
    // The folder the export dialogs start in: their own last, else the opened file's.
    QString ExportFolder() const;
    // The table as shown, for files that are not open.
    ExportRecipe BatchRecipe() const;
    QString ViewSummary() const;

    void OnColumnCountChanged(int value);
    void OnDecimalsChanged(int value);
    void OnCbnSelchangeKneeMode(int index);
    void OnBnClickedRenumber(bool checked);
    void OnBnClickedReverse(bool checked);
    void OnBnClickedLayerFilter();
    void OnEndLabelEditList(int column, const QString& caption);

    // The road (CQuarvelDlgOpen.cpp).
    void CreateRoadList();
    void OnSectionChosen(int row);
    void ShowUnreadableSection(const QString& path, const QString& reason);
    // "断面：K0+020（3/12）    " before the file's status while a road is open.
    QString RoadStatusPrefix() const;
    QString SectionTitle(const QString& fileName, int row) const;
    void ShowRoadList(bool shown);
    void CloseRoad();
    // The width the road's list takes left of the table; 0 while it is hidden.
    int RoadListWidth() const;

    std::filesystem::path m_settingsFile;
    OpenSectionCommand m_openCommand{this};
    ExportTableCommand m_exportCommand{this};
    ExportProfileCommand m_profileExport{this};
    ExportSheetsCommand m_sheetsExport{this};
    BatchExportCommand m_batchExport{this};
    OpenRoadCommand m_openRoadCommand{this};
    ExportRoadCommand m_exportRoad{this};
    MessageSink m_showMessage;
    ExportOptionsChooser m_chooseExportOptions;
    ExportForm m_exportForm;
    RecentFiles* m_recent = nullptr;
    QString m_openFile;     // the section shown; empty before the first
    QString m_openFolder;   // where the open dialog was last
    QString m_exportFolder; // where the export dialogs last wrote
    BatchRequest m_lastBatch;
    // The layers last applied with "图层筛选" to the open file; nothing: all shown.
    std::optional<std::vector<std::string>> m_appliedLayers;
    std::vector<std::string> m_recentFiles; // as loaded, until the menu holds them
    std::vector<RecentRoad> m_recentRoads;  // as loaded, until the menu holds them
    std::optional<RoadSource> m_road;       // the open road
    RoadSource m_lastRoad;                  // what the road's dialog starts with
    int m_roadRow = -1;                     // the section shown of the road
    int m_roadGrowth = 0;                   // how much the window grew for the road's list

    MainMenu* m_menu = nullptr;
    RoadList* m_roadList = nullptr;
    CListCtrlEx* m_list = nullptr;
    SectionTableModel* m_model = nullptr;
    ProfileSplitter* m_splitter = nullptr; // the table above the profile
    SectionProfileView* m_profile = nullptr;
    SectionPreview* m_preview = nullptr; // over the table while a file is read
    ViewSettings m_view;
    PointList m_points;
    LayerList m_layers;
    std::array<std::string, kFieldCount> m_fieldCaptions = FieldCaptions();
    int m_nKneeMode = IntersectionsOnly;
    int m_nColumnCount = 3;
    int m_nDecimals = 3;
    bool m_bRenumber = false;
    bool m_bReverse = false;

    BoundedSpinBox* m_spinColumns = nullptr;
    BoundedSpinBox* m_spinDecimals = nullptr;
    QComboBox* m_comboKneeMode = nullptr;
    CCheckComboBox* m_comboLayers = nullptr;
    QPushButton* m_buttonOpen = nullptr;
    QPushButton* m_buttonExport = nullptr;
    QPushButton* m_buttonLayerFilter = nullptr;
    QCheckBox* m_checkRenumber = nullptr;
    QCheckBox* m_checkReverse = nullptr;
    QLabel* m_labelColumns = nullptr;
    QLabel* m_labelDecimals = nullptr;
    QLabel* m_status = nullptr;
    QString m_fileStatus;
    QTimer* m_noticeTimer = nullptr;
    QLabel* m_warning = nullptr;
};

} // namespace quarvel
