#include "exporting/OutputPlan.h"

#include "exporting/FileNameCase.h"

#include "sectiondata/SystemErrorText.h"

#include <set>
#include <system_error>
#include <unordered_set>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

std::unordered_set<std::string> KeysOf(const std::vector<fs::path>& inputs) {
    std::unordered_set<std::string> keys;
    for (const fs::path& input : inputs) {
        keys.insert(PathKey(input));
    }
    return keys;
}

std::string Refusal(const fs::path& output, const std::string& why, const fs::path& input) {
    return "保存文件失败: " + ShownPath(output) + ": " + why + "，未覆盖；输入文件 " +
           ShownPath(input) + " 未导出";
}

} // namespace

std::string PathKey(const fs::path& path) {
    std::error_code error;
    fs::path key = fs::weakly_canonical(path, error);
    if (error) {
        key = fs::absolute(path, error).lexically_normal();
    }
    return FoldFileNameCase(key).u8string();
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return PathKey(a) == PathKey(b) || fs::equivalent(a, b, error);
}

std::vector<BatchItem> PlanBatch(const std::vector<fs::path>& inputs,
                                 const std::function<fs::path(const fs::path&)>& outputFor) {
    const std::unordered_set<std::string> inputKeys = KeysOf(inputs);
    std::vector<BatchItem> items;
    items.reserve(inputs.size());
    std::unordered_set<std::string> outputKeys;
    for (const fs::path& input : inputs) {
        BatchItem item{input, outputFor(input), {}};
        const std::string key = PathKey(item.output);
        if (SameFile(item.input, item.output)) {
            item.refusal =
                "保存文件失败: " + ShownPath(item.output) + ": 输出文件就是输入文件，未覆盖";
        } else if (inputKeys.count(key) != 0) {
            item.refusal = Refusal(item.output, "输出文件是另一个输入文件", input);
        } else if (!outputKeys.insert(key).second) {
            item.refusal = Refusal(item.output, "与前一个输入文件的输出重名", input);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::string RefuseSharedOutput(const std::vector<fs::path>& inputs, const fs::path& output) {
    const std::string key = PathKey(output);
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
