#pragma once

#include <QHeaderView>
#include <QPointer>
#include <QString>
#include <map>

namespace quarvel {

class CListCellCombo;

// Horizontal header of the report list: draws its sections itself and opens a field chooser
// over every section that has choices.
class CHeaderCtrlEx : public QHeaderView {
    Q_OBJECT
public:
    explicit CHeaderCtrlEx(QWidget* parent = nullptr);

    // Line-feed separated choices; section 0 never gets any.
    void SetChoices(int section, const QString& choices);
    void ClearChoices();
    QString Choices(int section) const;
    bool HasChoices(int section) const;

    // The chooser currently open over a section, or null.
    CListCellCombo* CellCombo() const;
    // Opens a chooser over section; null when the section has no choices.
    CListCellCombo* ShowCellCombo(int section);

signals:
    void fieldChosen(int column, const QString& caption);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void OnCellEditEnded(int column, const QString& text);
    int ChooserSectionAt(const QPoint& pos) const;

    std::map<int, QString> m_mapCellChoices;
    QPointer<CListCellCombo> m_pCellCombo;
    // A press that opened a chooser must not reach the base class's release or move handling.
    bool m_bSwallowMouse = false;
};

} // namespace quarvel
