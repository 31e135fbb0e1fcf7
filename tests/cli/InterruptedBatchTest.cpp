// A batch killed part-way, as by a crash or the task manager: every target
// holds either its old bytes or all of its new ones, never a part.

#include "cli/CliRun.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quarvel {
namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 24;
// Each export is written in more than one piece, so that a target written in
// place would show a part of it for a while.
constexpr int kPoints = 20000;
const std::string kOldBytes = "old\r\n";
const std::vector<std::string> kOptions = {
    "--columns", "编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层", "--jobs", "2"};

std::string Section() {
    std::string file = "HWT3.8\r\n0,0,0,K0+000,\r\n" + std::to_string(kPoints) + "\r\n";
    for (int i = 0; i < kPoints; ++i) {
        file += std::to_string(i) + ",500000.123," + std::to_string(3400000 + i) +
                ".456,35.2,12.5,0,NOTE" + std::to_string(i % 13) + ",0,0,LAYER,0,\r\n";
    }
    return file;
}

off_t SizeOf(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

// Starts quarvel-cli with args, its output thrown away.
pid_t Start(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(QUARVEL_CLI));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(QUARVEL_CLI, argv.data());
        ::_exit(127);
    }
    return child;
}

TEST(InterruptedBatch, LeavesEveryTargetOldOrWhole) {
    const test::TempFolder temp;
    const std::string section = Section();
    std::vector<std::string> args = {"export"};
    std::vector<fs::path> targets;
    fs::create_directories(temp / "in");
    fs::create_directories(temp / "out");
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "K" + std::to_string(100 + i);
        ASSERT_TRUE(test::WriteFileBytes(temp / "in" / (name + ".txt"), section));
        ASSERT_TRUE(test::WriteFileBytes(temp / "out" / (name + ".csv"), kOldBytes));
        args.push_back((temp / "in" / (name + ".txt")).string());
        targets.push_back(temp / "out" / (name + ".csv"));
    }
    std::vector<std::string> single = {"export", args[1], "-o", (temp / "new.csv").string()};
    single.insert(single.end(), kOptions.begin(), kOptions.end());
    ASSERT_EQ(test::RunCommand(single).status, 0);
    const std::string newBytes = test::ReadFileBytes(temp / "new.csv");
    ASSERT_GT(newBytes.size(), std::size_t{1} << 20);

    args.insert(args.end(), {"--output-dir", (temp / "out").string()});
    args.insert(args.end(), kOptions.begin(), kOptions.end());
    const pid_t child = Start(args);
    ASSERT_GT(child, 0);
    // Killed soon after the first target changed, while the others are being
    // written; until then every target is watched, as a reader would see it.
    const auto oldSize = static_cast<off_t>(kOldBytes.size());
    const auto newSize = static_cast<off_t>(newBytes.size());
    std::size_t partialSeen = 0;
    const auto watch = [&] {
        bool changed = false;
        for (const fs::path& target : targets) {
            const off_t size = SizeOf(target);
            changed = changed || size == newSize;
            partialSeen += size != oldSize && size != newSize ? 1 : 0;
        }
        return changed;
    };
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!watch() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    const auto killAt = Clock::now() + std::chrono::milliseconds(15);
    while (Clock::now() < killAt) {
        watch();
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the batch ended before it was killed";

    int whole = 0;
    int old = 0;
    for (const fs::path& target : targets) {
        const std::string bytes = test::ReadFileBytes(target);
        if (bytes == newBytes) {
            ++whole;
        } else if (bytes == kOldBytes) {
            ++old;
        } else {
            ADD_FAILURE() << target << " holds " << bytes.size() << " bytes, a part";
        }
    }
    EXPECT_EQ(partialSeen, 0u) << "a target was seen part-written";
    EXPECT_GT(whole, 0);
    EXPECT_GT(old, 0) << "killed too late to tell";
}

} // namespace
} // namespace quarvel
#endif
