#pragma once

#include "settings/SettingsFile.h"
#include "workbench/RoadSource.h"

#include <QObject>
#include <QStringList>

#include <string>
#include <vector>

class QMenu;

namespace quarvel {

// "最近打开": the files opened last, newest first, each once, in a menu of
// their own, and below them the roads opened last. The window adds a file or a
// road once it has opened it and opens the one chosen in the menu.
class RecentFiles : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxFiles = 10;

    RecentFiles(QMenu* menu, QObject* parent);

    // Paths as the settings file keeps them (UTF-8).
    void Load(const std::vector<std::string>& paths);
    std::vector<std::string> Stored() const;

    const QStringList& Files() const { return m_files; }
    // Puts path first; the same file further down goes.
    void Add(const QString& path);
    void Remove(const QString& path);

    void LoadRoads(const std::vector<RecentRoad>& roads);
    std::vector<RecentRoad> StoredRoads() const;
    const std::vector<RoadSource>& Roads() const { return m_roads; }
    void AddRoad(const RoadSource& road);
    void RemoveRoad(const RoadSource& road);

signals:
    void fileChosen(const QString& path);
    void roadChosen(const RoadSource& road);

private:
    // The menu is rebuilt once control is back in the event loop: a file chosen in the menu is
    // added or removed inside its own action's signal, and the rebuild deletes that action.
    void ScheduleRebuild();
    void Rebuild();

    QMenu* m_menu;
    QStringList m_files;
    std::vector<RoadSource> m_roads;
    bool m_rebuildPending = false;
};

} // namespace quarvel
