#pragma once

#include <QComboBox>
#include <QPointer>
#include <QString>

namespace quarvel {

// Short-lived combo placed over one header section. It ends at the first selection change by
// the user (reported), at Enter or when it loses the focus (not reported), then hides and
// deletes itself. While it takes keys it is visible: an edit that ends with the focus in it
// hands the focus on before it hides.
class CListCellCombo : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kMaxVisibleItems = 7;
    static constexpr int kMaxDropWidth = 200;

    CListCellCombo(int column, QWidget* parent);
    ~CListCellCombo() override;

    int Column() const { return m_nColumn; }
    // Where the keys go once the edit has ended with the focus in the combo; without one,
    // Qt chooses the next widget.
    void SetFocusAfterEdit(QWidget* widget) { m_focusAfterEdit = widget; }
    bool IsEnded() const { return m_bEnded; }
    // Ends the edit once; reports only when accepted after a user change to a non-empty text.
    void EndEdit(bool accept);
    // Width the dropped list gets for the current items.
    int DropWidth() const;

    void showPopup() override;

signals:
    void cellEditEnded(int column, const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnActivated(int index);
    // True while the focus is on the combo or in its dropped list.
    bool HasFocusWithin() const;

    int m_nColumn = 0;
    QPointer<QWidget> m_focusAfterEdit;
    bool m_bEnded = false;
    bool m_bChanged = false;
    bool m_bShown = false;
    // The selection the edit started with; only a user change away from it is reported.
    int m_nInitialIndex = -1;
};

} // namespace quarvel
