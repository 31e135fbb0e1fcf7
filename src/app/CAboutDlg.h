#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace quarvel {

// "关于 Quarvel": the icon, the name and version, and "确定".
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QPushButton* OkButton() const { return m_okButton; }

private:
    QLabel* m_iconLabel = nullptr;
    QLabel* m_textLabel = nullptr;
    QPushButton* m_okButton = nullptr;
};

} // namespace quarvel
