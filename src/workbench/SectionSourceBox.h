#pragma once

#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace quarvel {

// Section files to work on: files chosen one by one ("所选文件"), or the
// section files of a folder ("文件夹中的断面文件"), with its subfolders when
// "包括子文件夹" is checked. The batch export and the road's open ask with it.
class SectionSourceBox : public QWidget {
    Q_OBJECT
public:
    // A folder is preselected when no files are given but a folder is.
    SectionSourceBox(const QStringList& files, const QString& folder, bool subfolders,
                     QWidget* parent);

    // The files chosen; none when the folder is.
    QStringList Files() const;
    QString Folder() const;
    bool Subfolders() const;
    // Whether there is anything to work on.
    bool HasInputs() const;

signals:
    void changed();

private:
    void AddFiles();
    void ChooseFolder();
    void UpdateState();

    QRadioButton* m_useFiles;
    QRadioButton* m_useFolder;
    QListWidget* m_files;
    QPushButton* m_addFiles;
    QPushButton* m_clearFiles;
    QLineEdit* m_folder;
    QPushButton* m_browseFolder;
    QCheckBox* m_subfolders;
};

// The folder a chooser starts in: folder, else the user's home.
QString StartFolder(const QString& folder);

} // namespace quarvel
