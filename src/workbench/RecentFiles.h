#pragma once

#include "settings/SettingsFile.h"
#include "workbench/RoadSource.h"

#include <QObject>
#include <QStringList>

#include <functional>
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
    // Runs chosen as the action of an entry, rebuilding the menu afterwards if asked meanwhile.
    void RunAction(const std::function<void()>& chosen);
    // The menu is rebuilt once control is back in the event loop: a file chosen in the menu is
    // added or removed inside its own action's signal, and the rebuild deletes that action.
    void ScheduleRebuild();
    void Rebuild();

    QMenu* m_menu;
    QStringList m_files;
    std::vector<RoadSource> m_roads;
    bool m_rebuildPending = false;
    // An entry's action is running: an open runs the event loop meanwhile, and
    // the menu may not be rebuilt under the action until it has returned.
    bool m_inAction = false;
    bool m_rebuildAfterAction = false;
};

} // namespace quarvel
