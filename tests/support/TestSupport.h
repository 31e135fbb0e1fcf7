#pragma once

// Helpers every test program shares: temporary folders, whole-file reads and
// writes, and the paths of the examples and the expected exports. Standard C++
// only, so that the core's tests and the widget tests both use it.

#include "sectiondata/CDataStruct.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel::test {

// A fresh, uniquely named folder under the system's temporary folder, removed
// with everything in it when the object goes. Concurrent test runs never share
// one.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return m_path / name;
    }

private:
    std::filesystem::path m_path;
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);
// Replaces the file with the bytes; false when it cannot be written.
bool WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

// The names of everything in folder and its subfolders, relative to it with
// "/" between folders, sorted: what a test finds left behind.
std::vector<std::string> EntriesIn(const std::filesystem::path& folder);

// A file of examples/ and of tests/data/ (expected exports).
std::filesystem::path ExampleFile(std::string_view name);
std::filesystem::path TestDataFile(std::string_view name);

// The worked example as a section file: start, ordinary point on layer DL,
// knee point, end point (UTF-8, LF).
std::string WorkedExampleFile();
// Its points as the reader gives them (no azimuths).
PointList WorkedExamplePoints();

} // namespace quarvel::test
