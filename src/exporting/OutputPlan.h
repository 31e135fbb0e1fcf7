#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quarvel {

// Where one input goes. refusal, when not empty, is why it must not be
// written: its output is an input, or another input's output. The text names
// the output and the input, for the user.
struct BatchItem {
    std::filesystem::path input;
    std::filesystem::path output;
    std::string refusal;
};

// Every command that writes files from section files plans them here, so
// that no input is ever overwritten whatever writes it, and two inputs never
// write the same file: the first keeps it. A large batch is planned on
// several threads: outputFor may be called on any of them at once.
std::vector<BatchItem>
PlanBatch(const std::vector<std::filesystem::path>& inputs,
          const std::function<std::filesystem::path(const std::filesystem::path&)>& outputFor);

// For commands that write all their inputs into one file: why output must
// not be written, or nothing when it may.
std::string RefuseSharedOutput(const std::vector<std::filesystem::path>& inputs,
                               const std::filesystem::path& output);

// Makes the folders the items' outputs go into; an item whose folder cannot
// be made is refused with the reason.
void MakeOutputFolders(std::vector<BatchItem>& items);

// A text that two spellings of one file share, as far as the paths tell:
// absolute, without "." and "..", links resolved, in the file system's case.
std::string PathKey(const std::filesystem::path& path);

// Whether the two paths name one file: spelled alike as the file system
// compares names (links followed, "a/../b" as "b", case on Windows), or one
// existing file under two names.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// input's name with extension, in folder.
std::filesystem::path OutputInFolder(const std::filesystem::path& folder,
                                     const std::filesystem::path& input,
                                     const std::string& extension = ".csv");

// input's place under inputRoot repeated under folder, with extension: the
// files of subfolders keep their subfolders, so that same-named files in two
// of them stay apart. An input outside inputRoot goes into folder itself.
std::filesystem::path MirroredOutput(const std::filesystem::path& folder,
                                     const std::filesystem::path& inputRoot,
                                     const std::filesystem::path& input,
                                     const std::string& extension = ".csv");

} // namespace quarvel
