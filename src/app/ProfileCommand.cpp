#include "app/ProfileCommand.h"

#include "app/HeadlessOptions.h"

#include "cli/CommandLine.h"
#include "cli/ExportCommand.h"
#include "exporting/OutputPlan.h"
#include "profile/DrawnSection.h"
#include "profile/ProfilePicture.h"
#include "profile/ProfileScale.h"
#include "sectiondata/SystemErrorText.h"
#include "settings/SettingsFile.h"

#include <QString>

#include <optional>
#include <ostream>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

// What the picture options add to quarvel-cli's request.
struct PictureOptions {
    std::optional<PictureFormat> format;
    std::optional<int> exaggeration;
    std::optional<QSize> size;
    std::optional<int> scale;
};

std::optional<QSize> ParseSize(const std::string& text) {
    const std::size_t times = text.find('x');
    if (times == std::string::npos) {
        return std::nullopt;
    }
    const auto width = ParseWholeInteger(std::string_view(text).substr(0, times),
                                         ProfilePicture::kMinSide, ProfilePicture::kMaxSide);
    const auto height = ParseWholeInteger(std::string_view(text).substr(times + 1),
                                          ProfilePicture::kMinSide, ProfilePicture::kMaxSide);
    if (!width || !height) {
        return std::nullopt;
    }
    return QSize(*width, *height);
}

// Takes the picture options out of args and leaves quarvel-cli's; false with
// error set for a bad one.
bool TakePictureOptions(std::vector<std::string>& args, PictureOptions& options,
                        std::string& error) {
    return TakeOptions(
        args, {"--format", "--exaggeration", "--size", "--scale"}, {},
        [&options](const std::string& name, const std::string& value) {
            if (name == "--format") {
                options.format = PictureFormatFromName(QString::fromStdString(value));
                return options.format.has_value();
            }
            if (name == "--exaggeration") {
                options.exaggeration = ParseExaggeration(value, true);
                return options.exaggeration.has_value();
            }
            if (name == "--size") {
                options.size = ParseSize(value);
                return options.size.has_value();
            }
            options.scale = ParseScale(value, 1, kMaxScaleDenominator);
            return options.scale.has_value();
        },
        error);
}

fs::path OutputFor(const ExportRequest& request, const fs::path& input, PictureFormat format) {
    const std::string extension = "." + PictureExtension(format).toStdString();
    if (request.output) {
        return *request.output;
    }
    if (request.outputDir) {
        return OutputInFolder(*request.outputDir, input, extension);
    }
    return fs::path(input).replace_extension(extension);
}

struct Job {
    PictureRequest picture;
    DrawRules rules;
};

bool DrawOne(const fs::path& input, const fs::path& output, const Job& job, std::ostream& err) {
    const DrawnSectionLoad load = LoadDrawnSection(input, job.rules);
    for (const std::string& warning : load.warnings) {
        err << warning << '\n';
    }
    if (!load.section) {
        err << load.failure << '\n';
        return false;
    }
    const DrawnSection& section = *load.section;
    const QString title = QString::fromStdString(input.filename().u8string());
    const PictureResult written =
        ProfilePicture::Write(output, job.picture, [&](const QRectF& area) {
            return ProfilePicture::WholeSection(area, section.data, &section.table, title,
                                                job.picture.exaggeration);
        });
    if (!written.ok) {
        err << "保存文件失败: " << ShownPath(output) << ": " << written.reason << '\n';
    }
    return written.ok;
}

int Usage(std::ostream& err, const std::string& error) {
    return HeadlessUsage(err, "--profile", error);
}

} // namespace

int RunProfileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    PictureOptions options;
    int status = kExitOk;
    const std::optional<ExportRequest> parsed = ParseHeadlessRequest(
        args, "--profile",
        [&options](std::vector<std::string>& rest, std::string& error) {
            return TakePictureOptions(rest, options, error);
        },
        ProfileHelpText(), out, err, status);
    if (!parsed) {
        return status;
    }
    const ExportRequest& request = *parsed;
    if (request.output && request.output->u8string() == "-") {
        return Usage(err, "图片不能写到标准输出，请用 -o FILE 或 --output-dir");
    }
    Job job;
    job.picture.format = options.format.value_or(PictureFormat::Png);
    if (!options.format && request.output) {
        const auto fromName = PictureFormatFromName(
            QString::fromStdString(request.output->extension().u8string()).mid(1));
        job.picture.format = fromName.value_or(PictureFormat::Png);
    }
    if (options.scale && job.picture.format != PictureFormat::Pdf) {
        return Usage(err, "--scale 只用于 PDF");
    }
    if (options.size && job.picture.format == PictureFormat::Pdf) {
        return Usage(err, "--size 不用于 PDF（A4 横向）");
    }
    const std::optional<Settings> settings = LoadRequestedSettings(request, err);
    if (!settings) {
        return kExitFailed;
    }
    const QSize defaultSize =
        job.picture.format == PictureFormat::Svg ? QSize(800, 300) : QSize(1600, 600);
    job.picture.size = options.size.value_or(defaultSize);
    job.picture.scaleDenominator = options.scale.value_or(0);
    job.picture.exaggeration = options.exaggeration.value_or(settings->view.exaggeration);
    job.rules.kneeMode = request.kneeMode.value_or(settings->kneeMode);
    job.rules.reverse = request.reverse;
    job.rules.layers = request.layers;
    if (!MakeOutputFolder(request, err)) {
        return kExitFailed;
    }
    const std::vector<BatchItem> items =
        PlanBatch(request.inputs, [&request, &job](const fs::path& input) {
            return OutputFor(request, input, job.picture.format);
        });
    bool allWritten = true;
    for (const BatchItem& item : items) {
        if (!item.refusal.empty()) {
            err << item.refusal << '\n';
            allWritten = false;
            continue;
        }
        allWritten = DrawOne(item.input, item.output, job, err) && allWritten;
    }
    return allWritten ? kExitOk : kExitFailed;
}

std::string ProfileHelpText() {
    return R"(用法:
  quarvel --profile INPUT... [--output-dir DIR] [--format png|svg|pdf] [选项]
  quarvel --profile INPUT -o OUTPUT [选项]

不打开窗口，为每个断面数据文件画一张断面图（与窗口中的断面图相同，显示整个断面）。

输出位置:
  -o, --output OUTPUT   写入 OUTPUT（只有一个 INPUT 时）；格式可由扩展名决定
      --output-dir DIR  每个 INPUT 写为 DIR/文件名.png（或 .svg、.pdf）
  不指定时，每个 INPUT 写在它旁边，扩展名改为图片格式的扩展名。

图片选项:
      --format F        png（默认）、svg 或 pdf
      --exaggeration E  纵横比例: 1:1（真实比例）、1:2、1:5、1:10 或 auto（填满画面）；
                        默认取 --settings 文件中的值，否则 auto
      --size WxH        PNG 的像素尺寸（默认 1600x600）或 SVG 的尺寸（默认 800x300）
      --scale N         PDF 按 1:N 水平真实比例打印并附比例尺（A4 横向）；
                        不指定时断面适应纸张

表格选项（与 quarvel-cli 相同；断面图画出表格中的点）:
      --knee-mode N     0 仅显示交点（默认），1 显示交点与拐点，2 仅显示拐点
      --reverse         从断面终点到起点（与起点距离从终点量起）
      --layers LIST     只画这些图层的交点（逗号分隔）
      --settings FILE   读取 Quarvel.ini 中的拐点模式与纵横比例；命令行上给出的选项优先
      --columns, --decimals, --renumber  为与 quarvel-cli 命令行通用而接受，不影响图片
  -h, --help            显示本帮助

保存失败时不会留下任何输出文件；已存在的目标文件保持不变。

退出状态:
  0  全部图片写入成功
  1  至少一个文件失败（设置文件无法读取、非本软件数据格式文件、文件导入失败、保存文件失败、没有数据行）
  2  用法错误（未知选项、取值无效、缺少输入文件）
)";
}

} // namespace quarvel
