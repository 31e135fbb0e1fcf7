#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quarvel {

// Writes a file so that readers see either the old content or all of the new.
// A regular file (or a missing one) is written to a temporary file in the same
// folder, flushed to disk and renamed over the target by Commit(); until then
// the target is untouched, and a writer destroyed without a successful Commit()
// removes its temporary file. A symbolic link is followed, so the link stays
// and the file it points to is replaced. An existing target that is not a
// regular file (a device, a named pipe) is written directly: renaming over it
// would destroy it.
// The steps that differ by system live in AtomicFilePosix.cpp and
// AtomicFileWindows.cpp; the build takes one of them.
class AtomicFile {
public:
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Each returns false on failure; Error() then tells why. After a failure
    // the other calls do nothing and return false.
    bool Open();
    bool Write(std::string_view bytes);
    // syncFolder false leaves making the rename durable to SyncFolder(), for
    // a caller that commits many files into one folder.
    bool Commit(bool syncFolder = true);

    // Makes the renames into folder durable; a folder that cannot be synced
    // still holds the complete files.
    static void SyncFolder(const std::filesystem::path& folder);
    // The folder that Commit() renames into.
    std::filesystem::path Folder() const;

    const std::filesystem::path& Target() const { return m_target; }
    // UTF-8: the target's path, with the system's separators, and the system's reason.
    const std::string& Error() const { return m_error; }
    // The reason alone, without the file name.
    const std::string& Reason() const { return m_reason; }

private:
    // A name beside the target that no other writer uses at the moment.
    static std::filesystem::path TemporaryPathFor(const std::filesystem::path& resolved);

    bool IsOpen() const;
    bool ResolveTarget();
    bool Fail(const std::string& reason);
    bool FailWithErrno(int error);
    void Discard();
#ifdef _WIN32
    bool OpenDevice();
    bool ReplaceTarget();
#endif

    std::filesystem::path m_target;   // as given, for messages
    std::filesystem::path m_resolved; // the target with symbolic links followed
    std::filesystem::path m_temporary;
    std::string m_error;
    std::string m_reason;
#ifdef _WIN32
    void* m_handle = nullptr; // the HANDLE being written; nullptr when none
#else
    int m_descriptor = -1;
#endif
    bool m_direct = false; // writing the target itself (not a regular file)
    bool m_failed = false;
    bool m_committed = false;
};

} // namespace quarvel
