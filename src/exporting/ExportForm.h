#pragma once

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

char SeparatorChar(Separator separator);

// The names of the choices on the command line and in the settings file:
// "gbk", "utf8-bom"; "count", "captions", "none"; "comma", "tab", "semicolon".
std::string_view EncodingName(ExportEncoding encoding);
std::string_view FirstLineName(FirstLine firstLine);
std::string_view SeparatorName(Separator separator);

// Nothing for a name that is none of the above (case matters).
std::optional<ExportEncoding> EncodingFromName(std::string_view name);
std::optional<FirstLine> FirstLineFromName(std::string_view name);
std::optional<Separator> SeparatorFromName(std::string_view name);

} // namespace quarvel
