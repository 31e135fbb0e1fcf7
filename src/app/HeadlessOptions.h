#pragma once

#include "cli/CommandLine.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quarvel {

// The headless modes (quarvel --profile, --sheets) take options of their own
// before handing the rest to quarvel-cli's parser.

// Called with an option's name and its value (empty for a flag); false
// refuses the value.
using TakeOption = std::function<bool(const std::string& name, const std::string& value)>;

// Takes the options named in withValue ("--name V" or "--name=V") and the
// flags out of args, handing each to take, and leaves the rest, "--" and all
// after it included. false with error set for a missing or refused value.
bool TakeOptions(std::vector<std::string>& args, const std::vector<std::string>& withValue,
                 const std::vector<std::string>& flags, const TakeOption& take, std::string& error);

// "quarvel MODE: ERROR" and where the usage is told, on err; returns kExitUsage.
int HeadlessUsage(std::ostream& err, const std::string& mode, const std::string& error);

// Takes a mode's own options out of args; false with error set for a bad one.
using TakeOwnOptions = std::function<bool(std::vector<std::string>& args, std::string& error)>;

// The request of a headless mode ("--profile"): its own options taken by
// takeOwn, the rest parsed as quarvel-cli export's. Nothing when the run ends
// here, with status set: help asked for (printed on out) or a usage error
// (told on err).
std::optional<ExportRequest> ParseHeadlessRequest(std::vector<std::string> args,
                                                  const std::string& mode,
                                                  const TakeOwnOptions& takeOwn,
                                                  const std::string& help, std::ostream& out,
                                                  std::ostream& err, int& status);

// "1:N" or "N" for a vertical exaggeration of the profile's list; allowAuto
// also takes "auto" (or "自动").
std::optional<int> ParseExaggeration(std::string text, bool allowAuto);

// "1:N" or "N", N a whole number in [low, high].
std::optional<int> ParseScale(const std::string& text, int low, int high);

} // namespace quarvel
