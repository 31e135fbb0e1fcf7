#include "workbench/ExportOptionsDialog.h"

#include "workbench/WorkbenchText.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace quarvel {
namespace {

// A group of radio buttons, one per text, the one of index checked.
template <std::size_t N>
QGroupBox* AddChoices(QVBoxLayout* layout, const QString& title, const char* name,
                      std::initializer_list<QString> texts, std::size_t checked,
                      std::array<QRadioButton*, N>& buttons) {
    auto* box = new QGroupBox(title);
    auto* column = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    std::size_t index = 0;
    for (const QString& text : texts) {
        auto* button = new QRadioButton(text, box);
        button->setObjectName(QString::fromLatin1(name) + QString::number(index));
        button->setChecked(index == checked);
        group->addButton(button);
        column->addWidget(button);
        buttons[index++] = button;
    }
    layout->addWidget(box);
    return box;
}

template <std::size_t N>
std::size_t CheckedIndex(const std::array<QRadioButton*, N>& buttons) {
    for (std::size_t i = 0; i < N; ++i) {
        if (buttons[i]->isChecked()) {
            return i;
        }
    }
    return 0;
}

} // namespace

ExportOptionsDialog::ExportOptionsDialog(const ExportForm& form, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("exportOptions"));
    setWindowTitle(QStringLiteral("导出选项"));
    auto* layout = new QVBoxLayout(this);
    AddChoices(layout, QStringLiteral("编码"), "encoding",
               {QStringLiteral("GBK（代码页 936，Excel 和 WPS 默认读取）"),
                QStringLiteral("UTF-8（带 BOM，保留 GBK 中没有的字符）")},
               static_cast<std::size_t>(form.encoding), m_encodings);
    AddChoices(layout, QStringLiteral("首行"), "firstLine",
               {QStringLiteral("行数"), QStringLiteral("列标题"), QStringLiteral("无")},
               static_cast<std::size_t>(form.firstLine), m_firstLines);
    AddChoices(layout, QStringLiteral("分隔符"), "separator",
               {QStringLiteral("逗号"), QStringLiteral("制表符"), QStringLiteral("分号")},
               static_cast<std::size_t>(form.separator), m_separators);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

ExportForm ExportOptionsDialog::Form() const {
    ExportForm form;
    form.encoding = static_cast<ExportEncoding>(CheckedIndex(m_encodings));
    form.firstLine = static_cast<FirstLine>(CheckedIndex(m_firstLines));
    form.separator = static_cast<Separator>(CheckedIndex(m_separators));
    return form;
}

bool ExportOptionsDialog::Edit(QWidget* parent, ExportForm& form) {
    ExportOptionsDialog dialog(form, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    form = dialog.Form();
    return true;
}

} // namespace quarvel
