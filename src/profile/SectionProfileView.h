#pragma once

#include "profile/ProfileData.h"
#include "profile/ProfileGeometry.h"
#include "profile/ProfilePainter.h"
#include "profile/ProfileSource.h"

#include <QPoint>
#include <QWidget>

class QComboBox;
class QItemSelectionModel;

namespace quarvel {

// The section drawn from the rows of the table model, linked with the table
// both ways through the selection model they share: a click on a point
// selects its row (and the list scrolls to it), selected rows are ringed. The
// wheel zooms around the cursor, a drag pans, a double-click or Home fits.
class SectionProfileView : public QWidget {
    Q_OBJECT
public:
    explicit SectionProfileView(QWidget* parent = nullptr);

    // The table to draw and the layer list its colours follow; both must
    // outlive the view.
    void SetModel(const ProfileSource* source, QItemSelectionModel* selection,
                  const LayerList* layers);
    // The file's name as the title; a new file is shown whole.
    void SetTitle(const QString& title);
    const QString& Title() const { return m_title; }

    // kAutoExaggeration or 1, 2, 5, 10; anything else is ignored.
    void SetExaggeration(int exaggeration);
    int Exaggeration() const { return m_exaggeration; }
    // The panel's one control, for the window's tab order.
    QComboBox* ExaggerationBox() const { return m_comboExaggeration; }

    void FitSection();
    // The drawing of the current view for another area, in print colours;
    // area is in the same logical units as the widget.
    ProfileScene PictureScene(const QRectF& area) const;

    // The rows as drawn and the mapping to the widget's pixels, made fresh.
    const ProfileData& Data() const;
    const ProfileViewport& Viewport() const;
    // The row whose point lies nearest to pos within a few pixels, or -1.
    int RowAt(const QPointF& pos) const;
    // The rows selected in the table, whose points are ringed.
    const RowRanges& SelectedRows() const { return m_selected; }
    // What the panel says while it has nothing to draw.
    QString EmptyHint() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnModelReset();
    void OnSelectionChanged();
    void EnsureData() const;
    // The scene's parts that do not depend on the viewport.
    ProfileScene BaseScene() const;
    // ... and in the panel, around its exaggeration box.
    ProfileScene PanelScene() const;
    ProfileViewport PictureViewport(const QRectF& plot) const;
    QRectF PlotRect() const;
    void Refit() const;
    void ZoomAt(const QPointF& pos, double factor);
    void ShowRowInView(int row);
    QString ToolTipText(int row) const;

    const ProfileSource* m_source = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    const LayerList* m_layers = nullptr;
    QComboBox* m_comboExaggeration = nullptr;
    QString m_title;
    int m_exaggeration = kAutoExaggeration;
    RowRanges m_selected;

    // Made from the model when first needed after it changed.
    mutable ProfileData m_data;
    mutable ProfileViewport m_viewport;
    mutable bool m_dirty = true;
    mutable bool m_fitted = true; // follows resizes and new data until zoomed or panned
    mutable bool m_lastReverse = false;

    QPoint m_pressPos;
    QPoint m_lastDragPos;
    bool m_dragging = false;
    bool m_choosingRow = false; // the selection changes because of a click here
};

} // namespace quarvel
