// A hardened process cannot be attached to by another process of the same user; an ordinary one
// can. Both run as user nobody, in children of the test, so the test program itself is unchanged.
#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "foundation/ProcessHardening.h"

namespace {

void becomeNobody() {
    const gid_t none[1] = {65534};
    if (::setgroups(0, none) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(121);
}

int exitCode(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Whether a second process of user nobody may attach to a first one, hardened or not.
bool canAttach(bool hardened) {
    int ready[2];
    if (::pipe(ready) != 0) return false;
    const pid_t target = ::fork();
    if (target == 0) {
        becomeNobody();
        // As a program the user starts is (a change of user leaves the process non-dumpable).
        ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
        if (hardened && !morvex::hardenProcess()) ::_exit(122);
        [[maybe_unused]] auto w = ::write(ready[1], "r", 1);
        ::pause();
        ::_exit(0);
    }
    char c;
    const bool started = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
    ::close(ready[1]);
    const pid_t attacker = ::fork();
    if (attacker == 0) {
        becomeNobody();
        if (::ptrace(PTRACE_ATTACH, target, nullptr, nullptr) != 0) ::_exit(1);
        ::ptrace(PTRACE_DETACH, target, nullptr, nullptr);
        ::_exit(0);
    }
    const bool attached = exitCode(attacker) == 0;
    ::kill(target, SIGKILL);
    exitCode(target);
    EXPECT_TRUE(started);
    return attached;
}

}  // namespace

TEST(ProcessHardeningTest, AnotherProcessOfTheSameUserCannotAttach) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to run both processes as user nobody";
    EXPECT_TRUE(canAttach(false)) << "ptrace is not allowed here at all";
    EXPECT_FALSE(canAttach(true));
}
