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

// In the child: drops root's privileges, runs the checks and says what went
// wrong (empty when everything held).
std::string RunChecks(const std::filesystem::path& folder, const std::function<bool()>& checks) {
    if (::geteuid() == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0) {
            return std::string("cannot become uid 65534: ") + std::strerror(errno);
        }
        if (::setuid(0) == 0) {
            return "root's privileges came back after they were dropped";
        }
#ifdef __linux__
        // Else the process may not read its own /proc entries, which the
        // sanitizers need to report a fault.
        (void)::prctl(PR_SET_DUMPABLE, 1);
#endif
    }
    if (::access(folder.c_str(), R_OK | W_OK | X_OK) != 0) {
        return folder.string() + " is out of reach for uid " + std::to_string(::geteuid()) +
               " (inside a private folder?): " + std::strerror(errno);
    }
    try {
        return checks() ? "" : "the checks above failed as uid " + std::to_string(::geteuid());
    } catch (const std::exception& error) {
        return std::string("the checks threw: ") + error.what();
    }
}

} // namespace

ChildOutcome RunAsOrdinaryUser(const std::filesystem::path& folder,
                               const std::function<bool()>& checks) {
    if (::geteuid() == 0 && ::chown(folder.c_str(), kNobody, kNoGroup) != 0) {
        return {false, "cannot give " + folder.string() + " to uid 65534: " + std::strerror(errno)};
    }
    std::fflush(nullptr); // nothing buffered may be written twice
    const pid_t child = ::fork();
    if (child < 0) {
        return {false, std::string("no child process: ") + std::strerror(errno)};
    }
    if (child == 0) {
        const std::string why = RunChecks(folder, checks);
        std::fprintf(stderr, "%s%s", why.c_str(), why.empty() ? "" : "\n");
        std::fflush(nullptr);
        ::_exit(why.empty() ? 0 : 1); // no exit handlers: they belong to the parent
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return {true, ""};
    }
    return {false,
            WIFSIGNALED(status)
                ? "the child running the checks died of signal " + std::to_string(WTERMSIG(status))
                : "the checks run as an ordinary user failed; their messages are above"};
}

} // namespace quarvel::test

#endif
