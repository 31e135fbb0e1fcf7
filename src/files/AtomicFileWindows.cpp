#include "files/AtomicFile.h"

#include "sectiondata/SystemErrorText.h"

#include <cerrno>
#include <fstream>
#include <system_error>

namespace quarvel {
namespace fs = std::filesystem;

// Windows: the same steps with the standard library; std::filesystem::rename
// replaces an existing file there.
bool AtomicFile::Open() {
    if (!ResolveTarget()) {
        return false;
    }
    std::error_code error;
    const fs::file_status status = fs::status(m_resolved, error);
    if (fs::is_directory(status)) {
        return FailWithErrno(EISDIR);
    }
    m_temporary = TemporaryPathFor(m_resolved);
    std::ofstream probe(m_temporary, std::ios::binary | std::ios::trunc);
    if (!probe) {
        m_temporary.clear();
        return FailWithErrno(errno != 0 ? errno : EACCES);
    }
    m_descriptor = 0;
    return true;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (m_failed || m_descriptor < 0) {
        return false;
    }
    std::ofstream out(m_temporary, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    return out.good() || FailWithErrno(errno != 0 ? errno : EIO);
}

bool AtomicFile::Commit(bool /*syncFolder*/) {
    if (m_failed || m_descriptor < 0) {
        return false;
    }
    m_descriptor = -1;
    std::error_code error;
    fs::rename(m_temporary, m_resolved, error);
    if (error) {
        return Fail(SystemErrorText(error));
    }
    m_temporary.clear();
    m_committed = true;
    return true;
}

// Windows has no call to sync a folder; its file system journals the rename.
void AtomicFile::SyncFolder(const fs::path&) {}

void AtomicFile::Discard() {
    m_descriptor = -1;
    if (!m_temporary.empty()) {
        std::error_code ignored;
        fs::remove(m_temporary, ignored);
        m_temporary.clear();
    }
}

} // namespace quarvel
