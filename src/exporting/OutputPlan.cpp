#include "exporting/OutputPlan.h"

#include "exporting/FileNameCase.h"

#include "sectiondata/SystemErrorText.h"

#include <set>
#include <system_error>
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
    std::string KeyOf(const fs::path& path) {
        const fs::path name = path.filename();
        std::error_code error;
        if (name.empty() || name == "." || name == ".." ||
            fs::is_symlink(fs::symlink_status(path, error))) {
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
    PathKeys keys;
    std::vector<std::string> inputKeys;
    inputKeys.reserve(inputs.size());
    for (const fs::path& input : inputs) {
        inputKeys.push_back(keys.KeyOf(input));
    }
    const std::unordered_set<std::string> allInputKeys(inputKeys.begin(), inputKeys.end());
    std::vector<BatchItem> items;
    items.reserve(inputs.size());
    std::unordered_set<std::string> outputKeys;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        BatchItem item{inputs[i], outputFor(inputs[i]), {}};
        const std::string key = keys.KeyOf(item.output);
        std::error_code error;
        if (key == inputKeys[i] || fs::equivalent(item.input, item.output, error)) {
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
