#include "workbench/BatchExportDialog.h"

#include "workbench/ExportOptionsDialog.h"
#include "workbench/FileDialogs.h"
#include "workbench/SectionSourceBox.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quarvel {

BatchExportDialog::BatchExportDialog(const BatchRequest& last, const ExportForm& form,
                                     const QString& viewSummary, QWidget* parent)
    : QDialog(parent), m_form(form) {
    setObjectName(QStringLiteral("batchExport"));
    setWindowTitle(QStringLiteral("批量导出"));
    auto* layout = new QGridLayout(this);

    m_source = new SectionSourceBox(last.files, last.folder, last.subfolders, this);
    m_outputFolder = new QLineEdit(QDir::toNativeSeparators(last.outputFolder), this);
    auto* browseOutput = new QPushButton(QStringLiteral("浏览…"), this);

    auto* view = new QLabel(viewSummary, this);
    view->setWordWrap(true);
    view->setTextFormat(Qt::PlainText);
    auto* options = new QPushButton(QStringLiteral("导出选项…"), this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_export = buttons->addButton(QStringLiteral("导出"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    layout->addWidget(m_source, 0, 0, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("输出文件夹"), this), 1, 0, 1, 3);
    layout->addWidget(m_outputFolder, 2, 0, 1, 2);
    layout->addWidget(browseOutput, 2, 2);
    layout->addWidget(view, 3, 0, 1, 2);
    layout->addWidget(options, 3, 2);
    layout->addWidget(buttons, 4, 0, 1, 3);
    layout->setColumnStretch(0, 1);

    connect(m_source, &SectionSourceBox::changed, this, &BatchExportDialog::UpdateState);
    connect(browseOutput, &QPushButton::clicked, this, &BatchExportDialog::ChooseOutputFolder);
    connect(m_outputFolder, &QLineEdit::textChanged, this, &BatchExportDialog::UpdateState);
    connect(options, &QPushButton::clicked, this,
            [this] { ExportOptionsDialog::Edit(this, m_form); });
    UpdateState();
    resize(sizeHint().width() * 3 / 2, sizeHint().height());
}

BatchRequest BatchExportDialog::Request() const {
    BatchRequest request;
    request.files = m_source->Files();
    request.folder = m_source->Folder();
    request.subfolders = m_source->Subfolders();
    request.outputFolder = QDir::fromNativeSeparators(m_outputFolder->text().trimmed());
    return request;
}

void BatchExportDialog::ChooseOutputFolder() {
    const QString folder =
        AskFolder(this, QStringLiteral("选择输出文件夹"),
                  StartFolder(QDir::fromNativeSeparators(m_outputFolder->text())));
    if (!folder.isEmpty()) {
        m_outputFolder->setText(QDir::toNativeSeparators(folder));
    }
}

void BatchExportDialog::UpdateState() {
    m_export->setEnabled(m_source->HasInputs() && !m_outputFolder->text().trimmed().isEmpty());
}

} // namespace quarvel
