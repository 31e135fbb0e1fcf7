#include "exporting/FileNameCase.h"

namespace quarvel {

// Names are compared byte for byte: Sec.csv and sec.csv are two files.
std::filesystem::path FoldFileNameCase(const std::filesystem::path& path) {
    return path;
}

} // namespace quarvel
