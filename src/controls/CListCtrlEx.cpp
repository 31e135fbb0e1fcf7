#include "controls/CListCtrlEx.h"

#include "controls/CHeaderCtrlEx.h"

namespace quarvel {

CListCtrlEx::CListCtrlEx(QWidget* parent) : QTableView(parent), m_header(new CHeaderCtrlEx(this)) {
    setHorizontalHeader(m_header);
}

CHeaderCtrlEx* CListCtrlEx::HeaderCtrl() const {
    return m_header;
}

void CListCtrlEx::SetHeaderChoices(const QString& choices) {
    m_header->ClearChoices();
    for (int section = 1; section < m_header->count(); ++section) {
        m_header->SetChoices(section, choices);
    }
}

void CListCtrlEx::AutoSizeColumns() {}

int CListCtrlEx::WidestCellWidth(int /*column*/) const {
    return 0;
}

} // namespace quarvel
