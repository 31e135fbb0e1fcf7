#include "controls/CListCellCombo.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace quarvel {

CListCellCombo::CListCellCombo(int column, QWidget* parent)
    : QComboBox(parent), m_nColumn(column) {}

CListCellCombo::~CListCellCombo() {
    m_bEnded = true;
}

void CListCellCombo::EndEdit(bool accept) {
    if (m_bEnded) {
        return;
    }
    m_bEnded = true;
    const QString text = currentText();
    hide();
    if (accept && m_bChanged && !text.isEmpty()) {
        emit cellEditEnded(m_nColumn, text);
    }
    deleteLater();
}

int CListCellCombo::DropWidth() const {
    return width();
}

void CListCellCombo::showPopup() {
    QComboBox::showPopup();
}

void CListCellCombo::keyPressEvent(QKeyEvent* event) {
    QComboBox::keyPressEvent(event);
}

void CListCellCombo::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
}

bool CListCellCombo::eventFilter(QObject* watched, QEvent* event) {
    return QComboBox::eventFilter(watched, event);
}

void CListCellCombo::OnActivated(int /*index*/) {}

} // namespace quarvel
