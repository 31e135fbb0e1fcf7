#include "workbench/SectionSourceBox.h"

#include "workbench/FileDialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quarvel {
namespace {

const QString kSectionFilters = QStringLiteral("Data File(*.txt);;所有文件 (*)");

} // namespace

QString StartFolder(const QString& folder) {
    return folder.isEmpty() ? QDir::homePath() : folder;
}

SectionSourceBox::SectionSourceBox(const QStringList& files, const QString& folder, bool subfolders,
                                   QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_useFiles = new QRadioButton(QStringLiteral("所选文件"), this);
    m_files = new QListWidget(this);
    m_files->setSelectionMode(QAbstractItemView::NoSelection);
    for (const QString& file : files) {
        m_files->addItem(QDir::toNativeSeparators(file));
    }
    m_addFiles = new QPushButton(QStringLiteral("添加文件…"), this);
    m_clearFiles = new QPushButton(QStringLiteral("清空"), this);
    auto* fileButtons = new QVBoxLayout;
    fileButtons->addWidget(m_addFiles);
    fileButtons->addWidget(m_clearFiles);
    fileButtons->addStretch();

    m_useFolder = new QRadioButton(QStringLiteral("文件夹中的断面文件"), this);
    m_folder = new QLineEdit(QDir::toNativeSeparators(folder), this);
    m_browseFolder = new QPushButton(QStringLiteral("浏览…"), this);
    m_subfolders = new QCheckBox(QStringLiteral("包括子文件夹"), this);
    m_subfolders->setChecked(subfolders);

    layout->addWidget(m_useFiles, 0, 0, 1, 3);
    layout->addWidget(m_files, 1, 0, 1, 2);
    layout->addLayout(fileButtons, 1, 2);
    layout->addWidget(m_useFolder, 2, 0, 1, 3);
    layout->addWidget(m_folder, 3, 0, 1, 2);
    layout->addWidget(m_browseFolder, 3, 2);
    layout->addWidget(m_subfolders, 4, 0, 1, 3);
    layout->setColumnStretch(0, 1);

    (files.isEmpty() && !folder.isEmpty() ? m_useFolder : m_useFiles)->setChecked(true);
    connect(m_useFiles, &QRadioButton::toggled, this, &SectionSourceBox::UpdateState);
    connect(m_addFiles, &QPushButton::clicked, this, &SectionSourceBox::AddFiles);
    connect(m_clearFiles, &QPushButton::clicked, m_files, &QListWidget::clear);
    connect(m_clearFiles, &QPushButton::clicked, this, &SectionSourceBox::UpdateState);
    connect(m_browseFolder, &QPushButton::clicked, this, &SectionSourceBox::ChooseFolder);
    connect(m_folder, &QLineEdit::textChanged, this, &SectionSourceBox::UpdateState);
    UpdateState();
}

QStringList SectionSourceBox::Files() const {
    QStringList files;
    if (m_useFiles->isChecked()) {
        for (int i = 0; i < m_files->count(); ++i) {
            files.append(QDir::fromNativeSeparators(m_files->item(i)->text()));
        }
    }
    return files;
}

QString SectionSourceBox::Folder() const {
    return QDir::fromNativeSeparators(m_folder->text().trimmed());
}

bool SectionSourceBox::Subfolders() const {
    return m_subfolders->isChecked();
}

bool SectionSourceBox::HasInputs() const {
    return m_useFiles->isChecked() ? m_files->count() > 0 : !Folder().isEmpty();
}

void SectionSourceBox::AddFiles() {
    const QString start =
        m_files->count() > 0
            ? QFileInfo(QDir::fromNativeSeparators(m_files->item(m_files->count() - 1)->text()))
                  .absolutePath()
            : StartFolder(Folder());
    const QStringList chosen =
        AskOpenFiles(this, QStringLiteral("选择断面文件"), start, kSectionFilters);
    for (const QString& file : chosen) {
        m_files->addItem(QDir::toNativeSeparators(file));
    }
    UpdateState();
}

void SectionSourceBox::ChooseFolder() {
    const QString folder = AskFolder(this, QStringLiteral("选择文件夹"), StartFolder(Folder()));
    if (!folder.isEmpty()) {
        m_folder->setText(QDir::toNativeSeparators(folder));
    }
}

void SectionSourceBox::UpdateState() {
    const bool files = m_useFiles->isChecked();
    m_files->setEnabled(files);
    m_addFiles->setEnabled(files);
    m_clearFiles->setEnabled(files);
    m_folder->setEnabled(!files);
    m_browseFolder->setEnabled(!files);
    m_subfolders->setEnabled(!files);
    emit changed();
}

} // namespace quarvel
