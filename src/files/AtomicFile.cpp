#include "files/AtomicFile.h"

#include "sectiondata/SystemErrorText.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quarvel {
namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkHops = 40;
// The temporary file's name adds to the target's; a target whose name is
// near the file system's limit must still get one.
constexpr std::size_t kMaxTemporaryStem = 100;

std::string PathText(const fs::path& path) {
    return path.u8string();
}

// The path with every symbolic link at its end followed, so that the file
// behind a link is the one replaced. A dangling link resolves to the missing
// file it names, which is then created.
bool ResolveLinks(const fs::path& target, fs::path& resolved, std::error_code& error) {
    resolved = target;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        const fs::file_status status = fs::symlink_status(resolved, error);
        if (error && error != std::errc::no_such_file_or_directory) {
            return false;
        }
        error.clear();
        if (!fs::is_symlink(status)) {
            return true;
        }
        const fs::path next = fs::read_symlink(resolved, error);
        if (error) {
            return false;
        }
        resolved = next.is_absolute() ? next : resolved.parent_path() / next;
    }
    error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return false;
}

// The start of a file name, at most kMaxTemporaryStem bytes and never cut
// inside a UTF-8 character.
std::string TemporaryStem(const fs::path& resolved) {
    std::string stem = resolved.filename().u8string();
    if (stem.size() > kMaxTemporaryStem) {
        std::size_t cut = kMaxTemporaryStem;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        stem.resize(cut);
    }
    return stem;
}

fs::path TemporaryPathFor(const fs::path& resolved) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    std::mt19937 random(seed + counter.fetch_add(1));
    std::string name = "." + TemporaryStem(resolved) + ".";
    const char* const digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 8; ++i) {
        name += digits[random() % 36];
    }
    name += ".tmp";
    return resolved.parent_path() / fs::u8path(name);
}

} // namespace

AtomicFile::AtomicFile(fs::path target) : m_target(std::move(target)) {}

AtomicFile::~AtomicFile() {
    if (!m_committed) {
        Discard();
    }
}

bool AtomicFile::Fail(const std::string& reason) {
    if (m_error.empty()) {
        m_reason = reason;
        m_error = PathText(m_target) + ": " + reason;
    }
    m_failed = true;
    Discard();
    return false;
}

bool AtomicFile::FailWithErrno(int error) {
    return Fail(SystemErrorText(error));
}

fs::path AtomicFile::Folder() const {
    const fs::path& target = m_resolved.empty() ? m_target : m_resolved;
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// The first step of Open on every system: nothing open yet, links followed.
bool AtomicFile::ResolveTarget() {
    if (m_failed || m_descriptor >= 0) {
        return false;
    }
    std::error_code error;
    return ResolveLinks(m_target, m_resolved, error) || Fail(SystemErrorText(error));
}

#ifndef _WIN32

bool AtomicFile::Open() {
    if (!ResolveTarget()) {
        return false;
    }
    struct stat existing {};
    const bool exists = ::stat(m_resolved.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        return FailWithErrno(errno);
    }
    if (exists && S_ISDIR(existing.st_mode)) {
        return FailWithErrno(EISDIR);
    }
    // A read-only target stays read-only: replacing it by rename would
    // bypass the protection its owner gave it.
    if (exists && ::access(m_resolved.c_str(), W_OK) != 0) {
        return FailWithErrno(errno);
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        m_direct = true;
        m_descriptor = ::open(m_resolved.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        return m_descriptor >= 0 || FailWithErrno(errno);
    }
    for (int attempt = 0; attempt < 100 && m_descriptor < 0; ++attempt) {
        m_temporary = TemporaryPathFor(m_resolved);
        m_descriptor = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH);
        if (m_descriptor < 0 && errno != EEXIST) {
            const int openError = errno;
            m_temporary.clear();
            return FailWithErrno(openError);
        }
    }
    if (m_descriptor < 0) {
        m_temporary.clear();
        return FailWithErrno(EEXIST);
    }
    if (exists) {
        // Keep what the user set up on the file being replaced. Ownership can
        // only be kept by a privileged user; a failure there is not an error.
        if (::fchmod(m_descriptor, existing.st_mode & 07777) != 0) {
            return FailWithErrno(errno);
        }
        if (::fchown(m_descriptor, existing.st_uid, existing.st_gid) != 0) {
            (void)::fchown(m_descriptor, static_cast<uid_t>(-1), existing.st_gid);
        }
    }
    return true;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (m_failed || m_descriptor < 0) {
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return FailWithErrno(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool AtomicFile::Commit(bool syncFolder) {
    if (m_failed || m_descriptor < 0) {
        return false;
    }
    // Devices and pipes may not support fsync; only a regular file must be on
    // disk before it replaces the old one.
    if (::fsync(m_descriptor) != 0 && !m_direct) {
        return FailWithErrno(errno);
    }
    const int descriptor = std::exchange(m_descriptor, -1);
    if (::close(descriptor) != 0 && errno != EINTR) {
        return FailWithErrno(errno);
    }
    if (!m_direct) {
        if (::rename(m_temporary.c_str(), m_resolved.c_str()) != 0) {
            return FailWithErrno(errno);
        }
        m_temporary.clear();
        if (syncFolder) {
            SyncFolder(Folder());
        }
    }
    m_committed = true;
    return true;
}

void AtomicFile::SyncFolder(const fs::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        (void)::fsync(descriptor);
        ::close(descriptor);
    }
}

void AtomicFile::Discard() {
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

#else

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

#endif

} // namespace quarvel
