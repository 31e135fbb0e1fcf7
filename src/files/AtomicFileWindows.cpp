#include "files/AtomicFile.h"

#include "sectiondata/SystemErrorText.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#include <windows.h>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

// WriteFile counts in a DWORD; a larger piece goes in several calls.
constexpr std::size_t kMaxWrite = std::size_t{1} << 30;

// What a user or a program may have set on the file being replaced and a new
// file can be created with. ReplaceFileW keeps them as well, but the move
// that stands in for it when the old file has gone meanwhile would not.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_SYSTEM;

constexpr DWORD kMoveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string LastErrorText() {
    return Win32ErrorText(GetLastError());
}

// Replacing takes the old file's name from whoever holds it open; a program
// that holds it without allowing that (a spreadsheet showing it) makes the
// replace fail, perhaps half-way. The error that would stop it, or 0.
DWORD ReplaceBlocker(const std::wstring& target) {
    const HANDLE handle =
        CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    CloseHandle(handle);
    return 0;
}

// The path in the system's code page, which the C runtime's narrow file
// functions take, or false when a character of it has no form there. A folder
// with such a name may still be reached through its short (8.3) name.
bool NarrowPath(const std::wstring& wide, std::string& narrow) {
    if (wide.empty()) {
        narrow.clear();
        return true;
    }
    const int length = static_cast<int>(wide.size());
    BOOL lacking = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr,
                                         0, nullptr, &lacking);
    if (size <= 0 || lacking) {
        return false;
    }
    narrow.assign(static_cast<std::size_t>(size), '\0');
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, narrow.data(),
                               size, nullptr, &lacking) == size &&
           !lacking;
}

bool NarrowFolder(const fs::path& folder, std::string& narrow) {
    if (NarrowPath(folder.wstring(), narrow)) {
        return true;
    }
    const DWORD size = GetShortPathNameW(folder.wstring().c_str(), nullptr, 0);
    if (size == 0) {
        return false;
    }
    std::wstring shortName(size, L'\0');
    const DWORD written = GetShortPathNameW(folder.wstring().c_str(), shortName.data(), size);
    if (written == 0 || written >= size) {
        return false;
    }
    shortName.resize(written);
    return NarrowPath(shortName, narrow);
}

} // namespace

bool AtomicFile::IsOpen() const {
    return m_handle != nullptr;
}

bool AtomicFile::Open() {
    if (!ResolveTarget()) {
        return false;
    }
    const DWORD existing = GetFileAttributesW(m_resolved.wstring().c_str());
    // Without attributes the target is missing or a device; opening it tells.
    const bool exists = existing != INVALID_FILE_ATTRIBUTES;
    if (exists && (existing & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return FailWithErrno(EISDIR);
    }
    // A read-only target stays read-only: replacing it would bypass the
    // protection its owner gave it. Windows itself refuses only once all is
    // written, and some replacements (Wine's) not at all.
    if (exists && (existing & FILE_ATTRIBUTE_READONLY) != 0) {
        return Fail(Win32ErrorText(ERROR_ACCESS_DENIED));
    }
    if (OpenDevice()) {
        return true;
    }
    if (m_failed) {
        return false;
    }
    if (const DWORD blocker = exists ? ReplaceBlocker(m_resolved.wstring()) : 0) {
        return Fail(Win32ErrorText(blocker));
    }
    const DWORD kept = exists ? existing & kKeptAttributes : 0;
    // The C runtime cannot open a hidden or system file to write it: a file
    // for a library gets them at the commit.
    m_keptAttributes = m_forLibrary ? kept : 0;
    const DWORD created = kept != 0 && !m_forLibrary ? kept : FILE_ATTRIBUTE_NORMAL;
    for (int attempt = 0; attempt < 100 && m_handle == nullptr; ++attempt) {
        m_temporary = TemporaryPathFor(m_resolved, m_forLibrary);
        const HANDLE handle = CreateFileW(m_temporary.wstring().c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, created, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            m_handle = handle;
        } else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
            const std::string reason = LastErrorText();
            m_temporary.clear();
            return Fail(reason);
        }
    }
    if (m_handle == nullptr) {
        m_temporary.clear();
        return Fail(Win32ErrorText(ERROR_FILE_EXISTS));
    }
    return true;
}

// A device (NUL, CON, a serial port) answers to its name in every folder,
// need not show as an existing file, and cannot be renamed over: it is
// written directly. False with no failure when the target is a file on disk
// or missing.
bool AtomicFile::OpenDevice() {
    const HANDLE handle =
        CreateFileW(m_resolved.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
               Fail(Win32ErrorText(error));
    }
    if (GetFileType(handle) == FILE_TYPE_DISK) {
        CloseHandle(handle);
        return false;
    }
    m_direct = true;
    m_handle = handle;
    return true;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (m_failed || !IsOpen()) {
        return false;
    }
    while (!bytes.empty()) {
        const auto piece = static_cast<DWORD>(std::min(bytes.size(), kMaxWrite));
        DWORD written = 0;
        if (!WriteFile(m_handle, bytes.data(), piece, &written, nullptr)) {
            return Fail(LastErrorText());
        }
        if (written == 0) {
            // Nothing written and no error: the device took no more.
            return Fail(Win32ErrorText(ERROR_WRITE_FAULT));
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool AtomicFile::HandToLibrary() {
    if (!CloseHandle(std::exchange(m_handle, nullptr))) {
        return Fail(LastErrorText());
    }
    if (m_direct) {
        // A device keeps no temporary files of the library's: they go where
        // every program's go.
        std::error_code error;
        return (NarrowPath(m_resolved.wstring(), m_libraryPath) &&
                NarrowFolder(fs::temp_directory_path(error), m_libraryFolder)) ||
               Fail("文件名中有本系统代码页无法表示的字符，无法写入此种文件");
    }
    if (!NarrowFolder(Folder(), m_libraryFolder)) {
        return Fail("文件夹路径中有本系统代码页无法表示的字符，无法写入此种文件；请换一个文件夹");
    }
    m_libraryPath = m_libraryFolder + "\\" + m_temporary.filename().string();
    return true;
}

bool AtomicFile::ReopenFromLibrary() {
    const std::wstring temporary = m_temporary.wstring();
    if (m_keptAttributes != 0 && !SetFileAttributesW(temporary.c_str(), m_keptAttributes)) {
        return Fail(LastErrorText());
    }
    const HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return Fail(LastErrorText());
    }
    m_handle = handle;
    return true;
}

bool AtomicFile::Commit(bool /*syncFolder*/) {
    if (m_failed) {
        return false;
    }
    if (m_forLibrary && m_direct) {
        // The library wrote the device itself; there is nothing to replace.
        m_committed = true;
        return true;
    }
    if ((m_forLibrary && !ReopenFromLibrary()) || !IsOpen()) {
        return false;
    }
    // Devices may not support flushing; only a file must be on disk before it
    // replaces the old one.
    if (!FlushFileBuffers(m_handle) && !m_direct) {
        return Fail(LastErrorText());
    }
    if (!CloseHandle(std::exchange(m_handle, nullptr))) {
        return Fail(LastErrorText());
    }
    if (!m_direct) {
        if (!ReplaceTarget()) {
            return false;
        }
        m_temporary.clear();
    }
    m_committed = true;
    return true;
}

// ReplaceFileW keeps what the old file carries (attributes, access rights,
// its creation time); a new target is moved into place. The move writes
// through, so that the rename is on disk when Commit returns.
bool AtomicFile::ReplaceTarget() {
    const std::wstring target = m_resolved.wstring();
    const std::wstring temporary = m_temporary.wstring();
    if (!Exists(target)) {
        return MoveFileExW(temporary.c_str(), target.c_str(), kMoveFlags) || Fail(LastErrorText());
    }
    // Checked again: the file may have been opened since Open().
    if (const DWORD blocker = ReplaceBlocker(target)) {
        return Fail(Win32ErrorText(blocker));
    }
    if (ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr)) {
        return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
        return Fail(Win32ErrorText(error));
    }
    // The old file is gone already and the new one still has its temporary
    // name: it must not be removed with the failure, it is all there is.
    if (MoveFileExW(temporary.c_str(), target.c_str(), kMoveFlags)) {
        return true;
    }
    const std::string reason = Win32ErrorText(error) + "，新内容保存在 " + ShownPath(m_temporary);
    m_temporary.clear();
    return Fail(reason);
}

// Windows has no call to sync a folder: the moves above write through.
void AtomicFile::SyncFolder(const fs::path&) {}

// A process's handles need no room made for them.
void AtomicFile::MakeRoomForOpenFiles(std::size_t) {}

// Windows flushes a file at a time; a batch still commits the files together.
void AtomicFile::CommitAll(const std::vector<AtomicFile*>& files) {
    for (AtomicFile* file : files) {
        file->Commit(false);
    }
}

void AtomicFile::Discard() {
    if (m_handle != nullptr) {
        CloseHandle(m_handle);
        m_handle = nullptr;
    }
    if (!m_temporary.empty()) {
        DeleteFileW(m_temporary.wstring().c_str());
        m_temporary.clear();
    }
}

} // namespace quarvel
