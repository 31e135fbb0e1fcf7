#include "controls/CHeaderCtrlEx.h"

#include "controls/CListCellCombo.h"

#include <QMouseEvent>
#include <QPainter>

namespace quarvel {

CHeaderCtrlEx::CHeaderCtrlEx(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

void CHeaderCtrlEx::SetChoices(int section, const QString& choices) {
    if (section >= 1) {
        m_mapCellChoices[section] = choices;
    }
}

void CHeaderCtrlEx::ClearChoices() {
    m_mapCellChoices.clear();
}

QString CHeaderCtrlEx::Choices(int section) const {
    const auto it = m_mapCellChoices.find(section);
    return it == m_mapCellChoices.end() ? QString() : it->second;
}

bool CHeaderCtrlEx::HasChoices(int section) const {
    return m_mapCellChoices.find(section) != m_mapCellChoices.end();
}

CListCellCombo* CHeaderCtrlEx::CellCombo() const {
    return m_pCellCombo.data();
}

CListCellCombo* CHeaderCtrlEx::ShowCellCombo(int /*section*/) {
    return nullptr;
}

void CHeaderCtrlEx::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    QHeaderView::paintSection(painter, rect, logicalIndex);
}

void CHeaderCtrlEx::mousePressEvent(QMouseEvent* event) {
    QHeaderView::mousePressEvent(event);
}

void CHeaderCtrlEx::mouseReleaseEvent(QMouseEvent* event) {
    QHeaderView::mouseReleaseEvent(event);
}

void CHeaderCtrlEx::mouseDoubleClickEvent(QMouseEvent* event) {
    QHeaderView::mouseDoubleClickEvent(event);
}

void CHeaderCtrlEx::mouseMoveEvent(QMouseEvent* event) {
    QHeaderView::mouseMoveEvent(event);
}

void CHeaderCtrlEx::OnCellEditEnded(int column, const QString& text) {
    emit fieldChosen(column, text);
}

int CHeaderCtrlEx::ChooserSectionAt(const QPoint& /*pos*/) const {
    return -1;
}

} // namespace quarvel
