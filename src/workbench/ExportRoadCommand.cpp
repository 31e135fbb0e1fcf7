#include "workbench/ExportRoadCommand.h"

#include "workbench/BackgroundWork.h"
#include "workbench/ExportTableCommand.h"
#include "workbench/MessageBoxes.h"
#include "workbench/QtPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStringList>

#include <atomic>

namespace quarvel {
namespace {

const QString kTitle = QStringLiteral("导出全线断面表");
const QString kExportName = QStringLiteral("全线断面表.csv");

QStringList Lines(const std::vector<std::string>& texts) {
    QStringList lines;
    for (const std::string& text : texts) {
        lines.append(ToQString(text));
    }
    return lines;
}

} // namespace

ExportRoadCommand::ExportRoadCommand(QWidget* window) : m_window(window) {}

QString ExportRoadCommand::AskWithDialog(const QString& suggestedPath) const {
    return AskTableTarget(m_window, kTitle, suggestedPath, m_form);
}

bool ExportRoadCommand::AskAboutUnreadable(int unreadable) const {
    if (m_chooseSkip) {
        return m_chooseSkip(unreadable);
    }
    QMessageBox box(QMessageBox::Question, kWindowTitle, QString(), QMessageBox::NoButton,
                    m_window);
    QPushButton* skip = box.addButton(QStringLiteral("导出其余断面"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(skip);
    box.setEscapeButton(cancel);
    SetBoxText(
        box,
        QStringLiteral("道路中有 %1 个断面无法读入，全线断面表中将没有这些断面。").arg(unreadable));
    box.exec();
    return box.clickedButton() == skip;
}

void ExportRoadCommand::ShowSummary(const QString& headline, const QString& details) const {
    if (m_showSummary) {
        m_showSummary(headline, details);
    } else {
        ShowSummaryBox(m_window, QStringLiteral("roadSummary"), kTitle, headline, details);
    }
}

// Merged on a thread of its own; this thread repaints the progress and takes
// the user's Cancel until it ends.
RoadMergeResult ExportRoadCommand::Merge(const RoadSource& road, const QString& target,
                                         const ExportRecipe& recipe, bool skipBad) const {
    MergeOptions options;
    options.recursive = road.subfolders;
    options.skipBad = skipBad;
    CancelFlag cancel{false};
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0};
    const QString targetName = AsShown(QFileInfo(target).fileName());
    const auto update = [&](QProgressDialog& progress) {
        const std::size_t read = done;
        const std::size_t all = total;
        progress.setMaximum(static_cast<int>(all));
        progress.setValue(static_cast<int>(read));
        progress.setLabelText(all > 0 && read == all
                                  ? QStringLiteral("正在写入 %1").arg(targetName)
                                  : QStringLiteral("正在读入断面 %1/%2").arg(read).arg(all));
    };
    RoadMergeResult result;
    const ProgressSetup setup{QStringLiteral("roadExportProgress"), kTitle, 0, m_progressDelay};
    const bool merged = RunWithProgress(m_window, setup, cancel, update, [&] {
        result = MergeRoad(RoadInputs(road), ToFsPath(target), recipe, options, &cancel,
                           [&](std::size_t read, std::size_t all) {
                               total = all;
                               done = read;
                           });
    });
    if (!merged) {
        result = RoadMergeResult{};
        result.failures.push_back("内存不足，未写入文件: " +
                                  QDir::toNativeSeparators(target).toStdString());
    }
    return result;
}

ExportRoadCommand::Outcome ExportRoadCommand::Run(const RoadSource& road, int unreadable,
                                                  ExportRecipe recipe,
                                                  const QString& folder) const {
    Outcome outcome;
    if (unreadable > 0 && !AskAboutUnreadable(unreadable)) {
        return outcome;
    }
    const QString start = folder.isEmpty() ? QDir::homePath() : folder;
    const QString suggested = QDir(start).filePath(kExportName);
    outcome.target = m_chooseFile ? m_chooseFile(suggested) : AskWithDialog(suggested);
    if (outcome.target.isEmpty()) {
        return outcome;
    }
    // The save dialog's "导出选项…" may have changed the form.
    if (m_form != nullptr) {
        recipe.form = *m_form;
    }
    const RoadMergeResult result = Merge(road, outcome.target, recipe, unreadable > 0);
    if (result.status == MergeStatus::Cancelled) {
        return outcome;
    }
    outcome.written = result.status == MergeStatus::Written;
    outcome.sections = result.sections;
    outcome.rows = result.rows;
    if (result.failures.empty() && result.warnings.empty()) {
        return outcome;
    }
    const QString shownTarget = QDir::toNativeSeparators(outcome.target);
    QString headline = outcome.written ? QStringLiteral("已导出全线断面表到 %1：%2 个断面，%3 行")
                                             .arg(shownTarget)
                                             .arg(outcome.sections)
                                             .arg(outcome.rows)
                                       : QStringLiteral("未导出全线断面表：%1").arg(shownTarget);
    if (outcome.written && !result.failures.empty()) {
        headline += QStringLiteral("；%1 个文件无法读入，表中没有它们").arg(result.failures.size());
    }
    ShowSummary(headline,
                (Lines(result.failures) + Lines(result.warnings)).join(QLatin1Char('\n')));
    return outcome;
}

} // namespace quarvel
