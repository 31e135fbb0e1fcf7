#include "controls/CHeaderCtrlEx.h"

#include "controls/CListCellCombo.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace quarvel {

namespace {

const QColor kLineColor(190, 190, 190);
// The caption's top edge sits this far below the section's top.
constexpr int kCaptionTop = 6;
// Room kept below the caption, above the bottom line.
constexpr int kCaptionBottomMargin = 2;

// The item to select for the caption: the first whose text begins with it, ignoring case,
// searching from the second item to the end and then the first; the first when none matches.
int PrefixMatch(const QStringList& items, const QString& caption) {
    const int count = static_cast<int>(items.size());
    for (int step = 1; step <= count; ++step) {
        const int index = step % count;
        if (items.at(index).startsWith(caption, Qt::CaseInsensitive)) {
            return index;
        }
    }
    return 0;
}

} // namespace

CHeaderCtrlEx::CHeaderCtrlEx(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    // The sections draw no pressed, hover or sort state, and a press selects no column.
    setSectionsClickable(false);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setStretchLastSection(false);
}

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
    return m_pCellCombo != nullptr && !m_pCellCombo->IsEnded() ? m_pCellCombo.data() : nullptr;
}

CListCellCombo* CHeaderCtrlEx::ShowCellCombo(int section) {
    if (!HasChoices(section) || isSectionHidden(section) || model() == nullptr) {
        return nullptr;
    }
    // A second chooser replaces the first, which ends without a report.
    if (m_pCellCombo != nullptr) {
        m_pCellCombo->EndEdit(false);
        m_pCellCombo = nullptr;
    }

    const QStringList items = Choices(section).split(QLatin1Char('\n'), Qt::KeepEmptyParts);
    const QString caption = model()->headerData(section, orientation(), Qt::DisplayRole).toString();

    auto* combo = new CListCellCombo(section, viewport());
    combo->setObjectName(QStringLiteral("cellCombo%1").arg(section));
    combo->setFont(font());
    combo->addItems(items);
    combo->setCurrentIndex(PrefixMatch(items, caption));
    combo->setGeometry(sectionViewportPosition(section), 0, sectionSize(section),
                       viewport()->height());
    connect(combo, &CListCellCombo::cellEditEnded, this, &CHeaderCtrlEx::OnCellEditEnded);

    // The keys after the edit move in the table the header belongs to.
    combo->SetFocusAfterEdit(parentWidget());
    m_pCellCombo = combo;
    combo->show();
    combo->setFocus(Qt::MouseFocusReason);
    return combo;
}

void CHeaderCtrlEx::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) {
        return;
    }
    painter->save();
    painter->setClipRect(rect, Qt::IntersectClip);
    painter->fillRect(rect, palette().button());

    painter->setPen(QPen(kLineColor, 0));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomRight(), rect.bottomLeft());

    const QString caption =
        model() != nullptr
            ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
            : QString();
    painter->setFont(QApplication::font());
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->drawText(rect.adjusted(0, kCaptionTop, 0, 0),
                      Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, caption);
    painter->restore();
}

QSize CHeaderCtrlEx::sectionSizeFromContents(int logicalIndex) const {
    // The caption starts lower than the style assumes; the header grows so that a
    // caption in a tall (Chinese) font is not cut at the bottom.
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    const int captionHeight = QFontMetrics(QApplication::font()).height();
    size.setHeight(std::max(size.height(), kCaptionTop + captionHeight + kCaptionBottomMargin));
    return size;
}

void CHeaderCtrlEx::mousePressEvent(QMouseEvent* event) {
    m_bSwallowMouse = false;
    if (event->button() == Qt::LeftButton) {
        const int section = ChooserSectionAt(event->position().toPoint());
        if (section >= 0 && ShowCellCombo(section) != nullptr) {
            // The press belongs to the chooser: no resize, drag or click starts here.
            m_bSwallowMouse = true;
            event->accept();
            return;
        }
    }
    QHeaderView::mousePressEvent(event);
}

void CHeaderCtrlEx::mouseReleaseEvent(QMouseEvent* event) {
    if (m_bSwallowMouse) {
        m_bSwallowMouse = false;
        event->accept();
        return;
    }
    QHeaderView::mouseReleaseEvent(event);
}

void CHeaderCtrlEx::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && ChooserSectionAt(event->position().toPoint()) >= 0) {
        mousePressEvent(event);
        return;
    }
    QHeaderView::mouseDoubleClickEvent(event);
}

void CHeaderCtrlEx::mouseMoveEvent(QMouseEvent* event) {
    if (m_bSwallowMouse) {
        event->accept();
        return;
    }
    QHeaderView::mouseMoveEvent(event);
}

void CHeaderCtrlEx::OnCellEditEnded(int column, const QString& text) {
    m_pCellCombo = nullptr;
    emit fieldChosen(column, text);
}

int CHeaderCtrlEx::ChooserSectionAt(const QPoint& pos) const {
    if (!viewport()->rect().contains(pos)) {
        return -1;
    }
    const int section = logicalIndexAt(pos);
    return section >= 0 && HasChoices(section) ? section : -1;
}

} // namespace quarvel
