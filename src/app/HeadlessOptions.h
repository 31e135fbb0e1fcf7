#pragma once

#include <functional>
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

// "1:N" or "N" for a vertical exaggeration of the profile's list; allowAuto
// also takes "auto" (or "自动").
std::optional<int> ParseExaggeration(std::string text, bool allowAuto);

// "1:N" or "N", N a whole number in [low, high].
std::optional<int> ParseScale(const std::string& text, int low, int high);

} // namespace quarvel
