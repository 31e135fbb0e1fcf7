#include "app/ProfileCommand.h"

#include "cli/CommandLine.h"
#include "cli/ExportCommand.h"
#include "exporting/OutputPlan.h"
#include "profile/ProfileData.h"
#include "profile/ProfilePicture.h"
#include "profile/ProfileScale.h"
#include "sectiondata/SectionReader.h"
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

std::optional<int> ParseExaggeration(std::string text) {
    if (text == "auto" || text == "自动") {
        return kAutoExaggeration;
    }
    if (text.rfind("1:", 0) == 0) {
        text.erase(0, 2);
    }
    // "1:0" is no ratio: automatic is asked for by name.
    const std::optional<int> value = ParseWholeInteger(text, 1, 10);
    return value && IsExaggeration(*value) ? value : std::nullopt;
}

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
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        std::string name = arg;
        std::optional<std::string> value;
        const std::size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        if (name != "--format" && name != "--exaggeration" && name != "--size" &&
            name != "--scale") {
            rest.push_back(arg);
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                error = "选项 " + name + " 缺少取值";
                return false;
            }
            value = args[++i];
        }
        bool valid = true;
        if (name == "--format") {
            options.format = PictureFormatFromName(QString::fromStdString(*value));
            valid = options.format.has_value();
        } else if (name == "--exaggeration") {
            options.exaggeration = ParseExaggeration(*value);
            valid = options.exaggeration.has_value();
        } else if (name == "--size") {
            options.size = ParseSize(*value);
            valid = options.size.has_value();
        } else {
            const std::string text = value->rfind("1:", 0) == 0 ? value->substr(2) : *value;
            options.scale = ParseWholeInteger(text, 1, kMaxScaleDenominator);
            valid = options.scale.has_value();
        }
        if (!valid) {
            error = "选项 " + name + " 的取值无效: \"" + *value + "\"";
            return false;
        }
    }
    args = std::move(rest);
    return true;
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
    int kneeMode = IntersectionsOnly;
    bool reverse = false;
    std::optional<std::vector<std::string>> layers;
};

bool DrawOne(const fs::path& input, const fs::path& output, const Job& job, std::ostream& err) {
    const std::string inputName = ShownPath(input);
    SectionReadResult read = ReadSectionFile(input);
    switch (read.status) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::NotSectionFile:
        err << "非本软件数据格式文件: " << inputName << ": " << read.error << '\n';
        return false;
    case ReadStatus::CannotOpen:
    case ReadStatus::ReadFailed:
    case ReadStatus::Cancelled:
        err << "文件导入失败: " << inputName << ": " << read.error << '\n';
        return false;
    }
    for (const ReadWarning& warning : read.warnings) {
        err << "警告: " << inputName << ": " << warning.detail << '\n';
    }
    if (job.layers) {
        ApplyLayerFilter(read.points, *job.layers);
    }
    TableOptions options;
    options.kneeMode = job.kneeMode;
    options.reverse = job.reverse;
    const SectionTable table(read.points, {}, options);
    if (table.RowCount() == 0) {
        err << "没有数据行，未写入文件: " << inputName << '\n';
        return false;
    }
    const ProfileData data(table, read.layers);
    const QString title = QString::fromStdString(input.filename().u8string());
    const PictureResult written =
        ProfilePicture::Write(output, job.picture, [&](const QRectF& area) {
            return ProfilePicture::WholeSection(area, data, &table, title,
                                                job.picture.exaggeration);
        });
    if (!written.ok) {
        err << "保存文件失败: " << ShownPath(output) << ": " << written.reason << '\n';
    }
    return written.ok;
}

int Usage(std::ostream& err, const std::string& error) {
    err << "quarvel --profile: " << error << "\n用法见 quarvel --profile --help\n";
    return kExitUsage;
}

} // namespace

int RunProfileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> cliArgs = args;
    PictureOptions options;
    std::string error;
    if (!TakePictureOptions(cliArgs, options, error)) {
        return Usage(err, error);
    }
    cliArgs.insert(cliArgs.begin(), "export");
    const ParsedCommand command = ParseCommandLine(cliArgs);
    if (command.kind == CommandKind::Help) {
        out << ProfileHelpText();
        return kExitOk;
    }
    if (command.kind != CommandKind::Export) {
        return Usage(err, command.error);
    }
    const ExportRequest& request = command.request;
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
    job.kneeMode = request.kneeMode.value_or(settings->kneeMode);
    job.reverse = request.reverse;
    job.layers = request.layers;
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
