#include "app/CAboutDlg.h"

#include "app/AppIcon.h"
#include "workbench/DialogUnits.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace quarvel {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 Quarvel"));
    setWindowIcon(ApplicationIcon());
    setObjectName(QStringLiteral("aboutDialog"));

    const DialogUnits units(font());
    const QRect iconRect = units.Rect(14, 14, 21, 20);
    m_iconLabel = new QLabel(this);
    m_iconLabel->setObjectName(QStringLiteral("aboutIcon"));
    m_iconLabel->setGeometry(iconRect);
    m_iconLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int iconSide = std::min(iconRect.width(), iconRect.height()) >= 32 ? 32 : 16;
    m_iconLabel->setPixmap(ApplicationIcon().pixmap(iconSide, iconSide));

    m_textLabel = new QLabel(QStringLiteral("Quarvel，1.0 版"), this);
    m_textLabel->setObjectName(QStringLiteral("aboutText"));
    m_textLabel->setTextFormat(Qt::PlainText);
    const QRect textRect = units.Rect(42, 14, 114, 8);
    m_textLabel->setGeometry(textRect.adjusted(
        0, 0, 0, std::max(0, m_textLabel->sizeHint().height() - textRect.height())));

    m_okButton = new QPushButton(QStringLiteral("确定"), this);
    m_okButton->setObjectName(QStringLiteral("aboutOk"));
    m_okButton->setGeometry(units.Rect(113, 41, 50, 14));
    m_okButton->setDefault(true);
    m_okButton->setFocus();
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(units.Size(170, 62));
}

} // namespace quarvel
