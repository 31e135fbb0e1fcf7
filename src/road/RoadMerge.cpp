#include "road/RoadMerge.h"

#include "exporting/SheetNames.h"
#include "exporting/WorkbookWriter.h"
#include "road/MergedTable.h"
#include "road/RoadSection.h"
#include "sectiondata/SystemErrorText.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

bool IsCancelled(const CancelFlag* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

// The sections read, each beside its table, at places that never move: a
// table points to its section's points.
struct ReadSections {
    std::vector<SectionLoad> loads;
    std::vector<SectionTable> tables;
};

// Reads one file and builds its table on any thread; an exception (memory
// running out) must not escape a worker.
void ReadOne(const fs::path& file, const ExportRecipe& recipe, const CancelFlag* cancel,
             SectionLoad& load, SectionTable& table) {
    try {
        load = LoadSectionForExport(file, recipe, cancel);
        if (load.loaded) {
            table = SectionTable(load.read.points, recipe.captions, recipe.options);
        }
    } catch (const std::exception&) {
        load = SectionLoad{};
        load.result.failure = "文件导入失败: " + ShownPath(file) + ": 内存不足";
    }
}

// Reads the files with up to jobs at a time; the calling thread tells the
// progress.
ReadSections ReadAll(const std::vector<fs::path>& files, const ExportRecipe& recipe, unsigned jobs,
                     const CancelFlag* cancel, const MergeProgress& progress) {
    const std::size_t count = files.size();
    ReadSections read;
    read.loads.resize(count);
    read.tables.resize(count);
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t done = 0;
    const std::size_t workers = std::min<std::size_t>(jobs == 0 ? ProcessorCount() : jobs, count);
    std::vector<std::thread> threads;
    for (std::size_t w = 0; w < workers; ++w) {
        threads.emplace_back([&] {
            for (std::size_t i = next++; i < count; i = next++) {
                ReadOne(files[i], recipe, cancel, read.loads[i], read.tables[i]);
                {
                    const std::lock_guard<std::mutex> lock(mutex);
                    ++done;
                }
                finished.notify_one();
            }
        });
    }
    for (std::size_t told = 0; told < count;) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            finished.wait(lock, [&] { return done > told; });
            told = done;
        }
        if (progress) {
            progress(told, count);
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    return read;
}

// The one place where the kind of file is chosen.
ExportResult WriteMergedFile(const fs::path& output, const MergedTable& table,
                             const ExportRecipe& recipe, const CancelFlag* cancel) {
    if (recipe.format.value_or(FileFormatOf(output)) != FileFormat::Workbook) {
        return WriteExportFile(output, table, recipe.form, cancel);
    }
    std::vector<std::string> labels = {"全线"};
    for (std::size_t k = 0; k < table.SectionCount(); ++k) {
        labels.push_back(table.SectionLabel(k));
    }
    const std::vector<std::string> names = SheetNames(labels);
    std::vector<WorkbookSheet> sheets = {{names.front(), &table}};
    for (std::size_t k = 0; k < table.SectionCount(); ++k) {
        sheets.push_back({names[k + 1], &table.SectionTableAt(k)});
    }
    return WriteWorkbookFile(output, sheets, cancel);
}

std::string UnencodableWarning(const fs::path& output, std::size_t count) {
    return "警告: 写入 " + ShownPath(output) + " 时 " + std::to_string(count) +
           " 个字符在 GBK 中没有对应的字符，已写成“?”";
}

} // namespace

RoadMergeResult MergeRoad(const std::vector<fs::path>& inputs, const fs::path& output,
                          const ExportRecipe& recipe, const MergeOptions& options,
                          const CancelFlag* cancel, const MergeProgress& progress) {
    RoadMergeResult result;
    const std::vector<fs::path> files =
        CollectSectionFiles(inputs, options.recursive, result.failures);
    if (std::string refusal = RefuseSharedOutput(files, output); !refusal.empty()) {
        result.failures.push_back(std::move(refusal));
        return result;
    }
    ReadSections read = ReadAll(files, recipe, options.jobs, cancel, progress);
    if (IsCancelled(cancel)) {
        result.status = MergeStatus::Cancelled;
        return result;
    }
    std::vector<RoadSection> sections;
    std::vector<std::size_t> readIndex; // of each section in read
    for (std::size_t i = 0; i < files.size(); ++i) {
        SectionLoad& load = read.loads[i];
        std::move(load.result.warnings.begin(), load.result.warnings.end(),
                  std::back_inserter(result.warnings));
        if (!load.loaded) {
            result.failures.push_back(std::move(load.result.failure));
            continue;
        }
        if (read.tables[i].RowCount() == 0) {
            result.warnings.push_back("警告: " + ShownPath(files[i]) +
                                      ": 没有数据行，表中没有这个断面");
        }
        sections.push_back(DescribeSection(files[i], load.read.headerText));
        readIndex.push_back(i);
    }
    if (!result.failures.empty() && !options.skipBad) {
        result.failures.push_back("有 " + std::to_string(result.failures.size()) +
                                  " 个输入无法读入，未写入文件: " + ShownPath(output));
        return result;
    }
    MergedTable table(recipe.captions);
    for (const std::size_t k : StakeOrder(sections)) {
        table.Add(sections[k].label, read.tables[readIndex[k]]);
    }
    result.sections = table.SectionCount();
    result.rows = table.RowCount();
    if (result.rows == 0) {
        result.failures.push_back("没有数据行，未写入文件: " + ShownPath(output));
        return result;
    }
    const ExportResult written = WriteMergedFile(output, table, recipe, cancel);
    if (written.cancelled) {
        result.status = MergeStatus::Cancelled;
    } else if (!written.ok) {
        result.failures.push_back(written.error);
    } else {
        result.status = MergeStatus::Written;
        if (written.unencodable > 0) {
            result.warnings.push_back(UnencodableWarning(output, written.unencodable));
        }
    }
    return result;
}

} // namespace quarvel
