#include "support/TestSupport.h"

#include "sectiondata/SectionReader.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace quarvel::test {
namespace fs = std::filesystem;

namespace {

std::string RandomName() {
    static std::mt19937_64 generator{
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string name = "quarvel-test-";
    for (int i = 0; i < 12; ++i) {
        name += kLetters[pick(generator)];
    }
    return name;
}

} // namespace

TempFolder::TempFolder() {
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / RandomName();
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            m_path = std::move(candidate);
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be made in " + base.string());
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    // A test may have taken the write bit away; give it back so that the
    // folder can go.
    for (auto it = fs::recursive_directory_iterator(m_path, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_path, ignored);
}

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WriteFileBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

fs::path ExampleFile(std::string_view name) {
    return fs::u8path(QUARVEL_EXAMPLES_DIR) / fs::u8path(name);
}

fs::path TestDataFile(std::string_view name) {
    return fs::u8path(QUARVEL_TEST_DATA_DIR) / fs::u8path(name);
}

std::string WorkedExampleFile() {
    return "HWT3.8\n"
           "0,0,0,0,K0+000,\n"
           "4\n"
           "1,100,200,10,0,0,起点,0,3,DL,0,\n"
           "2,103,204,11,5,0,,0,0,DL,0,\n"
           "3,107.5,204,12,9.5,0,拐点,0,2,DL,1,\n"
           "4,110.25,204,13,12.25,0,终点,0,3,DL,0,\n";
}

PointList WorkedExamplePoints() {
    return ReadSectionFile(std::string_view(WorkedExampleFile())).points;
}

std::vector<std::string> EntriesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        names.push_back(entry.path().lexically_relative(folder).generic_u8string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace quarvel::test
