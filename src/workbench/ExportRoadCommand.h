#pragma once

#include "road/RoadMerge.h"
#include "workbench/RoadSource.h"

#include <QString>

#include <cstddef>
#include <functional>

class QWidget;

namespace quarvel {

// "导出全线断面表…": writes the table of the whole open road, as quarvel-cli
// merge writes it with the same options, on a thread of its own behind a
// progress that can cancel, and sums up what went wrong.
class ExportRoadCommand {
public:
    // Asked for the target, given the suggested path; empty: cancelled.
    using FileChooser = std::function<QString(const QString& suggestedPath)>;
    // Asked whether to leave out the sections known not to be readable, given
    // how many; false: cancelled.
    using SkipChooser = std::function<bool(int unreadable)>;
    // Told the outcome when anything went wrong: a headline, and a line for
    // each failure and warning.
    using SummarySink = std::function<void(const QString& headline, const QString& details)>;

    struct Outcome {
        QString target; // empty when nothing was asked for or the user cancelled
        bool written = false;
        std::size_t sections = 0;
        std::size_t rows = 0;
    };

    // Without choosers and sinks set, the command asks and tells with dialogs.
    explicit ExportRoadCommand(QWidget* window);

    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void SetSkipChooser(SkipChooser chooser) { m_chooseSkip = std::move(chooser); }
    void SetSummarySink(SummarySink sink) { m_showSummary = std::move(sink); }
    // How long the export may run before its progress and its Cancel button show.
    void SetProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }
    // The form the text is written in: the window's, which the save dialog's
    // "导出选项…" changes.
    void UseForm(ExportForm* form) { m_form = form; }

    // recipe: the window's view; unreadable: the sections the road's list
    // knows cannot be read.
    Outcome Run(const RoadSource& road, int unreadable, ExportRecipe recipe,
                const QString& folder) const;

private:
    QString AskWithDialog(const QString& suggestedPath) const;
    bool AskAboutUnreadable(int unreadable) const;
    void ShowSummary(const QString& headline, const QString& details) const;
    RoadMergeResult Merge(const RoadSource& road, const QString& target, const ExportRecipe& recipe,
                          bool skipBad) const;

    QWidget* m_window;
    FileChooser m_chooseFile;
    SkipChooser m_chooseSkip;
    SummarySink m_showSummary;
    ExportForm* m_form = nullptr;
    int m_progressDelay = 500;
};

} // namespace quarvel
