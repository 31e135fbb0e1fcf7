#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

    // For a library that opens its output by name: makes the temporary file
    // as Open() does but leaves it closed for the library to write through
    // LibraryPath(); Commit() then puts what it wrote on disk and replaces the
    // target as usual. The temporary file's name is ASCII, and the paths are
    // in the form the C runtime's fopen takes: on Windows that is the
    // system's code page, which not every folder name can be written in.
    bool OpenForLibrary();
    const std::string& LibraryPath() const { return m_libraryPath; }
    // The temporary file's folder in that form, for the library's own
    // temporary files.
    const std::string& LibraryFolder() const { return m_libraryFolder; }
    // The temporary file, to read back what the library wrote; empty when
    // the target (not a regular file) is written directly.
    const std::filesystem::path& TemporaryPath() const { return m_temporary; }

    // Gives the file up for a reason of the caller's (the library failed):
    // Error() and Reason() tell it, and nothing is left behind.
    void Abandon(const std::string& reason);

    // Commits the files of a batch together: their bytes go to disk in one
    // flush of each file system where the system has one, instead of a round
    // trip to the disk for each file; then each replaces its target, and each
    // folder is synced once. Where that flush also tells a failed write of any
    // of them (Linux from 5.8), no file is flushed again on its own. Each file
    // tells its own outcome through Error(); none replaces its target before
    // its bytes are on disk.
    static void CommitAll(const std::vector<AtomicFile*>& files);

    // Whether syncfs() on a Linux of this release (uname's, "6.1.0-13-amd64")
    // tells a failed write to any file of the file system since the
    // descriptor it is given was opened: from 5.8 on. Before, only each
    // file's own fsync() tells it.
    static bool SyncfsTellsWriteErrors(const std::string& release);

    // Makes room for count files open at once, for a caller about to open
    // many of them on several threads. Where the system keeps a table of a
    // process's open files that grows by doubling (Linux), each growth while
    // threads share the table waits for every processor to pass a quiescent
    // point, some milliseconds, with every thread opening a file stopped
    // meanwhile; growing it once, early, spares the batch those stops. A
    // hint: nothing fails for want of room.
    static void MakeRoomForOpenFiles(std::size_t count);

    // Makes the renames into folder durable; a folder that cannot be synced
    // still holds the complete files.
    static void SyncFolder(const std::filesystem::path& folder);
    // The folder that Commit() renames into.
    std::filesystem::path Folder() const;

    const std::filesystem::path& Target() const { return m_target; }
    // Whether the new bytes have replaced the target (or been written to it).
    bool Committed() const { return m_committed; }
    // UTF-8: the target's path, with the system's separators, and the system's reason.
    const std::string& Error() const { return m_error; }
    // The reason alone, without the file name.
    const std::string& Reason() const { return m_reason; }

private:
    // A name beside the target that no other writer uses at the moment;
    // asciiOnly keeps only the ASCII characters of the target's name.
    static std::filesystem::path TemporaryPathFor(const std::filesystem::path& resolved,
                                                  bool asciiOnly = false);

    bool IsOpen() const;
    bool ResolveTarget();
    bool Fail(const std::string& reason);
    bool FailWithErrno(int error);
    void Discard();
    // The steps of OpenForLibrary and Commit that differ by system.
    bool HandToLibrary();
    bool ReopenFromLibrary();
#ifndef _WIN32
    void StartWriteback();
    bool CloseDescriptor();
    bool ReplaceTarget(bool syncFolder);
    // Puts the files' bytes on disk with one flush of their file system;
    // true when that flush also vouches that none of their writes failed.
    static bool FlushTogether(const std::vector<AtomicFile*>& files);
#endif
#ifdef _WIN32
    bool OpenDevice();
    bool ReplaceTarget();
#endif

    std::filesystem::path m_target;   // as given, for messages
    std::filesystem::path m_resolved; // the target with symbolic links followed
    std::filesystem::path m_temporary;
    std::string m_error;
    std::string m_reason;
    std::string m_libraryPath;
    std::string m_libraryFolder;
#ifdef _WIN32
    void* m_handle = nullptr;           // the HANDLE being written; nullptr when none
    unsigned long m_keptAttributes = 0; // set on a file a library wrote, at the commit
#else
    int m_descriptor = -1;
    // Which Open() this was, in the order of the process's opens: the
    // earliest descriptor of a batch saw every write of the batch.
    unsigned long long m_openOrder = 0;
    // Bytes written, and how many of them the disk was asked to take.
    unsigned long long m_written = 0;
    unsigned long long m_writebackStarted = 0;
#endif
    bool m_direct = false;     // writing the target itself (not a regular file)
    bool m_forLibrary = false; // the file is written by name, by a library
    bool m_failed = false;
    bool m_committed = false;
};

} // namespace quarvel
