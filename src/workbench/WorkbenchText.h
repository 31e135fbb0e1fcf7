#pragma once

#include <QApplication>
#include <QString>

#include <functional>
#include <string>

namespace quarvel {

// The window's title, which its message boxes and progress dialogs share.
inline const QString kWindowTitle = QStringLiteral("MorvexV1.3");

// Tells the user of a failure: the message and a detail naming the file.
using MessageSink = std::function<void(const QString& message, const QString& detail)>;

inline QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Labels and message boxes render a text as HTML when it looks like HTML. A
// file name may hold "<b>", "<a href=...>" or "&lt;" and must show as it is.
QString AsShown(const QString& text);

// "文件：PATH" and, on a line of its own, why the file could not be used.
QString FileDetail(const QString& path, const std::string& reason);

// Shows the wait cursor for as long as it lives.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace quarvel
