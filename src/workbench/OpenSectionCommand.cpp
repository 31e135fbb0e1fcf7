#include "workbench/OpenSectionCommand.h"

#include "sectiondata/Azimuths.h"
#include "workbench/FileDialogs.h"
#include "workbench/QtPaths.h"

#include <QFileInfo>
#include <QProgressDialog>

#include <algorithm>

namespace quarvel {
namespace {

const QString kOpenFilters = QStringLiteral("Data File(*.txt);;所有文件 (*)");
constexpr int kProgressSteps = 1000;

} // namespace

OpenSectionCommand::OpenSectionCommand(QWidget* window)
    : m_window(window),
      m_chooseFile([this](const QString& folder) { return AskWithDialog(folder); }) {}

QString OpenSectionCommand::AskWithDialog(const QString& folder) const {
    return AskOpenFile(m_window, QStringLiteral("打开数据文件"), folder, kOpenFilters);
}

QString OpenSectionCommand::ChooseFile(const QString& folder) const {
    return m_chooseFile ? m_chooseFile(folder) : QString();
}

SectionReadResult OpenSectionCommand::ReadQuietly(const QString& path) const {
    const BusyCursor busy;
    // Shown only when the read takes a while; its Cancel stops the read
    // and leaves everything as it was.
    QProgressDialog progress(
        AsShown(QStringLiteral("正在读取 %1 ...").arg(QFileInfo(path).fileName())),
        QStringLiteral("取消"), 0, kProgressSteps, m_window);
    progress.setWindowTitle(kWindowTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(m_progressDelay);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    const ReadProgress report = [&progress](std::size_t done, std::size_t total) {
        if (total > 0) {
            progress.setValue(static_cast<int>(std::min(done, total) * kProgressSteps / total));
        }
        return !progress.wasCanceled();
    };
    SectionReadResult result = ReadSectionFile(ToFsPath(path), report);
    if (result.Ok()) {
        ComputeAzimuths(result.points);
    }
    return result;
}

QString OpenSectionCommand::FailureMessage(const SectionReadResult& result) {
    return result.status == ReadStatus::NotSectionFile ? QStringLiteral("非本软件数据格式文件")
                                                       : QStringLiteral("文件导入失败");
}

std::optional<SectionReadResult> OpenSectionCommand::Read(const QString& path) const {
    SectionReadResult result = ReadQuietly(path);
    if (result.Ok()) {
        return result;
    }
    if (result.status != ReadStatus::Cancelled) {
        ShowMessage(FailureMessage(result), FileDetail(path, result.error));
    }
    return std::nullopt;
}

void OpenSectionCommand::ShowMessage(const QString& message, const QString& detail) const {
    if (m_showMessage) {
        m_showMessage(message, detail);
    }
}

} // namespace quarvel
