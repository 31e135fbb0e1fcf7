#include "exporting/ExportWriter.h"

#include "files/AtomicFile.h"
#include "sectiondata/ShortTextKey.h"
#include "sectiondata/SystemErrorText.h"
#include "sectiondata/TextCodec.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <ostream>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>

namespace quarvel {
namespace {

constexpr std::size_t kChunkSize = std::size_t{1} << 20;
constexpr std::size_t kMaxCachedTexts = 1u << 16;
constexpr std::string_view kLineEnd = "\r\n";

// The file's bytes of non-ASCII cell texts: code page 936, quoted where the
// cell needs it, with the characters each lacked. Notes and layers repeat a
// lot, and forming one text is far dearer than looking it up; the lookup
// takes the cell's text where it lies.
class GbkTextCache {
public:
    struct Formed {
        std::string bytes;
        std::size_t lacking = 0;
    };

    // The entry of utf8, made by form on its first use.
    template <typename Form>
    const Formed& Find(std::string_view utf8, Form&& form) {
        auto found = m_texts.find(utf8);
        if (found == m_texts.end()) {
            if (m_texts.size() >= kMaxCachedTexts) {
                m_texts.clear();
                m_keys.clear();
            }
            m_keys.emplace_back(utf8);
            found = m_texts.emplace(m_keys.back(), form(m_keys.back())).first;
        }
        return found->second;
    }

private:
    std::deque<std::string> m_keys; // the texts the keys view; a deque never moves them
    std::unordered_map<std::string_view, Formed, ShortTextHash> m_texts;
};

// The row count and commas, in either encoding: the form the section tools
// read, which keeps the bytes of the first versions.
bool IsSectionToolsForm(const ExportForm& form) {
    return form.firstLine == FirstLine::Count && form.separator == Separator::Comma;
}

// Turns the UTF-8 text of one cell, just appended to a buffer, into the
// file's bytes in place.
class CellForm {
public:
    explicit CellForm(const ExportForm& form)
        : m_gbk(form.encoding == ExportEncoding::Gbk), m_separator(SeparatorChar(form.separator)),
          m_quoteOnlySeparator(IsSectionToolsForm(form)) {}

    char Separator() const { return m_separator; }
    std::size_t Unencodable() const { return m_unencodable; }

    void Finish(std::string& buffer, std::size_t start) {
        const std::string_view cell = std::string_view(buffer).substr(start);
        if (m_gbk && !IsAscii(cell)) {
            const GbkTextCache::Formed& formed =
                m_cache.Find(cell, [this](std::string_view utf8) { return FormGbk(utf8); });
            m_unencodable += formed.lacking;
            buffer.resize(start);
            buffer += formed.bytes;
        } else if (NeedsQuotes(cell)) {
            m_text.assign(cell);
            buffer.resize(start);
            AppendQuoted(buffer, m_text);
        }
    }

    // Whether the cells of a column may need quotes or another encoding: a
    // number's digits, sign and point are none of the separators, and ASCII.
    static bool MayNeedForm(const TableSource& table, std::size_t column) {
        return !table.IsNumberColumn(column);
    }

private:
    // As RFC 4180 has it, so that spreadsheets and CSV readers keep the cell
    // whole: a quote or a line break would otherwise end it or its row.
    // Cells read from a section file hold no comma, so the section tools'
    // form writes them as they are.
    bool NeedsQuotes(std::string_view cell) const {
        if (m_quoteOnlySeparator) {
            return std::memchr(cell.data(), m_separator, cell.size()) != nullptr;
        }
        return std::any_of(cell.begin(), cell.end(), [this](char c) {
            return c == m_separator || c == '"' || c == '\r' || c == '\n';
        });
    }

    // No code page 936 character has a quote, separator or line break among
    // its bytes, so the UTF-8 text tells whether its bytes need quotes.
    GbkTextCache::Formed FormGbk(std::string_view utf8) const {
        GbkTextCache::Formed formed;
        std::string encoded = EncodeGbk(std::string(utf8), formed.lacking);
        if (NeedsQuotes(utf8)) {
            AppendQuoted(formed.bytes, encoded);
        } else {
            formed.bytes = std::move(encoded);
        }
        return formed;
    }

    // In quotes, a quote inside doubled.
    static void AppendQuoted(std::string& buffer, const std::string& bytes) {
        buffer += '"';
        for (const char c : bytes) {
            if (c == '"') {
                buffer += '"';
            }
            buffer += c;
        }
        buffer += '"';
    }

    bool m_gbk;
    char m_separator;
    bool m_quoteOnlySeparator;
    GbkTextCache m_cache;
    std::string m_text;
    std::size_t m_unencodable = 0;
};

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

// Which columns' cells go through CellForm::Finish.
using FormedColumns = std::vector<unsigned char>; // not vector<bool>: read once per cell

FormedColumns ColumnsToForm(const TableSource& table) {
    FormedColumns formed(table.DataColumnCount());
    for (std::size_t column = 0; column < formed.size(); ++column) {
        formed[column] = CellForm::MayNeedForm(table, column);
    }
    return formed;
}

void AppendRow(std::string& buffer, const TableSource& table, std::size_t row, CellForm& cells,
               const FormedColumns& formed) {
    const std::size_t columnCount = table.DataColumnCount();
    for (std::size_t column = 0; column < columnCount; ++column) {
        if (column > 0) {
            buffer += cells.Separator();
        }
        const std::size_t start = buffer.size();
        table.AppendCellText(buffer, row, column);
        if (formed[column]) {
            cells.Finish(buffer, start);
        }
    }
    buffer += kLineEnd;
}

// Rows made by several threads at once, a block at a time, and handed on in
// order: a few blocks ahead at most, so that the bytes never pile up.
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
            std::string block;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] { return m_done.count(k) != 0; });
                block = std::move(m_done[k]);
                m_done.erase(k);
                m_taken = k + 1;
            }
            m_changed.notify_all();
            accepted = take(block);
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
        CellForm cells(m_form);
        const FormedColumns formed = ColumnsToForm(m_table);
        std::size_t lastSize = 0;
        for (std::size_t k = m_next++; k < m_count; k = m_next++) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] { return m_stop || k < m_taken + kAhead; });
                if (m_stop) {
                    break;
                }
            }
            std::string block;
            // Blocks are alike: room for the last one's bytes spares the
            // copies of a string that grows by doubling.
            block.reserve(lastSize + lastSize / 8);
            const std::size_t first = m_firstRow + k * kRows;
            const std::size_t end = std::min(first + kRows, m_table.RowCount());
            for (std::size_t row = first; row < end; ++row) {
                AppendRow(block, m_table, row, cells, formed);
            }
            lastSize = block.size();
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_done.emplace(k, std::move(block));
            }
            m_changed.notify_all();
        }
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_unencodable += cells.Unencodable();
    }

    static constexpr std::size_t kAhead = 8;

    const TableSource& m_table;
    const ExportForm& m_form;
    std::size_t m_firstRow;
    std::size_t m_count;
    std::atomic<std::size_t> m_next{0};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::size_t, std::string> m_done;
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
    std::string buffer;
    buffer.reserve(kChunkSize + 4096);
    CellForm cells(form);
    if (form.encoding == ExportEncoding::Utf8Bom) {
        buffer += kUtf8Bom;
    }
    AppendFirstLine(buffer, table, form.firstLine, cells);
    const unsigned threads = RowThreads(table);
    const std::size_t rowCount = threads > 1 ? 0 : table.RowCount();
    const FormedColumns formed = ColumnsToForm(table);
    bool accepted = true;
    for (std::size_t row = 0; row < rowCount && accepted; ++row) {
        AppendRow(buffer, table, row, cells, formed);
        if (buffer.size() >= kChunkSize) {
            accepted = sink(std::string_view(buffer));
            buffer.clear();
        }
    }
    if (threads > 1) {
        RowBlocks blocks(table, form, 0);
        // A block is large enough to be written as it is: copying it into the
        // buffer first would cost the one thread that writes a pass over every byte.
        accepted = blocks.Run(threads, unencodable, [&](const std::string& block) {
            if (!buffer.empty() && !sink(std::string_view(buffer))) {
                return false;
            }
            buffer.clear();
            return sink(std::string_view(block));
        });
    }
    accepted = accepted && (buffer.empty() || sink(std::string_view(buffer)));
    unencodable += cells.Unencodable();
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
