// What the helper reads of a caller's process, on /proc-like folders of the test's making. The
// real attacks (a preloaded library, a debugger, a plugin of the attacker's) are in
// HelperAttackTest.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>

#include "helpertool/CallerProcess.h"
#include "support/TestSupport.h"

using namespace morvex;
using namespace morvex::helper;

namespace {

const std::string kProgram = "/opt/morvexvpn/MorvexVPN.app/bin/MorvexVPN";
const std::vector<std::filesystem::path> kTrusted = {"/usr/lib", "/lib", "/opt/morvexvpn/MorvexVPN.app"};

std::string mapping(const std::string& perms, const std::string& path) {
    return "7f0000000000-7f0000001000 " + perms + " 00000000 fd:01 1234                       " + path + "\n";
}

// The maps of a clean caller: its program, system libraries, anonymous and kernel areas, data.
const std::string kCleanMaps = mapping("r--p", kProgram) + mapping("r-xp", kProgram) +
                               mapping("r-xp", "/usr/lib/x86_64-linux-gnu/libc.so.6") +
                               mapping("r-xp", "/usr/lib/x86_64-linux-gnu/libQt6Core.so.6.4.2 (deleted)") +
                               mapping("r-xp", "/opt/morvexvpn/MorvexVPN.app/lib/libplugin.so") +
                               mapping("rw-p", "/home/user/.cache/fontconfig/cache-9") +
                               mapping("r--p", "/tmp/data file with spaces") + mapping("rw-p", "") +
                               mapping("r-xp", "[vdso]") + mapping("--xp", "[vsyscall]");

class CallerProcessTest : public ::testing::Test {
protected:
    // Writes a /proc/<pid>-like folder: status, environ (entries separated by NUL), maps, exe.
    std::filesystem::path process(const std::string& tracer, const std::vector<std::string>& environment,
                                  const std::string& maps) {
        const auto p = dir_.path() / std::to_string(++count_);
        std::filesystem::create_directories(p);
        std::ofstream(p / "status") << "Name:\tMorvexVPN\nState:\tS (sleeping)\nTracerPid:\t" << tracer
                                    << "\nUid:\t1000\t1000\t1000\t1000\n";
        std::string env;
        for (const auto& e : environment) env += e + '\0';
        std::ofstream(p / "environ", std::ios::binary) << env;
        std::ofstream(p / "maps") << maps;
        std::filesystem::create_symlink(kProgram, p / "exe");
        return p;
    }

    test::TempDir dir_;
    int count_ = 0;
};

const std::vector<std::string> kCleanEnvironment = {"PATH=/usr/bin:/bin", "HOME=/home/user", "LD_BIND_NOW=1",
                                                    "LD_PRELOAD=", "MY_LD_PRELOAD=/tmp/x.so"};

}  // namespace

TEST_F(CallerProcessTest, ACleanProcessPasses) {
    EXPECT_EQ(callerProcessProblem(process("0", kCleanEnvironment, kCleanMaps), kTrusted), std::nullopt);
}

TEST_F(CallerProcessTest, WhatBringsCodeInFromOutsideIsNamed) {
    struct Case {
        const char* name;
        std::string tracer;
        std::vector<std::string> environment;
        std::string maps;
        std::string problem;
    };
    auto env = [](const std::string& extra) {
        auto e = kCleanEnvironment;
        e.insert(e.begin() + 1, extra);
        return e;
    };
    const Case cases[] = {
        {"a debugger", "4711", kCleanEnvironment, kCleanMaps, "the process is being traced"},
        {"a preloaded library", "0", env("LD_PRELOAD=/tmp/evil.so"), kCleanMaps,
         "the process was started with LD_PRELOAD"},
        {"an audit library", "0", env("LD_AUDIT=/tmp/evil.so"), kCleanMaps, "the process was started with LD_AUDIT"},
        {"a library path", "0", env("LD_LIBRARY_PATH=/home/user/lib"), kCleanMaps,
         "the process was started with LD_LIBRARY_PATH"},
        {"a library path after a very long variable", "0",
         {std::string(100000, 'x'), "LD_LIBRARY_PATH=/home/user/lib"}, kCleanMaps,
         "the process was started with LD_LIBRARY_PATH"},
        {"a library from a home folder", "0", kCleanEnvironment, kCleanMaps + mapping("r-xp", "/home/user/evil.so"),
         "the process runs code from /home/user/evil.so"},
        {"a folder whose name only begins like a trusted one", "0", kCleanEnvironment,
         kCleanMaps + mapping("r-xp", "/usr/library/evil.so"), "the process runs code from /usr/library/evil.so"},
        {"a way out of a trusted folder", "0", kCleanEnvironment,
         kCleanMaps + mapping("r-xp", "/usr/lib/../../tmp/evil.so"),
         "the process runs code from /usr/lib/../../tmp/evil.so"},
        {"code from a memory file", "0", kCleanEnvironment, kCleanMaps + mapping("r-xp", "/memfd:jit (deleted)"),
         "the process runs code from /memfd:jit"},
        {"a deleted library of the attacker's", "0", kCleanEnvironment,
         kCleanMaps + mapping("r-xp", "/tmp/evil.so (deleted)"), "the process runs code from /tmp/evil.so"},
        // A library that copied itself into anonymous memory and unmapped its file leaves only this.
        {"code copied into anonymous memory", "0", kCleanEnvironment, kCleanMaps + mapping("r-xp", ""),
         "the process runs code that no file backs"},
        {"writable and executable anonymous memory", "0", kCleanEnvironment, kCleanMaps + mapping("rwxp", ""),
         "the process runs code that no file backs"},
        {"an executable stack", "0", kCleanEnvironment, kCleanMaps + mapping("rwxp", "[stack]"),
         "the process runs code from [stack]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(callerProcessProblem(process(c.tracer, c.environment, c.maps), kTrusted), c.problem);
    }
}

TEST_F(CallerProcessTest, AProcessThatCannotBeReadIsRefused) {
    for (const char* file : {"status", "environ", "maps", "exe"}) {
        SCOPED_TRACE(file);
        const auto p = process("0", kCleanEnvironment, kCleanMaps);
        std::filesystem::remove(p / file);
        EXPECT_TRUE(callerProcessProblem(p, kTrusted));
    }
    EXPECT_TRUE(callerProcessProblem(dir_.path() / "gone", kTrusted));
}

TEST(BoundProcessTest, HoldsTheProcessNotItsNumber) {
    // The peer of a connection is the process that connected: here, this one.
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    auto peer = BoundProcess::ofPeer(pair[0], now);
    ASSERT_TRUE(peer) << peer.error().message;
    EXPECT_EQ(peer->pid(), ::getpid());
    EXPECT_EQ(peer->uid(), ::geteuid());
    EXPECT_TRUE(peer->alive());
    ::close(pair[0]);
    ::close(pair[1]);

    // A child, held while it runs; once it has ended (and its number is free to be handed on) the
    // hold says so, and its number binds nothing any more.
    int gate[2];
    ASSERT_EQ(::pipe2(gate, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(gate[1]);
        char c;
        [[maybe_unused]] auto n = ::read(gate[0], &c, 1);
        ::_exit(0);
    }
    ::close(gate[0]);
    auto held = BoundProcess::ofPid(child);
    ASSERT_TRUE(held) << held.error().message;
    EXPECT_TRUE(held->alive());
    ::close(gate[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(held->alive());
    EXPECT_FALSE(BoundProcess::ofPid(child));
}
