#include "workbench/RoadSource.h"

#include "exporting/OutputPlan.h"
#include "workbench/QtPaths.h"
#include "workbench/WorkbenchText.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quarvel {

bool SameRoad(const RoadSource& a, const RoadSource& b) {
    if (a.IsFolder() != b.IsFolder()) {
        return false;
    }
    const auto same = [](const QString& x, const QString& y) {
        return SameFile(ToFsPath(x), ToFsPath(y));
    };
    if (a.IsFolder()) {
        return a.subfolders == b.subfolders && same(a.folder, b.folder);
    }
    return std::equal(a.files.begin(), a.files.end(), b.files.begin(), b.files.end(), same);
}

std::vector<std::filesystem::path> RoadInputs(const RoadSource& road) {
    if (road.IsFolder()) {
        return {ToFsPath(road.folder)};
    }
    std::vector<std::filesystem::path> inputs;
    for (const QString& file : road.files) {
        inputs.push_back(ToFsPath(file));
    }
    return inputs;
}

QString RoadTitle(const RoadSource& road) {
    if (road.IsFolder()) {
        return QDir::toNativeSeparators(road.folder) +
               (road.subfolders ? QStringLiteral("（包括子文件夹）") : QString());
    }
    const QString first = QFileInfo(road.files.front()).fileName();
    return road.files.size() == 1
               ? first
               : QStringLiteral("%1 等 %2 个文件").arg(first).arg(road.files.size());
}

RecentRoad ToRecentRoad(const RoadSource& road) {
    RecentRoad recent;
    if (road.IsFolder()) {
        recent.folder = road.folder.toStdString();
        recent.subfolders = road.subfolders;
    }
    for (const QString& file : road.files) {
        recent.files.push_back(file.toStdString());
    }
    return recent;
}

RoadSource FromRecentRoad(const RecentRoad& recent) {
    RoadSource road;
    for (const std::string& file : recent.files) {
        road.files.append(ToQString(file));
    }
    road.folder = ToQString(recent.folder);
    road.subfolders = recent.subfolders;
    return road;
}

} // namespace quarvel
