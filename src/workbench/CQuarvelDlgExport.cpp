// The main window's export commands: the table as shown, the profile, a batch
// of files and the whole road with the same view, and the form they are
// written in.

#include "workbench/CQuarvelDlg.h"

#include "profile/SectionProfileView.h"
#include "roadlist/RoadList.h"
#include "roadlist/RoadListModel.h"
#include "sheets/SheetSource.h"
#include "workbench/ExportOptionsDialog.h"
#include "workbench/QtPaths.h"
#include "workbench/RecentFiles.h"
#include "workbench/SectionTableModel.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace quarvel {
namespace {

// "；12 个字符在 GBK 中没有对应的字符，已写成“?”" when there were any.
QString UnencodableNote(std::size_t count) {
    return count == 0 ? QString()
                      : QStringLiteral("；%1 个字符在 GBK 中没有对应的字符，已写成“?”").arg(count);
}

} // namespace

void CQuarvelDlg::SetExportOptionsChooser(ExportOptionsChooser chooser) {
    m_chooseExportOptions = std::move(chooser);
}

QString CQuarvelDlg::ExportFolder() const {
    return m_exportFolder.isEmpty() ? m_openFolder : m_exportFolder;
}

void CQuarvelDlg::OnBnClickedExport() {
    const ExportTableCommand::Outcome outcome =
        m_exportCommand.Run(m_model->Table(), ExportFolder());
    if (!outcome.target.isEmpty()) {
        m_exportFolder = QFileInfo(outcome.target).absolutePath();
    }
    if (outcome.written) {
        ShowNotice(QStringLiteral("已导出 %1 行到 %2")
                       .arg(outcome.rows)
                       .arg(QDir::toNativeSeparators(outcome.target)) +
                   UnencodableNote(outcome.unencodable));
    }
}

void CQuarvelDlg::OnExportProfile() {
    const ExportProfileCommand::Outcome outcome = m_profileExport.Run(*m_profile, ExportFolder());
    if (!outcome.target.isEmpty()) {
        m_exportFolder = QFileInfo(outcome.target).absolutePath();
    }
}

void CQuarvelDlg::OnExportSheets() {
    std::vector<SheetSection> sections;
    std::string roadName;
    if (m_road) {
        for (const RoadSection& section : m_roadList->Model()->Sections()) {
            sections.push_back({section.file, section.label});
        }
        roadName = RoadNameOf(RoadInputs(*m_road));
    } else if (!m_openFile.isEmpty()) {
        const std::vector<std::filesystem::path> file = {ToFsPath(m_openFile)};
        sections = SectionsAlongRoad(file);
        roadName = RoadNameOf(file);
    }
    DrawRules rules;
    rules.kneeMode = m_nKneeMode;
    rules.reverse = m_bReverse;
    rules.layers = m_appliedLayers;
    const ExportSheetsCommand::Outcome outcome = m_sheetsExport.Run(
        std::move(sections), roadName, rules, m_profile->Exaggeration(), ExportFolder());
    if (!outcome.target.isEmpty()) {
        m_exportFolder = QFileInfo(outcome.target).absolutePath();
    }
    if (outcome.written) {
        ShowNotice(QStringLiteral("已导出 %1 张横断面图纸到 %2")
                       .arg(outcome.sheets)
                       .arg(QDir::toNativeSeparators(outcome.target)));
    }
}

void CQuarvelDlg::OnExportOptions() {
    if (m_chooseExportOptions) {
        if (const std::optional<ExportForm> form = m_chooseExportOptions(m_exportForm)) {
            m_exportForm = *form;
        }
        return;
    }
    ExportOptionsDialog::Edit(this, m_exportForm);
}

ExportRecipe CQuarvelDlg::BatchRecipe() const {
    ExportRecipe recipe;
    const SectionTable& table = m_model->Table();
    recipe.captions = table.Captions();
    recipe.options = table.Options();
    recipe.layers = m_appliedLayers;
    recipe.form = m_exportForm;
    return recipe;
}

QString CQuarvelDlg::ViewSummary() const {
    const ExportRecipe recipe = BatchRecipe();
    QStringList captions;
    for (const std::string& caption : recipe.captions) {
        captions.append(ToQString(caption));
    }
    QStringList parts = {
        QStringLiteral("数据列：%1").arg(captions.join(QStringLiteral("、"))),
        QStringLiteral("小数位数：%1").arg(recipe.options.decimals),
        ToQString(
            KneeModeTexts()[static_cast<std::size_t>(std::clamp(recipe.options.kneeMode, 0, 2))])};
    if (recipe.options.renumber) {
        parts.append(QStringLiteral("重新编号"));
    }
    if (recipe.options.reverse) {
        parts.append(QStringLiteral("反向列表"));
    }
    if (recipe.layers) {
        QStringList layers;
        for (const std::string& layer : *recipe.layers) {
            layers.append(ToQString(layer));
        }
        parts.append(QStringLiteral("图层：%1")
                         .arg(layers.isEmpty() ? QStringLiteral("（无）")
                                               : layers.join(QStringLiteral("、"))));
    }
    return QStringLiteral("按当前视图导出——") + parts.join(QStringLiteral("；"));
}

void CQuarvelDlg::OnBatchExport() {
    BatchRequest last = m_lastBatch;
    if (last.folder.isEmpty()) {
        last.folder = m_openFolder;
    }
    const BatchExportCommand::Outcome outcome =
        m_batchExport.Run(last, BatchRecipe(), ViewSummary(), m_exportForm);
    if (!outcome.request.outputFolder.isEmpty()) {
        m_lastBatch = outcome.request;
        m_lastBatch.files.clear(); // files are chosen afresh; folders are remembered
    }
    if (outcome.ran) {
        ShowNotice(QStringLiteral("已批量导出 %1 个文件到 %2")
                       .arg(outcome.written)
                       .arg(QDir::toNativeSeparators(outcome.request.outputFolder)) +
                   UnencodableNote(outcome.unencodable));
    }
}

void CQuarvelDlg::OnExportRoad() {
    if (!m_road) {
        return;
    }
    const ExportRoadCommand::Outcome outcome = m_exportRoad.Run(
        *m_road, m_roadList->Model()->FailedCount(), BatchRecipe(), ExportFolder());
    if (!outcome.target.isEmpty()) {
        m_exportFolder = QFileInfo(outcome.target).absolutePath();
    }
    if (outcome.written) {
        ShowNotice(QStringLiteral("已导出全线断面表：%1 个断面，%2 行到 %3")
                       .arg(outcome.sections)
                       .arg(outcome.rows)
                       .arg(QDir::toNativeSeparators(outcome.target)));
    }
}

} // namespace quarvel
