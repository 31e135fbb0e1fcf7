#include "cli/ExportCommand.h"

#include "cli/MergeCommand.h"
#include "cli/ProgressLine.h"

#include "exporting/BatchExport.h"
#include "sectiondata/SystemErrorText.h"
#include "settings/SettingsFile.h"

#include <cerrno>
#include <fstream>
#include <ostream>
#include <string>
#include <system_error>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

// Why the settings file cannot be read, or nothing when it can.
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
    const std::string extension(FileFormatExtension(request.format.value_or(FileFormat::Text)));
    if (request.outputDir) {
        return OutputInFolder(*request.outputDir, input, extension);
    }
    return fs::path(input).replace_extension(extension);
}

// The messages of one input; true when it was exported.
bool Report(const FileExport& result, std::ostream& err) {
    for (const std::string& warning : result.warnings) {
        err << warning << '\n';
    }
    if (!result.failure.empty()) {
        err << result.failure << '\n';
    }
    return result.status == FileExportStatus::Written;
}

} // namespace

ExportRecipe ChooseRecipe(const ExportRequest& request, const Settings& settings) {
    ExportRecipe recipe;
    if (request.columns) {
        recipe.captions = *request.columns;
    } else {
        recipe.captions.assign(settings.captions.begin(),
                               settings.captions.begin() + settings.columnCount);
    }
    recipe.options.decimals = request.decimals.value_or(settings.decimals);
    recipe.options.kneeMode = request.kneeMode.value_or(settings.kneeMode);
    recipe.options.renumber = request.renumber.value_or(settings.renumber);
    recipe.options.reverse = request.reverse;
    recipe.layers = request.layers;
    recipe.form.encoding = request.encoding.value_or(settings.exportForm.encoding);
    recipe.form.firstLine = request.firstLine.value_or(settings.exportForm.firstLine);
    recipe.form.separator = request.separator.value_or(settings.exportForm.separator);
    recipe.format = request.format;
    return recipe;
}

std::optional<Settings> LoadRequestedSettings(const ExportRequest& request, std::ostream& err) {
    if (!request.settingsFile) {
        return Settings{};
    }
    if (const auto problem = SettingsFileProblem(*request.settingsFile)) {
        err << "设置文件无法读取: " << ShownPath(*request.settingsFile) << ": " << *problem << '\n';
        return std::nullopt;
    }
    return LoadSettings(*request.settingsFile);
}

bool MakeOutputFolder(const ExportRequest& request, std::ostream& err) {
    if (!request.outputDir) {
        return true;
    }
    std::error_code error;
    fs::create_directories(*request.outputDir, error);
    if (error) {
        err << "保存文件失败: " << ShownPath(*request.outputDir) << ": " << SystemErrorText(error)
            << '\n';
    }
    return !error;
}

int RunExport(const ExportRequest& request, std::ostream& out, std::ostream& err,
              bool showProgress) {
    const std::optional<Settings> settings = LoadRequestedSettings(request, err);
    if (!settings) {
        return kExitFailed;
    }
    const ExportRecipe recipe = ChooseRecipe(request, *settings);
    if (request.output && IsStandardOutput(*request.output)) {
        return Report(ExportSectionFile(request.inputs.front(), out, recipe), err) ? kExitOk
                                                                                   : kExitFailed;
    }
    if (!MakeOutputFolder(request, err)) {
        return kExitFailed;
    }
    const std::vector<BatchItem> items = PlanBatch(
        request.inputs, [&request](const fs::path& input) { return OutputFor(request, input); });
    bool allExported = true;
    ProgressLine progress(err, showProgress && items.size() > 1, items.size(), "已导出");
    RunBatch(items, recipe, request.jobs, nullptr,
             [&](std::size_t index, const FileExport& result) {
                 if (!result.warnings.empty() || !result.failure.empty()) {
                     progress.Clear();
                 }
                 allExported = Report(result, err) && allExported;
                 progress.Show(index + 1);
             });
    progress.Clear();
    return allExported ? kExitOk : kExitFailed;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool showProgress) {
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
    case CommandKind::Merge:
        return RunMerge(command.request, err, showProgress);
    case CommandKind::Export:
        break;
    }
    return RunExport(command.request, out, err, showProgress);
}

} // namespace quarvel
