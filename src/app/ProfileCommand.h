#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace quarvel {

// "quarvel --profile INPUT...": one picture of the profile per input, without
// a window. Takes quarvel-cli's table options, output options, messages and
// exit statuses, plus --format, --exaggeration, --size and --scale. args are
// the arguments after "--profile", in UTF-8.
int RunProfileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

std::string ProfileHelpText();

} // namespace quarvel
