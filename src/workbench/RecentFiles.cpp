#include "workbench/RecentFiles.h"

#include "exporting/OutputPlan.h"
#include "workbench/QtPaths.h"
#include "workbench/WorkbenchText.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include <algorithm>

namespace quarvel {

RecentFiles::RecentFiles(QMenu* menu, QObject* parent) : QObject(parent), m_menu(menu) {
    Rebuild();
}

void RecentFiles::Load(const std::vector<std::string>& paths) {
    m_files.clear();
    // Added oldest first, so that each lands on top of the older ones.
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        Add(ToQString(*path));
    }
    Rebuild();
}

std::vector<std::string> RecentFiles::Stored() const {
    std::vector<std::string> paths;
    for (const QString& file : m_files) {
        paths.push_back(file.toStdString());
    }
    return paths;
}

void RecentFiles::Add(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    Remove(path);
    m_files.prepend(QFileInfo(path).absoluteFilePath());
    while (m_files.size() > kMaxFiles) {
        m_files.removeLast();
    }
    ScheduleRebuild();
}

void RecentFiles::Remove(const QString& path) {
    m_files.removeIf(
        [&path](const QString& file) { return SameFile(ToFsPath(file), ToFsPath(path)); });
    ScheduleRebuild();
}

void RecentFiles::LoadRoads(const std::vector<RecentRoad>& roads) {
    m_roads.clear();
    for (auto road = roads.rbegin(); road != roads.rend(); ++road) {
        AddRoad(FromRecentRoad(*road));
    }
    Rebuild();
}

std::vector<RecentRoad> RecentFiles::StoredRoads() const {
    std::vector<RecentRoad> roads;
    for (const RoadSource& road : m_roads) {
        roads.push_back(ToRecentRoad(road));
    }
    return roads;
}

void RecentFiles::AddRoad(const RoadSource& road) {
    if (road.IsFolder() ? road.folder.isEmpty() : road.files.isEmpty()) {
        return;
    }
    RemoveRoad(road);
    RoadSource kept = road;
    if (kept.IsFolder()) {
        kept.folder = QFileInfo(kept.folder).absoluteFilePath();
    } else {
        kept.folder.clear();
        kept.subfolders = false;
        for (QString& file : kept.files) {
            file = QFileInfo(file).absoluteFilePath();
        }
    }
    m_roads.insert(m_roads.begin(), std::move(kept));
    if (m_roads.size() > static_cast<std::size_t>(kMaxFiles)) {
        m_roads.resize(kMaxFiles);
    }
    ScheduleRebuild();
}

void RecentFiles::RemoveRoad(const RoadSource& road) {
    m_roads.erase(std::remove_if(m_roads.begin(), m_roads.end(),
                                 [&road](const RoadSource& kept) { return SameRoad(kept, road); }),
                  m_roads.end());
    ScheduleRebuild();
}

void RecentFiles::ScheduleRebuild() {
    if (m_rebuildPending) {
        return;
    }
    m_rebuildPending = true;
    QMetaObject::invokeMethod(this, &RecentFiles::Rebuild, Qt::QueuedConnection);
}

void RecentFiles::RunAction(const std::function<void()>& chosen) {
    m_inAction = true;
    chosen();
    m_inAction = false;
    if (m_rebuildAfterAction) {
        m_rebuildAfterAction = false;
        ScheduleRebuild();
    }
}

void RecentFiles::Rebuild() {
    m_rebuildPending = false;
    if (m_inAction) {
        m_rebuildAfterAction = true;
        return;
    }
    m_menu->clear();
    m_menu->setEnabled(!m_files.isEmpty() || !m_roads.empty());
    for (int i = 0; i < m_files.size(); ++i) {
        const QString file = m_files[i];
        // "&1" to "&9" and "1&0": the keys of the first ten entries.
        const QString key = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        QString shown = QDir::toNativeSeparators(file);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&")); // not a key of its own
        QAction* action = m_menu->addAction(key + QLatin1Char(' ') + shown);
        action->setToolTip(QDir::toNativeSeparators(file));
        connect(action, &QAction::triggered, this,
                [this, file] { RunAction([this, file] { emit fileChosen(file); }); });
    }
    if (!m_files.isEmpty() && !m_roads.empty()) {
        m_menu->addSeparator();
    }
    for (const RoadSource& road : m_roads) {
        QString shown = QStringLiteral("道路：") + RoadTitle(road);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = m_menu->addAction(shown);
        action->setToolTip(
            QDir::toNativeSeparators(road.IsFolder() ? road.folder : road.files.front()));
        connect(action, &QAction::triggered, this,
                [this, road] { RunAction([this, road] { emit roadChosen(road); }); });
    }
}

} // namespace quarvel
