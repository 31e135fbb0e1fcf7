#pragma once

#include "cli/CommandLine.h"
#include "exporting/BatchExport.h"
#include "settings/SettingsFile.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quarvel {

// The settings the request names, or the first start's when it names none;
// nothing, with the file and the reason told on err, when the named file
// cannot be read: the options must not fall back to the defaults behind the
// user's back.
std::optional<Settings> LoadRequestedSettings(const ExportRequest& request, std::ostream& err);

// Makes the request's output folder, if it names one; false, with the folder
// and the reason told on err, when it cannot be made.
bool MakeOutputFolder(const ExportRequest& request, std::ostream& err);

// The table and the form the request asks for, the rest from settings.
ExportRecipe ChooseRecipe(const ExportRequest& request, const Settings& settings);

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
