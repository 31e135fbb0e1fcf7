#include "app/HeadlessOptions.h"

#include "cli/CommandLine.h"
#include "settings/Exaggeration.h"

#include <algorithm>
#include <ostream>

namespace quarvel {

bool TakeOptions(std::vector<std::string>& args, const std::vector<std::string>& withValue,
                 const std::vector<std::string>& flags, const TakeOption& take,
                 std::string& error) {
    const auto named = [](const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
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
        if (named(flags, name) && !value) {
            if (!take(name, {})) {
                error = "选项 " + name + " 无效";
                return false;
            }
            continue;
        }
        if (!named(withValue, name)) {
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
        if (!take(name, *value)) {
            error = "选项 " + name + " 的取值无效: \"" + *value + "\"";
            return false;
        }
    }
    args = std::move(rest);
    return true;
}

int HeadlessUsage(std::ostream& err, const std::string& mode, const std::string& error) {
    err << "quarvel " << mode << ": " << error << "\n用法见 quarvel " << mode << " --help\n";
    return kExitUsage;
}

std::optional<ExportRequest> ParseHeadlessRequest(std::vector<std::string> args,
                                                  const std::string& mode,
                                                  const TakeOwnOptions& takeOwn,
                                                  const std::string& help, std::ostream& out,
                                                  std::ostream& err, int& status) {
    std::string error;
    if (!takeOwn(args, error)) {
        status = HeadlessUsage(err, mode, error);
        return std::nullopt;
    }
    args.insert(args.begin(), "export");
    ParsedCommand command = ParseCommandLine(args);
    if (command.kind == CommandKind::Help) {
        out << help;
        status = kExitOk;
        return std::nullopt;
    }
    if (command.kind != CommandKind::Export) {
        status = HeadlessUsage(err, mode, command.error);
        return std::nullopt;
    }
    return std::move(command.request);
}

std::optional<int> ParseExaggeration(std::string text, bool allowAuto) {
    if (text == "auto" || text == "自动") {
        return allowAuto ? std::optional<int>(kAutoExaggeration) : std::nullopt;
    }
    if (text.rfind("1:", 0) == 0) {
        text.erase(0, 2);
    }
    // "1:0" is no ratio: automatic is asked for by name.
    const std::optional<int> value = ParseWholeInteger(text, 1, 10);
    return value && IsExaggeration(*value) ? value : std::nullopt;
}

std::optional<int> ParseScale(const std::string& text, int low, int high) {
    return ParseWholeInteger(text.rfind("1:", 0) == 0 ? text.substr(2) : text, low, high);
}

} // namespace quarvel
