#include "cli/CommandLine.h"

#include "sectiondata/TextFieldDecoder.h"
#include "table/TableRules.h"

#include <charconv>
#include <string_view>
#include <utility>

#ifndef QUARVEL_VERSION
#define QUARVEL_VERSION "unknown"
#endif

namespace quarvel {
namespace {

std::vector<std::string> SplitList(std::string_view list) {
    std::vector<std::string> items;
    if (list.empty()) {
        return items;
    }
    while (true) {
        const std::size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        while (!item.empty() && item.front() == ' ') {
            item.remove_prefix(1);
        }
        while (!item.empty() && item.back() == ' ') {
            item.remove_suffix(1);
        }
        items.emplace_back(item);
        if (comma == std::string_view::npos) {
            return items;
        }
        list.remove_prefix(comma + 1);
    }
}

// Help and version are answered wherever they stand among the options, even
// after a mistake: a user who adds --help wants to learn how to fix the rest.
std::optional<CommandKind> InformationRequest(const std::string& arg) {
    if (arg == "-h" || arg == "--help") {
        return CommandKind::Help;
    }
    if (arg == "-V" || arg == "--version") {
        return CommandKind::Version;
    }
    return std::nullopt;
}

// More threads than files or processors only cost memory.
constexpr int kMaxJobs = 256;

// Walks the arguments of "export" or "merge", one option at a time.
class ExportArguments {
public:
    ExportArguments(const std::vector<std::string>& args, CommandKind kind)
        : m_args(args), m_kind(kind) {}

    ParsedCommand Parse() {
        ParsedCommand parsed;
        parsed.kind = m_kind;
        bool optionsEnded = false;
        for (m_index = 1; m_index < m_args.size(); ++m_index) {
            const std::string& arg = m_args[m_index];
            if (optionsEnded || arg == "-" || arg.empty() || arg.front() != '-') {
                parsed.request.inputs.push_back(std::filesystem::u8path(arg));
            } else if (arg == "--") {
                optionsEnded = true;
            } else if (const std::optional<CommandKind> request = InformationRequest(arg)) {
                parsed.kind = *request;
                return parsed;
            } else {
                ParseOption(arg, parsed.request);
            }
        }
        if (m_error.empty()) {
            CheckCombination(parsed.request);
        }
        if (!m_error.empty()) {
            parsed.kind = CommandKind::UsageError;
            parsed.error = m_error;
        }
        return parsed;
    }

private:
    // The first mistake is the one reported.
    void Fail(std::string error) {
        if (m_error.empty()) {
            m_error = std::move(error);
        }
    }

    void ParseOption(const std::string& arg, ExportRequest& request) {
        std::string name = arg;
        std::optional<std::string> inlineValue;
        const std::size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            inlineValue = arg.substr(equals + 1);
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) {
                return inlineValue;
            }
            if (m_index + 1 >= m_args.size()) {
                Fail("选项 " + name + " 缺少取值");
                return std::nullopt;
            }
            return m_args[++m_index];
        };
        const auto takesNoValue = [&]() {
            if (inlineValue) {
                Fail("选项 " + name + " 不带取值");
            }
            return !inlineValue;
        };
        const auto flag = [&](auto& target, bool on) {
            if (takesNoValue()) {
                target = on;
            }
        };
        const bool merge = m_kind == CommandKind::Merge;
        if (merge ? name == "--stdout" || name == "--output-dir"
                  : name == "--recursive" || name == "--skip-bad") {
            Fail("选项 " + name + " 不用于 " + m_args.front());
        } else if (name == "-o" || name == "--output") {
            if (const auto text = value()) {
                request.output = std::filesystem::u8path(*text);
            }
        } else if (name == "--stdout") {
            if (takesNoValue()) {
                request.output = std::filesystem::path("-");
            }
        } else if (name == "--output-dir") {
            if (const auto text = value()) {
                request.outputDir = std::filesystem::u8path(*text);
            }
        } else if (name == "--columns") {
            if (const auto text = value()) {
                request.columns = ParseColumns(*text);
            }
        } else if (name == "--decimals") {
            if (const auto text = value()) {
                request.decimals = ParseNumber(name, *text, 0, 3);
            }
        } else if (name == "--knee-mode") {
            if (const auto text = value()) {
                request.kneeMode = ParseNumber(name, *text, 0, 2);
            }
        } else if (name == "--renumber") {
            flag(request.renumber, true);
        } else if (name == "--no-renumber") {
            flag(request.renumber, false);
        } else if (name == "--reverse") {
            flag(request.reverse, true);
        } else if (name == "--layers") {
            if (const auto text = value()) {
                request.layers = ParseLayers(*text);
            }
        } else if (name == "--settings") {
            if (const auto text = value()) {
                request.settingsFile = std::filesystem::u8path(*text);
            }
        } else if (name == "--encoding") {
            if (const auto text = value()) {
                request.encoding = ParseChoice(name, *text, &EncodingFromName, "gbk、utf8-bom");
            }
        } else if (name == "--first-line") {
            if (const auto text = value()) {
                request.firstLine =
                    ParseChoice(name, *text, &FirstLineFromName, "count、captions、none");
            }
        } else if (name == "--separator") {
            if (const auto text = value()) {
                request.separator =
                    ParseChoice(name, *text, &SeparatorFromName, "comma、tab、semicolon");
            }
        } else if (name == "--recursive") {
            flag(request.recursive, true);
        } else if (name == "--skip-bad") {
            flag(request.skipBad, true);
        } else if (name == "--format") {
            if (const auto text = value()) {
                request.format = ParseChoice(name, *text, &FileFormatFromName, "csv、xlsx");
            }
        } else if (name == "--jobs" || name == "-j") {
            if (const auto text = value()) {
                request.jobs =
                    static_cast<unsigned>(ParseNumber(name, *text, 1, kMaxJobs).value_or(0));
            }
        } else {
            Fail("未知选项: " + arg);
        }
    }

    std::optional<int> ParseNumber(const std::string& name, const std::string& text, int low,
                                   int high) {
        const std::optional<int> number = ParseWholeInteger(text, low, high);
        if (!number) {
            Fail("选项 " + name + " 的取值无效: \"" + text + "\"（应为 " + std::to_string(low) +
                 " 到 " + std::to_string(high) + " 的整数）");
        }
        return number;
    }

    template <typename Value>
    std::optional<Value> ParseChoice(const std::string& name, const std::string& text,
                                     std::optional<Value> (*fromName)(std::string_view),
                                     const char* choices) {
        const std::optional<Value> value = fromName(text);
        if (!value) {
            Fail("选项 " + name + " 的取值无效: \"" + text + "\"（可用: " + choices + "）");
        }
        return value;
    }

    std::vector<std::string> ParseColumns(const std::string& text) {
        std::vector<std::string> columns = SplitList(text);
        if (columns.empty() || columns.size() > kFieldCount) {
            Fail("--columns 需要 1 到 9 个列名");
        }
        for (const std::string& caption : columns) {
            if (FieldFromCaption(caption) == Field::Unknown) {
                Fail("未知的列名: \"" + caption +
                     "\"（可用: 编号、坐标X、坐标Y、高程Z、"
                     "与起点距离、与前点距离、注释、方位、图层）");
            }
        }
        return columns;
    }

    // The reader drops the blanks of layer names, so "道路 中线" is listed as
    // "道路中线" and must be asked for as such.
    static std::vector<std::string> ParseLayers(const std::string& text) {
        std::vector<std::string> layers = SplitList(text);
        for (std::string& layer : layers) {
            RemoveBlanks(layer);
        }
        return layers;
    }

    void CheckCombination(ExportRequest& request) {
        if (request.inputs.empty()) {
            Fail("缺少输入文件");
        } else if (m_kind == CommandKind::Merge) {
            CheckMergeOutput(request);
        } else if (request.output && request.outputDir) {
            Fail("-o/--stdout 与 --output-dir 不能同时使用");
        } else if (request.output && request.inputs.size() > 1) {
            Fail("多个输入文件时请用 --output-dir 指定输出文件夹");
        } else if (request.output && *request.output == "-" &&
                   request.format == FileFormat::Workbook) {
            Fail("Excel 工作簿（--format xlsx）只能写入文件，不能写到标准输出");
        }
    }

    // One file, written atomically once every section has been read: not
    // standard output.
    void CheckMergeOutput(ExportRequest& request) {
        if (!request.output) {
            Fail("merge 需要用 -o 指定输出文件");
        } else if (*request.output == "-") {
            Fail("merge 不能写到标准输出，请用 -o 指定输出文件");
        } else {
            request.format = request.format.value_or(FileFormatOf(*request.output));
        }
    }

    const std::vector<std::string>& m_args;
    CommandKind m_kind;
    std::size_t m_index = 0;
    std::string m_error;
};

} // namespace

std::optional<int> ParseWholeInteger(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

ParsedCommand ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommand parsed;
    if (args.empty()) {
        parsed.error = "缺少命令";
        return parsed;
    }
    const std::string& command = args.front();
    if (command == "export") {
        return ExportArguments(args, CommandKind::Export).Parse();
    }
    if (command == "merge") {
        return ExportArguments(args, CommandKind::Merge).Parse();
    }
    if (command == "help") {
        parsed.kind = CommandKind::Help;
        return parsed;
    }
    for (const std::string& arg : args) {
        if (arg == "--") {
            break;
        }
        if (const std::optional<CommandKind> request = InformationRequest(arg)) {
            parsed.kind = *request;
            return parsed;
        }
    }
    parsed.error = "未知命令: " + command;
    return parsed;
}

std::string HelpText() {
    return R"(用法:
  quarvel-cli export INPUT [-o OUTPUT] [选项]
  quarvel-cli export INPUT... [--output-dir DIR] [选项]
  quarvel-cli merge INPUT... -o FILE [--recursive] [--skip-bad] [--format F] [选项]
  quarvel-cli --help | --version

export 把断面数据文件（HWT3.0、HWT3.6、HWT3.8）导出为与窗口“数据导出”完全相同的
文件：默认首行为行数，每行一个表格行，逗号分隔，CR LF 换行，GBK 编码。
OUTPUT 的扩展名为 .xlsx 时写为 Excel 工作簿。

merge 把全线的断面写成一个表：首列“桩号”，其后为所选的数据列；各断面的行与它单独
导出时相同（编号、倒序、距离都按断面各自计算），首行的行数为总行数。INPUT 为文件
或文件夹（文件夹取其中首行为断面数据文件标志的文件）。断面按桩号排序：桩号取自
第 2 行的文本字段，否则取自文件名（如 K12+340.5、DK5+020、断面K0+860）；前缀不同
（ZK、YK）时先按前缀；桩号相同按文件名；没有桩号的断面排在最后，按文件名自然顺序
（sec2 在 sec10 之前）。没有桩号的断面，“桩号”列为不带扩展名的文件名。

输出位置:
  -o, --output OUTPUT   写入 OUTPUT；"-" 表示标准输出
      --stdout          同 -o -
      --output-dir DIR  每个 INPUT 写为 DIR/文件名.csv（文件夹不存在时创建）
  不指定时，每个 INPUT 写在它旁边，扩展名改为 .csv。
      --format F        csv（文本，见下面的文件格式）或 xlsx（Excel 工作簿：一个
                        工作表“断面”，首行为加粗并冻结的列标题，数值为按小数位数
                        显示的数字单元格）；不指定时由 OUTPUT 的扩展名决定。
                        与 --output-dir 或默认位置同用时扩展名为 .csv 或 .xlsx。
                        超过 Excel 1048576 行的表格不写入，请导出为 CSV

表格选项（未指定时取 --settings 文件中的值，否则取首次启动的默认值）:
      --columns LIST    数据列，逗号分隔，1 到 9 个:
                        编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层
                        （默认 编号,坐标X,坐标Y）
      --decimals N      小数位数 0 到 3（默认 3）
      --knee-mode N     0 仅显示交点（默认），1 显示交点与拐点，2 仅显示拐点
      --renumber        “编号”列按行重新编号；--no-renumber 关闭
      --reverse         从断面终点到起点倒序排列
      --layers LIST     只显示这些图层（逗号分隔，与窗口的图层过滤相同；名称中的
                        空格不计，与读入文件时相同；空 LIST 表示不勾选任何图层）；
                        不指定时不过滤
      --settings FILE   读取 Quarvel.ini 中的列数、列字段、小数位数、拐点模式、重新编号
                        和导出选项；命令行上给出的选项优先。
                        FILE 无法读取时不导出任何文件（退出状态 1）

文本文件格式（未指定时取 --settings 文件中“导出选项”的值，否则为默认值）:
      --encoding E      gbk（默认，代码页 936）或 utf8-bom（带 BOM 的 UTF-8）；
                        GBK 中没有的字符写成“?”，其个数在标准错误输出中报告
      --first-line F    count（默认，行数）、captions（列标题）或 none（没有首行）
      --separator S     comma（默认，逗号）、tab（制表符）或 semicolon（分号）；
                        含分隔符的单元格加双引号；除 count 与 comma 同用外，
                        含双引号、回车或换行的单元格也加双引号，其中的双引号写两次

merge 的选项:
  -o, --output FILE     写入 FILE（必需）；扩展名为 .xlsx 时写为 Excel 工作簿，
                        否则（.csv、.txt 等）为上面的文件格式
      --format F        csv 或 xlsx，不看扩展名
      --recursive       文件夹的子文件夹也算在内
      --skip-bad        有输入无法读入时仍写入其余断面（退出状态仍为 1）；
                        不指定时不写入任何文件

并行:
  -j, --jobs N          同时导出（merge: 读入）N 个文件（默认为处理器个数）；输出与 N 无关，
                        消息按输入文件的顺序给出。标准错误输出为终端时显示进度
  -h, --help            显示本帮助
  -V, --version         显示版本

导出失败时不会留下任何输出文件；已存在的目标文件保持不变。
没有数据行的表格不写文件，并计为失败。

merge 的输出文件是输入之一时不写入。

退出状态:
  0  全部文件导出成功
  1  至少一个文件失败（设置文件无法读取、非本软件数据格式文件、文件导入失败、
     保存文件失败、没有数据行；merge: 文件夹中没有断面数据文件）
  2  用法错误（未知选项或列名、取值无效、缺少输入文件；merge: 缺少 -o）
)";
}

std::string VersionText() {
    return std::string("quarvel-cli ") + QUARVEL_VERSION + "\n";
}

} // namespace quarvel
