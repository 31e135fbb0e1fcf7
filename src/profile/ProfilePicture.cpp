#include "profile/ProfilePicture.h"

#include "files/AtomicFile.h"
#include "profile/ProfileScale.h"

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
constexpr double kPageMarginMillimetres = 10;
// A PNG is drawn at up to twice its logical size, as on a high-density
// screen, so that its texts keep a readable size in a large picture.
constexpr double kPngLogicalWidth = 800;

std::string Utf8(const QString& text) {
    return text.toStdString();
}

// Why a section does not fit the page at 1:denominator, and the scale that
// would fit.
std::string RefusalAtScale(const QRectF& plot, const ProfileData& data, int denominator,
                           int exaggeration, const ScaleFit& fit) {
    const QString part = !fit.width && !fit.height ? QStringLiteral("宽度和高度")
                         : !fit.width              ? QStringLiteral("宽度")
                                                   : QStringLiteral("高度");
    QString text =
        QStringLiteral("按 1:%1 比例断面图的%2超出 A4 纸张，").arg(denominator).arg(part);
    const std::optional<int> fitting = FittingScale(plot, data, exaggeration);
    text += fitting ? QStringLiteral("可用 1:%1 或更小的比例").arg(*fitting)
                    : QStringLiteral("直到 1:%1 都没有能容下它的比例").arg(kMaxScaleDenominator);
    return Utf8(text);
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
        const ProfileData& data = *scene.data;
        scene.scaleDenominator = request.scaleDenominator;
        const QRectF plot = ProfilePainter::PlotRect(area, scene);
        const ScaleFit fit = FitAtScale(plot, data, request.scaleDenominator, request.exaggeration);
        if (!fit.Fits()) {
            reason =
                RefusalAtScale(plot, data, request.scaleDenominator, request.exaggeration, fit);
            return std::nullopt;
        }
        scene.viewport =
            TrueScaleViewport(plot, data, request.scaleDenominator, request.exaggeration);
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
    scene.legend = ProfilePainter::ShowsMarks(data.Size(), plot.width());
    scene.viewport = ProfileViewport::Fit(ProfilePainter::PlotRect(area, scene), data.MinX(),
                                          data.MaxX(), data.MinY(), data.MaxY(), exaggeration);
    return scene;
}

} // namespace quarvel
