#pragma once

#include <QObject>
#include <QStringList>

#include <string>
#include <vector>

class QMenu;

namespace quarvel {

// "最近打开": the files opened last, newest first, each once, in a menu of
// their own. The window adds a file once it has opened it and opens the file
// chosen in the menu.
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

signals:
    void fileChosen(const QString& path);

private:
    // The menu is rebuilt once control is back in the event loop: a file chosen in the menu is
    // added or removed inside its own action's signal, and the rebuild deletes that action.
    void ScheduleRebuild();
    void Rebuild();

    QMenu* m_menu;
    QStringList m_files;
    bool m_rebuildPending = false;
};

} // namespace quarvel
