#include "files/AtomicFile.h"

#include "sectiondata/SystemErrorText.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <limits>
#include <map>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace quarvel {
namespace fs = std::filesystem;

bool AtomicFile::IsOpen() const {
    return m_descriptor >= 0;
}

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
        m_temporary = TemporaryPathFor(m_resolved, m_forLibrary);
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
    static std::atomic<unsigned long long> opens{0};
    m_openOrder = ++opens;
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
        m_written += static_cast<unsigned long long>(written);
    }
    StartWriteback();
    return true;
}

// A large file's bytes go to the disk while the rest is still being made,
// so that the flush at the commit waits for the last of them only. A hint:
// where the system cannot, the flush does it all.
void AtomicFile::StartWriteback() {
#ifdef __linux__
    constexpr unsigned long long kWritebackStep = 8ull << 20;
    if (!m_direct && m_written - m_writebackStarted >= kWritebackStep) {
        (void)::sync_file_range(m_descriptor, static_cast<off_t>(m_writebackStarted),
                                static_cast<off_t>(m_written - m_writebackStarted),
                                SYNC_FILE_RANGE_WRITE);
        m_writebackStarted = m_written;
    }
#endif
}

bool AtomicFile::HandToLibrary() {
    const int descriptor = std::exchange(m_descriptor, -1);
    if (::close(descriptor) != 0 && errno != EINTR) {
        return FailWithErrno(errno);
    }
    // A device keeps no temporary files of the library's: they go where
    // every program's go.
    std::error_code error;
    m_libraryPath = (m_direct ? m_resolved : m_temporary).native();
    m_libraryFolder = (m_direct ? fs::temp_directory_path(error) : Folder()).native();
    return true;
}

bool AtomicFile::ReopenFromLibrary() {
    m_descriptor = ::open(m_temporary.c_str(), O_WRONLY | O_CLOEXEC);
    return m_descriptor >= 0 || FailWithErrno(errno);
}

bool AtomicFile::Commit(bool syncFolder) {
    if (m_failed) {
        return false;
    }
    if (m_forLibrary && m_direct) {
        // The library wrote the device itself; there is nothing to replace.
        m_committed = true;
        return true;
    }
    if ((m_forLibrary && !ReopenFromLibrary()) || m_descriptor < 0) {
        return false;
    }
    // Devices and pipes may not support fsync; only a regular file must be on
    // disk before it replaces the old one.
    if (::fsync(m_descriptor) != 0 && !m_direct) {
        return FailWithErrno(errno);
    }
    if (!CloseDescriptor()) {
        return false;
    }
    if (m_direct) {
        m_committed = true;
        return true;
    }
    return ReplaceTarget(syncFolder);
}

bool AtomicFile::CloseDescriptor() {
    const int descriptor = std::exchange(m_descriptor, -1);
    if (descriptor >= 0 && ::close(descriptor) != 0 && errno != EINTR) {
        return FailWithErrno(errno);
    }
    return true;
}

bool AtomicFile::ReplaceTarget(bool syncFolder) {
    if (::rename(m_temporary.c_str(), m_resolved.c_str()) != 0) {
        return FailWithErrno(errno);
    }
    m_temporary.clear();
    if (syncFolder) {
        SyncFolder(Folder());
    }
    m_committed = true;
    return true;
}

namespace {

#ifdef __linux__
bool SyncfsTellsWriteErrorsHere() {
    static const bool tells = [] {
        utsname system{};
        return ::uname(&system) == 0 && AtomicFile::SyncfsTellsWriteErrors(system.release);
    }();
    return tells;
}
#endif

} // namespace

// One request puts everything written to the file system on disk, instead of
// a round trip to the disk for each file. Linux's syncfs() also tells a failed
// write since the descriptor it is given was opened: given the batch's
// earliest descriptor, a clean answer vouches for every file, whose own
// fsync() can then go. A file a library wrote was written before its
// descriptor was opened, so it is still checked on its own.
bool AtomicFile::FlushTogether(const std::vector<AtomicFile*>& files) {
#ifdef __linux__
    const AtomicFile* earliest = nullptr;
    for (const AtomicFile* file : files) {
        if (!file->m_forLibrary &&
            (earliest == nullptr || file->m_openOrder < earliest->m_openOrder)) {
            earliest = file;
        }
    }
    const AtomicFile* any = earliest != nullptr ? earliest : files.front();
    const bool clean = ::syncfs(any->m_descriptor) == 0;
    return clean && earliest != nullptr && SyncfsTellsWriteErrorsHere();
#else
    (void)files;
    return false;
#endif
}

void AtomicFile::CommitAll(const std::vector<AtomicFile*>& files) {
    std::map<fs::path, std::vector<AtomicFile*>> byFolder;
    for (AtomicFile* file : files) {
        if (file->m_failed || file->m_committed) {
            continue;
        }
        if (file->m_direct) {
            file->Commit(false); // a device: written in place, as ever
        } else if (!file->m_forLibrary || file->ReopenFromLibrary()) {
            byFolder[file->Folder()].push_back(file);
        }
    }
    for (auto& [folder, written] : byFolder) {
        const bool vouched = FlushTogether(written);
        for (AtomicFile* file : written) {
            // After the flush this finds nothing left to write, but it still
            // tells a write that failed on the way to the disk.
            const bool checkAlone = !vouched || file->m_forLibrary;
            if (checkAlone && ::fsync(file->m_descriptor) != 0) {
                file->FailWithErrno(errno);
            } else if (file->CloseDescriptor()) {
                file->ReplaceTarget(false);
            }
        }
        SyncFolder(folder);
    }
}

void AtomicFile::MakeRoomForOpenFiles(std::size_t count) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur < 2) {
        return;
    }
    // The table grows to hold the highest descriptor in use, so one
    // descriptor that high, opened and closed, leaves it grown.
    const auto highest = static_cast<int>(
        std::min<unsigned long long>({count, limit.rlim_cur - 1, std::numeric_limits<int>::max()}));
    const int any = ::open("/", O_RDONLY | O_CLOEXEC);
    if (any < 0) {
        return;
    }
    const int high = ::fcntl(any, F_DUPFD_CLOEXEC, highest);
    if (high >= 0) {
        ::close(high);
    }
    ::close(any);
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

} // namespace quarvel
