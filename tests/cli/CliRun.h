#pragma once

#include "cli/ExportCommand.h"

#include <sstream>
#include <string>
#include <vector>

namespace quarvel::test {

// What quarvel-cli wrote and returned, run in-process.
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliRun RunCommand(const std::vector<std::string>& args, bool showProgress = false) {
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.status = RunCli(args, out, err, showProgress);
    run.out = out.str();
    run.err = err.str();
    return run;
}

} // namespace quarvel::test
