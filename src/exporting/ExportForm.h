#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace quarvel {

// The forms of the export file that receiving programs need. The defaults
// give the export of the first versions byte for byte.
enum class ExportEncoding {
    Gbk,     // code page 936, no byte-order mark
    Utf8Bom, // UTF-8 starting with EF BB BF, for characters GBK lacks
};

enum class FirstLine {
    Count,    // the number of rows
    Captions, // the data columns' captions
    None,     // the first row
};

enum class Separator { Comma, Tab, Semicolon };

struct ExportForm {
    ExportEncoding encoding = ExportEncoding::Gbk;
    FirstLine firstLine = FirstLine::Count;
    Separator separator = Separator::Comma;

    bool operator==(const ExportForm& other) const {
        return encoding == other.encoding && firstLine == other.firstLine &&
               separator == other.separator;
    }
    bool operator!=(const ExportForm& other) const { return !(*this == other); }
};

// The kind of file an export writes: text in the form above, or an Excel
// workbook, which needs no form.
enum class FileFormat { Text, Workbook };

char SeparatorChar(Separator separator);

// What a file's name asks for: a workbook for ".xlsx" (in any case), text
// for anything else.
FileFormat FileFormatOf(const std::filesystem::path& file);
// The extension an output of the format gets when the user names none:
// ".csv" or ".xlsx".
std::string_view FileFormatExtension(FileFormat format);

// The names of the choices on the command line and in the settings file:
// "gbk", "utf8-bom"; "count", "captions", "none"; "comma", "tab", "semicolon".
std::string_view EncodingName(ExportEncoding encoding);
std::string_view FirstLineName(FirstLine firstLine);
std::string_view SeparatorName(Separator separator);
// "csv" (text in any form) or "xlsx".
std::string_view FileFormatName(FileFormat format);

// Nothing for a name that is none of the above (case matters).
std::optional<ExportEncoding> EncodingFromName(std::string_view name);
std::optional<FirstLine> FirstLineFromName(std::string_view name);
std::optional<Separator> SeparatorFromName(std::string_view name);
std::optional<FileFormat> FileFormatFromName(std::string_view name);

} // namespace quarvel
