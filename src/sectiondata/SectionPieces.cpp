#include "sectiondata/SectionPieces.h"

#include "sectiondata/FieldParser.h"
#include "sectiondata/LineReader.h"
#include "sectiondata/PointLineParser.h"
#include "sectiondata/SystemErrorText.h"
#include "sectiondata/TextFieldDecoder.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace quarvel {
namespace {

constexpr std::size_t kProgressStep = std::size_t{1} << 20;
// How often a piece tells how far it has come, and asks whether to go on.
constexpr std::size_t kTickBytes = std::size_t{1} << 16;
constexpr unsigned kMaxPieces = 64;

std::u16string ToUtf16(std::string_view utf8) {
    const std::string bytes = EncodeUtf16Le(utf8);
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return units;
}

// Sorted by UTF-16 code units, which differs from UTF-8 byte order for
// characters beyond U+FFFF against U+E000..U+FFFF.
LayerList SortedLayers(const std::unordered_set<std::string>& names) {
    std::vector<std::pair<std::u16string, std::string>> keyed;
    keyed.reserve(names.size());
    for (const std::string& layer : names) {
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

// Asks the system to back a large buffer that is about to be filled with
// 2 MB pages. A million records take some 80 MB; taking them 4 KB page by
// page costs a fault and a clear per page. Only a hint: where it is not
// honoured nothing changes.
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

LineReader OpenLines(const SectionBytes& source, std::size_t offset, std::size_t chunk) {
    if (source.file == nullptr) {
        return LineReader(source.bytes.substr(std::min(offset, source.bytes.size())));
    }
    return LineReader(source.file, offset, std::min(source.size - offset + 1, chunk));
}

// The lines that begin in [begin, end) of the bytes: a piece that does not
// start a line skips the rest of the line before it, which belongs to the
// piece that holds its start, and the last line may run past end.
class PieceLines {
public:
    PieceLines(const SectionBytes& source, std::size_t begin, std::size_t end, bool atLineStart)
        : m_base(atLineStart ? begin : begin - 1), m_end(end),
          m_lines(OpenLines(source, m_base, LineReader::kChunkSize)) {
        std::string_view before;
        if (!atLineStart) {
            m_lines.Next(before);
        }
    }

    bool Next(std::string_view& line) { return NextStart() < m_end && m_lines.Next(line); }
    // The offset of the line Next() gives next.
    std::size_t NextStart() const { return m_base + m_lines.Offset(); }
    int ReadError() const { return m_lines.ReadError(); }

private:
    std::size_t m_base;
    std::size_t m_end;
    LineReader m_lines;
};

// Tells how many bytes of its piece a worker has done; false: stop.
using Ticker = std::function<bool(std::size_t done)>;

// One piece of the point lines and what became of it in both passes.
struct Piece {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool atLineStart = false;
    // The survey.
    std::size_t lines = 0;
    std::size_t recordLines = 0; // non-blank lines
    EncodingSurvey encoding;
    // The parse.
    std::size_t firstLine = 0;   // the 1-based file line of its first line
    std::size_t firstRecord = 0; // where its records go in the point list
    std::size_t pointLines = 0;  // blank ones included
    std::size_t records = 0;
    std::size_t incomplete = 0;
    std::size_t firstIncompleteLine = 0;
    LineIssue firstIssue;
    std::unordered_set<std::string> layers; // for the layer list
    PointList texts;                        // the notes and layers its records refer to
    // How it ended.
    int readError = 0;
    bool cancelled = false;
    bool outOfMemory = false;
    bool changed = false; // the file held other lines than the survey found
};

// Runs work on a piece, turning a lack of memory into the piece's failure: a
// worker must not end the program.
template <typename Work>
void Guarded(Piece& piece, Work&& work) {
    try {
        work();
    } catch (const std::bad_alloc&) {
        piece.outOfMemory = true;
    } catch (const std::length_error&) {
        piece.outOfMemory = true;
    }
}

// Walks the lines of a piece, ticking every kTickBytes; false once asked to stop.
template <typename OnLine>
bool WalkPiece(PieceLines& lines, const Piece& piece, const Ticker& tick, OnLine&& onLine) {
    std::size_t nextTick = piece.begin + kTickBytes;
    std::string_view line;
    while (lines.Next(line)) {
        if (lines.NextStart() >= nextTick) {
            nextTick = lines.NextStart() + kTickBytes;
            if (!tick(lines.NextStart() - piece.begin)) {
                return false;
            }
        }
        if (!onLine(line)) {
            break;
        }
    }
    return true;
}

void SurveyPiece(const SectionBytes& source, Piece& piece, const Ticker& tick) {
    PieceLines lines(source, piece.begin, piece.end, piece.atLineStart);
    piece.cancelled = !WalkPiece(lines, piece, tick, [&piece](std::string_view line) {
        ++piece.lines;
        piece.recordLines += IsBlankLine(line) ? 0 : 1;
        piece.encoding.Line(line);
        return true;
    });
    piece.readError = lines.ReadError();
}

struct ParsePlan {
    SectionFileVersion version = SectionFileVersion::V3_0;
    EncodingChoice encoding;
    std::uint64_t lastLine = 0; // the file line of the count-th point line
};

// Stores a line's decoded note and layer in the piece's texts, each distinct
// one once, and lists its layer.
void StoreTexts(CDataStruct& record, DecodedText* note, DecodedText* layer, Piece& piece) {
    std::uint32_t noteOffset = 0;
    std::uint32_t noteLength = 0;
    std::uint32_t layerIndex = 0;
    if (note != nullptr && !note->text.empty()) {
        if (note->noteOffset == DecodedText::kNotStored) {
            note->noteOffset = piece.texts.StoreNote(note->text);
        }
        noteOffset = note->noteOffset;
        noteLength = static_cast<std::uint32_t>(note->text.size());
    }
    if (layer != nullptr && !layer->text.empty()) {
        if (layer->layerIndex == DecodedText::kNotStored) {
            layer->layerIndex = piece.texts.LayerIndexOf(layer->text);
        }
        layerIndex = layer->layerIndex;
        if (!layer->inLayerList && record.pointKind != kAddedPoint) {
            piece.layers.insert(layer->text);
            layer->inLayerList = true;
        }
    }
    record.SetTextRefs(noteOffset, noteLength, layerIndex);
}

void ParsePiece(const SectionBytes& source, const ParsePlan& plan, Piece& piece, PointList& points,
                const Ticker& tick) {
    if (piece.firstLine > plan.lastLine) {
        return;
    }
    TextFieldDecoder decoder(plan.encoding.encoding, plan.encoding.repairUtf8, piece.recordLines);
    PointLineParser parser(plan.version, decoder);
    PieceLines lines(source, piece.begin, piece.end, piece.atLineStart);
    const std::size_t slotEnd = std::min(piece.firstRecord + piece.recordLines, points.size());
    std::uint64_t lineNumber = piece.firstLine;
    piece.cancelled = !WalkPiece(lines, piece, tick, [&](std::string_view line) {
        if (lineNumber > plan.lastLine) {
            return false;
        }
        ++piece.pointLines;
        const std::uint64_t number = lineNumber++;
        if (IsBlankLine(line)) {
            return true;
        }
        if (piece.firstRecord + piece.records >= slotEnd) {
            piece.changed = true;
            return false;
        }
        CDataStruct& record = points[piece.firstRecord + piece.records++];
        LineIssue issue;
        if (!parser.Parse(line, record, issue) && piece.incomplete++ == 0) {
            piece.firstIncompleteLine = static_cast<std::size_t>(number);
            piece.firstIssue = issue;
        }
        StoreTexts(record, parser.Note(), parser.Layer(), piece);
        return true;
    });
    piece.readError = lines.ReadError();
}

// Runs work(k, tick) for every piece: on the calling thread when there is
// one, else on a thread per piece while the calling thread reports the bytes
// done so far. False when report asked to stop.
bool RunPieces(std::vector<Piece>& pieces, const std::function<void(Piece&, const Ticker&)>& work,
               const std::function<bool(std::size_t)>& report) {
    if (pieces.size() == 1) {
        bool goOn = true;
        work(pieces.front(), [&](std::size_t done) { return goOn = goOn && report(done); });
        return goOn;
    }
    std::vector<std::atomic<std::size_t>> done(pieces.size());
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable finishedOne;
    std::size_t finished = 0;
    std::vector<std::thread> threads;
    threads.reserve(pieces.size());
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        done[k].store(0, std::memory_order_relaxed);
        threads.emplace_back([&, k] {
            work(pieces[k], [&done, &stop, k](std::size_t bytes) {
                done[k].store(bytes, std::memory_order_relaxed);
                return !stop.load(std::memory_order_relaxed);
            });
            {
                const std::lock_guard<std::mutex> lock(mutex);
                ++finished;
            }
            finishedOne.notify_one();
        });
    }
    bool goOn = true;
    std::unique_lock<std::mutex> lock(mutex);
    while (finished < pieces.size()) {
        finishedOne.wait_for(lock, std::chrono::milliseconds(5));
        if (goOn) {
            lock.unlock();
            std::size_t sum = 0;
            for (const auto& bytes : done) {
                sum += bytes.load(std::memory_order_relaxed);
            }
            goOn = report(sum);
            stop.store(!goOn, std::memory_order_relaxed);
            lock.lock();
        }
    }
    lock.unlock();
    for (std::thread& thread : threads) {
        thread.join();
    }
    return goOn;
}

std::vector<Piece> SplitBody(std::size_t bodyStart, std::size_t size, const ReadOptions& options) {
    const std::size_t body = size - bodyStart;
    const unsigned jobs =
        options.jobs != 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t worth = body / std::max<std::size_t>(options.minPieceBytes, 1);
    const std::size_t count =
        std::max<std::size_t>(1, std::min<std::size_t>({jobs, worth, kMaxPieces}));
    std::vector<Piece> pieces(count);
    for (std::size_t k = 0; k < count; ++k) {
        pieces[k].begin = bodyStart + body * k / count;
        pieces[k].end = k + 1 == count ? size : bodyStart + body * (k + 1) / count;
        pieces[k].atLineStart = k == 0;
    }
    return pieces;
}

// The first failure of any piece, or Ok.
SectionReadResult PiecesFailure(const std::vector<Piece>& pieces) {
    for (const Piece& piece : pieces) {
        if (piece.readError != 0) {
            return ReadFailure(piece.readError);
        }
    }
    for (const Piece& piece : pieces) {
        if (piece.outOfMemory) {
            return Failure(ReadStatus::ReadFailed, "内存不足，无法读入整个文件");
        }
        if (piece.changed) {
            return Failure(ReadStatus::ReadFailed, "文件在读取过程中被改动，请重新打开");
        }
    }
    SectionReadResult ok;
    ok.status = ReadStatus::Ok;
    return ok;
}

SectionReadResult CancelledRead() {
    return Failure(ReadStatus::Cancelled, "读取已取消");
}

// Where each piece's lines and records begin, from the survey.
void PlacePieces(std::vector<Piece>& pieces) {
    std::size_t line = 4;
    std::size_t record = 0;
    for (Piece& piece : pieces) {
        piece.firstLine = line;
        piece.firstRecord = record;
        line += piece.lines;
        record += piece.recordLines;
    }
}

// Every piece but the last that holds records must have filled its slots:
// otherwise the file lost lines between the passes and records would be
// missing in between.
bool PiecesFit(std::vector<Piece>& pieces) {
    std::size_t record = 0;
    for (Piece& piece : pieces) {
        if (piece.records > 0 && piece.firstRecord != record) {
            piece.changed = true;
            return false;
        }
        record += piece.records;
    }
    return true;
}

// The records, texts, layer list and warnings of the parsed pieces. One
// warning per kind, so that a file of a million bad lines does not produce a
// million messages.
void JoinPieces(std::vector<Piece>& pieces, std::int64_t count, SectionReadResult& result) {
    std::size_t records = 0;
    std::size_t pointLines = 0;
    std::unordered_set<std::string> layers;
    const Piece* firstIncomplete = nullptr;
    for (Piece& piece : pieces) {
        records += piece.records;
        pointLines += piece.pointLines;
        result.incompleteLineCount += piece.incomplete;
        if (piece.incomplete > 0 && firstIncomplete == nullptr) {
            firstIncomplete = &piece;
        }
        layers.merge(piece.layers);
    }
    result.points.resize(records);
    for (Piece& piece : pieces) {
        result.points.AdoptTexts(piece.firstRecord, piece.records, std::move(piece.texts));
    }
    result.layers = SortedLayers(layers);
    if (firstIncomplete != nullptr) {
        result.firstIncompleteLine = firstIncomplete->firstIncompleteLine;
        result.warnings.push_back(
            {ReadWarningKind::IncompleteLine, result.firstIncompleteLine,
             IncompleteDetail(result.incompleteLineCount, result.firstIncompleteLine,
                              firstIncomplete->firstIssue)});
    }
    if (static_cast<std::int64_t>(pointLines) < count) {
        result.warnings.push_back({ReadWarningKind::FewerLinesThanCount, 3,
                                   "第 3 行给出 " + std::to_string(count) + " 个点，但文件只有 " +
                                       std::to_string(pointLines) + " 行点数据"});
    }
}

} // namespace

SectionReadResult ReadFailure(int error) {
    return Failure(ReadStatus::ReadFailed, SystemErrorText(error != 0 ? error : EIO));
}

SectionReadResult NotSectionFile() {
    return Failure(ReadStatus::NotSectionFile,
                   "第一行不是断面数据文件标志（HWT3.0、HWT3.6 或 HWT3.8）");
}

SectionHeadLines ReadHeadLines(LineReader& lines) {
    SectionHeadLines head;
    std::string_view line;
    if (lines.Next(line)) {
        head.encoding.FirstLine(line);
        head.signature = ParseSignature(line, head.version);
    }
    if (head.signature && lines.Next(line)) {
        head.encoding.Line(line);
        head.hasHeader = true;
        head.header.assign(HeaderTextField(line));
        if (lines.Next(line)) {
            head.encoding.Line(line);
            head.count = ParseCountLine(line);
        }
    }
    head.bodyStart = lines.Offset();
    head.readError = lines.ReadError();
    return head;
}

SectionReadResult ReadSectionBytes(const SectionBytes& source, const ReadProgress& progress,
                                   const ReadOptions& options) {
    ProgressGate gate(progress, source.size);
    if (!gate.Surveyed(0)) {
        return CancelledRead();
    }
    LineReader headLines = OpenLines(source, 0, kHeadChunk);
    const SectionHeadLines head = ReadHeadLines(headLines);
    if (head.readError != 0) {
        return ReadFailure(head.readError);
    }
    if (!head.signature) {
        return NotSectionFile();
    }
    std::vector<Piece> pieces = SplitBody(head.bodyStart, source.size, options);
    const std::size_t bodyStart = head.bodyStart;
    const bool surveyed = RunPieces(
        pieces,
        [&source](Piece& piece, const Ticker& tick) {
            Guarded(piece, [&] { SurveyPiece(source, piece, tick); });
        },
        [&](std::size_t done) { return gate.Surveyed(bodyStart + done); });
    if (!surveyed || std::any_of(pieces.begin(), pieces.end(),
                                 [](const Piece& piece) { return piece.cancelled; })) {
        return CancelledRead();
    }
    SectionReadResult result = PiecesFailure(pieces);
    if (!result.Ok()) {
        return result;
    }
    EncodingSurvey encoding = head.encoding;
    for (const Piece& piece : pieces) {
        encoding.Join(piece.encoding);
    }
    const EncodingChoice choice = encoding.Choice();
    result.version = head.version;
    result.encoding = choice.encoding;
    if (head.hasHeader) {
        GbkDecoder gbk;
        result.headerText = DecodeFileText(head.header, choice.encoding, choice.repairUtf8, gbk);
    }
    PlacePieces(pieces);
    std::size_t recordLines = 0;
    for (const Piece& piece : pieces) {
        recordLines += piece.recordLines;
    }
    const ParsePlan plan{head.version, choice,
                         head.count > 0 ? 3 + static_cast<std::uint64_t>(head.count) : 0};
    if (head.count > 0) {
        // Slots for the lines that can give a record, never for the count:
        // blank lines give none, however many there are.
        result.points.resize(std::min(static_cast<std::uint64_t>(recordLines), plan.lastLine - 3));
        AdviseLargePages(result.points.data(), result.points.size() * sizeof(CDataStruct));
    }
    const bool parsed = RunPieces(
        pieces,
        [&](Piece& piece, const Ticker& tick) {
            Guarded(piece, [&] { ParsePiece(source, plan, piece, result.points, tick); });
        },
        [&](std::size_t done) { return gate.Parsed(bodyStart + done); });
    if (!parsed || std::any_of(pieces.begin(), pieces.end(),
                               [](const Piece& piece) { return piece.cancelled; })) {
        return CancelledRead();
    }
    PiecesFit(pieces);
    SectionReadResult failure = PiecesFailure(pieces);
    if (!failure.Ok()) {
        return failure;
    }
    JoinPieces(pieces, head.count, result);
    if (!gate.Finish()) {
        return CancelledRead();
    }
    return result;
}

} // namespace quarvel
