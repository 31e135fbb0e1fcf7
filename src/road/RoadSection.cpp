#include "road/RoadSection.h"

#include "exporting/BatchExport.h"
#include "exporting/OutputPlan.h"
#include "sectiondata/SectionReader.h"
#include "sectiondata/SystemErrorText.h"

#include <algorithm>
#include <numeric>
#include <system_error>
#include <unordered_set>
#include <utility>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

unsigned char Lower(char c) {
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

std::size_t SkipDigits(std::string_view text, std::size_t from) {
    while (from < text.size() && IsDigit(text[from])) {
        ++from;
    }
    return from;
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}

// Compares the numbers of two runs of digits, whatever zeros lead them.
int CompareNumbers(std::string_view a, std::string_view b) {
    a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
    b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return Sign(a.compare(b));
}

std::string FileName(const RoadSection& section) {
    return section.file.filename().u8string();
}

bool AlongTheRoad(const RoadSection& a, const RoadSection& b) {
    if (a.stake.has_value() != b.stake.has_value()) {
        return a.stake.has_value();
    }
    if (a.stake) {
        if (a.stake->prefix != b.stake->prefix) {
            return a.stake->prefix < b.stake->prefix;
        }
        if (a.stake->metres != b.stake->metres) {
            return a.stake->metres < b.stake->metres;
        }
    }
    return CompareNaturally(FileName(a), FileName(b)) < 0;
}

} // namespace

RoadSection DescribeSection(const fs::path& file, std::string_view headerText) {
    RoadSection section;
    section.file = file;
    section.stake = FindStake(headerText);
    if (!section.stake) {
        section.stake = FindStake(file.filename().u8string());
    }
    section.label = section.stake ? section.stake->text : file.stem().u8string();
    return section;
}

RoadSection ReadRoadSection(const fs::path& file) {
    return DescribeSection(file, ReadSectionHead(file).headerText);
}

std::vector<std::size_t> StakeOrder(const std::vector<RoadSection>& sections) {
    std::vector<std::size_t> order(sections.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&sections](std::size_t a, std::size_t b) {
        return AlongTheRoad(sections[a], sections[b]);
    });
    return order;
}

void SortByStake(std::vector<RoadSection>& sections) {
    std::vector<RoadSection> sorted;
    sorted.reserve(sections.size());
    for (const std::size_t index : StakeOrder(sections)) {
        sorted.push_back(std::move(sections[index]));
    }
    sections = std::move(sorted);
}

int CompareNaturally(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::size_t aEnd = SkipDigits(a, i);
            const std::size_t bEnd = SkipDigits(b, j);
            if (const int order = CompareNumbers(a.substr(i, aEnd - i), b.substr(j, bEnd - j))) {
                return order;
            }
            i = aEnd;
            j = bEnd;
        } else if (Lower(a[i]) != Lower(b[j])) {
            return Lower(a[i]) < Lower(b[j]) ? -1 : 1;
        } else {
            ++i;
            ++j;
        }
    }
    if (i < a.size() || j < b.size()) {
        return i < a.size() ? 1 : -1;
    }
    return Sign(a.compare(b));
}

std::vector<fs::path> CollectSectionFiles(const std::vector<fs::path>& inputs, bool recursive,
                                          std::vector<std::string>& failures) {
    std::vector<fs::path> files;
    std::unordered_set<std::string> taken;
    const auto take = [&](const fs::path& file) {
        if (taken.insert(PathKey(file)).second) {
            files.push_back(file);
        }
    };
    for (const fs::path& input : inputs) {
        std::error_code error;
        if (!fs::is_directory(input, error)) {
            take(input);
            continue;
        }
        const std::vector<fs::path> inFolder = SectionFilesIn(input, recursive);
        if (inFolder.empty()) {
            failures.push_back("文件夹中没有断面数据文件: " + ShownPath(input));
        }
        std::for_each(inFolder.begin(), inFolder.end(), take);
    }
    return files;
}

std::vector<RoadSection> ListRoad(const std::vector<fs::path>& inputs, bool recursive,
                                  std::vector<std::string>& failures, const CancelFlag* cancel) {
    const auto cancelled = [cancel] { return cancel != nullptr && cancel->load(); };
    const std::vector<fs::path> files = CollectSectionFiles(inputs, recursive, failures);
    std::vector<RoadSection> sections;
    sections.reserve(files.size());
    for (const fs::path& file : files) {
        if (cancelled()) {
            return {};
        }
        sections.push_back(ReadRoadSection(file));
    }
    SortByStake(sections);
    return sections;
}

} // namespace quarvel
