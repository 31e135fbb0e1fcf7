// The main window's open commands: a section file, a road, and the sections of
// the road as the user moves along it.

#include "workbench/CQuarvelDlg.h"

#include "controls/CCheckComboBox.h"
#include "controls/CListCtrlEx.h"
#include "profile/SectionProfileView.h"
#include "roadlist/RoadList.h"
#include "roadlist/RoadListModel.h"
#include "workbench/DialogUnits.h"
#include "workbench/MainMenu.h"
#include "workbench/QtPaths.h"
#include "workbench/RecentFiles.h"
#include "workbench/SectionPreview.h"
#include "workbench/SectionTableModel.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace quarvel {

// Open ---------------------------------------------------------------------

void CQuarvelDlg::OnOpenDataFile() {
    const QString path = m_openCommand.ChooseFile(m_openFolder);
    if (path.isEmpty()) {
        return;
    }
    // The folder the user went to is where the next search goes on, even
    // when the file chosen there turns out not to be a section file.
    m_openFolder = QFileInfo(path).absolutePath();
    OpenFile(path);
}

void CQuarvelDlg::OnRecentFileChosen(const QString& path) {
    if (!QFileInfo::exists(path)) {
        m_recent->Remove(path);
        ShowMessage(QStringLiteral("文件不存在，已从“最近打开”中移除"), FileDetail(path, {}));
        return;
    }
    OpenFile(path);
}

bool CQuarvelDlg::OpenFile(const QString& path) {
    if (m_openCommand.IsReading()) {
        return false;
    }
    const QString fileName = QFileInfo(path).fileName();
    // A new file is a new load: every layer shows until the filter is applied.
    std::optional<SectionReadResult> result = m_openCommand.Read(path, PreviewAs(fileName, false));
    if (!result) {
        return false;
    }
    CloseRoad();
    m_appliedLayers.reset();
    InstallSection(*result, path);
    m_profile->SetTitle(fileName);
    ShowStatus(fileName, *result);
    m_recent->Add(path);
    return true;
}

void CQuarvelDlg::InstallSection(SectionReadResult& result, const QString& path) {
    const BusyCursor busy;
    m_model->Clear();
    m_points = std::move(result.points);
    m_layers = std::move(result.layers);
    if (m_appliedLayers) {
        ApplyLayerFilter(m_points, *m_appliedLayers);
    }
    RebuildTable();
    // Another file starts at its first row and its first column.
    m_list->scrollToTop();
    m_list->horizontalScrollBar()->setValue(0);
    FillLayerFilter();
    m_openFile = path;
    m_openFolder = QFileInfo(path).absolutePath();
}

ReadPreview CQuarvelDlg::PreviewAs(const QString& title, bool keepLayers) {
    // A reversed table starts at the file's end, which the head does not hold:
    // its rows and distances would be others than the section's.
    if (m_bReverse) {
        return {};
    }
    const auto show = [this, title, keepLayers](SectionReadResult& head) {
        m_preview->Show(
            head,
            [this, keepLayers](PointList& points) {
                if (keepLayers && m_appliedLayers) {
                    ApplyLayerFilter(points, *m_appliedLayers);
                }
                return TableOf(points);
            },
            title);
    };
    return {show, [this] { m_preview->Hide(); }};
}

void CQuarvelDlg::ShowStatus(const QString& fileName, const SectionReadResult& result) {
    QString warning;
    if (result.incompleteLineCount > 0) {
        warning = QStringLiteral("警告：%1 行点数据不完整，第一处在第 %2 行")
                      .arg(result.incompleteLineCount)
                      .arg(result.firstIncompleteLine);
    }
    const bool fewerLines =
        std::any_of(result.warnings.begin(), result.warnings.end(), [](const ReadWarning& w) {
            return w.kind == ReadWarningKind::FewerLinesThanCount;
        });
    if (fewerLines) {
        warning += (warning.isEmpty() ? QStringLiteral("警告：") : QStringLiteral("；")) +
                   QStringLiteral("点行少于文件声明的点数");
    }
    ShowStatusLines(RoadStatusPrefix() +
                        QStringLiteral("文件：%1    格式版本：%2    点数：%3")
                            .arg(fileName, QString::fromLatin1(VersionText(result.version)))
                            .arg(m_points.size()),
                    warning);
}

void CQuarvelDlg::ShowStatusLines(const QString& fileStatus, const QString& warning) {
    m_fileStatus = fileStatus;
    m_noticeTimer->stop();
    m_status->setText(m_fileStatus);
    m_warning->setText(warning);
    m_warning->setToolTip(warning);
    PlaceTable();
}

// Road ---------------------------------------------------------------------

void CQuarvelDlg::CreateRoadList() {
    m_roadList = new RoadList(this);
    m_roadList->hide();
    connect(m_roadList, &RoadList::sectionChosen, this, &CQuarvelDlg::OnSectionChosen);
    connect(m_menu->NextSectionAction(), &QAction::triggered, m_roadList, &RoadList::Next);
    connect(m_menu->PreviousSectionAction(), &QAction::triggered, m_roadList, &RoadList::Previous);
}

void CQuarvelDlg::OnOpenRoad() {
    RoadSource last = m_lastRoad;
    if (last.folder.isEmpty()) {
        last.folder = m_openFolder;
    }
    const std::optional<RoadSource> road = m_openRoadCommand.ChooseSource(last);
    if (!road) {
        return;
    }
    m_lastRoad = *road;
    OpenRoad(*road);
}

void CQuarvelDlg::OnRecentRoadChosen(const RoadSource& road) {
    const bool gone =
        road.IsFolder() ? !QFileInfo(road.folder).isDir()
                        : std::none_of(road.files.begin(), road.files.end(),
                                       [](const QString& file) { return QFileInfo::exists(file); });
    if (gone) {
        m_recent->RemoveRoad(road);
        ShowMessage(road.IsFolder() ? QStringLiteral("文件夹不存在，已从“最近打开”中移除")
                                    : QStringLiteral("文件不存在，已从“最近打开”中移除"),
                    FileDetail(RoadTitle(road), {}));
        return;
    }
    OpenRoad(road);
}

bool CQuarvelDlg::OpenRoad(const RoadSource& road) {
    if (m_openCommand.IsReading()) {
        return false;
    }
    std::optional<std::vector<RoadSection>> sections = m_openRoadCommand.List(road);
    if (!sections) {
        return false;
    }
    m_road = road;
    m_roadRow = -1;
    // A new road is a new load: every layer shows until the filter is applied.
    m_appliedLayers.reset();
    m_roadList->SetRoad(std::move(*sections));
    ShowRoadList(true);
    m_recent->AddRoad(road);
    m_roadList->Choose(0);
    m_roadList->View()->setFocus();
    return true;
}

void CQuarvelDlg::CloseRoad() {
    if (!m_road) {
        return;
    }
    m_road.reset();
    m_roadRow = -1;
    m_roadList->Clear();
    ShowRoadList(false);
}

void CQuarvelDlg::OnSectionChosen(int row) {
    const QString path = FromFsPath(m_roadList->Section(row).file);
    const QString fileName = QFileInfo(path).fileName();
    if (m_openCommand.IsReading()) {
        m_roadList->ShowChosen(m_roadRow);
        return;
    }
    SectionReadResult result =
        m_openCommand.ReadQuietly(path, PreviewAs(SectionTitle(fileName, row), true));
    if (result.status == ReadStatus::Cancelled) {
        m_roadList->ShowChosen(m_roadRow);
        return;
    }
    m_roadRow = row;
    if (!result.Ok()) {
        // Told in the list and the status line, as the road's export tells it:
        // a message box at every pass along the road would be in the way.
        const QString reason = OpenSectionCommand::FailureMessage(result) + QStringLiteral(": ") +
                               QDir::toNativeSeparators(path) + QStringLiteral(": ") +
                               ToQString(result.error);
        m_roadList->MarkFailed(row, reason);
        ShowUnreadableSection(path, reason);
        return;
    }
    m_roadList->MarkRead(row, result.points.size());
    InstallSection(result, path);
    m_profile->SetTitle(SectionTitle(fileName, row));
    ShowStatus(fileName, result);
}

void CQuarvelDlg::ShowUnreadableSection(const QString& path, const QString& reason) {
    m_model->Clear();
    m_points.clear();
    m_layers.clear();
    RebuildTable();
    FillLayerFilter();
    const QString fileName = QFileInfo(path).fileName();
    m_profile->SetTitle(SectionTitle(fileName, m_roadRow));
    ShowStatusLines(RoadStatusPrefix() + QStringLiteral("文件：%1").arg(fileName), reason);
}

QString CQuarvelDlg::RoadStatusPrefix() const {
    if (!m_road || m_roadRow < 0) {
        return {};
    }
    return QStringLiteral("断面：%1（%2/%3）    ")
        .arg(ToQString(m_roadList->Section(m_roadRow).label))
        .arg(m_roadRow + 1)
        .arg(m_roadList->Count());
}

QString CQuarvelDlg::SectionTitle(const QString& fileName, int row) const {
    if (!m_road || row < 0) {
        return fileName;
    }
    const QString label = ToQString(m_roadList->Section(row).label);
    return label == QFileInfo(fileName).completeBaseName()
               ? fileName
               : QStringLiteral("%1（%2）").arg(label, fileName);
}

int CQuarvelDlg::RoadListWidth() const {
    if (m_roadList == nullptr || m_roadList->isHidden()) {
        return 0;
    }
    const DialogUnits units(font());
    return std::min(m_roadList->sizeHint().width(), width() / 2) + units.X(2);
}

// The list takes its room beside the table: the window grows by it as far as
// the screen has room, and gives it back when the list goes.
void CQuarvelDlg::ShowRoadList(bool shown) {
    m_menu->ExportRoadAction()->setEnabled(shown);
    m_menu->NextSectionAction()->setEnabled(shown);
    m_menu->PreviousSectionAction()->setEnabled(shown);
    if (m_roadList->isHidden() != shown) {
        PlaceTable();
        return;
    }
    m_roadList->setVisible(shown);
    if (shown) {
        const QScreen* const place = screen();
        const int room =
            place != nullptr ? place->availableGeometry().width() - frameGeometry().width() : 0;
        m_roadGrowth = std::clamp(RoadListWidth(), 0, std::max(0, room));
        resize(width() + m_roadGrowth, height());
    } else {
        resize(std::max(minimumWidth(), width() - m_roadGrowth), height());
        m_roadGrowth = 0;
    }
    PlaceTable();
}

} // namespace quarvel
