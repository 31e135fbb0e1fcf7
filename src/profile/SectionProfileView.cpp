#include "profile/SectionProfileView.h"

#include <QComboBox>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quarvel {
namespace {

// Pixels around a point that a click or the cursor may miss it by.
constexpr double kHitRadius = 6;
// A press that moves less than this is a click, not a drag.
constexpr int kDragThreshold = 4;
constexpr double kWheelZoom = 1.25;
// One metre never takes more than a million pixels, nor the section less
// than an eighth of the panel.
constexpr double kMaxPixelsPerMetre = 1e6;
constexpr double kMinShareOfFit = 0.125;

} // namespace

SectionProfileView::SectionProfileView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("profile"));
    // A click gives the drawing the keys (Home); Tab reaches its one control.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_comboExaggeration = new QComboBox(this);
    m_comboExaggeration->setObjectName(QStringLiteral("exaggeration"));
    m_comboExaggeration->setToolTip(QStringLiteral("纵横比例"));
    for (const ExaggerationChoice& choice : kExaggerationChoices) {
        m_comboExaggeration->addItem(
            QString::fromUtf8(choice.text.data(), static_cast<qsizetype>(choice.text.size())),
            choice.value);
    }
    m_comboExaggeration->setCurrentIndex(m_comboExaggeration->findData(m_exaggeration));
    connect(m_comboExaggeration, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int index) { SetExaggeration(m_comboExaggeration->itemData(index).toInt()); });
}

void SectionProfileView::SetModel(const ProfileSource* source, QItemSelectionModel* selection,
                                  const LayerList* layers) {
    m_source = source;
    m_selection = selection;
    m_layers = layers;
    connect(&source->Rows(), &QAbstractItemModel::modelReset, this,
            &SectionProfileView::OnModelReset);
    connect(selection, &QItemSelectionModel::selectionChanged, this,
            &SectionProfileView::OnSelectionChanged);
    OnModelReset();
}

void SectionProfileView::SetTitle(const QString& title) {
    m_title = title;
    m_fitted = true;
    update();
}

void SectionProfileView::SetExaggeration(int exaggeration) {
    if (!IsExaggeration(exaggeration)) {
        return;
    }
    m_exaggeration = exaggeration;
    m_comboExaggeration->setCurrentIndex(m_comboExaggeration->findData(exaggeration));
    FitSection();
}

void SectionProfileView::FitSection() {
    m_fitted = true;
    Refit();
    update();
}

void SectionProfileView::OnModelReset() {
    m_selected.clear();
    m_dirty = true;
    update();
}

void SectionProfileView::EnsureData() const {
    if (!m_dirty || m_source == nullptr) {
        return;
    }
    static const LayerList kNoLayers;
    m_data = ProfileData(m_source->Table(), m_layers != nullptr ? *m_layers : kNoLayers);
    m_dirty = false;
    // Reversed, the same distances lie at the other end: the old view would
    // show another part of the section.
    const bool reverse = m_source->Table().Options().reverse;
    if (reverse != m_lastReverse) {
        m_fitted = true;
        m_lastReverse = reverse;
    }
    if (m_fitted) {
        Refit();
    } else {
        m_viewport.plot = PlotRect(); // the legend may take another number of lines
    }
}

ProfileScene SectionProfileView::BaseScene() const {
    ProfileScene scene;
    scene.data = &m_data;
    scene.table = m_source != nullptr ? &m_source->Table() : nullptr;
    scene.title = m_title;
    scene.font = font();
    return scene;
}

QRectF SectionProfileView::PlotRect() const {
    return ProfilePainter::PlotRect(QRectF(rect()), PanelScene());
}

ProfileScene SectionProfileView::PanelScene() const {
    ProfileScene scene = BaseScene();
    scene.headerMargin = m_comboExaggeration->width() + 6;
    scene.headerControlsBottom = m_comboExaggeration->geometry().bottom() + 1;
    return scene;
}

void SectionProfileView::Refit() const {
    m_viewport = ProfileViewport::Fit(PlotRect(), m_data.MinX(), m_data.MaxX(), m_data.MinY(),
                                      m_data.MaxY(), m_exaggeration);
}

const ProfileData& SectionProfileView::Data() const {
    EnsureData();
    return m_data;
}

const ProfileViewport& SectionProfileView::Viewport() const {
    EnsureData();
    return m_viewport;
}

ProfileScene SectionProfileView::PictureScene(const QRectF& area) const {
    EnsureData();
    ProfileScene scene = BaseScene();
    scene.viewport = PictureViewport(ProfilePainter::PlotRect(area, scene));
    // A picture cannot be zoomed into: without marks it needs no legend.
    scene.legend = ProfilePainter::ShowsMarks(ProfilePainter::VisibleRows(m_data, scene.viewport),
                                              scene.viewport.plot.width());
    if (!scene.legend) {
        scene.viewport = PictureViewport(ProfilePainter::PlotRect(area, scene));
    }
    return scene;
}

ProfileViewport SectionProfileView::PictureViewport(const QRectF& plot) const {
    if (m_fitted) {
        return ProfileViewport::Fit(plot, m_data.MinX(), m_data.MaxX(), m_data.MinY(),
                                    m_data.MaxY(), m_exaggeration);
    }
    // The part of the section the panel shows, in the picture's plot.
    const double left = m_viewport.LeftX();
    const double right = m_viewport.RightX();
    const double bottom = m_viewport.BottomY();
    const double top = m_viewport.TopY();
    ProfileViewport viewport = m_viewport;
    viewport.plot = plot;
    const double ratio = m_viewport.pixelsPerMetreY / m_viewport.pixelsPerMetreX;
    viewport.pixelsPerMetreX = plot.width() / (right - left);
    viewport.pixelsPerMetreY = plot.height() / (top - bottom);
    if (m_exaggeration != kAutoExaggeration) {
        viewport.pixelsPerMetreX =
            std::min(viewport.pixelsPerMetreX, viewport.pixelsPerMetreY / ratio);
        viewport.pixelsPerMetreY = viewport.pixelsPerMetreX * ratio;
    }
    return viewport;
}

int SectionProfileView::RowAt(const QPointF& pos) const {
    EnsureData();
    if (m_data.Empty() ||
        !m_viewport.plot.adjusted(-kHitRadius, -kHitRadius, kHitRadius, kHitRadius).contains(pos)) {
        return -1;
    }
    const auto [begin, end] = m_data.RowsBetween(m_viewport.DataX(pos.x() - kHitRadius),
                                                 m_viewport.DataX(pos.x() + kHitRadius));
    int best = -1;
    double bestDistance = kHitRadius * kHitRadius;
    for (std::size_t row = begin; row < end; ++row) {
        const QPointF d = m_viewport.Pixel(m_data.X(row), m_data.Y(row)) - pos;
        const double distance = d.x() * d.x() + d.y() * d.y();
        if (distance <= bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(row);
        }
    }
    return best;
}

QString SectionProfileView::ToolTipText(int row) const {
    const SectionTable& table = m_source->Table();
    const auto text = [&table, row](Field field) {
        return QString::fromStdString(table.FieldText(static_cast<std::size_t>(row), field));
    };
    return QStringLiteral("序号：%1\n编号：%2\n与起点距离：%3\n高程Z：%4\n注释：%5\n图层：%6")
        .arg(QString::number(row + 1), text(Field::Number), text(Field::DistanceFromStart),
             text(Field::Z), text(Field::Note), text(Field::Layer));
}

void SectionProfileView::OnSelectionChanged() {
    m_selected.clear();
    const int rows = m_source->Rows().rowCount();
    for (const QItemSelectionRange& range : m_selection->selection()) {
        const int top = std::max(0, range.top());
        const int bottom = std::min(rows - 1, range.bottom());
        if (top <= bottom) {
            m_selected.emplace_back(static_cast<std::size_t>(top),
                                    static_cast<std::size_t>(bottom));
        }
    }
    std::sort(m_selected.begin(), m_selected.end());
    if (!m_choosingRow && m_selection->currentIndex().isValid() &&
        m_selection->isSelected(m_selection->currentIndex())) {
        ShowRowInView(m_selection->currentIndex().row());
    }
    update();
}

void SectionProfileView::ShowRowInView(int row) {
    EnsureData();
    if (row < 0 || static_cast<std::size_t>(row) >= m_data.Size()) {
        return;
    }
    const std::size_t index = static_cast<std::size_t>(row);
    if (!m_data.Drawable(index)) {
        return; // a point beyond the doubles' range has no place in any view
    }
    const double x = m_data.X(index);
    const double y = m_data.Y(index);
    if (!m_viewport.plot.contains(m_viewport.Pixel(x, y))) {
        m_viewport.centreX = x;
        m_viewport.centreY = y;
        m_fitted = false;
    }
}

bool SectionProfileView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int row = RowAt(help->pos());
        if (row >= 0) {
            QToolTip::showText(help->globalPos(), ToolTipText(row), this);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void SectionProfileView::paintEvent(QPaintEvent*) {
    EnsureData();
    QPainter painter(this);
    ProfileScene scene = PanelScene();
    scene.emptyHint = EmptyHint();
    scene.viewport = m_viewport;
    scene.colours = ProfileColours::FromPalette(palette());
    scene.selected = &m_selected;
    ProfilePainter::Draw(painter, QRectF(rect()), scene);
}

QString SectionProfileView::EmptyHint() const {
    // A file is open once it has given the drawing its title, also when it holds no point.
    if (m_title.isEmpty()) {
        return QStringLiteral("打开数据文件后，这里显示断面图");
    }
    const SectionTable* const table = m_source != nullptr ? &m_source->Table() : nullptr;
    const bool noPoints =
        table == nullptr || table->Points() == nullptr || table->Points()->empty();
    return noPoints ? QStringLiteral("该断面没有可画的点") : QStringLiteral("表格中没有可画的点");
}

void SectionProfileView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize combo = m_comboExaggeration->sizeHint();
    m_comboExaggeration->setGeometry(width() - combo.width() - 2, 2, combo.width(), combo.height());
    EnsureData();
    if (m_fitted) {
        Refit();
    } else {
        m_viewport.plot = PlotRect();
    }
}

void SectionProfileView::ZoomAt(const QPointF& pos, double factor) {
    EnsureData();
    const ProfileViewport fit = ProfileViewport::Fit(PlotRect(), m_data.MinX(), m_data.MaxX(),
                                                     m_data.MinY(), m_data.MaxY(), m_exaggeration);
    const double largest = std::max(m_viewport.pixelsPerMetreX, m_viewport.pixelsPerMetreY);
    const double share = m_viewport.pixelsPerMetreX / fit.pixelsPerMetreX;
    factor = std::min(factor, kMaxPixelsPerMetre / largest);
    factor = std::max(factor, kMinShareOfFit / share);
    ProfileViewport zoomed = m_viewport;
    zoomed.ZoomAt(pos, factor);
    if (!zoomed.IsResolvable()) {
        return; // as far as the doubles of this section allow
    }
    m_viewport = zoomed;
    m_fitted = false;
    update();
}

void SectionProfileView::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0) {
        event->ignore();
        return;
    }
    ZoomAt(event->position(), std::pow(kWheelZoom, steps));
    event->accept();
}

void SectionProfileView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressPos = event->position().toPoint();
        m_lastDragPos = m_pressPos;
        m_dragging = false;
    }
    QWidget::mousePressEvent(event);
}

void SectionProfileView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (!m_dragging && (pos - m_pressPos).manhattanLength() < kDragThreshold) {
        return;
    }
    m_dragging = true;
    setCursor(Qt::ClosedHandCursor);
    EnsureData();
    ProfileViewport panned = m_viewport;
    panned.PanBy(QPointF(pos - m_lastDragPos));
    if (panned.IsResolvable()) {
        m_viewport = panned;
    }
    m_lastDragPos = pos;
    m_fitted = false;
    update();
}

void SectionProfileView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (m_dragging) {
        m_dragging = false;
        unsetCursor();
        return;
    }
    const int row = RowAt(event->position());
    if (row < 0 || m_selection == nullptr) {
        return;
    }
    m_choosingRow = true;
    m_selection->setCurrentIndex(m_source->Rows().index(row, 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_choosingRow = false;
}

void SectionProfileView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        FitSection();
    }
}

void SectionProfileView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Home && event->modifiers() == Qt::NoModifier) {
        FitSection();
        return;
    }
    QWidget::keyPressEvent(event);
}

QSize SectionProfileView::sizeHint() const {
    return {480, 220};
}

QSize SectionProfileView::minimumSizeHint() const {
    return {240, 120};
}

} // namespace quarvel
