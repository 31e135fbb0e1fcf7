#include "exporting/ExportWriter.h"

#include "exporting/CellForm.h"
#include "files/AtomicFile.h"
#include "sectiondata/SystemErrorText.h"
#include "sectiondata/TextCodec.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string_view>
#include <thread>
#include <utility>

namespace quarvel {
namespace {

constexpr std::size_t kChunkSize = std::size_t{1} << 20;
constexpr std::string_view kLineEnd = "\r\n";

void AppendCount(std::string& out, std::size_t count) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, count).ptr);
}

void AppendFirstLine(std::string& buffer, const TableSource& table, FirstLine firstLine,
                     CellForm& cells) {
    switch (firstLine) {
    case FirstLine::Count:
        AppendCount(buffer, table.RowCount());
        buffer += kLineEnd;
        break;
    case FirstLine::Captions:
        for (std::size_t column = 0; column < table.DataColumnCount(); ++column) {
            if (column > 0) {
                buffer += cells.Separator();
            }
            const std::size_t start = buffer.size();
            buffer += table.ColumnCaption(column);
            cells.Finish(buffer, start);
        }
        buffer += kLineEnd;
        break;
    case FirstLine::None:
        break;
    }
}

// Bytes that a writer fills in place. The storage only grows: a string's own
// appends check and call on every cell, which costs more than a short cell's
// digits, and growing it again would fill it with zeros each time.
class Bytes {
public:
    std::string_view View() const { return {m_storage.data(), m_used}; }
    std::size_t Size() const { return m_used; }
    void Clear() { m_used = 0; }
    // Room for count bytes in all, made at once rather than by doubling.
    void Reserve(std::size_t count) {
        if (m_storage.size() < count) {
            m_storage.resize(count);
        }
    }

    // Room for count more bytes; Advance says how many were written there.
    char* Room(std::size_t count) {
        if (m_storage.size() - m_used < count) {
            m_storage.resize(std::max(m_storage.size() * 2, m_used + count));
        }
        return m_storage.data() + m_used;
    }
    void Advance(const char* end) { m_used = static_cast<std::size_t>(end - m_storage.data()); }

    void Put(std::string_view text) {
        if (!text.empty()) {
            std::memcpy(Room(text.size()), text.data(), text.size());
            m_used += text.size();
        }
    }

private:
    std::string m_storage;
    std::size_t m_used = 0;
};

// How the cells of a column are made.
enum class CellMaking : unsigned char {
    Number,   // written in place by the table
    Kept,     // a text the table keeps, formed once
    Appended, // made into a string, then formed
};

// One thread's way of writing rows: how each column is made, and the
// strings and forms the cells pass through.
class RowWriter {
public:
    RowWriter(const TableSource& table, const ExportForm& form) : m_table(table), m_cells(form) {
        const std::size_t columns = table.DataColumnCount();
        m_making.reserve(columns);
        for (std::size_t column = 0; column < columns; ++column) {
            m_making.push_back(MakingOf(column));
            m_rowRoom +=
                1 + (m_making.back() == CellMaking::Number ? TableSource::kMaxNumberText : 0);
        }
    }

    std::size_t Unencodable() const { return m_cells.Unencodable(); }

    // The room asked for comes once a row, and again only after a text,
    // whose length no bound covers: enough for every number cell, separator
    // and the line's end.
    void Write(Bytes& out, std::size_t row) {
        char* at = out.Room(m_rowRoom);
        for (std::size_t column = 0; column < m_making.size(); ++column) {
            if (column > 0) {
                *at++ = m_cells.Separator();
            }
            if (m_making[column] == CellMaking::Number) {
                if (char* const end = m_table.WriteNumberText(at, row, column)) {
                    at = end;
                    continue;
                }
            }
            out.Advance(at);
            if (m_making[column] == CellMaking::Kept) {
                if (const std::optional<std::string_view> kept =
                        m_table.KeptCellText(row, column)) {
                    out.Put(m_cells.FormKept(*kept));
                } else {
                    PutAppended(out, row, column);
                }
            } else {
                // Also a cell its table would not make in place after all.
                PutAppended(out, row, column);
            }
            at = out.Room(m_rowRoom);
        }
        std::memcpy(at, kLineEnd.data(), kLineEnd.size());
        out.Advance(at + kLineEnd.size());
    }

private:
    void PutAppended(Bytes& out, std::size_t row, std::size_t column) {
        m_text.clear();
        m_table.AppendCellText(m_text, row, column);
        if (CellForm::MayNeedForm(m_table, column)) {
            m_cells.Finish(m_text, 0);
        }
        out.Put(m_text);
    }

    // Asked of the first row: a table writes a column's cells one way, and
    // the other way only now and then.
    CellMaking MakingOf(std::size_t column) const {
        if (m_table.RowCount() == 0) {
            return CellMaking::Appended;
        }
        if (m_table.IsNumberColumn(column)) {
            char probe[TableSource::kMaxNumberText];
            if (m_table.WriteNumberText(probe, 0, column) != nullptr) {
                return CellMaking::Number;
            }
        } else if (m_table.KeptCellText(0, column)) {
            return CellMaking::Kept;
        }
        return CellMaking::Appended;
    }

    const TableSource& m_table;
    CellForm m_cells;
    std::vector<CellMaking> m_making;
    // The most bytes of a row's number cells, separators and line end.
    std::size_t m_rowRoom = kLineEnd.size();
    std::string m_text;
};

// Rows made by several threads at once, a block at a time, and handed on in
// order: a few blocks ahead at most, so that the bytes never pile up. A block
// handed on comes back to be filled again.
class RowBlocks {
public:
    static constexpr std::size_t kRows = 16384;

    RowBlocks(const TableSource& table, const ExportForm& form, std::size_t firstRow)
        : m_table(table), m_form(form), m_firstRow(firstRow),
          m_count((table.RowCount() - firstRow + kRows - 1) / kRows) {}

    // Runs the threads and hands each block to take, in order, on the calling
    // thread; stops when take returns false. Adds the threads' "?" count.
    template <typename Take>
    bool Run(unsigned threads, std::size_t& unencodable, Take&& take) {
        std::vector<std::thread> workers;
        for (unsigned t = 0; t < threads; ++t) {
            workers.emplace_back([this] { Work(); });
        }
        bool accepted = true;
        for (std::size_t k = 0; k < m_count && accepted; ++k) {
            Bytes block;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] { return m_done.count(k) != 0; });
                block = std::move(m_done[k]);
                m_done.erase(k);
                m_taken = k + 1;
            }
            m_changed.notify_all();
            accepted = take(block.View());
            block.Clear();
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_spare.push_back(std::move(block));
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        for (std::thread& worker : workers) {
            worker.join();
        }
        unencodable += m_unencodable;
        return accepted;
    }

private:
    void Work() {
        RowWriter rows(m_table, m_form);
        std::size_t lastSize = 0;
        for (std::size_t k = m_next++; k < m_count; k = m_next++) {
            Bytes block;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] { return m_stop || k < m_taken + kAhead; });
                if (m_stop) {
                    break;
                }
                if (!m_spare.empty()) {
                    block = std::move(m_spare.back());
                    m_spare.pop_back();
                }
            }
            // Blocks are alike: room for the last one's bytes spares the
            // copies of storage that grows by doubling.
            block.Reserve(lastSize + lastSize / 8);
            const std::size_t first = m_firstRow + k * kRows;
            const std::size_t end = std::min(first + kRows, m_table.RowCount());
            for (std::size_t row = first; row < end; ++row) {
                rows.Write(block, row);
            }
            lastSize = block.Size();
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_done.emplace(k, std::move(block));
            }
            m_changed.notify_all();
        }
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_unencodable += rows.Unencodable();
    }

    static constexpr std::size_t kAhead = 8;

    const TableSource& m_table;
    const ExportForm& m_form;
    std::size_t m_firstRow;
    std::size_t m_count;
    std::atomic<std::size_t> m_next{0};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::size_t, Bytes> m_done;
    std::vector<Bytes> m_spare;
    std::size_t m_taken = 0;
    bool m_stop = false;
    std::size_t m_unencodable = 0;
};

// Threads for a table large enough to be worth them; one for any other.
unsigned RowThreads(const TableSource& table) {
    if (!table.CellsFromAnyThread() || table.RowCount() < 4 * RowBlocks::kRows) {
        return 1;
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

// Hands the export bytes to sink in large chunks; stops at the first chunk the
// sink refuses. Adds the characters written as "?" to unencodable.
template <typename Sink>
bool ProduceExport(const TableSource& table, const ExportForm& form, Sink&& sink,
                   std::size_t& unencodable) {
    std::string head;
    CellForm cells(form);
    if (form.encoding == ExportEncoding::Utf8Bom) {
        head += kUtf8Bom;
    }
    AppendFirstLine(head, table, form.firstLine, cells);
    unencodable += cells.Unencodable();
    const unsigned threads = RowThreads(table);
    if (threads > 1) {
        if (!head.empty() && !sink(std::string_view(head))) {
            return false;
        }
        // A block is large enough to be written as it is: copying it into a
        // chunk first would cost the one thread that writes a pass over every byte.
        RowBlocks blocks(table, form, 0);
        return blocks.Run(threads, unencodable,
                          [&](std::string_view block) { return sink(block); });
    }
    RowWriter rows(table, form);
    Bytes chunk;
    chunk.Put(head);
    bool accepted = true;
    for (std::size_t row = 0; row < table.RowCount() && accepted; ++row) {
        rows.Write(chunk, row);
        if (chunk.Size() >= kChunkSize) {
            accepted = sink(chunk.View());
            chunk.Clear();
        }
    }
    accepted = accepted && (chunk.Size() == 0 || sink(chunk.View()));
    unencodable += rows.Unencodable();
    return accepted;
}

bool Cancelled(const CancelFlag* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

} // namespace

bool WriteExport(std::ostream& out, const TableSource& table, const ExportForm& form,
                 std::size_t* unencodable) {
    std::size_t lacking = 0;
    const bool produced = ProduceExport(
        table, form,
        [&out](std::string_view bytes) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            return out.good();
        },
        lacking);
    if (unencodable != nullptr) {
        *unencodable += lacking;
    }
    return produced && out.flush().good();
}

ExportResult WriteExportUncommitted(AtomicFile& file, const TableSource& table,
                                    const ExportForm& form, const CancelFlag* cancel) {
    ExportResult result;
    const auto write = [&file, cancel](std::string_view bytes) {
        return !Cancelled(cancel) && file.Write(bytes);
    };
    result.ok = file.Open() && ProduceExport(table, form, write, result.unencodable);
    return result;
}

ExportResult CommitExport(AtomicFile& file, ExportResult written, const CancelFlag* cancel,
                          bool syncFolder) {
    written.ok = written.ok && !Cancelled(cancel) && file.Commit(syncFolder);
    return ExportOutcome(file, std::move(written), cancel);
}

ExportResult ExportOutcome(const AtomicFile& file, ExportResult written, const CancelFlag* cancel) {
    written.ok = written.ok && file.Committed();
    if (!written.ok) {
        written.cancelled = Cancelled(cancel) && file.Error().empty();
        written.reason = written.cancelled ? "已取消" : file.Reason();
        written.error = "保存文件失败: " +
                        (written.cancelled ? ShownPath(file.Target()) + ": 已取消" : file.Error());
    }
    return written;
}

ExportResult WriteExportFile(const std::filesystem::path& target, const TableSource& table,
                             const ExportForm& form, const CancelFlag* cancel) {
    AtomicFile file(target);
    return CommitExport(file, WriteExportUncommitted(file, table, form, cancel), cancel);
}

} // namespace quarvel
