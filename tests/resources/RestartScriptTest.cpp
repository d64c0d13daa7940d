// The restart script of the language change: run by /bin/sh with the bundle path as its one
// argument, it waits until the application of that bundle has ended and then starts it again from
// that path. A stand-in program plays the application (it logs its start, its program file and
// its end); bundle paths carry blanks, quotes, "$", ";" and backquotes, which must never reach the
// shell as text.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "foundation/Bundle.h"
#include "foundation/Paths.h"
#include "support/TestSupport.h"

extern char** environ;

namespace morvex::test {
namespace {

using namespace std::chrono_literals;

struct LogLine {
    std::string event;
    long long nanoseconds = 0;
    std::string program;
};

class RestartScript : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = dir_.path() / "standin.log";
        ::setenv("MORVEX_STANDIN_LOG", log_.c_str(), 1);
        auto found = Bundle(MORVEX_TEST_BUNDLE_DIR).pathForResource("restart", "sh");
        ASSERT_TRUE(found) << "restart.sh is not in the bundle";
        script_ = *found;
    }
    void TearDown() override {
        for (pid_t pid : running_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        ::unsetenv("MORVEX_STANDIN_LOG");
    }

    // A bundle holding the stand-in as its application program.
    std::filesystem::path makeBundle(const std::string& name) {
        const auto bundle = dir_.path() / name;
        std::filesystem::create_directories(bundle / "bin");
        const auto program = bundle / "bin/MorvexVPN";
        std::filesystem::copy_file(MORVEX_STANDIN_APPLICATION, program);
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        return bundle;
    }

    pid_t spawn(const std::vector<std::string>& args) {
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, dir_.path().c_str());  // where injected commands would write
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) ADD_FAILURE() << "cannot start " << args.front() << ": " << std::strerror(rc);
        else running_.push_back(pid);
        return pid;
    }

    // The exit status, or -1 when the process has not ended in time.
    int waitFor(pid_t pid, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                std::erase(running_, pid);
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    std::vector<LogLine> logLines() const {
        std::vector<LogLine> out;
        std::istringstream in(paths::readFile(log_).value_or(""));
        for (std::string line; std::getline(in, line);) {
            LogLine l;
            std::istringstream fields(line);
            fields >> l.event >> l.nanoseconds;
            std::getline(fields >> std::ws, l.program);
            out.push_back(l);
        }
        return out;
    }

    bool waitForLines(std::size_t count, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (logLines().size() < count) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    TempDir dir_;
    std::filesystem::path log_, script_;
    std::vector<pid_t> running_;
};

TEST_F(RestartScript, WaitsForTheRunningApplicationThenStartsItFromItsBundle) {
    const auto bundle =
        makeBundle("My \"Morvex\" 'VPN' $HOME `touch injected-backquote` $(touch injected-dollar); echo x.app");
    const std::string program = (bundle / "bin/MorvexVPN").string();

    const pid_t old = spawn({program, "--hold", "1200"});
    ASSERT_TRUE(waitForLines(1, kWaitTimeout)) << "the running instance did not start";
    const pid_t script = spawn({"/bin/sh", script_.string(), bundle.string()});

    EXPECT_EQ(waitFor(old, kWaitTimeout), 0);
    EXPECT_EQ(waitFor(script, kWaitTimeout), 0) << "the script did not start the application (or it failed)";

    for (const char* injected : {"injected-backquote", "injected-dollar"})
        EXPECT_FALSE(std::filesystem::exists(dir_.path() / injected)) << "the bundle path reached the shell as text";

    auto lines = logLines();
    ASSERT_EQ(lines.size(), 3u) << paths::readFile(log_).value_or("");
    EXPECT_EQ(lines[0].event, "start");
    EXPECT_EQ(lines[1].event, "end");
    EXPECT_EQ(lines[2].event, "start");
    EXPECT_GE(lines[2].nanoseconds, lines[1].nanoseconds) << "started before the old instance had ended";
    EXPECT_EQ(lines[2].program, std::filesystem::canonical(program).string()) << "started from another path";
}

TEST_F(RestartScript, TheApplicationOfAnotherBundleDoesNotHoldItBack) {
    const auto other = makeBundle("Other.app");
    const auto mine = makeBundle("Mine.app");
    // The other bundle's program runs until the fixture ends it: a script that waited for it would
    // give up only after its minute, with status 1.
    spawn({(other / "bin/MorvexVPN").string(), "--hold", "3600000"});
    ASSERT_TRUE(waitForLines(1, kWaitTimeout));

    const pid_t script = spawn({"/bin/sh", script_.string(), mine.string()});
    EXPECT_EQ(waitFor(script, kWaitTimeout), 0) << "kept waiting for another bundle's program";
    auto lines = logLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].program, std::filesystem::canonical(mine / "bin/MorvexVPN").string());
}

TEST_F(RestartScript, AWrongCallStartsNothing) {
    const auto empty = dir_.path() / "Empty.app";
    std::filesystem::create_directories(empty / "bin");
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{}, 2},
        {{""}, 2},
        {{makeBundle("A.app").string(), "extra"}, 2},
        {{empty.string()}, 1},
        {{(dir_.path() / "Missing.app").string()}, 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"/bin/sh", script_.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(waitFor(spawn(args), kWaitTimeout), c.status) << (c.args.empty() ? "(no argument)" : c.args.front());
    }
    EXPECT_TRUE(logLines().empty()) << "something was started";
}

}  // namespace
}  // namespace morvex::test
