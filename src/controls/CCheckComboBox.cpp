#include "controls/CCheckComboBox.h"

#include <QPaintEvent>

namespace quarvel {

CCheckComboBox::CCheckComboBox(QWidget* parent) : QComboBox(parent) {}

void CCheckComboBox::ResetContent() {
    clear();
    m_strSummary.clear();
    m_bSummaryValid = true;
}

int CCheckComboBox::AddString(const QString& text) {
    addItem(text);
    return count() - 1;
}

int CCheckComboBox::SetCheck(int index, bool check) {
    if (index < 0 || index >= count()) {
        return -1;
    }
    setItemData(index, check ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    InvalidateSummary();
    return 0;
}

bool CCheckComboBox::GetCheck(int index) const {
    return index >= 0 && index < count() && itemData(index, Qt::CheckStateRole) == Qt::Checked;
}

QStringList CCheckComboBox::CheckedTexts() const {
    QStringList texts;
    for (int i = 0; i < count(); ++i) {
        if (GetCheck(i)) {
            texts << itemText(i);
        }
    }
    return texts;
}

QString CCheckComboBox::SummaryText() const {
    return CheckedTexts().join(QStringLiteral(", "));
}

void CCheckComboBox::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
}

bool CCheckComboBox::eventFilter(QObject* watched, QEvent* event) {
    return QComboBox::eventFilter(watched, event);
}

void CCheckComboBox::ToggleByUser(int index) {
    SetCheck(index, !GetCheck(index));
    emit checkStateChanged();
}

void CCheckComboBox::CheckAllByUser() {
    emit checkStateChanged();
}

void CCheckComboBox::InvalidateSummary() {
    m_bSummaryValid = false;
    update();
}

} // namespace quarvel
