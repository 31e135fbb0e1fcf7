#pragma once

#include "exporting/ExportForm.h"

#include <QDialog>

#include <array>

class QRadioButton;

namespace quarvel {

// "导出选项": the encoding, the first line and the separator of the export
// files, one choice of each.
class ExportOptionsDialog : public QDialog {
    Q_OBJECT
public:
    ExportOptionsDialog(const ExportForm& form, QWidget* parent);

    ExportForm Form() const;

    // Shows the dialog over parent; form changes only when the user confirms.
    static bool Edit(QWidget* parent, ExportForm& form);

private:
    std::array<QRadioButton*, 2> m_encodings{};
    std::array<QRadioButton*, 3> m_firstLines{};
    std::array<QRadioButton*, 3> m_separators{};
};

} // namespace quarvel
