#pragma once

#include "exporting/BatchExport.h"
#include "workbench/BatchExportDialog.h"
#include "workbench/WorkbenchText.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace quarvel {

// "批量导出…": exports many section files with the window's view, as
// quarvel-cli would, on worker threads behind a progress dialog that can
// cancel, and sums up at the end.
class BatchExportCommand {
public:
    enum class ExistingOutputs { ReplaceAll, SkipExisting, Cancel };

    // Asked for the inputs and the output folder, given the last ones; may
    // change the export form. Nothing: cancelled.
    using RequestChooser =
        std::function<std::optional<BatchRequest>(const BatchRequest& last, ExportForm& form)>;
    // Asked once what to do with outputs that exist already: how many, and one of them.
    using ExistingChooser = std::function<ExistingOutputs(int count, const QString& example)>;
    // Told the outcome: a headline and the failures and warnings, a line each.
    using SummarySink = std::function<void(const QString& headline, const QString& details)>;

    struct Outcome {
        bool ran = false; // false when nothing was exported: cancelled or no inputs
        BatchRequest request;
        std::size_t written = 0;
        std::size_t skipped = 0;
        QStringList skippedLines; // one per skipped input, naming it and its output
        std::size_t failed = 0;
        std::size_t cancelled = 0;
        std::size_t unencodable = 0;
    };

    // Without choosers and sinks set, the command asks and tells with dialogs.
    explicit BatchExportCommand(QWidget* window);

    void SetRequestChooser(RequestChooser chooser) { m_chooseRequest = std::move(chooser); }
    void SetExistingChooser(ExistingChooser chooser) { m_chooseExisting = std::move(chooser); }
    void SetSummarySink(SummarySink sink) { m_showSummary = std::move(sink); }
    void SetMessageSink(MessageSink sink) { m_showMessage = std::move(sink); }
    // How long a batch may run before its progress and its Cancel button show.
    void SetProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

    // recipe: the window's view; its form is form, which the dialog may change.
    // viewSummary tells the user what the view is.
    Outcome Run(const BatchRequest& last, ExportRecipe recipe, const QString& viewSummary,
                ExportForm& form) const;

private:
    std::optional<BatchRequest> AskWithDialog(const BatchRequest& last, ExportForm& form,
                                              const QString& viewSummary) const;
    ExistingOutputs AskAboutExisting(int count, const QString& example) const;
    void ShowSummary(const QString& headline, const QString& details) const;
    std::optional<std::vector<BatchItem>> PlanItems(const BatchRequest& request,
                                                    Outcome& outcome) const;
    std::vector<FileExport> Execute(const std::vector<BatchItem>& items,
                                    const ExportRecipe& recipe) const;
    void Summarize(const std::vector<FileExport>& results, Outcome& outcome) const;

    QWidget* m_window;
    RequestChooser m_chooseRequest;
    ExistingChooser m_chooseExisting;
    SummarySink m_showSummary;
    MessageSink m_showMessage;
    int m_progressDelay = 500;
};

} // namespace quarvel
