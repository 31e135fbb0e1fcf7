#pragma once

#include "profile/ProfilePicture.h"
#include "workbench/WorkbenchText.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace quarvel {

class SectionProfileView;

// "导出断面图…": asks for the target and, for PNG and PDF, the size or scale,
// and saves the profile as shown as a picture, telling the user why when the
// file could not be written.
class ExportProfileCommand {
public:
    // Asked for the target, given the suggested path; empty: cancelled. The
    // extension names the format.
    using FileChooser = std::function<QString(const QString& suggestedPath)>;
    // Asked for the size or scale, given the proposal; nothing: cancelled.
    using OptionsChooser = std::function<std::optional<PictureRequest>(const PictureRequest&)>;

    struct Outcome {
        QString target; // empty when nothing was asked for or the user cancelled
        bool written = false;
    };

    explicit ExportProfileCommand(QWidget* window);

    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void SetOptionsChooser(OptionsChooser chooser) { m_chooseOptions = std::move(chooser); }
    void SetMessageSink(MessageSink sink) { m_showMessage = std::move(sink); }

    // A profile without points asks nothing and writes nothing.
    Outcome Run(const SectionProfileView& view, const QString& folder) const;

private:
    QString AskForFile(const QString& suggestedPath) const;
    std::optional<PictureRequest> AskForOptions(const PictureRequest& proposed) const;

    QWidget* m_window;
    FileChooser m_chooseFile;
    OptionsChooser m_chooseOptions;
    MessageSink m_showMessage;
};

} // namespace quarvel
