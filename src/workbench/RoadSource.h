#pragma once

#include "settings/SettingsFile.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <vector>

namespace quarvel {

// A road as the user opens it: the section files of a folder (and of its
// subfolders when asked), or a set of files.
struct RoadSource {
    QStringList files; // empty for a folder
    QString folder;
    bool subfolders = false;

    bool IsFolder() const { return files.isEmpty(); }
};

// The same road: the same folder with the same choice of subfolders, or the same files.
bool SameRoad(const RoadSource& a, const RoadSource& b);

// What the road's list and its table are made from: the files, or the folder.
std::vector<std::filesystem::path> RoadInputs(const RoadSource& road);

// The road for the user: "D:\道路" with "（包括子文件夹）", or "K0+000.txt 等 12 个文件".
QString RoadTitle(const RoadSource& road);

RecentRoad ToRecentRoad(const RoadSource& road);
RoadSource FromRecentRoad(const RecentRoad& road);

} // namespace quarvel
