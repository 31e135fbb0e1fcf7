#pragma once

// Permission bits stop every user but root, and the tests often run as root
// (CI does). Checks that need a permission to be refused therefore run in a
// child process as an ordinary user instead of being skipped. POSIX only: on
// Windows such checks use the read-only attribute instead.

#ifndef _WIN32

#include <filesystem>
#include <functional>
#include <string>

namespace quarvel::test {

struct ChildOutcome {
    bool passed = false;
    std::string detail; // why not, when it did not pass
};

// Runs checks in a child process as an ordinary user: a root process becomes
// nobody (uid and gid 65534) there, any other stays who it is. The folder is
// given to that user first, so that the checks make their files in it as its
// owner would. checks returns whether everything held; the test failures it
// records print themselves in the child, so a test returns !HasFailure().
ChildOutcome RunAsOrdinaryUser(const std::filesystem::path& folder,
                               const std::function<bool()>& checks);

} // namespace quarvel::test

#endif
