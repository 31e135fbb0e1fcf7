#pragma once

#include "sectiondata/SectionReader.h"
#include "workbench/WorkbenchText.h"

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>

class QWidget;

namespace quarvel {

// What the window shows of a large file while the rest of it is read: show
// has the points of its first lines, hide comes once the read has ended,
// before the section or a message takes its place.
struct ReadPreview {
    std::function<void(SectionReadResult& head)> show;
    std::function<void()> hide;
};

// "打开数据文件": asks for a section file and reads it on a thread of its own
// while the window keeps painting, with a progress that can cancel, telling
// the user why a file could not be opened.
class OpenSectionCommand {
public:
    // Asked for the file to open, given the folder last used; empty: cancelled.
    using FileChooser = std::function<QString(const QString& folder)>;
    // Reads a whole file on the reading thread; ReadSectionFile unless a test says otherwise.
    using FileReader =
        std::function<SectionReadResult(const std::filesystem::path&, const ReadProgress&)>;

    explicit OpenSectionCommand(QWidget* window);

    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void SetMessageSink(MessageSink sink) { m_showMessage = std::move(sink); }
    void SetFileReader(FileReader reader) { m_read = std::move(reader); }
    // How long a read may run before its progress and its Cancel button show.
    void SetProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

    // The file the user chose, starting in folder; empty when cancelled.
    QString ChooseFile(const QString& folder) const;
    // The section with its azimuths; nothing when the read failed (the user
    // has been told) or was cancelled. Meanwhile the window takes no input
    // but the progress's, and preview shows the file's first points.
    std::optional<SectionReadResult> Read(const QString& path, const ReadPreview& preview = {});
    // The same, telling nobody: the result says whether it failed or was cancelled.
    SectionReadResult ReadQuietly(const QString& path, const ReadPreview& preview = {});
    // While a read runs, the section it reads is not whole: nothing may start another.
    bool IsReading() const { return m_reading; }
    // What the user is told of a failed read: "文件导入失败" or "非本软件数据格式文件".
    static QString FailureMessage(const SectionReadResult& result);

private:
    QString AskWithDialog(const QString& folder) const;
    SectionReadResult ReadInBackground(const std::filesystem::path& file,
                                       const QString& name) const;
    void ShowMessage(const QString& message, const QString& detail) const;

    QWidget* m_window;
    FileChooser m_chooseFile;
    MessageSink m_showMessage;
    FileReader m_read;
    int m_progressDelay = 800;
    bool m_reading = false;
};

} // namespace quarvel
