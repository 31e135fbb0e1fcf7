#include "workbench/OpenRoadCommand.h"

#include "workbench/BackgroundWork.h"
#include "workbench/QtPaths.h"
#include "workbench/SectionSourceBox.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include <system_error>

namespace quarvel {

OpenRoadCommand::OpenRoadCommand(QWidget* window) : m_window(window) {}

std::optional<RoadSource> OpenRoadCommand::AskWithDialog(const RoadSource& last) const {
    QDialog dialog(m_window);
    dialog.setObjectName(QStringLiteral("openRoad"));
    dialog.setWindowTitle(QStringLiteral("打开道路"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* source = new SectionSourceBox(last.files, last.folder, last.subfolders, &dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
    QPushButton* open = buttons->addButton(QStringLiteral("打开"), QDialogButtonBox::AcceptRole);
    layout->addWidget(source);
    layout->addWidget(buttons);
    const auto update = [source, open] { open->setEnabled(source->HasInputs()); };
    QObject::connect(source, &SectionSourceBox::changed, &dialog, update);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    update();
    dialog.resize(dialog.sizeHint().width() * 3 / 2, dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return RoadSource{source->Files(), source->Folder(), source->Subfolders()};
}

std::optional<RoadSource> OpenRoadCommand::ChooseSource(const RoadSource& last) const {
    return m_chooseSource ? m_chooseSource(last) : AskWithDialog(last);
}

std::optional<std::vector<RoadSection>> OpenRoadCommand::List(const RoadSource& road) const {
    std::error_code error;
    if (road.IsFolder() && !std::filesystem::is_directory(ToFsPath(road.folder), error)) {
        ShowMessage(QStringLiteral("文件夹不存在"), FileDetail(road.folder, "找不到这个文件夹"));
        return std::nullopt;
    }
    CancelFlag cancel{false};
    std::vector<RoadSection> sections;
    std::vector<std::string> failures;
    const ProgressSetup setup{QStringLiteral("roadProgress"), QStringLiteral("打开道路"), 0,
                              m_progressDelay};
    const QString label = QStringLiteral("正在列出断面：%1").arg(AsShown(RoadTitle(road)));
    const bool listed = RunWithProgress(
        m_window, setup, cancel,
        [&label](QProgressDialog& progress) {
            progress.setLabelText(label);
            progress.setValue(0);
        },
        [&] { sections = ListRoad(RoadInputs(road), road.subfolders, failures, &cancel); });
    if (cancel) {
        return std::nullopt;
    }
    if (!listed) {
        ShowMessage(QStringLiteral("打开道路失败"), FileDetail(RoadTitle(road), "内存不足"));
        return std::nullopt;
    }
    if (sections.empty()) {
        ShowMessage(QStringLiteral("没有找到断面文件"),
                    FileDetail(QDir::toNativeSeparators(road.folder),
                               "文件夹中没有首行为 HWT3.0、HWT3.6 或 HWT3.8 的文件"));
        return std::nullopt;
    }
    return sections;
}

void OpenRoadCommand::ShowMessage(const QString& message, const QString& detail) const {
    if (m_showMessage) {
        m_showMessage(message, detail);
    }
}

} // namespace quarvel
