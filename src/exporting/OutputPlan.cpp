#include "exporting/OutputPlan.h"

#include "exporting/FileNameCase.h"

#include "sectiondata/SystemErrorText.h"

#include <algorithm>
#include <exception>
#include <set>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

fs::path KeyPath(const fs::path& path) {
    std::error_code error;
    fs::path key = fs::weakly_canonical(path, error);
    if (error) {
        key = fs::absolute(path, error).lexically_normal();
    }
    return FoldFileNameCase(key);
}

// The keys of a batch's paths. weakly_canonical asks the system about every
// folder of a path, several calls each; a batch's thousands of files share a
// few folders, so each folder is resolved once and a file costs one call.
class PathKeys {
public:
    // missing, when given, tells whether the system said the path names
    // nothing at all (not even a broken link).
    std::string KeyOf(const fs::path& path, bool* missing = nullptr) {
        const fs::path name = path.filename();
        std::error_code error;
        const fs::file_status status = fs::symlink_status(path, error);
        if (missing != nullptr) {
            *missing = status.type() == fs::file_type::not_found;
        }
        if (name.empty() || name == "." || name == ".." || fs::is_symlink(status)) {
            return PathKey(path);
        }
        const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
        auto [known, added] = m_folders.try_emplace(folder.native());
        if (added) {
            known->second = KeyPath(folder);
        }
        return FoldFileNameCase(known->second / name).u8string();
    }

private:
    std::unordered_map<fs::path::string_type, fs::path> m_folders;
};

// What planning learns of one input, before the inputs are compared.
struct PlannedPaths {
    std::string inputKey;
    fs::path output;
    std::string outputKey;
    bool outputMissing = false;
};

// Runs work over [0, count) in contiguous parts, one thread each. Each path
// costs the system a call or two, which is most of planning a batch: for
// thousands of files that is tens of milliseconds that every file of the
// batch waits for. A small batch is planned on the calling thread.
void ForEachInParts(std::size_t count,
                    const std::function<void(std::size_t begin, std::size_t end)>& work) {
    constexpr std::size_t kPathsPerThread = 256;
    const std::size_t threads = std::min<std::size_t>(
        std::max(1u, std::thread::hardware_concurrency()), count / kPathsPerThread);
    if (threads <= 1) {
        work(0, count);
        return;
    }
    // A helper's failure (memory running out) is the caller's, as it would
    // be on one thread.
    std::vector<std::exception_ptr> failures(threads);
    const auto partStart = [&](std::size_t part) { return count * part / threads; };
    const auto runPart = [&](std::size_t part) {
        try {
            work(partStart(part), partStart(part + 1));
        } catch (...) {
            failures[part] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    for (std::size_t part = 1; part < threads; ++part) {
        helpers.emplace_back(runPart, part);
    }
    runPart(0);
    for (std::thread& helper : helpers) {
        helper.join();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
}

std::string Refusal(const fs::path& output, const std::string& why, const fs::path& input) {
    return "保存文件失败: " + ShownPath(output) + ": " + why + "，未覆盖；输入文件 " +
           ShownPath(input) + " 未导出";
}

} // namespace

std::string PathKey(const fs::path& path) {
    return KeyPath(path).u8string();
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return PathKey(a) == PathKey(b) || fs::equivalent(a, b, error);
}

std::vector<BatchItem> PlanBatch(const std::vector<fs::path>& inputs,
                                 const std::function<fs::path(const fs::path&)>& outputFor) {
    std::vector<PlannedPaths> paths(inputs.size());
    ForEachInParts(inputs.size(), [&](std::size_t begin, std::size_t end) {
        PathKeys keys;
        for (std::size_t i = begin; i < end; ++i) {
            PlannedPaths& planned = paths[i];
            planned.inputKey = keys.KeyOf(inputs[i]);
            planned.output = outputFor(inputs[i]);
            planned.outputKey = keys.KeyOf(planned.output, &planned.outputMissing);
        }
    });
    std::unordered_set<std::string> allInputKeys;
    allInputKeys.reserve(paths.size());
    for (const PlannedPaths& planned : paths) {
        allInputKeys.insert(planned.inputKey);
    }
    std::vector<BatchItem> items;
    items.reserve(inputs.size());
    std::unordered_set<std::string> outputKeys;
    outputKeys.reserve(paths.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        PlannedPaths& planned = paths[i];
        BatchItem item{inputs[i], std::move(planned.output), {}};
        const std::string& key = planned.outputKey;
        // Another name of the input (a hard link) is an existing file: one
        // that is not there cannot be the input.
        std::error_code error;
        if (key == planned.inputKey ||
            (!planned.outputMissing && fs::equivalent(item.input, item.output, error))) {
            item.refusal =
                "保存文件失败: " + ShownPath(item.output) + ": 输出文件就是输入文件，未覆盖";
        } else if (allInputKeys.count(key) != 0) {
            item.refusal = Refusal(item.output, "输出文件是另一个输入文件", item.input);
        } else if (!outputKeys.insert(key).second) {
            item.refusal = Refusal(item.output, "与前一个输入文件的输出重名", item.input);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::string RefuseSharedOutput(const std::vector<fs::path>& inputs, const fs::path& output) {
    for (const fs::path& input : inputs) {
        if (SameFile(input, output)) {
            return "保存文件失败: " + ShownPath(output) + ": 输出文件是输入文件，未覆盖";
        }
    }
    return {};
}

void MakeOutputFolders(std::vector<BatchItem>& items) {
    std::set<fs::path> made;
    for (BatchItem& item : items) {
        const fs::path folder = item.output.parent_path();
        if (!item.refusal.empty() || folder.empty() || made.count(folder) != 0) {
            continue;
        }
        std::error_code error;
        fs::create_directories(folder, error);
        if (error) {
            item.refusal = "保存文件失败: " + ShownPath(folder) + ": " + SystemErrorText(error) +
                           "；输入文件 " + ShownPath(item.input) + " 未导出";
        } else {
            made.insert(folder);
        }
    }
}

fs::path OutputInFolder(const fs::path& folder, const fs::path& input,
                        const std::string& extension) {
    return folder / input.filename().replace_extension(extension);
}

fs::path MirroredOutput(const fs::path& folder, const fs::path& inputRoot, const fs::path& input,
                        const std::string& extension) {
    const fs::path relative =
        input.lexically_normal().lexically_relative(inputRoot.lexically_normal());
    if (relative.empty() || *relative.begin() == ".." || relative.is_absolute()) {
        return OutputInFolder(folder, input, extension);
    }
    return (folder / relative).replace_extension(extension);
}

} // namespace quarvel
