#include "cli/ExportCommand.h"

#include "exporting/ExportWriter.h"
#include "sectiondata/Azimuths.h"
#include "sectiondata/SectionReader.h"
#include "sectiondata/SystemErrorText.h"
#include "settings/SettingsFile.h"
#include "table/TableRules.h"

#include <cerrno>
#include <fstream>
#include <ostream>
#include <set>
#include <system_error>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

struct TableChoice {
    std::vector<std::string> captions;
    TableOptions options;
};

TableChoice ChooseTable(const ExportRequest& request, const Settings& settings) {
    TableChoice choice;
    if (request.columns) {
        choice.captions = *request.columns;
    } else {
        choice.captions.assign(settings.captions.begin(),
                               settings.captions.begin() + settings.columnCount);
    }
    choice.options.decimals = request.decimals.value_or(settings.decimals);
    choice.options.kneeMode = request.kneeMode.value_or(settings.kneeMode);
    choice.options.renumber = request.renumber.value_or(settings.renumber);
    choice.options.reverse = request.reverse;
    return choice;
}

// Why the settings file cannot be read, or nothing when it can: the table
// options must not fall back to the defaults behind the user's back.
std::optional<std::string> SettingsFileProblem(const fs::path& file) {
    std::error_code error;
    if (fs::is_directory(file, error)) {
        return SystemErrorText(std::make_error_code(std::errc::is_a_directory));
    }
    errno = 0;
    const std::ifstream in(file, std::ios::binary);
    if (!in) {
        const int reason = errno;
        return SystemErrorText(reason != 0 ? reason : EIO);
    }
    return std::nullopt;
}

bool IsStandardOutput(const fs::path& path) {
    return path == "-";
}

fs::path OutputFor(const ExportRequest& request, const fs::path& input) {
    if (request.output) {
        return *request.output;
    }
    if (request.outputDir) {
        return *request.outputDir / input.filename().replace_extension(".csv");
    }
    return fs::path(input).replace_extension(".csv");
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

void ReportWarnings(const fs::path& input, const SectionReadResult& read, std::ostream& err) {
    for (const ReadWarning& warning : read.warnings) {
        err << "警告: " << input.u8string() << ": " << warning.detail << '\n';
    }
}

// Reads, builds and writes one table; false (with a message) when it failed.
bool ExportOne(const fs::path& input, const fs::path& output, const TableChoice& choice,
               const ExportRequest& request, std::ostream& out, std::ostream& err) {
    const std::string inputName = input.u8string();
    if (!IsStandardOutput(output) && SameFile(input, output)) {
        err << "保存文件失败: " << output.u8string() << ": 输出文件就是输入文件，未覆盖\n";
        return false;
    }
    SectionReadResult read = ReadSectionFile(input);
    switch (read.status) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::NotSectionFile:
        err << "非本软件数据格式文件: " << inputName << ": " << read.error << '\n';
        return false;
    case ReadStatus::CannotOpen:
    case ReadStatus::Cancelled:
        err << "文件导入失败: " << inputName << ": " << read.error << '\n';
        return false;
    }
    ReportWarnings(input, read, err);
    ComputeAzimuths(read.points);
    if (request.layers) {
        ApplyLayerFilter(read.points, *request.layers);
    }
    const SectionTable table(read.points, choice.captions, choice.options);
    if (table.RowCount() == 0) {
        err << "没有数据行，未写入文件: " << inputName << '\n';
        return false;
    }
    if (IsStandardOutput(output)) {
        if (!WriteExport(out, table)) {
            err << "保存文件失败: 标准输出: 写入失败\n";
            return false;
        }
        return true;
    }
    const ExportResult written = WriteExportFile(output, table);
    if (!written.ok) {
        err << written.error << '\n';
    }
    return written.ok;
}

} // namespace

int RunExport(const ExportRequest& request, std::ostream& out, std::ostream& err) {
    Settings settings;
    if (request.settingsFile) {
        if (const auto problem = SettingsFileProblem(*request.settingsFile)) {
            err << "设置文件无法读取: " << request.settingsFile->u8string() << ": " << *problem
                << '\n';
            return kExitFailed;
        }
        settings = LoadSettings(*request.settingsFile);
    }
    const TableChoice choice = ChooseTable(request, settings);
    if (request.outputDir) {
        std::error_code error;
        fs::create_directories(*request.outputDir, error);
        if (error) {
            err << "保存文件失败: " << request.outputDir->u8string() << ": "
                << SystemErrorText(error) << '\n';
            return kExitFailed;
        }
    }
    bool allExported = true;
    std::set<fs::path> written;
    for (const fs::path& input : request.inputs) {
        const fs::path output = OutputFor(request, input);
        // Two inputs of the same name must not overwrite each other's table.
        if (!IsStandardOutput(output) && !written.insert(output.lexically_normal()).second) {
            err << "保存文件失败: " << output.u8string()
                << ": 与前一个输入文件的输出重名，未覆盖\n";
            allExported = false;
            continue;
        }
        allExported = ExportOne(input, output, choice, request, out, err) && allExported;
    }
    return allExported ? kExitOk : kExitFailed;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const ParsedCommand command = ParseCommandLine(args);
    switch (command.kind) {
    case CommandKind::Help:
        out << HelpText();
        return kExitOk;
    case CommandKind::Version:
        out << VersionText();
        return kExitOk;
    case CommandKind::UsageError:
        err << "quarvel-cli: " << command.error << "\n用法见 quarvel-cli --help\n";
        return kExitUsage;
    case CommandKind::Export:
        break;
    }
    return RunExport(command.request, out, err);
}

} // namespace quarvel
