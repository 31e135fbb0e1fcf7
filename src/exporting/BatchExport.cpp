#include "exporting/BatchExport.h"

#include "exporting/WorkbookWriter.h"
#include "files/AtomicFile.h"

#include "sectiondata/Azimuths.h"
#include "sectiondata/SectionReader.h"
#include "sectiondata/SystemErrorText.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <ostream>
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
// reading and of an empty table are told here. Given keep, the section
// outlives the writing, for the caller to let go of when that costs no time.
template <typename Write>
FileExport ExportThrough(const fs::path& input, const ExportRecipe& recipe,
                         const CancelFlag* cancel, Write&& write,
                         std::unique_ptr<SectionLoad>* keep = nullptr) {
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
    if (keep != nullptr) {
        *keep = std::make_unique<SectionLoad>(std::move(load));
    }
    return result;
}

// One file read, built and written, waiting for its commit.
struct PreparedExport {
    fs::path input;
    FileExport result;
    std::unique_ptr<AtomicFile> file;     // null when result is final
    ExportResult uncommitted;             // the writing's result, before the commit
    std::unique_ptr<SectionLoad> section; // when asked to be kept
};

enum class KeepSection { No, Yes };

PreparedExport PrepareExport(const fs::path& input, const fs::path& output,
                             const ExportRecipe& recipe, const CancelFlag* cancel,
                             KeepSection keep = KeepSection::No) {
    PreparedExport prepared;
    prepared.input = input;
    prepared.result = ExportThrough(
        input, recipe, cancel,
        [&](const SectionTable& table, FileExport&) {
            prepared.file = std::make_unique<AtomicFile>(output);
            if (recipe.format.value_or(FileFormatOf(output)) == FileFormat::Workbook) {
                prepared.uncommitted =
                    WriteWorkbookUncommitted(*prepared.file, {{TableSheetName(), &table}}, cancel);
            } else {
                prepared.uncommitted =
                    WriteExportUncommitted(*prepared.file, table, recipe.form, cancel);
            }
        },
        keep == KeepSection::Yes ? &prepared.section : nullptr);
    return prepared;
}

enum class Committed { Not, Already };

// The result of a prepared export, committing its file unless that has been
// done (CommitAll).
FileExport FinishExport(PreparedExport& prepared, const CancelFlag* cancel,
                        Committed committed = Committed::Not) {
    FileExport& result = prepared.result;
    if (!prepared.file) {
        return std::move(result);
    }
    const ExportResult written = committed == Committed::Already
                                     ? ExportOutcome(*prepared.file, prepared.uncommitted, cancel)
                                     : CommitExport(*prepared.file, prepared.uncommitted, cancel);
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
                           const CancelFlag* cancel, KeepSection keep = KeepSection::No) {
    PreparedExport prepared;
    if (!item.refusal.empty()) {
        prepared.result = Failed(item.refusal);
    } else if (IsCancelled(cancel)) {
        prepared.result = CancelledExport();
    } else {
        try {
            prepared = PrepareExport(item.input, item.output, recipe, cancel, keep);
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

    using Indexed = std::pair<std::size_t, FileExport>;

    // Wakes the taker only for the result it waits for, and once for a group
    // of results: on two processors a thread woken for nothing, or woken for
    // each result of a group in turn, takes a processor from a worker.
    void Put(std::vector<Indexed> indexed) {
        bool awaited = false;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            for (auto& [index, result] : indexed) {
                m_results[index] = std::move(result);
                awaited = awaited || index == m_awaited;
            }
        }
        if (awaited) {
            m_ready.notify_one();
        }
    }

    void Put(std::size_t index, FileExport result) {
        std::vector<Indexed> one;
        one.emplace_back(index, std::move(result));
        Put(std::move(one));
    }

    // Waits for the result of index and takes it.
    FileExport Take(std::size_t index) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_awaited = index;
        m_ready.wait(lock, [&] { return m_results[index].has_value(); });
        FileExport result = std::move(*m_results[index]);
        m_results[index].reset();
        return result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<std::optional<FileExport>> m_results;
    std::size_t m_awaited = 0;
};

// Files written and waiting for their commit. The committer takes all that
// are waiting at once and puts them on disk together, while the workers go on
// with the next files.
class CommitQueue {
public:
    // Wakes the committer only when it has something to do: the first file
    // waiting, or a full queue. While it gathers, it wakes by its own clock.
    void Push(std::size_t index, PreparedExport prepared) {
        bool wake = false;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_space.wait(lock, [&] { return m_pending.size() < kMaxPendingCommits; });
            m_pending.emplace_back(index, std::move(prepared));
            wake = m_pending.size() == 1 || m_pending.size() >= kMaxPendingCommits;
        }
        if (wake) {
            m_items.notify_one();
        }
    }

    // Everything waiting, once there is something and the last taking is
    // kGatherTime ago (or the queue is full or closed, or the batch nears its
    // end); false once the queue is closed and empty.
    bool PopAll(std::vector<std::pair<std::size_t, PreparedExport>>& taken) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_items.wait_until(lock, m_lastTaken + kGatherTime, [&] {
                return m_closed || m_ending || m_pending.size() >= kMaxPendingCommits;
            });
            m_items.wait(lock, [&] { return !m_pending.empty() || m_closed; });
            if (m_pending.empty()) {
                return false;
            }
            m_lastTaken = std::chrono::steady_clock::now();
            taken.clear();
            for (auto& entry : m_pending) {
                taken.push_back(std::move(entry));
            }
            m_pending.clear();
        }
        m_space.notify_all();
        return true;
    }

    // From now on the files are committed as they come, without gathering:
    // what the workers write while a group goes to disk is the next group, so
    // that the last, which the batch waits for once they end, is small.
    void CommitAsTheyCome() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_ending = true;
        }
        m_items.notify_all();
    }

    void Close() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_closed = true;
        }
        m_items.notify_all();
    }

    // Each waiting file is a temporary file on disk: enough to flush many at
    // once, few enough that a batch does not run far ahead of its commits.
    static constexpr std::size_t kMaxPendingCommits = 256;

private:
    // A flush costs a round trip to the disk however few files it carries:
    // small files are gathered for this long, so that hundreds share one. A
    // large file, which takes longer to write, is committed as it comes.
    static constexpr std::chrono::milliseconds kGatherTime{100};

    std::mutex m_mutex;
    std::condition_variable m_space;
    std::condition_variable m_items;
    std::deque<std::pair<std::size_t, PreparedExport>> m_pending;
    // Long ago: the first file is committed as soon as it is written, so
    // that the progress moves at once.
    std::chrono::steady_clock::time_point m_lastTaken{};
    bool m_closed = false;
    bool m_ending = false;
};

// Commits the written files together and hands on their results.
void CommitTogether(std::vector<std::pair<std::size_t, PreparedExport>>& written,
                    const CancelFlag* cancel, OrderedResults& results) {
    std::vector<AtomicFile*> files;
    for (auto& entry : written) {
        PreparedExport& prepared = entry.second;
        if (prepared.uncommitted.ok && !IsCancelled(cancel)) {
            files.push_back(prepared.file.get());
        }
    }
    AtomicFile::CommitAll(files);
    std::vector<OrderedResults::Indexed> finished;
    finished.reserve(written.size());
    for (auto& [index, prepared] : written) {
        finished.emplace_back(index, FinishExport(prepared, cancel, Committed::Already));
    }
    results.Put(std::move(finished));
}

} // namespace

SectionLoad LoadSectionForExport(const fs::path& input, const ExportRecipe& recipe,
                                 const CancelFlag* cancel) {
    SectionLoad load;
    const std::string inputName = ShownPath(input);
    const ReadProgress keepReading = [cancel](std::size_t, std::size_t) {
        return !IsCancelled(cancel);
    };
    ReadOptions options;
    options.jobs = recipe.readJobs;
    load.read = ReadSectionFile(input, cancel != nullptr ? keepReading : nullptr, options);
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

// The batch's items were planned, which refuses an output that is an input;
// a single export is checked here, whoever asks for it.
FileExport ExportSectionFile(const fs::path& input, const fs::path& output,
                             const ExportRecipe& recipe, const CancelFlag* cancel) {
    if (SameFile(input, output)) {
        return Failed("保存文件失败: " + ShownPath(output) + ": 输出文件就是输入文件，未覆盖");
    }
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
    const std::size_t threads = jobs == 0 ? ProcessorCount() : jobs;
    const std::size_t workers = std::max<std::size_t>(1, std::min(threads, items.size()));
    // The threads are the batch's: a file alone gets them all to read it, a
    // large file among several its share.
    ExportRecipe perFile = recipe;
    perFile.readJobs = static_cast<unsigned>(std::max<std::size_t>(1, threads / workers));
    if (items.size() <= 1) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            PreparedExport prepared = PrepareItem(items[i], perFile, cancel, KeepSection::Yes);
            // A large section's memory goes back while its file goes to disk,
            // rather than before.
            std::thread releasing(
                [section = std::move(prepared.section)]() mutable { section.reset(); });
            exported(i, FinishExport(prepared, cancel));
            releasing.join();
        }
        return;
    }
    // Each file waiting for its commit holds a descriptor, and each worker
    // one or two more.
    AtomicFile::MakeRoomForOpenFiles(CommitQueue::kMaxPendingCommits + 4 * workers + 64);
    OrderedResults results(items.size());
    CommitQueue commits;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> working{workers};
    std::vector<std::thread> preparing;
    for (std::size_t w = 0; w < workers; ++w) {
        preparing.emplace_back([&] {
            for (std::size_t i = next++; i < items.size(); i = next++) {
                // Half a full group before the end: time enough for a gathered
                // group's flush to end before the workers do.
                if (items.size() - i == CommitQueue::kMaxPendingCommits / 2) {
                    commits.CommitAsTheyCome();
                }
                PreparedExport prepared = PrepareItem(items[i], perFile, cancel);
                if (prepared.file) {
                    commits.Push(i, std::move(prepared));
                } else {
                    results.Put(i, std::move(prepared.result));
                }
            }
            // The last files are committed at once, not after the gathering
            // time: nothing more is coming to share their flush.
            if (--working == 0) {
                commits.Close();
            }
        });
    }
    std::thread committing([&] {
        std::vector<std::pair<std::size_t, PreparedExport>> written;
        while (commits.PopAll(written)) {
            CommitTogether(written, cancel, results);
            written.clear();
        }
    });
    for (std::size_t i = 0; i < items.size(); ++i) {
        exported(i, results.Take(i));
    }
    for (std::thread& thread : preparing) {
        thread.join();
    }
    committing.join();
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
