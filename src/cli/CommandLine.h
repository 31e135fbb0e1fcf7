#pragma once

#include "exporting/ExportForm.h"
#include "road/RoadMerge.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

// What "quarvel-cli export" or "merge" was asked to do; unset options fall
// back to the settings file given, then to the defaults of a first start.
struct ExportRequest {
    std::vector<std::filesystem::path> inputs;
    std::optional<std::filesystem::path> output; // "-" is standard output
    std::optional<std::filesystem::path> outputDir;
    std::optional<std::vector<std::string>> columns;
    std::optional<int> decimals;
    std::optional<int> kneeMode;
    std::optional<bool> renumber;
    bool reverse = false;
    std::optional<std::vector<std::string>> layers; // the checked layers
    std::optional<std::filesystem::path> settingsFile;
    std::optional<ExportEncoding> encoding;
    std::optional<FirstLine> firstLine;
    std::optional<Separator> separator;
    std::optional<FileFormat> format; // nothing: the output's extension decides
    unsigned jobs = 0;                // files exported at once; 0: one per processor
    // merge only
    bool recursive = false;
    bool skipBad = false;
};

enum class CommandKind { Export, Merge, Help, Version, UsageError };

struct ParsedCommand {
    CommandKind kind = CommandKind::UsageError;
    ExportRequest request;
    std::string error; // UTF-8, for a usage error
};

// Exit statuses of quarvel-cli.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// A whole number in [low, high] written in decimal digits and nothing else.
std::optional<int> ParseWholeInteger(std::string_view text, int low, int high);

// args without the program name, in UTF-8.
ParsedCommand ParseCommandLine(const std::vector<std::string>& args);

std::string HelpText();
std::string VersionText();

} // namespace quarvel
