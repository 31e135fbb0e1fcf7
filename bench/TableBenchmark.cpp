// Builds the table and writes the export for a million points, and compares
// quarvel-cli's export with the least work any exporter must do on the same
// file: read it whole, split lines with memchr, parse every field with
// from_chars, format four cells with to_chars, write once.
//
//   table_benchmark [benchmark options]          the Google Benchmark runs
//   table_benchmark --generate=N FILE            writes a generated v3.8 file
//   table_benchmark --minimal-loop IN OUT        the minimal loop, once (for
//                                                timing beside the real CLI)

#include "PointLines.h"
#include "SectionFileGenerator.h"

#include "cli/ExportCommand.h"
#include "exporting/ExportWriter.h"
#include "sectiondata/Azimuths.h"
#include "sectiondata/SectionReader.h"
#include "table/TableRules.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr unsigned kSeed = 20261207;
constexpr std::size_t kPointCount = 1000000;
const std::vector<std::string> kNineColumns = {
    "编号", "坐标X", "坐标Y", "高程Z", "与起点距离", "与前点距离", "注释", "方位", "图层"};
const char* const kFourColumnList = "编号,坐标X,坐标Y,高程Z";
const char* const kNineColumnList = "编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层";

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// Counts the bytes written and keeps none.
class CountingBuffer : public std::streambuf {
public:
    std::size_t Count() const { return m_count; }

protected:
    std::streamsize xsputn(const char*, std::streamsize count) override {
        m_count += static_cast<std::size_t>(count);
        return count;
    }
    int_type overflow(int_type c) override {
        ++m_count;
        return traits_type::not_eof(c);
    }

private:
    std::size_t m_count = 0;
};

// A generated file on disk for as long as the benchmark runs.
class GeneratedFile {
public:
    GeneratedFile() {
        const fs::path folder = fs::temp_directory_path();
        const std::string stem = "quarvel-table-bench-" + std::to_string(::getpid());
        m_input = folder / (stem + ".txt");
        m_output = folder / (stem + ".csv");
        m_minimalOutput = folder / (stem + "-minimal.csv");
        const std::string bytes = quarvel::GenerateSectionFile(kPointCount, kSeed);
        m_size = bytes.size();
        std::ofstream(m_input, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~GeneratedFile() {
        std::error_code ignored;
        fs::remove(m_input, ignored);
        fs::remove(m_output, ignored);
        fs::remove(m_minimalOutput, ignored);
    }
    GeneratedFile(const GeneratedFile&) = delete;
    GeneratedFile& operator=(const GeneratedFile&) = delete;

    const fs::path& Input() const { return m_input; }
    const fs::path& Output() const { return m_output; }
    const fs::path& MinimalOutput() const { return m_minimalOutput; }
    std::size_t Size() const { return m_size; }

private:
    fs::path m_input;
    fs::path m_output;
    fs::path m_minimalOutput;
    std::size_t m_size = 0;
};

const GeneratedFile& SharedFile() {
    static const GeneratedFile file;
    return file;
}

const quarvel::PointList& SharedPoints() {
    static const quarvel::PointList points = [] {
        quarvel::SectionReadResult read = quarvel::ReadSectionFile(SharedFile().Input());
        quarvel::ComputeAzimuths(read.points);
        return std::move(read.points);
    }();
    return points;
}

template <typename T>
T ParseField(const char* begin, const char* end) {
    T value{};
    std::from_chars(begin, end, value);
    return value;
}

void AppendFixed(std::string& out, double value) {
    char buffer[64];
    out.append(
        buffer,
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3).ptr);
}

// One point line of "export --columns 编号,坐标X,坐标Y,高程Z --knee-mode 1"
// done the shortest way; returns whether it became a row.
bool AppendMinimalRow(const char* line, const char* lineEnd, std::string& body) {
    const char* fields[12] = {};
    std::size_t count = 0;
    for (const char* field = line; field < lineEnd && count < 11;) {
        const auto* comma = static_cast<const char*>(
            std::memchr(field, ',', static_cast<std::size_t>(lineEnd - field)));
        fields[count++] = field;
        field = comma != nullptr ? comma + 1 : lineEnd;
    }
    fields[count] = lineEnd;
    if (count < 11) {
        return false;
    }
    const auto fieldEnd = [&](std::size_t i) { return fields[i + 1] - 1; };
    const auto number = ParseField<std::int32_t>(fields[0], fieldEnd(0));
    const auto x = ParseField<double>(fields[1], fieldEnd(1));
    const auto y = ParseField<double>(fields[2], fieldEnd(2));
    const auto z = ParseField<double>(fields[3], fieldEnd(3));
    benchmark::DoNotOptimize(ParseField<double>(fields[4], fieldEnd(4)));
    const auto flag = ParseField<std::uint32_t>(fields[5], fieldEnd(5));
    benchmark::DoNotOptimize(ParseField<std::uint32_t>(fields[7], fieldEnd(7)));
    const auto kind = ParseField<std::uint32_t>(fields[8], fieldEnd(8));
    benchmark::DoNotOptimize(ParseField<std::uint32_t>(fields[10], lineEnd));
    if (kind == 1 || flag == 1) {
        return false;
    }
    char digits[16];
    body.append(
        digits,
        std::to_chars(digits, digits + sizeof digits, static_cast<std::int64_t>(number) + 1).ptr);
    body += ',';
    AppendFixed(body, x);
    body += ',';
    AppendFixed(body, y);
    body += ',';
    AppendFixed(body, z);
    body += "\r\n";
    return true;
}

// The whole export the shortest way: no records, no texts decoded, no checks
// beyond the fields, one write.
bool MinimalLoop(const fs::path& input, const fs::path& output) {
    std::ifstream in(input, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(fs::file_size(input)), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::string body;
    body.reserve(bytes.size());
    std::size_t rows = 0;
    quarvel::ForEachPointLine(bytes, [&](const char* line, const char* lineEnd) {
        rows += AppendMinimalRow(line, lineEnd, body) ? 1 : 0;
    });
    std::FILE* out = std::fopen(output.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const std::string head = std::to_string(rows) + "\r\n";
    const bool written = std::fwrite(head.data(), 1, head.size(), out) == head.size() &&
                         std::fwrite(body.data(), 1, body.size(), out) == body.size();
    return std::fclose(out) == 0 && written;
}

int RunCliExport(const fs::path& input, const fs::path& output, const char* columns) {
    std::ostringstream out;
    std::ostringstream err;
    return quarvel::RunCli(
        {"export", input.string(), "-o", output.string(), "--columns", columns, "--knee-mode", "1"},
        out, err);
}

void BM_BuildTableAndExportNineColumns(benchmark::State& state) {
    const quarvel::PointList& points = SharedPoints();
    quarvel::TableOptions options;
    options.kneeMode = quarvel::IntersectionsAndKnees;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const quarvel::SectionTable table(points, kNineColumns, options);
        CountingBuffer buffer;
        std::ostream out(&buffer);
        quarvel::WriteExport(out, table);
        bytes = buffer.Count();
    }
    state.counters["points"] = static_cast<double>(points.size());
    state.counters["export_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_BuildTableOnly(benchmark::State& state) {
    const quarvel::PointList& points = SharedPoints();
    quarvel::TableOptions options;
    options.kneeMode = quarvel::IntersectionsAndKnees;
    for (auto _ : state) {
        const quarvel::SectionTable table(points, kNineColumns, options);
        benchmark::DoNotOptimize(table.RowCount());
    }
}

// Both on the same file in each iteration, so that the ratio is not skewed
// by the machine's load changing between two benchmarks.
void CliVersusMinimalLoop(benchmark::State& state, const char* columns) {
    const GeneratedFile& file = SharedFile();
    double cliSeconds = 0;
    double minimalSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!MinimalLoop(file.Input(), file.MinimalOutput())) {
            state.SkipWithError("the minimal loop could not write");
            return;
        }
        const auto middle = Clock::now();
        if (RunCliExport(file.Input(), file.Output(), columns) != quarvel::kExitOk) {
            state.SkipWithError("quarvel-cli export failed");
            return;
        }
        const auto stop = Clock::now();
        minimalSeconds += Seconds(middle - start);
        cliSeconds += Seconds(stop - middle);
        state.SetIterationTime(Seconds(stop - middle));
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["cli_ms"] = cliSeconds / iterations * 1000;
    state.counters["minimal_ms"] = minimalSeconds / iterations * 1000;
    state.counters["ratio"] = cliSeconds / minimalSeconds;
    state.counters["file_MB"] = static_cast<double>(file.Size()) / 1e6;
}

void BM_CliFourColumnsVersusMinimalLoop(benchmark::State& state) {
    CliVersusMinimalLoop(state, kFourColumnList);
}

void BM_CliNineColumnsVersusMinimalLoop(benchmark::State& state) {
    CliVersusMinimalLoop(state, kNineColumnList);
}

BENCHMARK(BM_BuildTableOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildTableAndExportNineColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliFourColumnsVersusMinimalLoop)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(2.0);
BENCHMARK(BM_CliNineColumnsVersusMinimalLoop)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    const std::string_view generate = "--generate=";
    if (argc == 3 && std::string_view(argv[1]).substr(0, generate.size()) == generate) {
        const auto count = std::strtoull(argv[1] + generate.size(), nullptr, 10);
        const std::string bytes = quarvel::GenerateSectionFile(count, kSeed);
        std::ofstream out(argv[2], std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return out.good() ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    if (argc == 4 && std::string_view(argv[1]) == "--minimal-loop") {
        return MinimalLoop(argv[2], argv[3]) ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return EXIT_SUCCESS;
}
