#include "cli/MergeCommand.h"

#include "cli/ExportCommand.h"
#include "cli/ProgressLine.h"
#include "road/RoadMerge.h"

#include <ostream>

namespace quarvel {

int RunMerge(const ExportRequest& request, std::ostream& err, bool showProgress) {
    const std::optional<Settings> settings = LoadRequestedSettings(request, err);
    if (!settings) {
        return kExitFailed;
    }
    MergeOptions options;
    options.recursive = request.recursive;
    options.skipBad = request.skipBad;
    options.jobs = request.jobs;
    std::optional<ProgressLine> progress;
    const RoadMergeResult result =
        MergeRoad(request.inputs, *request.output, ChooseRecipe(request, *settings), options,
                  nullptr, [&](std::size_t done, std::size_t total) {
                      if (!progress) {
                          progress.emplace(err, showProgress && total > 1, total, "已读入");
                      }
                      progress->Show(done);
                  });
    if (progress) {
        progress->Clear();
    }
    for (const std::string& warning : result.warnings) {
        err << warning << '\n';
    }
    for (const std::string& failure : result.failures) {
        err << failure << '\n';
    }
    const bool complete = result.status == MergeStatus::Written && result.failures.empty();
    return complete ? kExitOk : kExitFailed;
}

} // namespace quarvel
