#pragma once

#include "cli/CommandLine.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace quarvel {

// Exports every input of the request; a failing input does not stop the
// others. Messages go to err, a table asked for on standard output to out.
// Returns kExitOk when every input was exported, kExitFailed otherwise; an
// unreadable settings file fails every input, since none gets its table.
// showProgress: a counter on err that each file overwrites, for a terminal.
int RunExport(const ExportRequest& request, std::ostream& out, std::ostream& err,
              bool showProgress = false);

// The whole command line: parses args (without the program name) and runs it.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool showProgress = false);

} // namespace quarvel
