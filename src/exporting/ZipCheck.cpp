#include "exporting/ZipCheck.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

namespace quarvel {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kMaxComment = 65535;
constexpr std::size_t kChunk = std::size_t{1} << 18;
constexpr std::size_t kKeptHead = 512;
constexpr std::size_t kKeptTail = 64;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;

const std::string kBroken = "文件写入不完整（磁盘可能已满）";

std::uint32_t Le(const char* bytes, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return value;
}

struct Entry {
    std::string name;
    std::uint16_t method = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t localOffset = 0;
};

bool ReadAt(std::ifstream& in, std::uint64_t offset, char* buffer, std::size_t size) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(buffer, static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in.gcount()) == size;
}

// The archive's directory, read from its end record.
std::optional<std::vector<Entry>> Directory(std::ifstream& in, std::uint64_t fileSize) {
    const std::size_t tailSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSize + kMaxComment));
    std::string tail(tailSize, '\0');
    if (tailSize < kEndSize || !ReadAt(in, fileSize - tailSize, tail.data(), tailSize)) {
        return std::nullopt;
    }
    std::size_t end = tailSize - kEndSize + 1;
    do {
        --end;
    } while (end > 0 && Le(&tail[end], 4) != kEndSignature);
    if (Le(&tail[end], 4) != kEndSignature) {
        return std::nullopt;
    }
    const std::uint32_t count = Le(&tail[end + 10], 2);
    const std::uint32_t size = Le(&tail[end + 12], 4);
    const std::uint32_t offset = Le(&tail[end + 16], 4);
    std::string directory(size, '\0');
    if (!ReadAt(in, offset, directory.data(), size)) {
        return std::nullopt;
    }
    std::vector<Entry> entries;
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at + kCentralSize > size || Le(&directory[at], 4) != kCentralSignature) {
            return std::nullopt;
        }
        const char* header = &directory[at];
        Entry entry;
        entry.method = static_cast<std::uint16_t>(Le(header + 10, 2));
        entry.compressedSize = Le(header + 20, 4);
        entry.localOffset = Le(header + 42, 4);
        const std::size_t nameSize = Le(header + 28, 2);
        const std::size_t rest = nameSize + Le(header + 30, 2) + Le(header + 32, 2);
        if (at + kCentralSize + rest > size) {
            return std::nullopt;
        }
        entry.name.assign(header + kCentralSize, nameSize);
        entries.push_back(std::move(entry));
        at += kCentralSize + rest;
    }
    return entries;
}

// Hands an entry's content to keep, piece by piece; false when it cannot be
// read or unpacked to its end.
template <typename Keep>
bool Unpack(std::ifstream& in, const Entry& entry, Keep&& keep) {
    char local[kLocalSize];
    if (!ReadAt(in, entry.localOffset, local, kLocalSize) || Le(local, 4) != kLocalSignature) {
        return false;
    }
    in.seekg(static_cast<std::streamoff>(entry.localOffset + kLocalSize + Le(local + 26, 2) +
                                         Le(local + 28, 2)));
    std::vector<char> packed(kChunk);
    std::vector<char> unpacked(kChunk);
    z_stream stream{};
    if (entry.method == kDeflated && inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        return false;
    }
    std::uint64_t left = entry.compressedSize;
    int status = Z_OK;
    while (left > 0 && status == Z_OK) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunk));
        if (!in.read(packed.data(), static_cast<std::streamsize>(piece))) {
            status = Z_DATA_ERROR;
            break;
        }
        left -= piece;
        if (entry.method == kStored) {
            keep(packed.data(), piece);
            continue;
        }
        stream.next_in = reinterpret_cast<Bytef*>(packed.data());
        stream.avail_in = static_cast<uInt>(piece);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(unpacked.data());
            stream.avail_out = static_cast<uInt>(kChunk);
            status = inflate(&stream, Z_NO_FLUSH);
            keep(unpacked.data(), kChunk - stream.avail_out);
        } while (status == Z_OK && stream.avail_out == 0);
    }
    if (entry.method == kDeflated) {
        inflateEnd(&stream);
        return status == Z_STREAM_END;
    }
    return entry.method == kStored && status == Z_OK;
}

// Whether the XML text that starts with head ends with tail as a whole
// document does: the end tag of its first element.
bool WholeXml(std::string_view head, std::string_view tail) {
    std::size_t start = head.find('<');
    while (start != std::string_view::npos && start + 1 < head.size() &&
           (head[start + 1] == '?' || head[start + 1] == '!')) {
        start = head.find('<', start + 1);
    }
    if (start == std::string_view::npos) {
        return false;
    }
    const std::size_t nameEnd = head.find_first_of(" \t\r\n/>", start + 1);
    if (nameEnd == std::string_view::npos) {
        return false;
    }
    const std::string endTag =
        "</" + std::string(head.substr(start + 1, nameEnd - start - 1)) + ">";
    const std::size_t last = tail.find_last_not_of(" \t\r\n");
    if (last == std::string_view::npos) {
        return false;
    }
    tail = tail.substr(0, last + 1);
    return tail.size() >= endTag.size() && tail.substr(tail.size() - endTag.size()) == endTag;
}

bool IsXmlPart(std::string_view name) {
    const auto endsWith = [name](std::string_view suffix) {
        return name.size() >= suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
    };
    return endsWith(".xml") || endsWith(".rels");
}

std::optional<std::vector<Entry>> DirectoryOf(std::ifstream& in,
                                              const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (!in || error) {
        return std::nullopt;
    }
    return Directory(in, size);
}

} // namespace

std::string IncompleteZipPart(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::optional<std::vector<Entry>> entries = DirectoryOf(in, file);
    if (!entries || entries->empty()) {
        return kBroken;
    }
    for (const Entry& entry : *entries) {
        if (!IsXmlPart(entry.name)) {
            continue;
        }
        std::string head;
        std::string tail;
        const auto keep = [&head, &tail](const char* bytes, std::size_t size) {
            head.append(bytes, std::min(size, kKeptHead - std::min(head.size(), kKeptHead)));
            tail.append(bytes, size);
            if (tail.size() > kKeptTail) {
                tail.erase(0, tail.size() - kKeptTail);
            }
        };
        if (!Unpack(in, entry, keep) || !WholeXml(head, tail)) {
            return kBroken + ": " + entry.name;
        }
    }
    return {};
}

std::optional<std::string> ReadZipPart(const std::filesystem::path& file, std::string_view name) {
    std::ifstream in(file, std::ios::binary);
    const std::optional<std::vector<Entry>> entries = DirectoryOf(in, file);
    const auto found = !entries ? std::vector<Entry>::const_iterator{}
                                : std::find_if(entries->begin(), entries->end(),
                                               [name](const Entry& e) { return e.name == name; });
    std::string content;
    if (!entries || found == entries->end() ||
        !Unpack(in, *found,
                [&content](const char* bytes, std::size_t size) { content.append(bytes, size); })) {
        return std::nullopt;
    }
    return content;
}

} // namespace quarvel
