// Reads a generated section file into records, layer list and azimuths, and
// compares that with the least work any reader must do on the same bytes: split
// lines, parse every number, convert no text. A forked reader measures the
// peak memory of a real load from disk.

#include "PointLines.h"
#include "SectionFileGenerator.h"

#include "sectiondata/Azimuths.h"
#include "sectiondata/SectionReader.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

constexpr unsigned kSeed = 20261207;
constexpr const char* kPointsOption = "--points=";
constexpr const char* kReadOnceOption = "--read-once=";

std::size_t g_pointCount = 1000000;

const std::string& SectionBytes() {
    static const std::string bytes = quarvel::GenerateSectionFile(g_pointCount, kSeed);
    return bytes;
}

template <typename T>
void AddNumber(const char* begin, const char* end, double& sum) {
    T value{};
    std::from_chars(begin, end, value);
    sum += static_cast<double>(value);
}

// Parses the numeric fields of one point line; the texts are only skipped.
void ParseLineMinimal(const char* begin, const char* end, double& sum) {
    std::size_t field = 0;
    while (begin < end) {
        const auto* comma = static_cast<const char*>(
            std::memchr(begin, ',', static_cast<std::size_t>(end - begin)));
        const char* fieldEnd = comma != nullptr ? comma : end;
        switch (field) {
        case 0:
            AddNumber<std::int32_t>(begin, fieldEnd, sum);
            break;
        case 1:
        case 2:
        case 3:
        case 4:
            AddNumber<double>(begin, fieldEnd, sum);
            break;
        case 5:
        case 7:
        case 8:
        case 10:
            AddNumber<std::uint32_t>(begin, fieldEnd, sum);
            break;
        default:
            break;
        }
        ++field;
        begin = fieldEnd + 1;
    }
}

double MinimalLoop(std::string_view bytes) {
    double sum = 0;
    quarvel::ForEachPointLine(
        bytes, [&sum](const char* begin, const char* end) { ParseLineMinimal(begin, end, sum); });
    return sum;
}

// What a load hands to the window: records, layer list and azimuths.
quarvel::SectionReadResult ReadFully(std::string_view bytes) {
    quarvel::SectionReadResult result = quarvel::ReadSectionFile(bytes);
    quarvel::ComputeAzimuths(result.points);
    benchmark::DoNotOptimize(result.points.data());
    return result;
}

double ProcessorSeconds(std::clock_t from, std::clock_t to) {
    return static_cast<double>(to - from) / CLOCKS_PER_SEC;
}

void BM_ReadSectionFile(benchmark::State& state) {
    const std::string& bytes = SectionBytes();
    for (auto _ : state) {
        quarvel::SectionReadResult result = ReadFully(bytes);
        // Freeing the records belongs to the next load, not to this one.
        state.PauseTiming();
        result = {};
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_MinimalLoop(benchmark::State& state) {
    const std::string& bytes = SectionBytes();
    for (auto _ : state) {
        benchmark::DoNotOptimize(MinimalLoop(bytes));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// Times both on the same bytes in each iteration, in processor time, so that
// the ratio is not skewed by other processes loading the machine. Freeing the
// records is left out: the window frees them when the next file is loaded.
void BM_ReaderVersusMinimalLoop(benchmark::State& state) {
    const std::string& bytes = SectionBytes();
    double readerSeconds = 0;
    double minimalSeconds = 0;
    double freeSeconds = 0;
    for (auto _ : state) {
        const std::clock_t start = std::clock();
        benchmark::DoNotOptimize(MinimalLoop(bytes));
        const std::clock_t middle = std::clock();
        quarvel::SectionReadResult result = ReadFully(bytes);
        const std::clock_t stop = std::clock();
        result = {};
        freeSeconds += ProcessorSeconds(stop, std::clock());
        minimalSeconds += ProcessorSeconds(start, middle);
        readerSeconds += ProcessorSeconds(middle, stop);
        state.SetIterationTime(ProcessorSeconds(middle, stop));
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["reader_ms"] = readerSeconds / iterations * 1000;
    state.counters["minimal_ms"] = minimalSeconds / iterations * 1000;
    state.counters["free_ms"] = freeSeconds / iterations * 1000;
    state.counters["ratio"] = readerSeconds / minimalSeconds;
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}

BENCHMARK(BM_ReadSectionFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MinimalLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderVersusMinimalLoop)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

// The child's whole job: load the file from disk as the window does.
int ReadOnce(const char* path) {
    quarvel::SectionReadResult result = quarvel::ReadSectionFile(std::filesystem::path(path));
    quarvel::ComputeAzimuths(result.points);
    return result.Ok() && !result.points.empty() ? EXIT_SUCCESS : EXIT_FAILURE;
}

#ifdef __linux__
// Runs this program afresh on the file in a child, so that its peak resident
// size holds only what one load needs, and prints it against the file size.
void ReportPeakMemory(const char* self) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quarvel-bench-" + std::to_string(getpid()));
    {
        std::ofstream out(path, std::ios::binary);
        out.write(SectionBytes().data(), static_cast<std::streamsize>(SectionBytes().size()));
    }
    const std::string option = kReadOnceOption + path.string();
    const pid_t child = fork();
    if (child == 0) {
        execl(self, self, option.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    const bool waited = child > 0 && wait4(child, &status, 0, &usage) == child;
    std::filesystem::remove(path);
    if (!waited || !WIFEXITED(status) || WEXITSTATUS(status) != EXIT_SUCCESS) {
        std::printf("Peak memory: the reading child failed\n");
        return;
    }
    const double peakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
    const double fileBytes = static_cast<double>(SectionBytes().size());
    std::printf("Peak memory of one load: %.1f MB for a %.1f MB file of %zu points "
                "(%.2fx the file size; limit 4x)\n",
                peakBytes / 1e6, fileBytes / 1e6, g_pointCount, peakBytes / fileBytes);
}
#else
void ReportPeakMemory(const char*) {
    std::printf("Peak memory: measured on Linux only\n");
}
#endif

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.rfind(kReadOnceOption, 0) == 0) {
            return ReadOnce(argv[i] + std::strlen(kReadOnceOption));
        }
        if (argument.rfind(kPointsOption, 0) == 0) {
            g_pointCount = std::strtoull(argv[i] + std::strlen(kPointsOption), nullptr, 10);
        } else {
            arguments.push_back(argv[i]);
        }
    }
    int benchmarkArgc = static_cast<int>(arguments.size());
    benchmark::Initialize(&benchmarkArgc, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(benchmarkArgc, arguments.data())) {
        return EXIT_FAILURE;
    }
    ReportPeakMemory("/proc/self/exe");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return EXIT_SUCCESS;
}
