#include "exporting/ExportWriter.h"

#include "files/AtomicFile.h"
#include "sectiondata/TextCodec.h"

#include <charconv>
#include <ostream>
#include <string_view>
#include <unordered_map>

namespace quarvel {
namespace {

constexpr std::size_t kChunkSize = std::size_t{1} << 20;
constexpr std::size_t kMaxCachedTexts = 1u << 16;
constexpr std::string_view kLineEnd = "\r\n";

// Code page 936 bytes of the non-ASCII cell texts. Notes and layers repeat a
// lot, and converting one text is far dearer than looking it up.
class GbkTextCache {
public:
    const std::string& Encode(const std::string& utf8) {
        const auto found = m_texts.find(utf8);
        if (found != m_texts.end()) {
            return found->second;
        }
        if (m_texts.size() >= kMaxCachedTexts) {
            m_texts.clear();
        }
        return m_texts.emplace(utf8, EncodeGbk(utf8)).first->second;
    }

private:
    std::unordered_map<std::string, std::string> m_texts;
};

void AppendCount(std::string& out, std::size_t count) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, count).ptr);
}

// Hands the export bytes to sink in large chunks; stops at the first chunk the
// sink refuses.
template <typename Sink>
bool ProduceExport(const TableSource& table, Sink&& sink) {
    std::string buffer;
    buffer.reserve(kChunkSize + 4096);
    GbkTextCache cache;
    std::string utf8;
    const std::size_t rowCount = table.RowCount();
    const std::size_t columnCount = table.DataColumnCount();
    AppendCount(buffer, rowCount);
    buffer += kLineEnd;
    for (std::size_t row = 0; row < rowCount; ++row) {
        for (std::size_t column = 0; column < columnCount; ++column) {
            if (column > 0) {
                buffer += ',';
            }
            const std::size_t start = buffer.size();
            table.AppendCellText(buffer, row, column);
            const std::string_view cell = std::string_view(buffer).substr(start);
            if (!IsAscii(cell)) {
                utf8.assign(cell);
                buffer.resize(start);
                buffer += cache.Encode(utf8);
            }
        }
        buffer += kLineEnd;
        if (buffer.size() >= kChunkSize) {
            if (!sink(std::string_view(buffer))) {
                return false;
            }
            buffer.clear();
        }
    }
    return buffer.empty() || sink(std::string_view(buffer));
}

} // namespace

bool WriteExport(std::ostream& out, const TableSource& table) {
    const bool produced = ProduceExport(table, [&out](std::string_view bytes) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return out.good();
    });
    return produced && out.flush().good();
}

ExportResult WriteExportFile(const std::filesystem::path& target, const TableSource& table) {
    AtomicFile file(target);
    const bool written =
        file.Open() &&
        ProduceExport(table, [&file](std::string_view bytes) { return file.Write(bytes); }) &&
        file.Commit();
    if (!written) {
        return {false, "保存文件失败: " + file.Error(), file.Reason()};
    }
    return {true, {}, {}};
}

} // namespace quarvel
