#include "workbench/ExportTableCommand.h"

#include "exporting/ExportWriter.h"
#include "exporting/WorkbookWriter.h"
#include "table/TableRules.h"
#include "workbench/ExportOptionsDialog.h"
#include "workbench/FileDialogs.h"
#include "workbench/MessageBoxes.h"
#include "workbench/QtPaths.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace quarvel {
namespace {

const QString kCsvFilter = QStringLiteral("Excel文件(*.csv)");
const QString kTxtFilter = QStringLiteral("Data File(*.txt)");
const QString kWorkbookFilter = QStringLiteral("Excel 工作簿(*.xlsx)");
const QString kExportName = QStringLiteral("数据文件.csv");

} // namespace

QString AddFilterExtension(const QString& path, const QString& nameFilter) {
    static const QRegularExpression filterPattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    const QRegularExpressionMatch filterMatch = filterPattern.match(nameFilter);
    if (!filterMatch.hasMatch() || path.isEmpty()) {
        return path;
    }
    const QString fileName = QFileInfo(path).fileName();
    if (fileName.isEmpty()) {
        return path;
    }
    // Station names such as "K1+200.5" contain dots: only a short suffix that
    // starts with a letter counts as an extension the user typed.
    static const QRegularExpression extensionPattern(
        QStringLiteral("\\.[A-Za-z][A-Za-z0-9]{0,4}$"));
    if (extensionPattern.match(fileName).hasMatch()) {
        return path;
    }
    const QString extension = filterMatch.captured(1);
    return path.endsWith(QLatin1Char('.')) ? path + extension : path + QLatin1Char('.') + extension;
}

bool ConfirmReplacingExtendedName(QWidget* parent, const QString& chosen, const QString& target) {
    if (target == chosen || !QFileInfo::exists(target)) {
        return true;
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("确认另存为"), QString(),
                    QMessageBox::Yes | QMessageBox::No, parent);
    SetBoxText(box, QStringLiteral("%1 已存在。\n要替换它吗？").arg(QFileInfo(target).fileName()));
    return box.exec() == QMessageBox::Yes;
}

namespace {

// The export's form is chosen where the file is: Qt's own dialog takes a button beside its own.
// The system's cannot; there the menu's "导出选项…" is the way.
void AddOptionsButton(QFileDialog& dialog, ExportForm* form) {
    if (form == nullptr || !IsQtOwnDialog(dialog)) {
        return;
    }
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (grid == nullptr) {
        return;
    }
    auto* options = new QPushButton(QStringLiteral("导出选项…"), &dialog);
    options->setObjectName(QStringLiteral("exportOptionsButton"));
    options->setAutoDefault(false);
    QObject::connect(options, &QPushButton::clicked, &dialog,
                     [form, &dialog] { ExportOptionsDialog::Edit(&dialog, *form); });
    grid->addWidget(options, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignLeft);
}

} // namespace

QString AskTableTarget(QWidget* window, const QString& title, const QString& suggestedPath,
                       ExportForm* form) {
    return AskForSaveFile(
        window, title, ExportTableCommand::NameFilters(), kCsvFilter, suggestedPath,
        [](const QString&) { return true; }, // any name the user types is written as text
        [form](QFileDialog& dialog) { AddOptionsButton(dialog, form); });
}

QStringList ExportTableCommand::NameFilters() {
    return {kCsvFilter, kTxtFilter, kWorkbookFilter};
}

ExportTableCommand::ExportTableCommand(QWidget* window)
    : m_window(window),
      m_chooseFile([this](const QString& suggested) { return AskWithDialog(suggested); }) {}

QString AskForSaveFile(QWidget* parent, const QString& title, const QStringList& filters,
                       const QString& selected, const QString& suggestedPath,
                       const std::function<bool(const QString& path)>& hasFormat,
                       const std::function<void(QFileDialog& dialog)>& prepare) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(selected);
    const QFileInfo suggested(suggestedPath);
    dialog.setDirectory(suggested.absolutePath());
    dialog.selectFile(suggested.fileName());
    PrepareFileDialog(dialog);
    if (prepare) {
        prepare(dialog);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    const QString chosen = dialog.selectedFiles().constFirst();
    QString target = AddFilterExtension(chosen, dialog.selectedNameFilter());
    // A name with another extension ("断面.jpg") gets the chosen format's.
    if (!hasFormat(target)) {
        target = AddFilterExtension(target + QLatin1Char('.'), dialog.selectedNameFilter());
    }
    return ConfirmReplacingExtendedName(parent, chosen, target) ? target : QString();
}

QString ExportTableCommand::AskWithDialog(const QString& suggestedPath) const {
    return AskTableTarget(m_window, QStringLiteral("数据导出"), suggestedPath, m_form);
}

ExportTableCommand::Outcome ExportTableCommand::Run(const SectionTable& table,
                                                    const QString& folder) const {
    Outcome outcome;
    if (table.RowCount() < 1 || table.DataColumnCount() < 1 || !m_chooseFile) {
        return outcome;
    }
    const QString start = folder.isEmpty() ? QDir::homePath() : folder;
    outcome.target = m_chooseFile(QDir(start).filePath(kExportName));
    if (outcome.target.isEmpty()) {
        return outcome;
    }
    ExportResult result;
    {
        const BusyCursor busy;
        const std::filesystem::path target = ToFsPath(outcome.target);
        if (FileFormatOf(target) == FileFormat::Workbook) {
            result = WriteWorkbookFile(target, {{TableSheetName(), &table}});
        } else {
            result = WriteExportFile(target, table, m_form != nullptr ? *m_form : ExportForm{});
        }
    }
    outcome.written = result.ok;
    outcome.rows = result.ok ? table.RowCount() : 0;
    outcome.unencodable = result.unencodable;
    if (!result.ok && m_showMessage) {
        m_showMessage(QStringLiteral("保存文件失败"), FileDetail(outcome.target, result.reason));
    }
    return outcome;
}

} // namespace quarvel
