#pragma once

#include "cli/CommandLine.h"

#include <iosfwd>

namespace quarvel {

// Writes the road's table of the request's inputs to its output. Messages go
// to err. Returns kExitOk when every input went into the table, kExitFailed
// otherwise (with skipBad the table may have been written all the same).
// showProgress: a counter of the files read on err, for a terminal.
int RunMerge(const ExportRequest& request, std::ostream& err, bool showProgress = false);

} // namespace quarvel
