#include "files/AtomicFile.h"

#include "sectiondata/SystemErrorText.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <random>
#include <system_error>
#include <utility>

namespace quarvel {
namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkHops = 40;
// The temporary file's name adds to the target's; a target whose name is
// near the file system's limit must still get one.
constexpr std::size_t kMaxTemporaryStem = 100;

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
// inside a UTF-8 character; asciiOnly drops the other characters.
std::string TemporaryStem(const fs::path& resolved, bool asciiOnly) {
    std::string stem = resolved.filename().u8string();
    if (asciiOnly) {
        stem.erase(
            std::remove_if(stem.begin(), stem.end(),
                           [](char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; }),
            stem.end());
    }
    if (stem.size() > kMaxTemporaryStem) {
        std::size_t cut = kMaxTemporaryStem;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        stem.resize(cut);
    }
    return stem;
}

} // namespace

fs::path AtomicFile::TemporaryPathFor(const fs::path& resolved, bool asciiOnly) {
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t seed = std::random_device{}();
    // One splitmix64 step of a counter: names differ from call to call and
    // from run to run, without seeding a generator for each file of a batch.
    std::uint64_t random = seed + 0x9E3779B97F4A7C15ull * (counter.fetch_add(1) + 1);
    random = (random ^ (random >> 30)) * 0xBF58476D1CE4E5B9ull;
    random = (random ^ (random >> 27)) * 0x94D049BB133111EBull;
    random ^= random >> 31;
    std::string name = "." + TemporaryStem(resolved, asciiOnly) + ".";
    const char* const digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 8; ++i) {
        name += digits[random % 36];
        random /= 36;
    }
    name += ".tmp";
    return resolved.parent_path() / fs::u8path(name);
}

bool AtomicFile::SyncfsTellsWriteErrors(const std::string& release) {
    int major = 0;
    int minor = 0;
    if (std::sscanf(release.c_str(), "%d.%d", &major, &minor) != 2) {
        return false;
    }
    return major > 5 || (major == 5 && minor >= 8);
}

AtomicFile::AtomicFile(fs::path target) : m_target(std::move(target)) {}

AtomicFile::~AtomicFile() {
    if (!m_committed) {
        Discard();
    }
}

bool AtomicFile::Fail(const std::string& reason) {
    if (m_error.empty()) {
        m_reason = reason;
        m_error = ShownPath(m_target) + ": " + reason;
    }
    m_failed = true;
    Discard();
    return false;
}

bool AtomicFile::FailWithErrno(int error) {
    return Fail(SystemErrorText(error));
}

bool AtomicFile::OpenForLibrary() {
    m_forLibrary = true;
    return Open() && HandToLibrary();
}

void AtomicFile::Abandon(const std::string& reason) {
    Fail(reason);
}

fs::path AtomicFile::Folder() const {
    const fs::path& target = m_resolved.empty() ? m_target : m_resolved;
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// The first step of Open on every system: nothing open yet, a full path, links followed.
// The system calls get the full path: Windows' ReplaceFileW refuses a file name without a
// folder, and the name must still mean the same file if the current folder changes.
bool AtomicFile::ResolveTarget() {
    if (m_failed || IsOpen()) {
        return false;
    }
    std::error_code error;
    // No name is no file, as the system calls say, not an invalid argument.
    const fs::path full = m_target.empty() ? m_target : fs::absolute(m_target, error);
    return (!error && ResolveLinks(full, m_resolved, error)) || Fail(SystemErrorText(error));
}

} // namespace quarvel
