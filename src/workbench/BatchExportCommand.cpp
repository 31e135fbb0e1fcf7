#include "workbench/BatchExportCommand.h"

#include "sectiondata/SystemErrorText.h"
#include "workbench/BackgroundWork.h"
#include "workbench/MessageBoxes.h"
#include "workbench/QtPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <algorithm>
#include <atomic>
#include <system_error>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

QString Shown(const fs::path& path) {
    return QDir::toNativeSeparators(FromFsPath(path));
}

} // namespace

BatchExportCommand::BatchExportCommand(QWidget* window) : m_window(window) {}

std::optional<BatchRequest> BatchExportCommand::AskWithDialog(const BatchRequest& last,
                                                              ExportForm& form,
                                                              const QString& viewSummary) const {
    BatchExportDialog dialog(last, form, viewSummary, m_window);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // The export options chosen in the dialog stay chosen, as in the window's own.
    form = dialog.Form();
    return accepted ? std::optional<BatchRequest>(dialog.Request()) : std::nullopt;
}

BatchExportCommand::ExistingOutputs
BatchExportCommand::AskAboutExisting(int count, const QString& example) const {
    if (m_chooseExisting) {
        return m_chooseExisting(count, example);
    }
    QMessageBox box(QMessageBox::Question, kWindowTitle, QString(), QMessageBox::NoButton,
                    m_window);
    QPushButton* replace = box.addButton(QStringLiteral("替换全部"), QMessageBox::AcceptRole);
    QPushButton* skip = box.addButton(QStringLiteral("跳过已有"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(skip);
    box.setEscapeButton(cancel);
    SetBoxText(box, QStringLiteral("输出文件夹中已有 %1 个要导出的文件，例如：").arg(count));
    SetBoxDetail(box, example);
    box.exec();
    if (box.clickedButton() == replace) {
        return ExistingOutputs::ReplaceAll;
    }
    return box.clickedButton() == skip ? ExistingOutputs::SkipExisting : ExistingOutputs::Cancel;
}

void BatchExportCommand::ShowSummary(const QString& headline, const QString& details) const {
    if (m_showSummary) {
        m_showSummary(headline, details);
    } else {
        ShowSummaryBox(m_window, QStringLiteral("batchSummary"), QStringLiteral("批量导出"),
                       headline, details);
    }
}

std::optional<std::vector<BatchItem>> BatchExportCommand::PlanItems(const BatchRequest& request,
                                                                    Outcome& outcome) const {
    const auto tell = [this](const QString& message, const QString& path, const std::string& why) {
        if (m_showMessage) {
            m_showMessage(message, FileDetail(path, why));
        }
    };
    std::vector<fs::path> inputs;
    if (!request.files.isEmpty()) {
        for (const QString& file : request.files) {
            inputs.push_back(ToFsPath(file));
        }
    } else {
        std::error_code error;
        if (!fs::is_directory(ToFsPath(request.folder), error)) {
            tell(QStringLiteral("文件夹不存在"), request.folder, "找不到这个文件夹");
            return std::nullopt;
        }
        inputs = SectionFilesIn(ToFsPath(request.folder), request.subfolders);
        if (inputs.empty()) {
            tell(QStringLiteral("没有找到断面文件"), request.folder,
                 "文件夹中没有首行为 HWT3.0、HWT3.6 或 HWT3.8 的文件");
            return std::nullopt;
        }
    }
    const fs::path outputFolder = ToFsPath(request.outputFolder);
    std::error_code error;
    fs::create_directories(outputFolder, error);
    if (error) {
        tell(QStringLiteral("保存文件失败"), request.outputFolder, SystemErrorText(error));
        return std::nullopt;
    }
    // The files of subfolders keep their subfolders, so that same-named files
    // in two of them do not clash.
    const fs::path inputFolder = ToFsPath(request.folder);
    const bool mirror = request.files.isEmpty() && request.subfolders;
    std::vector<BatchItem> items =
        PlanBatch(inputs, [&outputFolder, &inputFolder, mirror](const fs::path& input) {
            return mirror ? MirroredOutput(outputFolder, inputFolder, input)
                          : OutputInFolder(outputFolder, input);
        });
    const auto exists = [](const BatchItem& item) {
        std::error_code ignored;
        return item.refusal.empty() && fs::exists(item.output, ignored);
    };
    const auto existing = std::count_if(items.begin(), items.end(), exists);
    if (existing > 0) {
        const auto first = std::find_if(items.begin(), items.end(), exists);
        switch (AskAboutExisting(static_cast<int>(existing), Shown(first->output))) {
        case ExistingOutputs::ReplaceAll:
            break;
        case ExistingOutputs::SkipExisting:
            for (const BatchItem& item : items) {
                if (exists(item)) {
                    outcome.skippedLines.append(
                        QStringLiteral("跳过已有文件: %1；输入文件 %2 未导出")
                            .arg(Shown(item.output), Shown(item.input)));
                }
            }
            items.erase(std::remove_if(items.begin(), items.end(), exists), items.end());
            outcome.skipped = static_cast<std::size_t>(existing);
            break;
        case ExistingOutputs::Cancel:
            return std::nullopt;
        }
    }
    MakeOutputFolders(items);
    return items;
}

// The batch runs on a thread of its own; this thread repaints the progress
// and takes the user's Cancel until it ends.
std::vector<FileExport> BatchExportCommand::Execute(const std::vector<BatchItem>& items,
                                                    const ExportRecipe& recipe) const {
    std::vector<FileExport> results(items.size());
    if (items.empty()) {
        return results;
    }
    CancelFlag cancel{false};
    std::atomic<std::size_t> done{0};
    const ProgressSetup setup{QStringLiteral("batchProgress"), QStringLiteral("批量导出"),
                              static_cast<int>(items.size()), m_progressDelay};
    const auto update = [&](QProgressDialog& progress) {
        const std::size_t count = done;
        const BatchItem& current = items[std::min(count, items.size() - 1)];
        progress.setLabelText(QStringLiteral("正在导出 %1/%2：%3")
                                  .arg(count + 1 > items.size() ? items.size() : count + 1)
                                  .arg(items.size())
                                  .arg(AsShown(FromFsPath(current.input.filename()))));
        progress.setValue(static_cast<int>(count));
    };
    RunWithProgress(m_window, setup, cancel, update, [&] {
        RunBatch(items, recipe, ProcessorCount(), &cancel,
                 [&](std::size_t index, const FileExport& result) {
                     results[index] = result;
                     done = index + 1;
                 });
    });
    return results;
}

void BatchExportCommand::Summarize(const std::vector<FileExport>& results, Outcome& outcome) const {
    QStringList failures;
    QStringList warnings;
    for (const FileExport& result : results) {
        switch (result.status) {
        case FileExportStatus::Written:
            ++outcome.written;
            break;
        case FileExportStatus::Failed:
            ++outcome.failed;
            failures.append(ToQString(result.failure));
            break;
        case FileExportStatus::Cancelled:
            ++outcome.cancelled;
            break;
        }
        outcome.unencodable += result.unencodable;
        for (const std::string& warning : result.warnings) {
            warnings.append(ToQString(warning));
        }
    }
    QString headline = QStringLiteral("已导出 %1 个文件到 %2")
                           .arg(outcome.written)
                           .arg(QDir::toNativeSeparators(outcome.request.outputFolder));
    if (outcome.skipped > 0) {
        headline += QStringLiteral("；跳过 %1 个已有文件").arg(outcome.skipped);
    }
    if (outcome.cancelled > 0) {
        headline += QStringLiteral("；已取消，%1 个文件未导出").arg(outcome.cancelled);
    }
    if (outcome.failed > 0) {
        headline += QStringLiteral("；%1 个文件失败").arg(outcome.failed);
    }
    ShowSummary(headline, (failures + outcome.skippedLines + warnings).join(QLatin1Char('\n')));
}

BatchExportCommand::Outcome BatchExportCommand::Run(const BatchRequest& last, ExportRecipe recipe,
                                                    const QString& viewSummary,
                                                    ExportForm& form) const {
    Outcome outcome;
    std::optional<BatchRequest> request =
        m_chooseRequest ? m_chooseRequest(last, form) : AskWithDialog(last, form, viewSummary);
    if (!request) {
        return outcome;
    }
    outcome.request = *request;
    recipe.form = form;
    const std::optional<std::vector<BatchItem>> items = PlanItems(*request, outcome);
    if (!items) {
        return outcome;
    }
    outcome.ran = true;
    Summarize(Execute(*items, recipe), outcome);
    return outcome;
}

} // namespace quarvel
