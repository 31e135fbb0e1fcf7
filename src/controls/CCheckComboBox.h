#pragma once

#include <QComboBox>
#include <QEvent>
#include <QString>
#include <QStringList>

class QMouseEvent;

namespace quarvel {

// Drop-down list whose items carry check boxes (the layer filter). Clicks and the space key in
// the open list toggle items without closing it; the closed combo shows the checked texts.
class CCheckComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CCheckComboBox(QWidget* parent = nullptr);

    void ResetContent();
    // Items are kept sorted by text; returns the new item's index.
    int AddString(const QString& text);
    // -1 and no change when index is out of range, else 0.
    int SetCheck(int index, bool check);
    bool GetCheck(int index) const;
    QStringList CheckedTexts() const;
    // The checked texts in list order, joined by the list separator and one blank.
    QString SummaryText() const;
    // What the closed combo shows: the summary one space in, cut with an ellipsis to fit.
    QString FaceText() const;

    // The separator between checked texts for a locale's list separator: its trailing blanks
    // removed and one blank added, ";" when the locale gives none.
    static QString SummarySeparator(const QString& localeSeparator);

signals:
    void checkStateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Toggles or checks on clicks in the open list; true when the event must go no further.
    bool HandleListMouse(const QMouseEvent& mouse, QEvent::Type type);
    void ToggleByUser(int index);
    void CheckAllByUser();
    void InvalidateSummary();

    mutable QString m_strSummary;
    mutable bool m_bSummaryValid = false;
};

} // namespace quarvel
