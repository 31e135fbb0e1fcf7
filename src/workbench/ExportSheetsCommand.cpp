#include "workbench/ExportSheetsCommand.h"

#include "settings/Exaggeration.h"
#include "sheets/SheetPreview.h"
#include "sheets/SheetsExport.h"
#include "workbench/ExportTableCommand.h"
#include "workbench/QtPaths.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStringList>

#include <utility>

namespace quarvel {
namespace {

const QString kTitle = QStringLiteral("导出横断面图纸");
const QString kPdfFilter = QStringLiteral("PDF 文档(*.pdf)");
const QString kDxfFilter = QStringLiteral("DXF 图形(*.dxf)");
constexpr int kScales[] = {100, 200, 500, 1000};
constexpr int kExaggerations[] = {1, 2, 5, 10};

// "1:N" or "N" with N from 10 to 10,000.
std::optional<int> ScaleOf(QString text) {
    text = text.trimmed();
    if (text.startsWith(QLatin1String("1:"))) {
        text.remove(0, 2);
    }
    bool ok = false;
    const int scale = text.toInt(&ok);
    return ok && scale >= kMinSheetScale && scale <= kMaxSheetScale ? std::optional<int>(scale)
                                                                    : std::nullopt;
}

QComboBox* Choices(QWidget* parent, const QStringList& texts) {
    auto* box = new QComboBox(parent);
    box->addItems(texts);
    return box;
}

} // namespace

SheetsDialog::SheetsDialog(QWidget* parent, const SheetRequest& proposed) : QDialog(parent) {
    setWindowTitle(kTitle);
    m_preview = new SheetPreview(this);
    m_paper = Choices(this, {QStringLiteral("A3 横向"), QStringLiteral("A4 横向")});
    m_paper->setCurrentIndex(proposed.options.paper == Paper::A4 ? 1 : 0);
    m_scale = new QComboBox(this);
    m_scale->setEditable(true);
    for (const int scale : kScales) {
        m_scale->addItem(QStringLiteral("1:%1").arg(scale));
    }
    m_scale->setCurrentText(QStringLiteral("1:%1").arg(proposed.options.scale));
    m_scale->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("(1:)?[0-9]{0,5}")), m_scale));
    m_exaggeration = new QComboBox(this);
    for (const int exaggeration : kExaggerations) {
        m_exaggeration->addItem(QStringLiteral("1:%1").arg(exaggeration), exaggeration);
    }
    m_exaggeration->setCurrentIndex(
        std::max(0, m_exaggeration->findData(proposed.options.exaggeration)));
    m_order = Choices(this, {QStringLiteral("每列自下而上，各列从左到右"),
                             QStringLiteral("每行从左到右，各行自上而下")});
    m_order->setCurrentIndex(proposed.options.order == SheetOrder::Rows ? 1 : 0);
    m_summary = new QLabel(this);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("纸张"), m_paper);
    form->addRow(QStringLiteral("水平比例"), m_scale);
    form->addRow(QStringLiteral("纵横比例"), m_exaggeration);
    form->addRow(QStringLiteral("排列"), m_order);
    form->addRow(m_summary);
    auto* side = new QVBoxLayout;
    side->addLayout(form);
    side->addStretch();
    side->addWidget(m_buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_preview, 1);
    layout->addLayout(side);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QComboBox* box : {m_paper, m_exaggeration, m_order}) {
        connect(box, &QComboBox::currentIndexChanged, this, &SheetsDialog::Follow);
    }
    connect(m_scale, &QComboBox::currentTextChanged, this, &SheetsDialog::Follow);
    m_preview->SetSections(proposed.sections, proposed.rules, proposed.roadName);
    Follow();
}

SheetOptions SheetsDialog::Options() const {
    SheetOptions options;
    options.paper = m_paper->currentIndex() == 1 ? Paper::A4 : Paper::A3;
    options.scale = ScaleOf(m_scale->currentText()).value_or(0);
    options.exaggeration = m_exaggeration->currentData().toInt();
    options.order = m_order->currentIndex() == 1 ? SheetOrder::Rows : SheetOrder::Columns;
    return options;
}

void SheetsDialog::Follow() {
    const SheetOptions options = Options();
    QPushButton* ok = m_buttons->button(QDialogButtonBox::Ok);
    if (options.scale == 0) {
        m_summary->setText(
            QStringLiteral("比例须为 1:%1 到 1:%2").arg(kMinSheetScale).arg(kMaxSheetScale));
        ok->setEnabled(false);
        return;
    }
    m_preview->SetOptions(options);
    const bool writable = m_preview->Problem().isEmpty();
    m_summary->setText(writable ? QStringLiteral("共 %1 张图纸").arg(m_preview->SheetCount())
                                : QString());
    ok->setEnabled(writable);
}

ExportSheetsCommand::ExportSheetsCommand(QWidget* window)
    : m_window(window),
      m_chooseFile([this](const QString& suggested) { return AskForFile(suggested); }),
      m_chooseOptions([this](const SheetRequest& proposed) { return AskForOptions(proposed); }) {}

QString ExportSheetsCommand::AskForFile(const QString& suggestedPath) const {
    return AskForSaveFile(
        m_window, kTitle, {kPdfFilter, kDxfFilter}, kPdfFilter, suggestedPath,
        [](const QString& path) { return SheetFormatOf(ToFsPath(path)).has_value(); });
}

std::optional<SheetOptions> ExportSheetsCommand::AskForOptions(const SheetRequest& proposed) const {
    SheetsDialog dialog(m_window, proposed);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Options();
}

ExportSheetsCommand::Outcome ExportSheetsCommand::Run(std::vector<SheetSection> sections,
                                                      const std::string& roadName,
                                                      const DrawRules& rules, int exaggeration,
                                                      const QString& folder) const {
    Outcome outcome;
    if (sections.empty() || !m_chooseFile || !m_chooseOptions) {
        return outcome;
    }
    SheetRequest request;
    request.sections = std::move(sections);
    request.rules = rules;
    request.roadName = roadName;
    request.options.exaggeration = exaggeration == kAutoExaggeration ? 1 : exaggeration;
    const std::optional<SheetOptions> options = m_chooseOptions(request);
    if (!options) {
        return outcome;
    }
    request.options = *options;
    const QString start = folder.isEmpty() ? QDir::homePath() : folder;
    outcome.target = m_chooseFile(
        QDir(start).filePath(ToQString(request.roadName) + QStringLiteral("-横断面图.pdf")));
    if (outcome.target.isEmpty()) {
        return outcome;
    }
    const std::filesystem::path target = ToFsPath(outcome.target);
    const std::optional<SheetFormat> format = SheetFormatOf(target);
    if (!format) {
        if (m_showMessage) {
            m_showMessage(QStringLiteral("保存文件失败"),
                          FileDetail(outcome.target, "只能保存为 PDF 或 DXF 文件"));
        }
        return outcome;
    }
    QStringList failures;
    QProgressDialog progress(kTitle, QStringLiteral("取消"), 0, 1, m_window);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const BusyCursor busy;
    const SheetsResult result = ExportSheets(
        target, *format, request,
        [&failures](const std::string& line) {
            // The reader's warnings were shown when the section was opened.
            if (line.rfind("警告: ", 0) != 0) {
                failures.push_back(ToQString(line));
            }
        },
        [&progress](std::size_t done, std::size_t total) {
            progress.setMaximum(static_cast<int>(total));
            progress.setValue(static_cast<int>(done));
            return !progress.wasCanceled();
        });
    outcome.written = result.ok;
    outcome.sheets = result.sheets;
    if (!result.ok && !progress.wasCanceled() && m_showMessage) {
        m_showMessage(QStringLiteral("保存文件失败"), AsShown(failures.join(QLatin1Char('\n'))));
    }
    return outcome;
}

} // namespace quarvel
