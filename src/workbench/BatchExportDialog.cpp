#include "workbench/BatchExportDialog.h"

#include "workbench/ExportOptionsDialog.h"
#include "workbench/FileDialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quarvel {
namespace {

const QString kSectionFilters = QStringLiteral("Data File(*.txt);;所有文件 (*)");

QString StartFolder(const QString& folder) {
    return folder.isEmpty() ? QDir::homePath() : folder;
}

} // namespace

BatchExportDialog::BatchExportDialog(const BatchRequest& last, const ExportForm& form,
                                     const QString& viewSummary, QWidget* parent)
    : QDialog(parent), m_form(form) {
    setObjectName(QStringLiteral("batchExport"));
    setWindowTitle(QStringLiteral("批量导出"));
    auto* layout = new QGridLayout(this);

    m_useFiles = new QRadioButton(QStringLiteral("所选文件"), this);
    m_files = new QListWidget(this);
    m_files->setSelectionMode(QAbstractItemView::NoSelection);
    for (const QString& file : last.files) {
        m_files->addItem(QDir::toNativeSeparators(file));
    }
    m_addFiles = new QPushButton(QStringLiteral("添加文件…"), this);
    m_clearFiles = new QPushButton(QStringLiteral("清空"), this);
    auto* fileButtons = new QVBoxLayout;
    fileButtons->addWidget(m_addFiles);
    fileButtons->addWidget(m_clearFiles);
    fileButtons->addStretch();

    m_useFolder = new QRadioButton(QStringLiteral("文件夹中的断面文件"), this);
    m_folder = new QLineEdit(QDir::toNativeSeparators(last.folder), this);
    m_browseFolder = new QPushButton(QStringLiteral("浏览…"), this);
    m_subfolders = new QCheckBox(QStringLiteral("包括子文件夹"), this);
    m_subfolders->setChecked(last.subfolders);

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

    layout->addWidget(m_useFiles, 0, 0, 1, 3);
    layout->addWidget(m_files, 1, 0, 1, 2);
    layout->addLayout(fileButtons, 1, 2);
    layout->addWidget(m_useFolder, 2, 0, 1, 3);
    layout->addWidget(m_folder, 3, 0, 1, 2);
    layout->addWidget(m_browseFolder, 3, 2);
    layout->addWidget(m_subfolders, 4, 0, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("输出文件夹"), this), 5, 0, 1, 3);
    layout->addWidget(m_outputFolder, 6, 0, 1, 2);
    layout->addWidget(browseOutput, 6, 2);
    layout->addWidget(view, 7, 0, 1, 2);
    layout->addWidget(options, 7, 2);
    layout->addWidget(buttons, 8, 0, 1, 3);
    layout->setColumnStretch(0, 1);

    (last.files.isEmpty() && !last.folder.isEmpty() ? m_useFolder : m_useFiles)->setChecked(true);
    connect(m_useFiles, &QRadioButton::toggled, this, &BatchExportDialog::UpdateState);
    connect(m_addFiles, &QPushButton::clicked, this, &BatchExportDialog::AddFiles);
    connect(m_clearFiles, &QPushButton::clicked, m_files, &QListWidget::clear);
    connect(m_clearFiles, &QPushButton::clicked, this, &BatchExportDialog::UpdateState);
    connect(m_browseFolder, &QPushButton::clicked, this, &BatchExportDialog::ChooseFolder);
    connect(browseOutput, &QPushButton::clicked, this, &BatchExportDialog::ChooseOutputFolder);
    connect(m_folder, &QLineEdit::textChanged, this, &BatchExportDialog::UpdateState);
    connect(m_outputFolder, &QLineEdit::textChanged, this, &BatchExportDialog::UpdateState);
    connect(options, &QPushButton::clicked, this,
            [this] { ExportOptionsDialog::Edit(this, m_form); });
    UpdateState();
    resize(sizeHint().width() * 3 / 2, sizeHint().height());
}

BatchRequest BatchExportDialog::Request() const {
    BatchRequest request;
    if (m_useFiles->isChecked()) {
        for (int i = 0; i < m_files->count(); ++i) {
            request.files.append(QDir::fromNativeSeparators(m_files->item(i)->text()));
        }
    }
    request.folder = QDir::fromNativeSeparators(m_folder->text().trimmed());
    request.subfolders = m_subfolders->isChecked();
    request.outputFolder = QDir::fromNativeSeparators(m_outputFolder->text().trimmed());
    return request;
}

void BatchExportDialog::AddFiles() {
    const QString start =
        m_files->count() > 0
            ? QFileInfo(QDir::fromNativeSeparators(m_files->item(m_files->count() - 1)->text()))
                  .absolutePath()
            : StartFolder(QDir::fromNativeSeparators(m_folder->text()));
    const QStringList chosen =
        AskOpenFiles(this, QStringLiteral("选择断面文件"), start, kSectionFilters);
    for (const QString& file : chosen) {
        m_files->addItem(QDir::toNativeSeparators(file));
    }
    UpdateState();
}

void BatchExportDialog::ChooseFolder() {
    const QString folder = AskFolder(this, QStringLiteral("选择文件夹"),
                                     StartFolder(QDir::fromNativeSeparators(m_folder->text())));
    if (!folder.isEmpty()) {
        m_folder->setText(QDir::toNativeSeparators(folder));
    }
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
    const bool files = m_useFiles->isChecked();
    m_files->setEnabled(files);
    m_addFiles->setEnabled(files);
    m_clearFiles->setEnabled(files);
    m_folder->setEnabled(!files);
    m_browseFolder->setEnabled(!files);
    m_subfolders->setEnabled(!files);
    const bool inputs = files ? m_files->count() > 0 : !m_folder->text().trimmed().isEmpty();
    m_export->setEnabled(inputs && !m_outputFolder->text().trimmed().isEmpty());
}

} // namespace quarvel
