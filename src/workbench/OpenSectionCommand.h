#pragma once

#include "sectiondata/SectionReader.h"
#include "workbench/WorkbenchText.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace quarvel {

// "打开数据文件": asks for a section file and reads it with a progress dialog
// that can cancel, telling the user why a file could not be opened.
class OpenSectionCommand {
public:
    // Asked for the file to open, given the folder last used; empty: cancelled.
    using FileChooser = std::function<QString(const QString& folder)>;

    explicit OpenSectionCommand(QWidget* window);

    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void SetMessageSink(MessageSink sink) { m_showMessage = std::move(sink); }
    // How long a read may run before its progress and its Cancel button show.
    void SetProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

    // The file the user chose, starting in folder; empty when cancelled.
    QString ChooseFile(const QString& folder) const;
    // The section with its azimuths; nothing when the read failed (the user
    // has been told) or was cancelled.
    std::optional<SectionReadResult> Read(const QString& path) const;
    // The same, telling nobody: the result says whether it failed or was cancelled.
    SectionReadResult ReadQuietly(const QString& path) const;
    // What the user is told of a failed read: "文件导入失败" or "非本软件数据格式文件".
    static QString FailureMessage(const SectionReadResult& result);

private:
    QString AskWithDialog(const QString& folder) const;
    void ShowMessage(const QString& message, const QString& detail) const;

    QWidget* m_window;
    FileChooser m_chooseFile;
    MessageSink m_showMessage;
    int m_progressDelay = 800;
};

} // namespace quarvel
