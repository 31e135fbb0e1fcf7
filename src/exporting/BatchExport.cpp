#include "exporting/BatchExport.h"

#include "exporting/WorkbookWriter.h"
#include "files/AtomicFile.h"

#include "sectiondata/Azimuths.h"
#include "sectiondata/SectionReader.h"
#include "sectiondata/SystemErrorText.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <ostream>
#include <set>
#include <thread>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

bool IsCancelled(const CancelFlag* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

FileExport CancelledExport() {
    FileExport result;
    result.status = FileExportStatus::Cancelled;
    return result;
}

FileExport Failed(std::string failure) {
    FileExport result;
    result.failure = std::move(failure);
    return result;
}

// Names the input as well: in a batch the user looks for the section file.
std::string UnencodableWarning(const fs::path& input, const std::string& outputName,
                               std::size_t count) {
    return "警告: " + ShownPath(input) + ": 写入 " + outputName + " 时 " + std::to_string(count) +
           " 个字符在 GBK 中没有对应的字符，已写成“?”";
}

// Reads input and builds its table, then hands it to write; the failures of
// reading and of an empty table are told here.
template <typename Write>
FileExport ExportThrough(const fs::path& input, const ExportRecipe& recipe,
                         const CancelFlag* cancel, Write&& write) {
    SectionLoad load = LoadSectionForExport(input, recipe, cancel);
    FileExport result = std::move(load.result);
    if (!load.loaded) {
        return result;
    }
    const SectionTable table(load.read.points, recipe.captions, recipe.options);
    result.rows = table.RowCount();
    if (result.rows == 0) {
        result.failure = "没有数据行，未写入文件: " + ShownPath(input);
        return result;
    }
    write(table, result);
    return result;
}

// One file read, built and written, waiting for its commit.
struct PreparedExport {
    fs::path input;
    FileExport result;
    std::unique_ptr<AtomicFile> file; // null when result is final
    ExportResult uncommitted;         // the writing's result, before the commit
};

PreparedExport PrepareExport(const fs::path& input, const fs::path& output,
                             const ExportRecipe& recipe, const CancelFlag* cancel) {
    PreparedExport prepared;
    prepared.input = input;
    if (SameFile(input, output)) {
        prepared.result =
            Failed("保存文件失败: " + ShownPath(output) + ": 输出文件就是输入文件，未覆盖");
        return prepared;
    }
    prepared.result =
        ExportThrough(input, recipe, cancel, [&](const SectionTable& table, FileExport&) {
            prepared.file = std::make_unique<AtomicFile>(output);
            if (recipe.format.value_or(FileFormatOf(output)) == FileFormat::Workbook) {
                prepared.uncommitted =
                    WriteWorkbookUncommitted(*prepared.file, {{TableSheetName(), &table}}, cancel);
            } else {
                prepared.uncommitted =
                    WriteExportUncommitted(*prepared.file, table, recipe.form, cancel);
            }
        });
    return prepared;
}

FileExport FinishExport(PreparedExport& prepared, const CancelFlag* cancel,
                        bool syncFolder = true) {
    FileExport& result = prepared.result;
    if (!prepared.file) {
        return std::move(result);
    }
    const ExportResult written =
        CommitExport(*prepared.file, prepared.uncommitted, cancel, syncFolder);
    const std::string outputName = ShownPath(prepared.file->Target());
    prepared.file.reset();
    if (written.cancelled) {
        result.status = FileExportStatus::Cancelled;
    } else if (!written.ok) {
        result.failure = written.error;
    } else {
        result.status = FileExportStatus::Written;
        result.unencodable = written.unencodable;
        if (result.unencodable > 0) {
            result.warnings.push_back(
                UnencodableWarning(prepared.input, outputName, result.unencodable));
        }
    }
    return std::move(result);
}

// Prepares one item on any thread; an exception (memory running out) must
// not escape a worker.
PreparedExport PrepareItem(const BatchItem& item, const ExportRecipe& recipe,
                           const CancelFlag* cancel) {
    PreparedExport prepared;
    if (!item.refusal.empty()) {
        prepared.result = Failed(item.refusal);
    } else if (IsCancelled(cancel)) {
        prepared.result = CancelledExport();
    } else {
        try {
            prepared = PrepareExport(item.input, item.output, recipe, cancel);
        } catch (const std::exception&) {
            prepared = PreparedExport{};
            prepared.result = Failed("保存文件失败: " + ShownPath(item.output) + ": 内存不足");
        }
    }
    return prepared;
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

// Files written and waiting for their commit, a few at a time: each holds
// an open file.
class CommitQueue {
public:
    void Push(std::size_t index, PreparedExport prepared) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_space.wait(lock, [&] { return m_pending.size() < kMaxPendingCommits; });
            m_pending.emplace_back(index, std::move(prepared));
        }
        m_items.notify_one();
    }

    // False once the queue is closed and empty.
    bool Pop(std::size_t& index, PreparedExport& prepared) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_items.wait(lock, [&] { return !m_pending.empty() || m_closed; });
            if (m_pending.empty()) {
                return false;
            }
            index = m_pending.front().first;
            prepared = std::move(m_pending.front().second);
            m_pending.pop_front();
        }
        m_space.notify_one();
        return true;
    }

    void Close() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_closed = true;
        }
        m_items.notify_all();
    }

private:
    static constexpr std::size_t kMaxPendingCommits = 16;

    std::mutex m_mutex;
    std::condition_variable m_space;
    std::condition_variable m_items;
    std::deque<std::pair<std::size_t, PreparedExport>> m_pending;
    bool m_closed = false;
};

// A commit waits for the disk to flush the file; several waiting at once
// keep the disk busy while the workers go on with the next files.
constexpr std::size_t kCommitters = 4;

} // namespace

SectionLoad LoadSectionForExport(const fs::path& input, const ExportRecipe& recipe,
                                 const CancelFlag* cancel) {
    SectionLoad load;
    const std::string inputName = ShownPath(input);
    const ReadProgress keepReading = [cancel](std::size_t, std::size_t) {
        return !IsCancelled(cancel);
    };
    load.read = ReadSectionFile(input, cancel != nullptr ? keepReading : nullptr);
    switch (load.read.status) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::NotSectionFile:
        load.result = Failed("非本软件数据格式文件: " + inputName + ": " + load.read.error);
        return load;
    case ReadStatus::Cancelled:
        if (IsCancelled(cancel)) {
            load.result = CancelledExport();
            return load;
        }
        [[fallthrough]];
    case ReadStatus::CannotOpen:
    case ReadStatus::ReadFailed:
        load.result = Failed("文件导入失败: " + inputName + ": " + load.read.error);
        return load;
    }
    for (const ReadWarning& warning : load.read.warnings) {
        load.result.warnings.push_back("警告: " + inputName + ": " + warning.detail);
    }
    ComputeAzimuths(load.read.points);
    if (recipe.layers) {
        ApplyLayerFilter(load.read.points, *recipe.layers);
    }
    load.loaded = true;
    return load;
}

FileExport ExportSectionFile(const fs::path& input, const fs::path& output,
                             const ExportRecipe& recipe, const CancelFlag* cancel) {
    PreparedExport prepared = PrepareExport(input, output, recipe, cancel);
    return FinishExport(prepared, cancel);
}

FileExport ExportSectionFile(const fs::path& input, std::ostream& out, const ExportRecipe& recipe) {
    if (recipe.format == FileFormat::Workbook) {
        return Failed("保存文件失败: 标准输出: Excel 工作簿只能写入文件");
    }
    FileExport result =
        ExportThrough(input, recipe, nullptr, [&](const SectionTable& table, FileExport& done) {
            if (WriteExport(out, table, recipe.form, &done.unencodable)) {
                done.status = FileExportStatus::Written;
            } else {
                done.failure = "保存文件失败: 标准输出: 写入失败";
            }
        });
    if (result.unencodable > 0) {
        result.warnings.push_back(UnencodableWarning(input, "标准输出", result.unencodable));
    }
    return result;
}

void RunBatch(const std::vector<BatchItem>& items, const ExportRecipe& recipe, unsigned jobs,
              const CancelFlag* cancel, const FileExported& exported) {
    if (items.size() <= 1) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            PreparedExport prepared = PrepareItem(items[i], recipe, cancel);
            exported(i, FinishExport(prepared, cancel));
        }
        return;
    }
    const std::size_t workers =
        std::min<std::size_t>(jobs == 0 ? ProcessorCount() : jobs, items.size());
    OrderedResults results(items.size());
    CommitQueue commits;
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> preparing;
    for (std::size_t w = 0; w < workers; ++w) {
        preparing.emplace_back([&] {
            for (std::size_t i = next++; i < items.size(); i = next++) {
                PreparedExport prepared = PrepareItem(items[i], recipe, cancel);
                if (prepared.file) {
                    commits.Push(i, std::move(prepared));
                } else {
                    results.Put(i, std::move(prepared.result));
                }
            }
        });
    }
    // Each folder is synced once at the end instead of after every rename.
    std::mutex foldersMutex;
    std::set<fs::path> folders;
    std::vector<std::thread> committing;
    for (std::size_t c = 0; c < kCommitters; ++c) {
        committing.emplace_back([&] {
            std::size_t index = 0;
            PreparedExport prepared;
            while (commits.Pop(index, prepared)) {
                const fs::path folder = prepared.file->Folder();
                FileExport result = FinishExport(prepared, cancel, false);
                if (result.status == FileExportStatus::Written) {
                    const std::lock_guard<std::mutex> lock(foldersMutex);
                    folders.insert(folder);
                }
                results.Put(index, std::move(result));
            }
        });
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        exported(i, results.Take(i));
    }
    for (std::thread& thread : preparing) {
        thread.join();
    }
    commits.Close();
    for (std::thread& thread : committing) {
        thread.join();
    }
    for (const fs::path& folder : folders) {
        AtomicFile::SyncFolder(folder);
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
