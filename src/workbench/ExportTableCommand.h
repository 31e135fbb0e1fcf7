#pragma once

#include "exporting/ExportForm.h"
#include "workbench/WorkbenchText.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>

class QFileDialog;
class QWidget;

namespace quarvel {

class SectionTable;

// The extension of a save-dialog name filter such as "Excel文件(*.csv)" added to
// a file name typed without an extension of its own; other names unchanged.
QString AddFilterExtension(const QString& path, const QString& nameFilter);

// A save dialog confirmed the name as typed: a name that got its extension afterwards and
// names an existing file is confirmed here. False when the user declines to replace it.
bool ConfirmReplacingExtendedName(QWidget* parent, const QString& chosen, const QString& target);

// Asks for the file a table goes to in the save dialog of the exports: their file types, the
// extension of the type chosen added to a name typed without one, a replaced file confirmed, and
// (in Qt's own dialog) a button for the export options when form is given. Empty: cancelled.
QString AskTableTarget(QWidget* window, const QString& title, const QString& suggestedPath,
                       ExportForm* form);

// Asks in a save dialog for a file of one of the formats the name filters
// offer, selected first, in the suggested path's folder and name. A name with
// an extension that names no format (hasFormat false) gets the selected
// filter's added. Empty when cancelled or when the user declines to replace
// the file the extended name names.
QString AskForSaveFile(QWidget* parent, const QString& title, const QStringList& filters,
                       const QString& selected, const QString& suggestedPath,
                       const std::function<bool(const QString& path)>& hasFormat,
                       const std::function<void(QFileDialog& dialog)>& prepare = {});

// "数据导出": asks for the target and writes the table as shown, telling the
// user why when the file could not be written. A name ending in .xlsx gets an
// Excel workbook, the same as quarvel-cli writes.
class ExportTableCommand {
public:
    // Asked for the export target, given the suggested path; empty: cancelled.
    using FileChooser = std::function<QString(const QString& suggestedPath)>;

    struct Outcome {
        QString target; // empty when nothing was asked for or the user cancelled
        bool written = false;
        std::size_t rows = 0;        // rows written
        std::size_t unencodable = 0; // characters written as "?"
    };

    explicit ExportTableCommand(QWidget* window);

    // The save dialog's file types, the preselected first: "Excel文件(*.csv)",
    // "Data File(*.txt)", "Excel 工作簿(*.xlsx)".
    static QStringList NameFilters();

    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void SetMessageSink(MessageSink sink) { m_showMessage = std::move(sink); }
    // The form the files are written in: the window's, which the save dialog's
    // "导出选项…" changes. Without one, the default form.
    void UseForm(ExportForm* form) { m_form = form; }

    // A table without rows or data columns asks nothing and writes nothing.
    Outcome Run(const SectionTable& table, const QString& folder) const;

private:
    QString AskWithDialog(const QString& suggestedPath) const;

    QWidget* m_window;
    FileChooser m_chooseFile;
    MessageSink m_showMessage;
    ExportForm* m_form = nullptr;
};

} // namespace quarvel
