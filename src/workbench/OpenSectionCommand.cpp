#include "workbench/OpenSectionCommand.h"

#include "sectiondata/Azimuths.h"
#include "workbench/BackgroundWork.h"
#include "workbench/FileDialogs.h"
#include "workbench/QtPaths.h"
#include "workbench/SectionPreview.h"

#include <QFileInfo>
#include <QProgressDialog>
#include <QScopedValueRollback>

#include <algorithm>
#include <atomic>

namespace quarvel {
namespace {

const QString kOpenFilters = QStringLiteral("Data File(*.txt);;所有文件 (*)");
constexpr int kProgressSteps = 1000;

} // namespace

OpenSectionCommand::OpenSectionCommand(QWidget* window)
    : m_window(window),
      m_chooseFile([this](const QString& folder) { return AskWithDialog(folder); }),
      m_read([](const std::filesystem::path& file, const ReadProgress& progress) {
          return ReadSectionFile(file, progress);
      }) {}

QString OpenSectionCommand::AskWithDialog(const QString& folder) const {
    return AskOpenFile(m_window, QStringLiteral("打开数据文件"), folder, kOpenFilters);
}

QString OpenSectionCommand::ChooseFile(const QString& folder) const {
    return m_chooseFile ? m_chooseFile(folder) : QString();
}

SectionReadResult OpenSectionCommand::ReadQuietly(const QString& path, const ReadPreview& preview) {
    const BusyCursor busy;
    const QScopedValueRollback<bool> reading(m_reading, true);
    const std::filesystem::path file = ToFsPath(path);
    bool previewed = false;
    if (preview.show) {
        if (std::optional<SectionReadResult> head = ReadLeadingPoints(file)) {
            preview.show(*head);
            previewed = true;
        }
    }
    SectionReadResult result = ReadInBackground(file, QFileInfo(path).fileName());
    if (previewed && preview.hide) {
        preview.hide();
    }
    return result;
}

SectionReadResult OpenSectionCommand::ReadInBackground(const std::filesystem::path& file,
                                                       const QString& name) const {
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0};
    CancelFlag cancel{false};
    const ReadProgress report = [&](std::size_t bytesDone, std::size_t bytesInAll) {
        done = bytesDone;
        total = bytesInAll;
        return !cancel;
    };
    const QString label = AsShown(QStringLiteral("正在读取 %1 ...").arg(name));
    const auto update = [&](QProgressDialog& progress) {
        if (progress.labelText() != label) {
            progress.setLabelText(label);
        }
        const std::size_t inAll = total;
        if (inAll > 0) {
            progress.setValue(
                static_cast<int>(std::min<std::size_t>(done, inAll) * kProgressSteps / inAll));
        }
    };
    SectionReadResult result;
    const bool ended = RunWithProgress(
        m_window, {QStringLiteral("openProgress"), kWindowTitle, kProgressSteps, m_progressDelay},
        cancel, update, [&] {
            result = m_read(file, report);
            if (result.Ok()) {
                ComputeAzimuths(result.points);
            }
        });
    if (!ended) {
        result = SectionReadResult();
        result.status = ReadStatus::ReadFailed;
        result.error = "内存不足，无法读入整个文件";
    }
    return result;
}

QString OpenSectionCommand::FailureMessage(const SectionReadResult& result) {
    return result.status == ReadStatus::NotSectionFile ? QStringLiteral("非本软件数据格式文件")
                                                       : QStringLiteral("文件导入失败");
}

std::optional<SectionReadResult> OpenSectionCommand::Read(const QString& path,
                                                          const ReadPreview& preview) {
    SectionReadResult result = ReadQuietly(path, preview);
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
