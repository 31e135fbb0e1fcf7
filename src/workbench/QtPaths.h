#pragma once

#include <QFile>
#include <QString>

#include <filesystem>

namespace quarvel {

// File names cross between Qt and the core here: UTF-16 on Windows, the local
// 8-bit encoding of file names elsewhere, so that any name the system accepts
// survives the trip.
inline std::filesystem::path ToFsPath(const QString& path) {
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

inline QString FromFsPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return QString::fromStdWString(path.wstring());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
#endif
}

} // namespace quarvel
