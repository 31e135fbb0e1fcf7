#pragma once

#include "sheets/SheetLayout.h"
#include "sheets/SheetSource.h"
#include "workbench/WorkbenchText.h"

#include <QDialog>
#include <QString>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QDialogButtonBox;
class QLabel;

namespace quarvel {

class SheetPreview;

// The sheets' paper, scale, exaggeration and order, with a preview of the
// first sheet; OK only while the sheets can be written.
class SheetsDialog : public QDialog {
    Q_OBJECT
public:
    SheetsDialog(QWidget* parent, const SheetRequest& proposed);

    SheetOptions Options() const;
    SheetPreview* Preview() const { return m_preview; }
    QComboBox* ScaleBox() const { return m_scale; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

private:
    void Follow();

    SheetPreview* m_preview;
    QComboBox* m_paper;
    QComboBox* m_scale;
    QComboBox* m_exaggeration;
    QComboBox* m_order;
    QLabel* m_summary;
    QDialogButtonBox* m_buttons;
};

// "导出横断面图纸…": the cross-section sheets of the open road, or of the open
// section alone, as PDF or DXF, with the sheets' options and a preview.
class ExportSheetsCommand {
public:
    // Asked for the target, given the suggested path; empty: cancelled. The
    // extension names the format.
    using FileChooser = std::function<QString(const QString& suggestedPath)>;
    // Asked for the options, given the proposal; nothing: cancelled.
    using OptionsChooser = std::function<std::optional<SheetOptions>(const SheetRequest&)>;

    struct Outcome {
        QString target; // empty when nothing was asked for or the user cancelled
        bool written = false;
        std::size_t sheets = 0;
    };

    explicit ExportSheetsCommand(QWidget* window);

    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void SetOptionsChooser(OptionsChooser chooser) { m_chooseOptions = std::move(chooser); }
    void SetMessageSink(MessageSink sink) { m_showMessage = std::move(sink); }

    // sections: the road's, in the order they are drawn; rules: the table's,
    // so that the sheets draw the rows the table shows.
    Outcome Run(std::vector<SheetSection> sections, const std::string& roadName,
                const DrawRules& rules, int exaggeration, const QString& folder) const;

private:
    QString AskForFile(const QString& suggestedPath) const;
    std::optional<SheetOptions> AskForOptions(const SheetRequest& proposed) const;

    QWidget* m_window;
    FileChooser m_chooseFile;
    OptionsChooser m_chooseOptions;
    MessageSink m_showMessage;
};

} // namespace quarvel
