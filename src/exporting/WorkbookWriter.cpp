#include "exporting/WorkbookWriter.h"

#include "exporting/ZipCheck.h"

#include "files/AtomicFile.h"
#include "sectiondata/SystemErrorText.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

#ifndef _WIN32
#include <locale.h>
#endif

namespace quarvel {
namespace {

// Rows between two looks at the cancel flag.
constexpr std::size_t kRowsBetweenCancelChecks = 1024;
// Excel holds 15 significant digits; a text with more stays text, whole.
constexpr int kMaxSignificantDigits = 15;
// Excel's widest column, in the widths of a digit.
constexpr double kMaxColumnWidth = 255;
// The room Excel leaves beside a cell's text, and the bold captions' extra.
constexpr double kColumnPadding = 2;

bool Cancelled(const CancelFlag* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

// A cell text that is a number as the table shows one: an optional "-",
// digits, and optionally "." and more digits.
struct ShownNumber {
    double value = 0;
    int decimals = 0;
    bool negativeZero = false; // "-0.000": a value that rounds to zero from below
};

std::optional<ShownNumber> ReadShownNumber(std::string_view text) {
    std::size_t at = text.empty() || text.front() != '-' ? 0 : 1;
    const std::size_t digitsStart = at;
    int decimals = -1;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && decimals < 0 && at > digitsStart) {
            decimals = 0;
        } else if (c >= '0' && c <= '9') {
            decimals += decimals >= 0 ? 1 : 0;
        } else {
            return std::nullopt;
        }
    }
    if (at == digitsStart || decimals == 0) {
        return std::nullopt;
    }
    ShownNumber number;
    number.decimals = std::max(decimals, 0);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number.value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    // The digits from the first that is not zero, without the zeros that end a fraction.
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9' && (c != '0' || !digits.empty())) {
            digits += c;
        }
    }
    if (number.decimals > 0) {
        const std::size_t zeros = text.size() - 1 - text.find_last_not_of('0');
        digits.resize(digits.size() - std::min(zeros, digits.size()));
    }
    if (static_cast<int>(digits.size()) > kMaxSignificantDigits) {
        return std::nullopt;
    }
    number.negativeZero = number.value == 0 && text.front() == '-';
    number.value += 0.0; // no "-0" in the file: Excel keeps no sign of zero
    return number;
}

// The columns a text takes in Excel's default font: two for a character of
// the wide scripts (Chinese among them), one for any other.
std::size_t DisplayWidth(std::string_view utf8) {
    std::size_t width = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            ++width;
        } else if (byte >= 0xE0) {
            width += 2; // the lead byte of a character from U+0800 on
        } else if (byte >= 0xC0) {
            ++width;
        }
    }
    return width;
}

std::string LibraryReason(lxw_error error, int systemError) {
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return "内存不足";
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
        return "单元格文字超过 Excel 的 32767 个字符";
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
        if (systemError != 0) {
            return SystemErrorText(systemError);
        }
        break;
    default:
        break;
    }
    return std::string("Excel 文件库出错: ") + lxw_strerror(error);
}

#ifndef _WIN32
// The library prints numbers with printf, whose decimal point is the
// locale's: a window's locale (Qt sets the user's) may make it a comma, which
// no spreadsheet reads. The thread writes in the C locale meanwhile.
class CLocaleOnThisThread {
public:
    CLocaleOnThisThread()
        : m_c(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))),
          m_previous(m_c != nullptr ? uselocale(m_c) : nullptr) {}
    ~CLocaleOnThisThread() {
        if (m_c != nullptr) {
            uselocale(m_previous);
            freelocale(m_c);
        }
    }
    CLocaleOnThisThread(const CLocaleOnThisThread&) = delete;
    CLocaleOnThisThread& operator=(const CLocaleOnThisThread&) = delete;

private:
    locale_t m_c;
    locale_t m_previous;
};
#else
// The Windows runtime keeps the C locale unless the program sets another,
// which Quarvel never does.
struct CLocaleOnThisThread {};
#endif

// A workbook being written; one that is not closed is given up, leaving no
// temporary file of the library's open.
class Workbook {
public:
    Workbook(const std::string& path, const std::string& temporaryFolder)
        : m_temporaryFolder(temporaryFolder.begin(), temporaryFolder.end()) {
        m_temporaryFolder.push_back('\0');
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_temporaryFolder.data();
        m_book = workbook_new_opt(path.c_str(), &options);
    }
    ~Workbook() {
        if (m_book == nullptr) {
            return;
        }
        // The library closes a sheet's stream of rows only when it writes
        // the file.
        for (lxw_worksheet* sheet : m_sheets) {
            if (sheet->optimize_tmpfile != nullptr) {
                fclose(sheet->optimize_tmpfile);
                sheet->optimize_tmpfile = nullptr;
                sheet->file = nullptr;
            }
        }
        lxw_workbook_free(m_book);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_workbook* Get() const { return m_book; }

    lxw_worksheet* AddSheet(const std::string& name) {
        lxw_worksheet* sheet = workbook_add_worksheet(m_book, name.c_str());
        if (sheet != nullptr) {
            m_sheets.push_back(sheet);
        }
        return sheet;
    }

    // The system's reason when a sheet's stream of rows could not be written
    // whole (the library goes on regardless), or 0.
    int RowStreamError() const {
        for (lxw_worksheet* sheet : m_sheets) {
            FILE* rows = sheet->optimize_tmpfile;
            errno = 0;
            if (rows != nullptr && (fflush(rows) != 0 || ferror(rows) != 0)) {
                return errno != 0 ? errno : EIO;
            }
        }
        return 0;
    }

    // Writes the file; the workbook is gone afterwards, whatever the result.
    lxw_error Close() { return workbook_close(std::exchange(m_book, nullptr)); }

private:
    std::vector<char> m_temporaryFolder; // the library takes it as char*
    lxw_workbook* m_book = nullptr;
    std::vector<lxw_worksheet*> m_sheets;
};

// The cell formats of a workbook: the captions' and one per number format.
class CellFormats {
public:
    explicit CellFormats(lxw_workbook* book) : m_book(book) {
        m_caption = workbook_add_format(book);
        format_set_bold(m_caption);
    }

    lxw_format* Caption() const { return m_caption; }

    // "0", "0.0", "0.00", ...; a zero shown as "-0.000" keeps its sign.
    lxw_format* ForNumber(const ShownNumber& number) {
        const auto key = std::make_pair(number.decimals, number.negativeZero);
        auto found = m_numbers.find(key);
        if (found == m_numbers.end()) {
            std::string code = number.negativeZero ? "\\-0" : "0";
            if (number.decimals > 0) {
                code += '.' + std::string(static_cast<std::size_t>(number.decimals), '0');
            }
            lxw_format* format = workbook_add_format(m_book);
            format_set_num_format(format, code.c_str());
            found = m_numbers.emplace(key, format).first;
        }
        return found->second;
    }

private:
    lxw_workbook* m_book;
    lxw_format* m_caption = nullptr;
    std::map<std::pair<int, bool>, lxw_format*> m_numbers;
};

// Writes one table into a sheet; the first error ends it.
class SheetWriter {
public:
    SheetWriter(lxw_worksheet* sheet, const TableSource& table, CellFormats& formats)
        : m_sheet(sheet), m_table(table), m_formats(formats), m_widths(table.DataColumnCount(), 0) {
        for (std::size_t column = 0; column < table.DataColumnCount(); ++column) {
            m_numberColumns.push_back(table.IsNumberColumn(column));
        }
    }

    lxw_error Write(const CancelFlag* cancel, bool& cancelled) {
        lxw_error error = WriteCaptions();
        const std::size_t rows = m_table.RowCount();
        for (std::size_t row = 0; row < rows && error == LXW_NO_ERROR; ++row) {
            if (row % kRowsBetweenCancelChecks == 0 && Cancelled(cancel)) {
                cancelled = true;
                return LXW_NO_ERROR;
            }
            error = WriteRow(row);
        }
        if (error != LXW_NO_ERROR) {
            return error;
        }
        worksheet_freeze_panes(m_sheet, 1, 0);
        return SetWidths();
    }

private:
    lxw_error WriteCaptions() {
        lxw_error error = LXW_NO_ERROR;
        for (std::size_t column = 0; column < m_widths.size() && error == LXW_NO_ERROR; ++column) {
            const std::string caption = m_table.ColumnCaption(column);
            m_widths[column] = DisplayWidth(caption) + 1; // bold is wider
            error = worksheet_write_string(m_sheet, 0, static_cast<lxw_col_t>(column),
                                           caption.c_str(), m_formats.Caption());
        }
        return error;
    }

    lxw_error WriteRow(std::size_t row) {
        const auto sheetRow = static_cast<lxw_row_t>(row + 1);
        for (std::size_t column = 0; column < m_widths.size(); ++column) {
            m_text.clear();
            m_table.AppendCellText(m_text, row, column);
            if (m_text.empty()) {
                continue;
            }
            m_widths[column] = std::max(m_widths[column], DisplayWidth(m_text));
            const auto sheetColumn = static_cast<lxw_col_t>(column);
            const std::optional<ShownNumber> number =
                m_numberColumns[column] ? ReadShownNumber(m_text) : std::nullopt;
            const lxw_error error =
                number ? worksheet_write_number(m_sheet, sheetRow, sheetColumn, number->value,
                                                m_formats.ForNumber(*number))
                       : worksheet_write_string(m_sheet, sheetRow, sheetColumn, m_text.c_str(),
                                                nullptr);
            if (error != LXW_NO_ERROR) {
                return error;
            }
        }
        return LXW_NO_ERROR;
    }

    lxw_error SetWidths() {
        for (std::size_t column = 0; column < m_widths.size(); ++column) {
            const double width =
                std::min(kMaxColumnWidth, static_cast<double>(m_widths[column]) + kColumnPadding);
            const auto sheetColumn = static_cast<lxw_col_t>(column);
            const lxw_error error =
                worksheet_set_column(m_sheet, sheetColumn, sheetColumn, width, nullptr);
            if (error != LXW_NO_ERROR) {
                return error;
            }
        }
        return LXW_NO_ERROR;
    }

    lxw_worksheet* m_sheet;
    const TableSource& m_table;
    CellFormats& m_formats;
    std::vector<std::size_t> m_widths;
    std::vector<bool> m_numberColumns;
    std::string m_text;
};

// Writes the sheets into the file the library opens by name. False with the
// file abandoned for the reason on failure; false and cancelled on a cancel.
bool WriteSheets(AtomicFile& file, const std::vector<WorkbookSheet>& sheets,
                 const CancelFlag* cancel, bool& cancelled) {
    [[maybe_unused]] const CLocaleOnThisThread cLocale;
    Workbook book(file.LibraryPath(), file.LibraryFolder());
    if (book.Get() == nullptr) {
        file.Abandon("内存不足");
        return false;
    }
    CellFormats formats(book.Get());
    for (const WorkbookSheet& entry : sheets) {
        if (entry.name.empty() ||
            workbook_validate_sheet_name(book.Get(), entry.name.c_str()) != LXW_NO_ERROR) {
            file.Abandon("工作表名称无效: " + entry.name);
            return false;
        }
        errno = 0;
        lxw_worksheet* sheet = book.AddSheet(entry.name);
        if (sheet == nullptr) {
            file.Abandon(LibraryReason(LXW_ERROR_CREATING_TMPFILE, errno));
            return false;
        }
        errno = 0;
        const lxw_error error = SheetWriter(sheet, *entry.table, formats).Write(cancel, cancelled);
        if (error != LXW_NO_ERROR) {
            file.Abandon(LibraryReason(error, errno));
            return false;
        }
        if (cancelled) {
            return false;
        }
    }
    if (const int rowError = book.RowStreamError()) {
        file.Abandon(SystemErrorText(rowError));
        return false;
    }
    errno = 0;
    const lxw_error error = book.Close();
    if (error != LXW_NO_ERROR) {
        file.Abandon(LibraryReason(error, errno));
        return false;
    }
    const std::string incomplete =
        file.TemporaryPath().empty() ? std::string() : IncompleteZipPart(file.TemporaryPath());
    if (!incomplete.empty()) {
        file.Abandon(incomplete);
        return false;
    }
    return true;
}

} // namespace

std::string WorkbookLimitProblem(const std::vector<WorkbookSheet>& sheets) {
    for (const WorkbookSheet& sheet : sheets) {
        const std::size_t rows = sheet.table->RowCount();
        if (rows >= kWorkbookMaxRows) {
            return "工作表“" + sheet.name + "”有 " + std::to_string(rows) +
                   " 行数据，加上标题行超过 Excel 每个工作表 " + std::to_string(kWorkbookMaxRows) +
                   " 行的上限，请导出为 CSV";
        }
        const std::size_t columns = sheet.table->DataColumnCount();
        if (columns > kWorkbookMaxColumns) {
            return "工作表“" + sheet.name + "”有 " + std::to_string(columns) +
                   " 列，超过 Excel 每个工作表 " + std::to_string(kWorkbookMaxColumns) +
                   " 列的上限，请导出为 CSV";
        }
    }
    return {};
}

ExportResult WriteWorkbookUncommitted(AtomicFile& file, const std::vector<WorkbookSheet>& sheets,
                                      const CancelFlag* cancel) {
    ExportResult result;
    const std::string problem = WorkbookLimitProblem(sheets);
    if (!problem.empty()) {
        file.Abandon(problem);
        return result;
    }
    if (Cancelled(cancel) || !file.OpenForLibrary()) {
        return result;
    }
    bool cancelled = false;
    result.ok = WriteSheets(file, sheets, cancel, cancelled);
    return result;
}

ExportResult WriteWorkbookFile(const std::filesystem::path& target,
                               const std::vector<WorkbookSheet>& sheets, const CancelFlag* cancel) {
    AtomicFile file(target);
    return CommitExport(file, WriteWorkbookUncommitted(file, sheets, cancel), cancel);
}

} // namespace quarvel
