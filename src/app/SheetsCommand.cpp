#include "app/SheetsCommand.h"

#include "app/HeadlessOptions.h"

#include "cli/CommandLine.h"
#include "cli/ExportCommand.h"
#include "exporting/OutputPlan.h"
#include "road/RoadSection.h"
#include "settings/SettingsFile.h"
#include "sheets/SheetsExport.h"

#include <optional>
#include <ostream>
#include <system_error>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

// What the sheet options add to quarvel-cli's request.
struct SheetArguments {
    std::optional<fs::path> output;
    SheetOptions options;
    std::optional<int> exaggeration;
    bool recursive = false;
};

bool TakeSheetOptions(std::vector<std::string>& args, SheetArguments& taken, std::string& error) {
    return TakeOptions(
        args, {"-o", "--output", "--paper", "--scale", "--exaggeration", "--order"},
        {"--recursive"},
        [&taken](const std::string& name, const std::string& value) {
            SheetOptions& options = taken.options;
            if (name == "-o" || name == "--output") {
                taken.output = fs::u8path(value);
            } else if (name == "--paper") {
                if (value != "A3" && value != "a3" && value != "A4" && value != "a4") {
                    return false;
                }
                options.paper = value == "A4" || value == "a4" ? Paper::A4 : Paper::A3;
            } else if (name == "--scale") {
                const std::optional<int> scale = ParseScale(value, kMinSheetScale, kMaxSheetScale);
                options.scale = scale.value_or(0);
                return scale.has_value();
            } else if (name == "--exaggeration") {
                taken.exaggeration = ParseExaggeration(value, false);
                return taken.exaggeration.has_value();
            } else if (name == "--order") {
                if (value != "columns" && value != "rows") {
                    return false;
                }
                options.order = value == "rows" ? SheetOrder::Rows : SheetOrder::Columns;
            } else {
                taken.recursive = true;
            }
            return true;
        },
        error);
}

int Usage(std::ostream& err, const std::string& error) {
    return HeadlessUsage(err, "--sheets", error);
}

} // namespace

int RunSheetsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    SheetArguments taken;
    int status = kExitOk;
    const std::optional<ExportRequest> parsed = ParseHeadlessRequest(
        args, "--sheets",
        [&taken](std::vector<std::string>& rest, std::string& error) {
            return TakeSheetOptions(rest, taken, error);
        },
        SheetsHelpText(), out, err, status);
    if (!parsed) {
        return status;
    }
    const ExportRequest& request = *parsed;
    if (request.output || request.outputDir) {
        return Usage(err, "横断面图纸写入一个文件，请用 -o FILE.pdf 或 -o FILE.dxf");
    }
    if (!taken.output) {
        return Usage(err, "缺少 -o FILE.pdf 或 -o FILE.dxf");
    }
    const fs::path output = *taken.output;
    const std::optional<SheetFormat> format = SheetFormatOf(output);
    if (!format) {
        return Usage(err, "输出文件的扩展名须为 .pdf 或 .dxf: " + output.u8string());
    }
    const std::optional<Settings> settings = LoadRequestedSettings(request, err);
    if (!settings) {
        return kExitFailed;
    }
    SheetRequest sheets;
    sheets.options = taken.options;
    const int kept = settings->view.exaggeration;
    sheets.options.exaggeration = taken.exaggeration.value_or(kept == kAutoExaggeration ? 1 : kept);
    sheets.rules.kneeMode = request.kneeMode.value_or(settings->kneeMode);
    sheets.rules.reverse = request.reverse;
    sheets.rules.layers = request.layers;
    sheets.roadName = RoadNameOf(request.inputs);
    std::vector<std::string> failures;
    const std::vector<fs::path> files =
        CollectSectionFiles(request.inputs, taken.recursive, failures);
    if (!failures.empty()) {
        for (const std::string& failure : failures) {
            err << failure << '\n';
        }
        return kExitFailed;
    }
    sheets.sections = SectionsAlongRoad(files);
    const std::string refusal = RefuseSharedOutput(files, output);
    if (!refusal.empty()) {
        err << refusal << '\n';
        return kExitFailed;
    }
    const SheetsResult result = ExportSheets(
        output, *format, sheets, [&err](const std::string& line) { err << line << '\n'; });
    return result.ok ? kExitOk : kExitFailed;
}

std::string SheetsHelpText() {
    return R"(用法:
  quarvel --sheets INPUT... -o FILE.pdf|FILE.dxf [选项]

不打开窗口，把多个断面排在 A3 或 A4 横向图纸上，按比例画出横断面图：
PDF 每张图纸一页；DXF 以米为单位按实际尺寸画出断面，各张图纸的图框按比例并排。
INPUT 可以是断面数据文件或文件夹（其中的断面文件）。

图纸选项:
  -o, --output FILE     写入 FILE；扩展名 .pdf 或 .dxf 决定格式
      --paper A3|A4     纸张（横向），默认 A3
      --scale N         水平比例 1:N，N 为 10 到 10000，默认 200
      --exaggeration E  纵横比例: 1:1（默认）、1:2、1:5 或 1:10
      --order O         columns: 每列自下而上、各列从左到右（默认）；
                        rows: 每行从左到右、各行自上而下
      --recursive       也读取文件夹的子文件夹中的断面文件

表格选项（与 quarvel-cli 相同；图纸画出表格中的点）:
      --knee-mode N     0 仅显示交点（默认），1 显示交点与拐点，2 仅显示拐点
      --reverse         从断面终点到起点（与起点距离从终点量起）
      --layers LIST     只画这些图层的交点（逗号分隔）
      --settings FILE   读取 Quarvel.ini 中的拐点模式与纵横比例；命令行上给出的选项优先
      --columns, --decimals, --renumber  为与 quarvel-cli 命令行通用而接受，不影响图纸
  -h, --help            显示本帮助

某个断面按所选比例超出一张图纸的绘图区时，不写入文件，并给出能容下它的最大比例。
任何失败都不会留下输出文件；已存在的目标文件保持不变。

退出状态:
  0  图纸写入成功
  1  有输入文件失败，或有断面放不下（未写入文件）
  2  用法错误（未知选项、取值无效、缺少输入文件或 -o）
)";
}

} // namespace quarvel
