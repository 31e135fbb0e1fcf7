#include "profile/ProfilePicture.h"

#include "files/AtomicFile.h"

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#ifdef QUARVEL_HAVE_SVG
#include <QSvgGenerator>
#endif

#include <algorithm>
#include <cmath>

namespace quarvel {
namespace {

constexpr double kLogicalDpi = 96;
constexpr double kMillimetresPerInch = 25.4;
constexpr double kPageMarginMillimetres = 10;
// A PNG is drawn at up to twice its logical size, as on a high-density
// screen, so that its texts keep a readable size in a large picture.
constexpr double kPngLogicalWidth = 800;

std::string Utf8(const QString& text) {
    return text.toStdString();
}

// One metre across at 1:denominator, in logical units.
double UnitsPerMetre(int denominator) {
    return 1000.0 / denominator / kMillimetresPerInch * kLogicalDpi;
}

// The section whole at 1:denominator across; the vertical scale follows the
// exaggeration, or fills the plot for the automatic one.
void UseTrueScale(ProfileScene& scene, int denominator, int exaggeration) {
    const ProfileData& data = *scene.data;
    ProfileViewport& viewport = scene.viewport;
    viewport = ProfileViewport::Fit(viewport.plot, data.MinX(), data.MaxX(), data.MinY(),
                                    data.MaxY(), exaggeration);
    viewport.pixelsPerMetreX = UnitsPerMetre(denominator);
    if (exaggeration != kAutoExaggeration) {
        viewport.pixelsPerMetreY = viewport.pixelsPerMetreX * exaggeration;
    }
}

bool FitsTheSection(const ProfileScene& scene) {
    const ProfileData& data = *scene.data;
    const ProfileViewport& viewport = scene.viewport;
    return (data.MaxX() - data.MinX()) * viewport.pixelsPerMetreX <= viewport.plot.width() &&
           (data.MaxY() - data.MinY()) * viewport.pixelsPerMetreY <= viewport.plot.height();
}

// The smallest scale of 1, 2 or 5 times a power of ten at which the section
// fits across and up.
long long FittingScale(const ProfileScene& scene, int exaggeration) {
    const ProfileData& data = *scene.data;
    const QRectF plot = scene.viewport.plot;
    const double across = (data.MaxX() - data.MinX()) * UnitsPerMetre(1) / plot.width();
    const double up =
        exaggeration == kAutoExaggeration
            ? 0
            : (data.MaxY() - data.MinY()) * exaggeration * UnitsPerMetre(1) / plot.height();
    const double needed = std::max({across, up, 1.0});
    double step = NiceStep(needed, 1);
    return static_cast<long long>(std::ceil(step));
}

std::optional<QByteArray> RenderPng(const PictureRequest& request,
                                    const ProfilePicture::SceneMaker& makeScene,
                                    std::string& reason) {
    const QSize size = request.size;
    const double scale = request.pixelRatio > 0
                             ? request.pixelRatio
                             : std::clamp(size.width() / kPngLogicalWidth, 1.0, 2.0);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        reason = "内存不足，无法生成图片";
        return std::nullopt;
    }
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    const QRectF area(0, 0, size.width() / scale, size.height() / scale);
    {
        QPainter painter(&image);
        ProfilePainter::Draw(painter, area, makeScene(area));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        reason = "无法编码 PNG 图片";
        return std::nullopt;
    }
    return bytes;
}

std::optional<QByteArray> RenderSvg(const PictureRequest& request,
                                    const ProfilePicture::SceneMaker& makeScene,
                                    std::string& reason) {
#ifdef QUARVEL_HAVE_SVG
    (void)reason;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setResolution(static_cast<int>(kLogicalDpi));
    generator.setSize(request.size);
    generator.setViewBox(QRect(QPoint(0, 0), request.size));
    const QRectF area(QPointF(0, 0), QSizeF(request.size));
    {
        QPainter painter(&generator);
        ProfilePainter::Draw(painter, area, makeScene(area));
    }
    return bytes;
#else
    (void)request;
    (void)makeScene;
    reason = "此版本不支持 SVG";
    return std::nullopt;
#endif
}

std::optional<QByteArray> RenderPdf(const PictureRequest& request,
                                    const ProfilePicture::SceneMaker& makeScene,
                                    std::string& reason) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("Quarvel"));
    // At 96 dots per inch the page's units are the screen's logical pixels.
    writer.setResolution(static_cast<int>(kLogicalDpi));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(kPageMarginMillimetres, kPageMarginMillimetres,
                                               kPageMarginMillimetres, kPageMarginMillimetres),
                                     QPageLayout::Millimeter));
    const QRectF area(0, 0, writer.width(), writer.height());
    ProfileScene scene = makeScene(area);
    if (request.scaleDenominator > 0 && scene.data != nullptr && !scene.data->Empty()) {
        scene.scaleDenominator = request.scaleDenominator;
        scene.viewport.plot = ProfilePainter::PlotRect(area, scene);
        UseTrueScale(scene, request.scaleDenominator, request.exaggeration);
        if (!FitsTheSection(scene)) {
            reason = Utf8(QStringLiteral("按 1:%1 比例断面图超出 A4 纸张，可用 1:%2 或更小的比例")
                              .arg(request.scaleDenominator)
                              .arg(FittingScale(scene, request.exaggeration)));
            return std::nullopt;
        }
    }
    {
        QPainter painter(&writer);
        ProfilePainter::Draw(painter, area, scene);
    }
    return bytes;
}

} // namespace

std::optional<PictureFormat> PictureFormatFromName(const QString& name) {
    const QString lower = name.toLower();
    if (lower == QLatin1String("png")) {
        return PictureFormat::Png;
    }
    if (lower == QLatin1String("svg") && CanWriteSvg()) {
        return PictureFormat::Svg;
    }
    if (lower == QLatin1String("pdf")) {
        return PictureFormat::Pdf;
    }
    return std::nullopt;
}

QString PictureExtension(PictureFormat format) {
    switch (format) {
    case PictureFormat::Svg:
        return QStringLiteral("svg");
    case PictureFormat::Pdf:
        return QStringLiteral("pdf");
    case PictureFormat::Png:
        break;
    }
    return QStringLiteral("png");
}

bool CanWriteSvg() {
#ifdef QUARVEL_HAVE_SVG
    return true;
#else
    return false;
#endif
}

std::optional<QByteArray> ProfilePicture::Render(const PictureRequest& request,
                                                 const SceneMaker& makeScene, std::string& reason) {
    const QSize size = request.size;
    if (request.format != PictureFormat::Pdf &&
        (size.width() < kMinSide || size.height() < kMinSide || size.width() > kMaxSide ||
         size.height() > kMaxSide)) {
        reason = Utf8(QStringLiteral("图片尺寸 %1×%2 无效（每边 %3 到 %4 像素）")
                          .arg(size.width())
                          .arg(size.height())
                          .arg(kMinSide)
                          .arg(kMaxSide));
        return std::nullopt;
    }
    switch (request.format) {
    case PictureFormat::Png:
        return RenderPng(request, makeScene, reason);
    case PictureFormat::Svg:
        return RenderSvg(request, makeScene, reason);
    case PictureFormat::Pdf:
        break;
    }
    return RenderPdf(request, makeScene, reason);
}

PictureResult ProfilePicture::Write(const std::filesystem::path& target,
                                    const PictureRequest& request, const SceneMaker& makeScene) {
    PictureResult result;
    const std::optional<QByteArray> bytes = Render(request, makeScene, result.reason);
    if (!bytes) {
        return result;
    }
    AtomicFile file(target);
    if (!file.Open() ||
        !file.Write(
            std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size()))) ||
        !file.Commit()) {
        result.reason = file.Reason();
        return result;
    }
    result.ok = true;
    return result;
}

ProfileScene ProfilePicture::WholeSection(const QRectF& area, const ProfileData& data,
                                          const SectionTable* table, const QString& title,
                                          int exaggeration) {
    ProfileScene scene;
    scene.data = &data;
    scene.table = table;
    scene.title = title;
    scene.emptyHint = QStringLiteral("没有可画的点");
    const QRectF plot = ProfilePainter::PlotRect(area, scene);
    scene.viewport = ProfileViewport::Fit(plot, data.MinX(), data.MaxX(), data.MinY(), data.MaxY(),
                                          exaggeration);
    return scene;
}

} // namespace quarvel
