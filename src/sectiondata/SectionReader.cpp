#include "sectiondata/SectionReader.h"

#include "sectiondata/FieldParser.h"
#include "sectiondata/LineReader.h"
#include "sectiondata/PointLineParser.h"
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
#include <unordered_set>
#include <utility>

#include <sys/stat.h>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace quarvel {
namespace {

constexpr std::size_t kProgressStep = std::size_t{1} << 20;

// Drops a UTF-8 byte-order mark from the start of text; true when there was one.
bool DropBom(std::string_view& text) {
    if (text.substr(0, kUtf8Bom.size()) != kUtf8Bom) {
        return false;
    }
    text.remove_prefix(kUtf8Bom.size());
    return true;
}

bool IsBlankLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

struct EncodingChoice {
    TextEncoding encoding = TextEncoding::Gbk;
    bool repairUtf8 = false; // a UTF-8 file with a byte-order mark but malformed bytes
};

// Only meaningful for well-formed UTF-8, where E4..E9 can only be lead bytes:
// U+4E00..U+9FFF are E4 B8 80 to E9 BF BF.
bool HasCjkIdeograph(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0xE5 && byte <= 0xE9) {
            return true;
        }
        if (byte == 0xE4 && i + 1 < utf8.size() &&
            static_cast<unsigned char>(utf8[i + 1]) >= 0xB8) {
            return true;
        }
    }
    return false;
}

// What the whole file says about its encoding, gathered line by line: a UTF-8
// byte-order mark, or well-formed UTF-8 with an ideograph; anything else is
// GBK, so that a GBK note such as D7 A2 D7 A2 is not misread.
class EncodingSurvey {
public:
    // Drops a byte-order mark from the first line.
    void FirstLine(std::string_view& line) {
        m_bom = DropBom(line);
        Line(line);
    }

    void Line(std::string_view line) {
        if (!m_wellFormed || IsAscii(line)) {
            return;
        }
        m_nonAscii = true;
        m_wellFormed = IsValidUtf8(line);
        m_ideograph = m_ideograph || (m_wellFormed && HasCjkIdeograph(line));
    }

    EncodingChoice Choice() const {
        if (m_bom) {
            return {TextEncoding::Utf8, !m_wellFormed};
        }
        if (m_nonAscii && m_wellFormed && m_ideograph) {
            return {TextEncoding::Utf8, false};
        }
        return {TextEncoding::Gbk, false};
    }

private:
    bool m_bom = false;
    bool m_nonAscii = false;
    bool m_wellFormed = true;
    bool m_ideograph = false;
};

std::u16string ToUtf16(std::string_view utf8) {
    const std::string bytes = EncodeUtf16Le(utf8);
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return units;
}

// Collects distinct layer names and lists them in the order the layer filter
// shows them.
class LayerCollector {
public:
    void Add(const std::string& layer) { m_seen.insert(layer); }

    // Sorted by UTF-16 code units, which differs from UTF-8 byte order for
    // characters beyond U+FFFF against U+E000..U+FFFF.
    LayerList TakeSorted() {
        std::vector<std::pair<std::u16string, std::string>> keyed;
        keyed.reserve(m_seen.size());
        for (const std::string& layer : m_seen) {
            keyed.emplace_back(ToUtf16(layer), layer);
        }
        std::sort(keyed.begin(), keyed.end());
        LayerList layers;
        layers.reserve(keyed.size());
        for (auto& entry : keyed) {
            layers.push_back(std::move(entry.second));
        }
        return layers;
    }

private:
    std::unordered_set<std::string> m_seen;
};

// Asks the system to back a large buffer that is about to be filled with
// 2 MB pages. A million records take over 100 MB; taking them 4 KB page by
// page costs a fault and a clear per page, about a fifth of a whole load. Only
// a hint: where it is not honoured nothing changes.
void AdviseLargePages(void* begin, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t{1} << 21;
    const auto first = (reinterpret_cast<std::uintptr_t>(begin) + kHuge - 1) & ~(kHuge - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(begin) + size) & ~(kHuge - 1);
    if (last > first) {
        (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)begin;
    (void)size;
#endif
}

bool ParseSignature(std::string_view line, SectionFileVersion& version) {
    if (line == "HWT3.0") {
        version = SectionFileVersion::V3_0;
    } else if (line == "HWT3.6") {
        version = SectionFileVersion::V3_6;
    } else if (line == "HWT3.8") {
        version = SectionFileVersion::V3_8;
    } else {
        return false;
    }
    return true;
}

std::string IncompleteDetail(std::size_t count, std::size_t firstLine, const LineIssue& issue) {
    const std::string field = std::string("“") + PointFieldName(issue.field) + "”";
    return "共 " + std::to_string(count) +
           " 行点数据不完整，缺少的或不是数字的字段按 0 或空读入；第一处在第 " +
           std::to_string(firstLine) + " 行：" +
           (issue.missing ? "缺少字段" + field : "字段" + field + "不是数字");
}

// Calls the progress callback each time another step of the file is read.
// The file is read twice: the first, quick look counts for an eighth.
class ProgressGate {
public:
    ProgressGate(const ReadProgress& progress, std::size_t total)
        : m_progress(progress), m_total(total) {}

    bool Surveyed(std::size_t offset) { return Continue(offset / 8); }
    bool Parsed(std::size_t offset) { return Continue(m_total / 8 + offset - offset / 8); }
    bool Finish() { return !m_progress || m_progress(m_total, m_total); }

private:
    bool Continue(std::size_t done) {
        if (!m_progress || done < m_next) {
            return true;
        }
        m_next = done + kProgressStep;
        return m_progress(std::min(done, m_total), m_total);
    }

    const ReadProgress& m_progress;
    std::size_t m_total;
    std::size_t m_next = 0;
};

SectionReadResult Failure(ReadStatus status, std::string error) {
    SectionReadResult result;
    result.status = status;
    result.error = std::move(error);
    return result;
}

SectionReadResult CancelledRead() {
    return Failure(ReadStatus::Cancelled, "读取已取消");
}

SectionReadResult OutOfMemory() {
    return Failure(ReadStatus::ReadFailed, "内存不足，无法读入整个文件");
}

// A failed read: errno as fread left it, which names no reason on some
// systems.
SectionReadResult ReadFailure(int error) {
    return Failure(ReadStatus::ReadFailed, SystemErrorText(error != 0 ? error : EIO));
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

// One warning per kind, so that a file of a million bad lines does not
// produce a million messages.
void AddWarnings(SectionReadResult& result, const LineIssue& firstIssue, std::int64_t count,
                 std::int64_t pointLines) {
    if (result.incompleteLineCount > 0) {
        result.warnings.push_back(
            {ReadWarningKind::IncompleteLine, result.firstIncompleteLine,
             IncompleteDetail(result.incompleteLineCount, result.firstIncompleteLine, firstIssue)});
    }
    if (pointLines < count) {
        result.warnings.push_back({ReadWarningKind::FewerLinesThanCount, 3,
                                   "第 3 行给出 " + std::to_string(count) + " 个点，但文件只有 " +
                                       std::to_string(pointLines) + " 行点数据"});
    }
}

// What a first pass over the whole file learns before any record is made:
// the encoding applies to the first note already, and the records are
// reserved once, for the lines that can give one.
struct FileSurvey {
    bool cancelled = false;
    bool signature = false;
    SectionFileVersion version = SectionFileVersion::V3_0;
    EncodingChoice encoding;
    std::int64_t count = 0;
    std::size_t recordLines = 0; // non-blank lines after the count line
};

FileSurvey SurveyLines(LineReader& lines, ProgressGate& gate) {
    FileSurvey survey;
    EncodingSurvey encoding;
    std::string_view line;
    if (!lines.Next(line)) {
        return survey;
    }
    encoding.FirstLine(line);
    survey.signature = ParseSignature(line, survey.version);
    if (!survey.signature) {
        return survey;
    }
    while (lines.Next(line)) {
        if (!gate.Surveyed(lines.Offset())) {
            survey.cancelled = true;
            return survey;
        }
        encoding.Line(line);
        if (lines.LineNumber() == 3) {
            survey.count = ParseCountLine(line);
        } else if (lines.LineNumber() > 3 && !IsBlankLine(line)) {
            ++survey.recordLines;
        }
    }
    survey.encoding = encoding.Choice();
    return survey;
}

SectionReadResult NotSectionFile() {
    return Failure(ReadStatus::NotSectionFile,
                   "第一行不是断面数据文件标志（HWT3.0、HWT3.6 或 HWT3.8）");
}

// The second pass: lines as the survey found them, from line 2 on.
SectionReadResult ParseLines(LineReader& lines, const FileSurvey& survey, ProgressGate& gate) {
    SectionReadResult result;
    result.status = ReadStatus::Ok;
    result.version = survey.version;
    result.encoding = survey.encoding.encoding;

    std::string_view line;
    TextFieldDecoder decoder(survey.encoding.encoding, survey.encoding.repairUtf8);
    lines.Next(line); // the signature
    if (lines.Next(line)) {
        result.headerText = decoder.DecodeKeepingBlanks(HeaderTextField(line));
    }
    const std::int64_t count = lines.Next(line) ? ParseCountLine(line) : 0;
    if (count > 0) {
        // Reserve from the lines that can give a record, never from the count:
        // blank lines give none, however many there are.
        result.points.reserve(std::min(static_cast<std::size_t>(count), survey.recordLines));
        AdviseLargePages(result.points.data(), result.points.capacity() * sizeof(CDataStruct));
    }

    PointLineParser parser(survey.version, decoder);
    LayerCollector layers;
    LineIssue firstIssue;
    std::int64_t pointLines = 0;
    for (; pointLines < count && lines.Next(line); ++pointLines) {
        if (!gate.Parsed(lines.Offset())) {
            return CancelledRead();
        }
        if (IsBlankLine(line)) {
            continue;
        }
        CDataStruct& record = result.points.emplace_back();
        LineIssue issue;
        if (!parser.Parse(line, record, issue)) {
            if (result.incompleteLineCount++ == 0) {
                result.firstIncompleteLine = lines.LineNumber();
                firstIssue = issue;
            }
        }
        DecodedText* layer = parser.Layer();
        if (layer != nullptr && !layer->inLayerList && !layer->text.empty() &&
            record.pointKind != kAddedPoint) {
            layers.Add(layer->text);
            layer->inLayerList = true;
        }
    }
    if (!gate.Finish()) {
        return CancelledRead();
    }
    result.layers = layers.TakeSorted();
    AddWarnings(result, firstIssue, count, pointLines);
    return result;
}

SectionReadResult ReadBytes(std::string_view bytes, const ReadProgress& progress) {
    ProgressGate gate(progress, bytes.size());
    if (!gate.Surveyed(0)) {
        return CancelledRead();
    }
    LineReader surveyLines(bytes);
    const FileSurvey survey = SurveyLines(surveyLines, gate);
    if (survey.cancelled) {
        return CancelledRead();
    }
    if (!survey.signature) {
        return NotSectionFile();
    }
    LineReader lines(bytes);
    return ParseLines(lines, survey, gate);
}

// A regular file read twice, a piece at a time: neither pass holds it whole.
SectionReadResult ReadOpenFile(std::FILE* file, std::size_t size, const ReadProgress& progress) {
    ProgressGate gate(progress, size);
    if (!gate.Surveyed(0)) {
        return CancelledRead();
    }
    // A small file needs no buffer of a large one's size.
    const std::size_t chunk = std::min(size + 1, LineReader::kChunkSize);
    LineReader surveyLines(file, chunk);
    const FileSurvey survey = SurveyLines(surveyLines, gate);
    if (surveyLines.ReadError() != 0) {
        return ReadFailure(surveyLines.ReadError());
    }
    if (survey.cancelled) {
        return CancelledRead();
    }
    if (!survey.signature) {
        return NotSectionFile();
    }
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        return ReadFailure(errno);
    }
    LineReader lines(file, chunk);
    SectionReadResult result = ParseLines(lines, survey, gate);
    if (lines.ReadError() != 0) {
        return ReadFailure(lines.ReadError());
    }
    return result;
}

// A pipe or a device cannot be read twice: it is taken whole, as it comes.
SectionReadResult ReadStream(std::FILE* file, const ReadProgress& progress) {
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
    return ReadBytes(bytes, progress);
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

// The first lines want no buffer of a whole chunk's size.
constexpr std::size_t kHeadChunk = 4096;

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

SectionReadResult ReadSectionFile(std::string_view bytes, const ReadProgress& progress) {
    return WithinMemory([&] { return ReadBytes(bytes, progress); });
}

SectionReadResult ReadSectionFile(std::istream& in, const ReadProgress& progress) {
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
        return ReadBytes(bytes, progress);
    });
}

SectionReadResult ReadSectionFile(std::FILE* file, const ReadProgress& progress) {
    return WithinMemory([&] {
        std::size_t size = 0;
        switch (KindOf(file, size)) {
        case FileKind::Folder:
            return NamesAFolder();
        case FileKind::Regular:
            if (std::fseek(file, 0, SEEK_SET) != 0) {
                return ReadFailure(errno);
            }
            return ReadOpenFile(file, size, progress);
        case FileKind::Stream:
            break;
        }
        return ReadStream(file, progress);
    });
}

SectionReadResult ReadSectionFile(const std::filesystem::path& path, const ReadProgress& progress) {
    SectionReadResult failure;
    const OpenedFile file = OpenForReading(path, failure);
    return file ? ReadSectionFile(file.get(), progress) : failure;
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
    EncodingSurvey encoding;
    SectionHead head;
    std::string_view line;
    if (lines.Next(line)) {
        encoding.FirstLine(line);
        if (ParseSignature(line, head.version)) {
            head.status = ReadStatus::Ok;
        }
    }
    std::string header;
    if (head.status == ReadStatus::Ok && lines.Next(line)) {
        encoding.Line(line);
        header.assign(HeaderTextField(line));
        if (lines.Next(line)) {
            encoding.Line(line);
            head.count = ParseCountLine(line);
        }
    }
    if (lines.ReadError() != 0) {
        return HeadFailure(ReadFailure(lines.ReadError()));
    }
    if (head.status != ReadStatus::Ok) {
        return HeadFailure(NotSectionFile());
    }
    head.headerText = header;
    if (!IsAscii(header)) {
        const EncodingChoice choice = encoding.Choice();
        GbkDecoder gbk;
        head.headerText = DecodeFileText(header, choice.encoding, choice.repairUtf8, gbk);
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
