#include "support/OrdinaryUser.h"

#ifndef _WIN32

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace quarvel::test {
namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

std::string ErrnoText(int error) {
    return std::strerror(error);
}

// Empty when the process now runs without root's privileges.
std::string DropPrivileges() {
    if (::geteuid() != 0) {
        return {};
    }
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0) {
        return "cannot become uid 65534: " + ErrnoText(errno);
    }
    if (::setuid(0) == 0) {
        return "root's privileges came back after they were dropped";
    }
#ifdef __linux__
    // A process that changed its user cannot read its own /proc entries,
    // which the sanitizers need to report a fault.
    (void)::prctl(PR_SET_DUMPABLE, 1);
#endif
    return {};
}

std::string RunChecks(const std::filesystem::path& folder, const std::function<bool()>& checks) {
    std::string why = DropPrivileges();
    if (!why.empty()) {
        return why;
    }
    if (::access(folder.c_str(), R_OK | W_OK | X_OK) != 0) {
        return folder.string() + " is out of reach for uid " + std::to_string(::geteuid()) + ": " +
               ErrnoText(errno) + " (is the temporary folder inside a private one?)";
    }
    try {
        return checks() ? std::string()
                        : "the checks above failed as uid " + std::to_string(::geteuid());
    } catch (const std::exception& error) {
        return std::string("the checks threw: ") + error.what();
    }
}

} // namespace

ChildOutcome RunAsOrdinaryUser(const std::filesystem::path& folder,
                               const std::function<bool()>& checks) {
    ChildOutcome outcome;
    if (::geteuid() == 0 && ::chown(folder.c_str(), kNobody, kNoGroup) != 0) {
        outcome.detail = "cannot give " + folder.string() + " to uid 65534: " + ErrnoText(errno);
        return outcome;
    }
    std::fflush(nullptr); // nothing buffered may be written twice
    const pid_t child = ::fork();
    if (child < 0) {
        outcome.detail = "no child process: " + ErrnoText(errno);
        return outcome;
    }
    if (child == 0) {
        const std::string why = RunChecks(folder, checks);
        if (!why.empty()) {
            std::fprintf(stderr, "%s\n", why.c_str());
        }
        std::fflush(nullptr);
        ::_exit(why.empty() ? 0 : 1); // no exit handlers: they belong to the parent
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.passed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!outcome.passed) {
        outcome.detail =
            WIFSIGNALED(status)
                ? "the child running the checks died of signal " + std::to_string(WTERMSIG(status))
                : "the checks run as an ordinary user failed; their messages are above";
    }
    return outcome;
}

} // namespace quarvel::test

#endif
