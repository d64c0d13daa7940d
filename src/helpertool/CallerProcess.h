#pragma once
// What the helper looks at in a caller's running process besides its program's signature: a
// signed program is only as good as the code it runs, and code can be brought into it from
// outside. A caller is refused while it is traced (a debugger can make it do anything), when it was
// started with the dynamic loader told to load or look for more (LD_PRELOAD, LD_AUDIT,
// LD_LIBRARY_PATH), when any executable file mapped into it lies outside the trusted folders
// (the system's library folders and the helper's own bundle) — which is where a library loaded
// any other way (a plugin path, dlopen) would show — and when it runs code from memory that no
// file backs (anonymous or memfd mappings that are executable).
//
// The environment block is the caller's own writable memory: a library can erase its own
// LD_PRELOAD entry. Its check catches the careless case and proves nothing; what decides is the
// caller's user (see LoginSessions.h) and the mappings the kernel reports.
//
// What this cannot see: code written into a mapping of a trusted file (by a debugger that has
// already detached, or by the process itself through a writable copy), any folder a process of
// another mount namespace calls by a trusted name, and whatever the process loads after the check
// has looked.
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Error.h"

namespace morvex::helper {

// The system's library folders.
const std::vector<std::filesystem::path>& systemLibraryFolders();

// A caller's process held by a pidfd, never by its number alone: the number is used once, while
// the pidfd shows the process alive, to open its /proc directory; every later read goes through
// that directory, and `alive()` asks the pidfd. A number that the kernel hands to a new process
// after this one has gone therefore never reaches it.
class BoundProcess {
public:
    // The process at the other end of a connected Unix socket: SO_PEERPIDFD where the kernel has
    // it; else pidfd_open on the peer's number, kept only when that process started before
    // `acceptedAt` (CLOCK_BOOTTIME) — a later start means the number has been handed on.
    static Result<BoundProcess> ofPeer(int socketFd, timespec acceptedAt);
    // A process by its number (tests; the same checks as the fallback above, against now).
    static Result<BoundProcess> ofPid(pid_t pid);

    BoundProcess(BoundProcess&& other) noexcept;
    BoundProcess& operator=(BoundProcess&& other) noexcept;
    BoundProcess(const BoundProcess&) = delete;
    BoundProcess& operator=(const BoundProcess&) = delete;
    ~BoundProcess();

    pid_t pid() const { return pid_; }
    // The user the kernel recorded when the caller connected (its effective uid then).
    uid_t uid() const { return uid_; }
    int pidfd() const { return pidfd_; }
    // The process's /proc directory, opened while it was known alive.
    int procDir() const { return procDir_; }
    // True until the process has ended.
    bool alive() const;

private:
    BoundProcess() = default;
    static Result<BoundProcess> bind(pid_t pid, uid_t uid, int pidfd, std::optional<timespec> startedBy);
    pid_t pid_ = 0;
    uid_t uid_ = static_cast<uid_t>(-1);
    int pidfd_ = -1;
    int procDir_ = -1;
};

// Why the process whose /proc directory is `procDir` (an open directory) may not be served, or
// nothing. Its own program (the target of exe) is checked by its signature, not by its folder.
// Reads are bounded; a file that cannot be read is a reason to refuse.
std::optional<std::string> callerProcessProblem(int procDir, const std::vector<std::filesystem::path>& trustedFolders);
// The same for a directory named by its path (tests use folders of their own making).
std::optional<std::string> callerProcessProblem(const std::filesystem::path& procDir,
                                                const std::vector<std::filesystem::path>& trustedFolders);

}  // namespace morvex::helper
