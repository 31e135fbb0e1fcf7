#pragma once

#include "exporting/ExportForm.h"

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QPushButton;

namespace quarvel {

class SectionSourceBox;

// What "批量导出" is to export: chosen files, or the section files of a folder
// (with its subfolders when asked), into an output folder.
struct BatchRequest {
    QStringList files; // empty when a folder is chosen
    QString folder;
    bool subfolders = false;
    QString outputFolder;
};

// Asks for the inputs and the output folder of a batch export, shows the view
// the files are exported with and reaches the export options.
class BatchExportDialog : public QDialog {
    Q_OBJECT
public:
    BatchExportDialog(const BatchRequest& last, const ExportForm& form, const QString& viewSummary,
                      QWidget* parent);

    BatchRequest Request() const;
    const ExportForm& Form() const { return m_form; }

private:
    void ChooseOutputFolder();
    void UpdateState();

    ExportForm m_form;
    SectionSourceBox* m_source;
    QLineEdit* m_outputFolder;
    QPushButton* m_export;
};

} // namespace quarvel
