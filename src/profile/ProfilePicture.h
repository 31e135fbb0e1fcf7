#pragma once

#include "profile/ProfilePainter.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace quarvel {

enum class PictureFormat { Png, Svg, Pdf };

// "png", "svg" or "pdf" in any case; nothing for anything else, and for
// "svg" where this build has no SVG support.
std::optional<PictureFormat> PictureFormatFromName(const QString& name);
QString PictureExtension(PictureFormat format);
// Whether this build can write SVG (the Windows build's Qt has no QtSvg).
bool CanWriteSvg();

struct PictureRequest {
    PictureFormat format = PictureFormat::Png;
    // PNG: pixels; SVG: logical units. Ignored for PDF, which is A4 landscape.
    QSize size{1600, 600};
    // PNG: device pixels per logical unit; 0 chooses one by the width.
    double pixelRatio = 0;
    // PDF only: 0 fits the section to the page; N draws it at 1:N across.
    int scaleDenominator = 0;
    int exaggeration = kAutoExaggeration; // for the true-scale PDF's vertical scale
};

struct PictureResult {
    bool ok = false;
    std::string reason; // UTF-8, why the picture could not be made or written
};

// Makes pictures of a profile. The scene maker gives the drawing for an area
// in logical units (1/96 inch), so that every format lays it out alike.
class ProfilePicture {
public:
    using SceneMaker = std::function<ProfileScene(const QRectF& area)>;

    static constexpr int kMinSide = 100;
    static constexpr int kMaxSide = 20000;

    // The picture's bytes, or nothing with reason set.
    static std::optional<QByteArray> Render(const PictureRequest& request,
                                            const SceneMaker& makeScene, std::string& reason);
    // Renders and writes target through the atomic file writer: a failure
    // leaves no file behind and an existing target untouched.
    static PictureResult Write(const std::filesystem::path& target, const PictureRequest& request,
                               const SceneMaker& makeScene);

    // A scene that shows the whole section in area, for pictures made without a
    // window.
    static ProfileScene WholeSection(const QRectF& area, const ProfileData& data,
                                     const SectionTable* table, const QString& title,
                                     int exaggeration);
};

} // namespace quarvel
