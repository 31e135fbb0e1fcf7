#include "profile/ProfilePainter.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quarvel {
namespace {

const QString kXCaption = QStringLiteral("与起点距离 (m)");
const QString kYCaption = QStringLiteral("高程 (m)");
// Widest tick label the left margin makes room for.
const QString kWidestYLabel = QStringLiteral("-0000.00");
constexpr double kMinMarkSpacing = 4;
constexpr double kTickLength = 4;

// Mid-luminance colours that keep their contrast on white and on dark grey;
// every mark also has an outline in the text colour.
constexpr QRgb kLayerColours[] = {0xE6194B, 0x3CB44B, 0x4363D8, 0xF58231, 0x911EB4,
                                  0x42D4F4, 0xF032E6, 0x9A6324, 0x469990, 0x808000};

QString Number(double value, int decimals) {
    return QString::number(value == 0 ? 0.0 : value, 'f', decimals);
}

void DrawMark(QPainter& painter, const QPointF& at, MarkKind kind, const QColor& fill,
              const ProfileColours& colours) {
    const double r = kMarkRadius;
    painter.setPen(QPen(colours.text, 1));
    switch (kind) {
    case MarkKind::Intersection:
        painter.setBrush(fill);
        painter.drawEllipse(at, r, r);
        break;
    case MarkKind::End:
        painter.setBrush(colours.text);
        painter.drawRect(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r));
        break;
    case MarkKind::Knee: {
        const QPointF diamond[] = {at + QPointF(0, -r - 1), at + QPointF(r + 1, 0),
                                   at + QPointF(0, r + 1), at + QPointF(-r - 1, 0)};
        painter.setBrush(colours.text);
        painter.drawPolygon(diamond, 4);
        break;
    }
    case MarkKind::Added:
        painter.setBrush(colours.background);
        painter.drawEllipse(at, r, r);
        break;
    case MarkKind::Other:
        painter.setBrush(colours.grid);
        painter.drawEllipse(at, r - 1, r - 1);
        break;
    }
}

// Intersection points whose layer the file's layer list lacks.
constexpr QRgb kUnlayeredColour = 0xA0A0A4;

QColor MarkFill(const ProfileData& data, std::size_t row) {
    const std::uint16_t layer = data.Layer(row);
    return layer == ProfileData::kNoLayer ? QColor(kUnlayeredColour)
                                          : ProfilePainter::LayerColour(layer);
}

void DrawGridAndTicks(QPainter& painter, const ProfileViewport& viewport,
                      const ProfileColours& colours, const QFontMetricsF& metrics) {
    const QRectF plot = viewport.plot;
    const double stepX = NiceStep(viewport.RightX() - viewport.LeftX(),
                                  std::max(1, static_cast<int>(plot.width() / 90)));
    const double stepY = NiceStep(viewport.TopY() - viewport.BottomY(),
                                  std::max(1, static_cast<int>(plot.height() / 40)));
    const std::vector<double> xs = TickValues(viewport.LeftX(), viewport.RightX(), stepX);
    const std::vector<double> ys = TickValues(viewport.BottomY(), viewport.TopY(), stepY);
    painter.setPen(QPen(colours.grid, 1));
    for (const double x : xs) {
        const double px = viewport.PixelX(x);
        painter.drawLine(QPointF(px, plot.top()), QPointF(px, plot.bottom()));
    }
    for (const double y : ys) {
        const double py = viewport.PixelY(y);
        painter.drawLine(QPointF(plot.left(), py), QPointF(plot.right(), py));
    }
    painter.setPen(QPen(colours.text, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    const int decimalsX = TickDecimals(stepX);
    for (const double x : xs) {
        const double px = viewport.PixelX(x);
        painter.drawLine(QPointF(px, plot.bottom()), QPointF(px, plot.bottom() + kTickLength));
        const QString label = Number(x, decimalsX);
        const double width = metrics.horizontalAdvance(label);
        painter.drawText(QPointF(px - width / 2, plot.bottom() + kTickLength + metrics.ascent()),
                         label);
    }
    const int decimalsY = TickDecimals(stepY);
    for (const double y : ys) {
        const double py = viewport.PixelY(y);
        painter.drawLine(QPointF(plot.left() - kTickLength, py), QPointF(plot.left(), py));
        const QString label = Number(y, decimalsY);
        const double width = metrics.horizontalAdvance(label);
        painter.drawText(QPointF(plot.left() - kTickLength - 2 - width,
                                 py + metrics.ascent() / 2 - metrics.descent() / 2),
                         label);
    }
}

void DrawCaptions(QPainter& painter, const QRectF& area, const QRectF& plot,
                  const QFontMetricsF& metrics) {
    const double xWidth = metrics.horizontalAdvance(kXCaption);
    painter.drawText(QPointF(plot.center().x() - xWidth / 2, area.bottom() - metrics.descent() - 2),
                     kXCaption);
    painter.save();
    const double yWidth = metrics.horizontalAdvance(kYCaption);
    painter.translate(area.left() + metrics.ascent() + 2, plot.center().y() + yWidth / 2);
    painter.rotate(-90);
    painter.drawText(QPointF(0, 0), kYCaption);
    painter.restore();
}

// One item of the header: the title, an entry of the legend with its mark,
// or a remark without one.
struct HeaderItem {
    QString text;
    bool isTitle = false;
    MarkKind kind = MarkKind::Other;
    QColor fill;
    QPointF at; // top left, once laid out
    bool hasMark = true;
};

constexpr double kItemSpacing = 14;
constexpr double kMarkAndGap = 2 * kMarkRadius + 5;

double ItemWidth(const HeaderItem& item, const QFontMetricsF& metrics,
                 const QFontMetricsF& titleMetrics) {
    if (item.isTitle) {
        return titleMetrics.horizontalAdvance(item.text);
    }
    return (item.hasMark ? kMarkAndGap : 0) + metrics.horizontalAdvance(item.text);
}

// The title, the legend (the layers shown, points without a layer, then the
// other kinds of point present) and a remark on points left out.
std::vector<HeaderItem> HeaderItems(const ProfileScene& scene) {
    std::vector<HeaderItem> items;
    if (!scene.title.isEmpty()) {
        items.push_back({scene.title, true, MarkKind::Other, QColor(), QPointF()});
    }
    if (scene.data == nullptr || scene.data->Empty()) {
        return items;
    }
    const ProfileData& data = *scene.data;
    if (scene.legend) {
        for (const std::uint16_t layer : data.ShownLayers()) {
            items.push_back({QString::fromStdString(data.Layers()[layer]), false,
                             MarkKind::Intersection, ProfilePainter::LayerColour(layer),
                             QPointF()});
        }
        if (data.HasUnlayered()) {
            items.push_back({QStringLiteral("无图层"), false, MarkKind::Intersection,
                             QColor(kUnlayeredColour), QPointF()});
        }
        const std::pair<MarkKind, const char16_t*> kinds[] = {{MarkKind::End, u"端点"},
                                                              {MarkKind::Knee, u"拐点"},
                                                              {MarkKind::Added, u"加点"},
                                                              {MarkKind::Other, u"其他点"}};
        for (const auto& [kind, text] : kinds) {
            if (data.HasKind(kind)) {
                items.push_back({QString::fromUtf16(text), false, kind, QColor(), QPointF()});
            }
        }
    }
    if (data.UndrawableRows() > 0) {
        HeaderItem remark;
        remark.text = QStringLiteral("%1 个点超出可画范围，未画出").arg(data.UndrawableRows());
        remark.hasMark = false;
        items.push_back(remark);
    }
    return items;
}

// The header's items flowing from the plot's left edge in as many lines as
// they need.
std::vector<HeaderItem> LayOutHeader(const ProfileScene& scene, double left, double right,
                                     double top, int& lines) {
    std::vector<HeaderItem> items = HeaderItems(scene);
    QFont bold = scene.font;
    bold.setBold(true);
    const QFontMetricsF metrics(scene.font);
    const QFontMetricsF titleMetrics(bold);
    const double lineHeight = std::max(metrics.height(), titleMetrics.height()) + 2;
    double x = left;
    lines = items.empty() ? 0 : 1;
    for (HeaderItem& item : items) {
        double width = ItemWidth(item, metrics, titleMetrics);
        if (x > left && x + width > right) {
            x = left;
            ++lines;
        }
        if (item.isTitle) {
            item.text = titleMetrics.elidedText(item.text, Qt::ElideMiddle, right - left);
            width = ItemWidth(item, metrics, titleMetrics);
        }
        item.at = QPointF(x, top + lineHeight * (lines - 1));
        x += width + kItemSpacing;
    }
    return items;
}

double HeaderLineHeight(const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    return std::max(QFontMetricsF(font).height(), QFontMetricsF(bold).height()) + 2;
}

void DrawHeader(QPainter& painter, const ProfileScene& scene, const QRectF& area) {
    const QRectF plot = scene.viewport.plot;
    int lines = 0;
    const std::vector<HeaderItem> items =
        LayOutHeader(scene, plot.left(), area.right() - scene.headerMargin, area.top() + 2, lines);
    QFont bold = scene.font;
    bold.setBold(true);
    const QFontMetricsF metrics(scene.font);
    const QFontMetricsF titleMetrics(bold);
    for (const HeaderItem& item : items) {
        painter.setPen(scene.colours.text);
        if (item.isTitle) {
            painter.setFont(bold);
            painter.drawText(item.at + QPointF(0, titleMetrics.ascent()), item.text);
            painter.setFont(scene.font);
            continue;
        }
        double textLeft = 0;
        if (item.hasMark) {
            DrawMark(painter, item.at + QPointF(kMarkRadius + 1, metrics.height() / 2), item.kind,
                     item.fill, scene.colours);
            painter.setPen(scene.colours.text);
            textLeft = kMarkAndGap;
        }
        painter.drawText(item.at + QPointF(textLeft, metrics.ascent()), item.text);
    }
}

std::vector<QPointF> MappedLine(const ProfileScene& scene, std::size_t begin, std::size_t end,
                                double pixelRatio) {
    const ProfileData& data = *scene.data;
    std::vector<QPointF> line;
    if (scene.reduce) {
        line.reserve(static_cast<std::size_t>(scene.viewport.plot.width() * pixelRatio) * 4 + 8);
        ReduceToColumns(data.Xs(), data.Ys(), begin, end, scene.viewport, pixelRatio, line);
    } else {
        line.reserve(end - begin);
        MapAll(data.Xs(), data.Ys(), begin, end, scene.viewport, line);
    }
    return line;
}

void DrawLine(QPainter& painter, const ProfileScene& scene, const std::vector<QPointF>& line,
              double pixelRatio) {
    // On screen a cosmetic pen one pixel wide keeps to the rasteriser's fast
    // path: any other width strokes a million-point line many times slower. A
    // denser picture gets as many device pixels; paper gets a line 1/96 inch
    // wide rather than the printer's thinnest.
    const QPaintEngine* engine = painter.paintEngine();
    const bool vector = engine != nullptr && (engine->type() == QPaintEngine::Pdf ||
                                              engine->type() == QPaintEngine::SVG);
    QPen pen(scene.colours.text, vector ? 1 : std::max(1.0, std::round(pixelRatio)));
    pen.setCosmetic(!vector);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF bounds = scene.viewport.plot.adjusted(-4, -4, 4, 4);
    for (const std::vector<QPointF>& part : ClipPolyline(line, bounds)) {
        painter.drawPolyline(part.data(), static_cast<int>(part.size()));
    }
}

void DrawMarksAndNotes(QPainter& painter, const ProfileScene& scene, std::size_t begin,
                       std::size_t end, const QFontMetricsF& metrics,
                       const std::vector<QPointF>& line) {
    const ProfileData& data = *scene.data;
    const QRectF plot = scene.viewport.plot;
    std::vector<std::size_t> rows;
    std::vector<QPointF> marks;
    for (std::size_t row = begin; row < end; ++row) {
        const QPointF at = scene.viewport.Pixel(data.X(row), data.Y(row));
        if (plot.contains(at)) {
            DrawMark(painter, at, data.Kind(row), MarkFill(data, row), scene.colours);
            rows.push_back(row);
            marks.push_back(at);
        }
    }
    if (scene.table == nullptr) {
        return;
    }
    std::vector<QString> notes;
    std::vector<QSizeF> sizes;
    for (const std::size_t row : rows) {
        notes.push_back(QString::fromStdString(scene.table->FieldText(row, Field::Note)));
        sizes.emplace_back(notes.back().isEmpty() ? 0 : metrics.horizontalAdvance(notes.back()),
                           metrics.height());
    }
    const std::vector<std::optional<QRectF>> places = PlaceNotes(marks, sizes, plot, line);
    painter.setPen(scene.colours.text);
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (places[i]) {
            painter.drawText(QPointF(places[i]->left(), places[i]->top() + metrics.ascent()),
                             notes[i]);
        }
    }
}

void DrawSelection(QPainter& painter, const ProfileScene& scene, std::size_t begin,
                   std::size_t end) {
    const ProfileData& data = *scene.data;
    painter.setPen(QPen(scene.colours.highlight, 2));
    painter.setBrush(Qt::NoBrush);
    // A million selected rows draw one ring per pixel, not a million.
    QPoint last(-1, -1);
    for (const auto& [firstRow, lastRow] : *scene.selected) {
        for (std::size_t row = std::max(firstRow, begin); row <= lastRow && row < end; ++row) {
            const QPointF at = scene.viewport.Pixel(data.X(row), data.Y(row));
            if (!scene.viewport.plot.contains(at) || at.toPoint() == last) {
                continue;
            }
            last = at.toPoint();
            painter.drawEllipse(at, kMarkRadius + 3, kMarkRadius + 3);
        }
    }
}

// A scale's denominator: whole where it is (1:100 at 1:500 five times
// exaggerated), else with the decimals it has (1:62.5), up to two.
QString ScaleNumber(double denominator) {
    if (std::abs(denominator - std::round(denominator)) < 1e-6 * denominator) {
        return QString::number(denominator, 'f', 0);
    }
    QString text = QString::number(denominator, 'f', 2);
    while (text.endsWith(QLatin1Char('0'))) {
        text.chop(1);
    }
    return text;
}

// The round length the scale bar stands for: about an eighth of the plot.
double ScaleBarMetres(const ProfileViewport& viewport) {
    return NiceStep(viewport.plot.width() / 8 / viewport.pixelsPerMetreX, 1);
}

// A bar of a round length in true scale just above the plot's right end,
// and the scale it stands for.
void DrawScaleBar(QPainter& painter, const ProfileScene& scene, const QFontMetricsF& metrics) {
    const ProfileViewport& viewport = scene.viewport;
    const double metres = ScaleBarMetres(viewport);
    const double length = metres * viewport.pixelsPerMetreX;
    const double y = viewport.plot.top() - 4 - metrics.height() / 2;
    const QRectF bar(viewport.plot.right() - length, y - 3, length, 6);
    painter.setPen(QPen(scene.colours.text, 1));
    painter.setBrush(scene.colours.background);
    painter.drawRect(bar);
    painter.setBrush(scene.colours.text);
    painter.drawRect(QRectF(bar.left(), bar.top(), length / 2, bar.height()));
    const QString label = ProfilePainter::ScaleText(scene);
    painter.drawText(QPointF(bar.left() - metrics.horizontalAdvance(label) - 8,
                             y + metrics.ascent() / 2 - metrics.descent() / 2),
                     label);
}

} // namespace

ProfileColours ProfileColours::FromPalette(const QPalette& palette) {
    ProfileColours colours;
    colours.background = palette.color(QPalette::Base);
    colours.text = palette.color(QPalette::Text);
    colours.grid = colours.text;
    colours.grid.setAlpha(45);
    colours.highlight = palette.color(QPalette::Highlight);
    return colours;
}

ProfileColours ProfileColours::Print() {
    ProfileColours colours;
    colours.background = Qt::white;
    colours.text = Qt::black;
    colours.grid = QColor(0, 0, 0, 45);
    colours.highlight = QColor(0x30, 0x8C, 0xC6);
    return colours;
}

QColor ProfilePainter::LayerColour(std::uint16_t layer) {
    return QColor(kLayerColours[layer % std::size(kLayerColours)]);
}

QRectF ProfilePainter::PlotRect(const QRectF& area, const ProfileScene& scene) {
    const QFontMetricsF metrics(scene.font);
    const double line = metrics.height();
    const double left = line + 6 + kTickLength + metrics.horizontalAdvance(kWidestYLabel);
    const double right = metrics.horizontalAdvance(QStringLiteral("0000")) / 2 + 8;
    int lines = 0;
    LayOutHeader(scene, area.left() + left, area.right() - scene.headerMargin, 0, lines);
    // A true-scale drawing names its scale on a line of its own.
    lines += scene.scaleDenominator > 0 ? 1 : 0;
    const double top = std::max(HeaderLineHeight(scene.font) * std::max(lines, 1) + 6,
                                scene.headerControlsBottom + 2);
    const double bottom = 2 * line + kTickLength + 6;
    return area.adjusted(left, top, -right, -bottom);
}

QString ProfilePainter::ScaleText(const ProfileScene& scene) {
    const ProfileViewport& viewport = scene.viewport;
    const double vertical =
        scene.scaleDenominator * viewport.pixelsPerMetreX / viewport.pixelsPerMetreY;
    const double metres = ScaleBarMetres(viewport);
    return QStringLiteral("水平 1:%1，垂直 1:%2    0 – %3 m")
        .arg(scene.scaleDenominator)
        .arg(ScaleNumber(vertical))
        .arg(Number(metres, TickDecimals(metres)));
}

QStringList ProfilePainter::HeaderTexts(const ProfileScene& scene) {
    QStringList texts;
    for (const HeaderItem& item : HeaderItems(scene)) {
        if (!item.isTitle) {
            texts.push_back(item.text);
        }
    }
    return texts;
}

bool ProfilePainter::ShowsMarks(std::size_t visibleRows, double plotWidth) {
    return static_cast<double>(visibleRows) * kMinMarkSpacing <= plotWidth;
}

std::size_t ProfilePainter::VisibleRows(const ProfileData& data, const ProfileViewport& viewport) {
    const double left = viewport.LeftX();
    const double right = viewport.RightX();
    if (data.Ascending()) {
        const auto [begin, end] = data.RowsBetween(left, right);
        return end - begin;
    }
    const double* xs = data.Xs();
    return static_cast<std::size_t>(std::count_if(
        xs, xs + data.Size(), [left, right](double x) { return x >= left && x <= right; }));
}

void ProfilePainter::Draw(QPainter& painter, const QRectF& area, const ProfileScene& scene) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, scene.antialias);
    painter.setFont(scene.font);
    painter.fillRect(area, scene.colours.background);
    const QFontMetricsF metrics(scene.font);
    const QRectF plot = scene.viewport.plot;
    painter.setPen(scene.colours.text);
    DrawCaptions(painter, area, plot, metrics);
    DrawHeader(painter, scene, area);
    if (scene.data == nullptr || scene.data->Empty()) {
        painter.setPen(QPen(scene.colours.text, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(plot);
        painter.drawText(plot, Qt::AlignCenter | Qt::TextWordWrap, scene.emptyHint);
        painter.restore();
        return;
    }
    DrawGridAndTicks(painter, scene.viewport, scene.colours, metrics);
    DrawSection(painter, scene);
    if (scene.scaleDenominator > 0) {
        DrawScaleBar(painter, scene, metrics);
    }
    painter.restore();
}

void ProfilePainter::DrawSection(QPainter& painter, const ProfileScene& scene) {
    const ProfileData& data = *scene.data;
    const QRectF plot = scene.viewport.plot;
    const auto [begin, end] = data.RowsBetween(scene.viewport.LeftX(), scene.viewport.RightX());
    painter.save();
    // Nothing of the data leaves the plot, also where it runs off it zoomed in.
    painter.setClipRect(plot);
    // A picture at twice the screen's density keeps twice the columns; a
    // vector picture keeps the logical ones (its device reports 1).
    const double pixelRatio =
        painter.device()->devicePixelRatioF() * std::max(1.0, painter.transform().m11());
    const std::vector<QPointF> line = MappedLine(scene, begin, end, pixelRatio);
    DrawLine(painter, scene, line, pixelRatio);
    if (scene.marks && ShowsMarks(VisibleRows(data, scene.viewport), plot.width())) {
        DrawMarksAndNotes(painter, scene, begin, end, QFontMetricsF(scene.font), line);
    }
    if (scene.selected != nullptr) {
        DrawSelection(painter, scene, begin, end);
    }
    painter.restore();
}

} // namespace quarvel
