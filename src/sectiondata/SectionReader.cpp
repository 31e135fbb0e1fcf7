#include "sectiondata/SectionReader.h"

#include "sectiondata/LineReader.h"
#include "sectiondata/SectionPieces.h"
#include "sectiondata/SystemErrorText.h"
#include "sectiondata/TextFieldDecoder.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <istream>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>

#include <sys/stat.h>

namespace quarvel {
namespace {

SectionReadResult Failure(ReadStatus status, std::string error) {
    SectionReadResult result;
    result.status = status;
    result.error = std::move(error);
    return result;
}

SectionReadResult OutOfMemory() {
    return Failure(ReadStatus::ReadFailed, "内存不足，无法读入整个文件");
}

// A file too large for the memory must not end the program.
template <typename Read>
SectionReadResult WithinMemory(Read&& read) {
    try {
        return read();
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    } catch (const std::length_error&) {
        return OutOfMemory();
    }
}

SectionReadResult ReadBytes(std::string_view bytes, const ReadProgress& progress,
                            const ReadOptions& options) {
    return ReadSectionBytes({bytes, nullptr, bytes.size()}, progress, options);
}

// A pipe or a device cannot be read twice: it is taken whole, as it comes.
SectionReadResult ReadStream(std::FILE* file, const ReadProgress& progress,
                             const ReadOptions& options) {
    std::string bytes;
    char buffer[1 << 16];
    std::size_t got = sizeof buffer;
    // fread stops short only at the end of the stream or on a failed read.
    while (got == sizeof buffer) {
        errno = 0;
        got = std::fread(buffer, 1, sizeof buffer, file);
        bytes.append(buffer, got);
    }
    if (std::ferror(file)) {
        return ReadFailure(errno);
    }
    return ReadBytes(bytes, progress, options);
}

enum class FileKind { Regular, Folder, Stream };

// What an opened file is; size is set for a regular file.
FileKind KindOf(std::FILE* file, std::size_t& size) {
#ifdef _WIN32
    struct _stat64 status {};
    if (_fstat64(_fileno(file), &status) != 0) {
        return FileKind::Stream;
    }
    const bool regular = (status.st_mode & _S_IFMT) == _S_IFREG;
    const bool folder = (status.st_mode & _S_IFMT) == _S_IFDIR;
#else
    struct stat status {};
    if (::fstat(fileno(file), &status) != 0) {
        return FileKind::Stream;
    }
    const bool regular = S_ISREG(status.st_mode);
    const bool folder = S_ISDIR(status.st_mode);
#endif
    size = static_cast<std::size_t>(status.st_size);
    return regular ? FileKind::Regular : folder ? FileKind::Folder : FileKind::Stream;
}

SectionReadResult NamesAFolder() {
    return Failure(ReadStatus::CannotOpen,
                   SystemErrorText(std::make_error_code(std::errc::is_a_directory)));
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenedFile = std::unique_ptr<std::FILE, FileCloser>;

// The file opened for reading bytes, or null with the reason in failure.
OpenedFile OpenForReading(const std::filesystem::path& path, SectionReadResult& failure) {
#ifdef _WIN32
    OpenedFile file(_wfopen(path.c_str(), L"rb"));
#else
    OpenedFile file(std::fopen(path.c_str(), "rb"));
#endif
    if (!file) {
        const int reason = errno;
        // Windows refuses to open a folder as access denied, which would send
        // the user after permissions; POSIX opens it, and the open file tells.
        std::error_code ignored;
        failure = std::filesystem::is_directory(path, ignored)
                      ? NamesAFolder()
                      : Failure(ReadStatus::CannotOpen, SystemErrorText(reason));
    }
    return file;
}

SectionHead HeadFailure(SectionReadResult failure) {
    SectionHead head;
    head.status = failure.status;
    head.error = std::move(failure.error);
    return head;
}

} // namespace

const char* VersionText(SectionFileVersion version) {
    switch (version) {
    case SectionFileVersion::V3_0:
        return "3.0";
    case SectionFileVersion::V3_6:
        return "3.6";
    case SectionFileVersion::V3_8:
        return "3.8";
    }
    return "";
}

SectionReadResult ReadSectionFile(std::string_view bytes, const ReadProgress& progress,
                                  const ReadOptions& options) {
    return WithinMemory([&] { return ReadBytes(bytes, progress, options); });
}

SectionReadResult ReadSectionFile(std::istream& in, const ReadProgress& progress,
                                  const ReadOptions& options) {
    return WithinMemory([&] {
        std::string bytes;
        // A seekable stream tells its size, which saves growing the buffer.
        const std::istream::pos_type start = in.tellg();
        if (start != std::istream::pos_type(-1) && in.seekg(0, std::ios::end)) {
            const std::istream::pos_type end = in.tellg();
            if (end != std::istream::pos_type(-1) && end > start) {
                bytes.reserve(static_cast<std::size_t>(end - start));
            }
            in.seekg(start);
        }
        in.clear(in.rdstate() & ~std::ios::failbit);
        char buffer[1 << 16];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        }
        if (in.bad()) {
            return Failure(ReadStatus::ReadFailed, "读取数据流失败");
        }
        return ReadBytes(bytes, progress, options);
    });
}

SectionReadResult ReadSectionFile(std::FILE* file, const ReadProgress& progress,
                                  const ReadOptions& options) {
    return WithinMemory([&] {
        std::size_t size = 0;
        switch (KindOf(file, size)) {
        case FileKind::Folder:
            return NamesAFolder();
        case FileKind::Regular:
            // Read by position, in pieces, twice: neither pass holds the file whole.
            return ReadSectionBytes({{}, file, size}, progress, options);
        case FileKind::Stream:
            break;
        }
        return ReadStream(file, progress, options);
    });
}

SectionReadResult ReadSectionFile(const std::filesystem::path& path, const ReadProgress& progress,
                                  const ReadOptions& options) {
    SectionReadResult failure;
    const OpenedFile file = OpenForReading(path, failure);
    return file ? ReadSectionFile(file.get(), progress, options) : failure;
}

SectionHead ReadSectionHead(const std::filesystem::path& path) {
    SectionReadResult failure;
    const OpenedFile file = OpenForReading(path, failure);
    std::size_t size = 0;
    if (!file) {
        return HeadFailure(std::move(failure));
    }
    if (KindOf(file.get(), size) == FileKind::Folder) {
        return HeadFailure(NamesAFolder());
    }
    LineReader lines(file.get(), kHeadChunk);
    const SectionHeadLines lines3 = ReadHeadLines(lines);
    if (lines3.readError != 0) {
        return HeadFailure(ReadFailure(lines3.readError));
    }
    if (!lines3.signature) {
        return HeadFailure(NotSectionFile());
    }
    SectionHead head;
    head.status = ReadStatus::Ok;
    head.version = lines3.version;
    head.count = lines3.count;
    head.headerText = lines3.header;
    if (!IsAscii(lines3.header)) {
        const EncodingChoice choice = lines3.encoding.Choice();
        GbkDecoder gbk;
        head.headerText = DecodeFileText(lines3.header, choice.encoding, choice.repairUtf8, gbk);
    }
    return head;
}

bool HasSectionSignature(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    char start[16] = {};
    in.read(start, sizeof start);
    std::string_view head(start, static_cast<std::size_t>(in.gcount()));
    DropBom(head);
    std::string_view line;
    LineReader lines(head);
    SectionFileVersion version = SectionFileVersion::V3_0;
    return lines.Next(line) && ParseSignature(line, version);
}

} // namespace quarvel
