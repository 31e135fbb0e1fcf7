#include "exporting/ExportForm.h"

#include <array>
#include <utility>

namespace quarvel {
namespace {

constexpr std::array<std::pair<ExportEncoding, std::string_view>, 2> kEncodings = {{
    {ExportEncoding::Gbk, "gbk"},
    {ExportEncoding::Utf8Bom, "utf8-bom"},
}};
constexpr std::array<std::pair<FirstLine, std::string_view>, 3> kFirstLines = {{
    {FirstLine::Count, "count"},
    {FirstLine::Captions, "captions"},
    {FirstLine::None, "none"},
}};
constexpr std::array<std::pair<Separator, std::string_view>, 3> kSeparators = {{
    {Separator::Comma, "comma"},
    {Separator::Tab, "tab"},
    {Separator::Semicolon, "semicolon"},
}};
constexpr std::array<std::pair<FileFormat, std::string_view>, 2> kFileFormats = {{
    {FileFormat::Text, "csv"},
    {FileFormat::Workbook, "xlsx"},
}};

template <typename Value, std::size_t N>
std::string_view NameOf(const std::array<std::pair<Value, std::string_view>, N>& names,
                        Value value) {
    for (const auto& [known, name] : names) {
        if (known == value) {
            return name;
        }
    }
    return names.front().second;
}

template <typename Value, std::size_t N>
std::optional<Value> ValueOf(const std::array<std::pair<Value, std::string_view>, N>& names,
                             std::string_view name) {
    for (const auto& [value, known] : names) {
        if (known == name) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace

char SeparatorChar(Separator separator) {
    switch (separator) {
    case Separator::Tab:
        return '\t';
    case Separator::Semicolon:
        return ';';
    case Separator::Comma:
        break;
    }
    return ',';
}

FileFormat FileFormatOf(const std::filesystem::path& file) {
    std::string extension = file.extension().u8string();
    for (char& c : extension) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return extension == ".xlsx" ? FileFormat::Workbook : FileFormat::Text;
}

std::string_view FileFormatExtension(FileFormat format) {
    return format == FileFormat::Workbook ? ".xlsx" : ".csv";
}

std::string_view EncodingName(ExportEncoding encoding) {
    return NameOf(kEncodings, encoding);
}

std::string_view FirstLineName(FirstLine firstLine) {
    return NameOf(kFirstLines, firstLine);
}

std::string_view SeparatorName(Separator separator) {
    return NameOf(kSeparators, separator);
}

std::string_view FileFormatName(FileFormat format) {
    return NameOf(kFileFormats, format);
}

std::optional<ExportEncoding> EncodingFromName(std::string_view name) {
    return ValueOf(kEncodings, name);
}

std::optional<FirstLine> FirstLineFromName(std::string_view name) {
    return ValueOf(kFirstLines, name);
}

std::optional<Separator> SeparatorFromName(std::string_view name) {
    return ValueOf(kSeparators, name);
}

std::optional<FileFormat> FileFormatFromName(std::string_view name) {
    return ValueOf(kFileFormats, name);
}

} // namespace quarvel
