#include "exporting/BatchExport.h"

#include "sectiondata/Azimuths.h"
#include "sectiondata/SectionReader.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <ostream>
#include <thread>
#include <unordered_set>

#ifdef _WIN32
#include <cwctype>
#endif

namespace quarvel {
namespace fs = std::filesystem;

namespace {

bool IsCancelled(const CancelFlag* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

FileExport Cancelled() {
    FileExport result;
    result.status = FileExportStatus::Cancelled;
    return result;
}

FileExport Failed(std::string failure) {
    FileExport result;
    result.failure = std::move(failure);
    return result;
}

std::string UnencodableWarning(const std::string& outputName, std::size_t count) {
    return "警告: " + outputName + ": " + std::to_string(count) +
           " 个字符在 GBK 中没有对应的字符，已写成“?”";
}

// Reads input and builds its table, then hands it to write; the failures of
// reading and of an empty table are told here.
template <typename Write>
FileExport ExportThrough(const fs::path& input, const ExportRecipe& recipe,
                         const CancelFlag* cancel, Write&& write) {
    const std::string inputName = input.u8string();
    const ReadProgress keepReading = [cancel](std::size_t, std::size_t) {
        return !IsCancelled(cancel);
    };
    SectionReadResult read = ReadSectionFile(input, cancel != nullptr ? keepReading : nullptr);
    switch (read.status) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::NotSectionFile:
        return Failed("非本软件数据格式文件: " + inputName + ": " + read.error);
    case ReadStatus::Cancelled:
        if (IsCancelled(cancel)) {
            return Cancelled();
        }
        [[fallthrough]];
    case ReadStatus::CannotOpen:
        return Failed("文件导入失败: " + inputName + ": " + read.error);
    }
    FileExport result;
    for (const ReadWarning& warning : read.warnings) {
        result.warnings.push_back("警告: " + inputName + ": " + warning.detail);
    }
    ComputeAzimuths(read.points);
    if (recipe.layers) {
        ApplyLayerFilter(read.points, *recipe.layers);
    }
    const SectionTable table(read.points, recipe.captions, recipe.options);
    result.rows = table.RowCount();
    if (result.rows == 0) {
        result.failure = "没有数据行，未写入文件: " + inputName;
        return result;
    }
    write(table, result);
    return result;
}

// Runs the export of one item on any thread; an exception (memory running
// out) must not escape a worker.
FileExport ExportItem(const BatchItem& item, const ExportRecipe& recipe, const CancelFlag* cancel) {
    if (!item.refusal.empty()) {
        return Failed(item.refusal);
    }
    if (IsCancelled(cancel)) {
        return Cancelled();
    }
    try {
        return ExportSectionFile(item.input, item.output, recipe, cancel);
    } catch (const std::exception&) {
        return Failed("保存文件失败: " + item.output.u8string() + ": 内存不足");
    }
}

// A name two spellings of one file share, as far as the paths tell.
std::string PathKey(const fs::path& path) {
    std::error_code error;
    fs::path key = fs::weakly_canonical(path, error);
    if (error) {
        key = fs::absolute(path, error).lexically_normal();
    }
#ifdef _WIN32
    std::wstring wide = key.wstring();
    std::transform(wide.begin(), wide.end(), wide.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return fs::path(wide).u8string();
#else
    return key.u8string();
#endif
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

// Hands the results of the workers on in the order of the items, holding
// only those that finished ahead of their turn.
class OrderedResults {
public:
    explicit OrderedResults(std::size_t count) : m_results(count) {}

    void Put(std::size_t index, FileExport result) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_results[index] = std::move(result);
        }
        m_ready.notify_one();
    }

    // Waits for the result of index and takes it.
    FileExport Take(std::size_t index) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [&] { return m_results[index].has_value(); });
        FileExport result = std::move(*m_results[index]);
        m_results[index].reset();
        return result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<std::optional<FileExport>> m_results;
};

} // namespace

FileExport ExportSectionFile(const fs::path& input, const fs::path& output,
                             const ExportRecipe& recipe, const CancelFlag* cancel) {
    if (SameFile(input, output)) {
        return Failed("保存文件失败: " + output.u8string() + ": 输出文件就是输入文件，未覆盖");
    }
    FileExport result =
        ExportThrough(input, recipe, cancel, [&](const SectionTable& table, FileExport& done) {
            const ExportResult written = WriteExportFile(output, table, recipe.form, cancel);
            if (written.cancelled) {
                done.status = FileExportStatus::Cancelled;
            } else if (!written.ok) {
                done.failure = written.error;
            } else {
                done.status = FileExportStatus::Written;
                done.unencodable = written.unencodable;
            }
        });
    if (result.unencodable > 0) {
        result.warnings.push_back(UnencodableWarning(output.u8string(), result.unencodable));
    }
    return result;
}

FileExport ExportSectionFile(const fs::path& input, std::ostream& out, const ExportRecipe& recipe) {
    FileExport result =
        ExportThrough(input, recipe, nullptr, [&](const SectionTable& table, FileExport& done) {
            if (WriteExport(out, table, recipe.form, &done.unencodable)) {
                done.status = FileExportStatus::Written;
            } else {
                done.failure = "保存文件失败: 标准输出: 写入失败";
            }
        });
    if (result.unencodable > 0) {
        result.warnings.push_back(UnencodableWarning("标准输出", result.unencodable));
    }
    return result;
}

fs::path OutputInFolder(const fs::path& folder, const fs::path& input) {
    return folder / input.filename().replace_extension(".csv");
}

std::vector<BatchItem> PlanBatch(const std::vector<fs::path>& inputs,
                                 const std::function<fs::path(const fs::path&)>& outputFor) {
    std::unordered_set<std::string> inputKeys;
    for (const fs::path& input : inputs) {
        inputKeys.insert(PathKey(input));
    }
    std::vector<BatchItem> items;
    items.reserve(inputs.size());
    std::unordered_set<std::string> outputKeys;
    for (const fs::path& input : inputs) {
        BatchItem item{input, outputFor(input), {}};
        const std::string key = PathKey(item.output);
        const std::string outputName = item.output.u8string();
        if (SameFile(item.input, item.output) || key == PathKey(item.input)) {
            item.refusal = "保存文件失败: " + outputName + ": 输出文件就是输入文件，未覆盖";
        } else if (inputKeys.count(key) != 0) {
            item.refusal = "保存文件失败: " + outputName + ": 输出文件是另一个输入文件，未覆盖";
        } else if (!outputKeys.insert(key).second) {
            item.refusal = "保存文件失败: " + outputName + ": 与前一个输入文件的输出重名，未覆盖";
        }
        items.push_back(std::move(item));
    }
    return items;
}

void RunBatch(const std::vector<BatchItem>& items, const ExportRecipe& recipe, unsigned jobs,
              const CancelFlag* cancel, const FileExported& exported) {
    const std::size_t workers =
        std::min<std::size_t>(jobs == 0 ? ProcessorCount() : jobs, items.size());
    if (workers <= 1) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            exported(i, ExportItem(items[i], recipe, cancel));
        }
        return;
    }
    OrderedResults results(items.size());
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (std::size_t w = 0; w < workers; ++w) {
        threads.emplace_back([&] {
            for (std::size_t i = next++; i < items.size(); i = next++) {
                results.Put(i, ExportItem(items[i], recipe, cancel));
            }
        });
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        exported(i, results.Take(i));
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

unsigned ProcessorCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

std::vector<fs::path> SectionFilesIn(const fs::path& folder, bool subfolders) {
    std::vector<fs::path> files;
    std::error_code error;
    const auto consider = [&files](const fs::directory_entry& entry) {
        std::error_code ignored;
        if (entry.is_regular_file(ignored) && HasSectionSignature(entry.path())) {
            files.push_back(entry.path());
        }
    };
    const auto options = fs::directory_options::skip_permission_denied;
    if (subfolders) {
        for (fs::recursive_directory_iterator it(folder, options, error), end; !error && it != end;
             it.increment(error)) {
            consider(*it);
        }
    } else {
        for (fs::directory_iterator it(folder, options, error), end; !error && it != end;
             it.increment(error)) {
            consider(*it);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace quarvel
