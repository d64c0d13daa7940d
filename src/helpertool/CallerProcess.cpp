#include "CallerProcess.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string_view>

#ifndef SO_PEERPIDFD
#define SO_PEERPIDFD 77
#endif

namespace morvex::helper {

namespace {

constexpr std::size_t kMaxLine = 8192;

Error processError(std::string message) { return Error("CallerProcessError", 1, std::move(message)); }

int pidfdOpen(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

// Reads a /proc file in pieces and hands each line (entry) to `take`, which may stop the reading
// by answering false. An entry longer than kMaxLine is handed over cut short. False when the file
// cannot be opened or read.
bool forEachEntry(int dir, const char* file, char separator, const std::function<bool(std::string_view)>& take) {
    const int fd = ::openat(dir, file, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    std::string entry;
    std::array<char, 16384> buf;
    bool ok = true, going = true;
    bool cut = false;  // the rest of an overlong entry is being skipped
    while (going) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        for (ssize_t i = 0; i < n && going; ++i) {
            const char c = buf[static_cast<std::size_t>(i)];
            if (c == separator) {
                if (!cut || !entry.empty()) going = take(entry);
                entry.clear();
                cut = false;
            } else if (entry.size() < kMaxLine) {
                entry.push_back(c);
            } else if (!cut) {
                going = take(entry);
                entry.clear();
                cut = true;
            }
        }
    }
    if (going && ok && !entry.empty()) take(entry);
    ::close(fd);
    return ok;
}

std::optional<std::string> readLink(int dir, const char* name) {
    char buf[4096];
    const ssize_t n = ::readlinkat(dir, name, buf, sizeof buf);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return std::nullopt;
    return std::string(buf, static_cast<std::size_t>(n));
}

// The process the pidfd names, by the kernel's own account ("Pid:" of its fdinfo); 0 once it has
// ended, nothing when that cannot be read.
std::optional<long> pidOfPidfd(int pidfd) {
    const int self = ::open("/proc/self/fdinfo", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (self < 0) return std::nullopt;
    std::optional<long> pid;
    forEachEntry(self, std::to_string(pidfd).c_str(), '\n', [&](std::string_view line) {
        if (!line.starts_with("Pid:")) return true;
        line.remove_prefix(4);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        pid = std::strtol(std::string(line).c_str(), nullptr, 10);
        return false;
    });
    ::close(self);
    return pid;
}

// The process's start, in clock ticks since boot (field 22 of stat).
std::optional<unsigned long long> startTicks(int procDir) {
    std::optional<unsigned long long> ticks;
    forEachEntry(procDir, "stat", '\n', [&](std::string_view line) {
        // The command name (field 2) may hold anything, so the fields are counted after its ')'.
        const auto close = line.rfind(')');
        if (close == std::string_view::npos) return false;
        std::string_view rest = line.substr(close + 1);
        for (int field = 3; !rest.empty(); ++field) {
            while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
            const auto end = std::min(rest.find(' '), rest.size());
            if (field == 22) {
                ticks = std::strtoull(std::string(rest.substr(0, end)).c_str(), nullptr, 10);
                break;
            }
            rest.remove_prefix(end);
        }
        return false;
    });
    return ticks;
}

timespec bootTimeNow() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return now;
}

}  // namespace

BoundProcess::BoundProcess(BoundProcess&& other) noexcept
    : pid_(other.pid_), uid_(other.uid_), pidfd_(other.pidfd_), procDir_(other.procDir_) {
    other.pidfd_ = other.procDir_ = -1;
}

BoundProcess& BoundProcess::operator=(BoundProcess&& other) noexcept {
    if (this != &other) {
        this->~BoundProcess();
        pid_ = other.pid_;
        uid_ = other.uid_;
        pidfd_ = other.pidfd_;
        procDir_ = other.procDir_;
        other.pidfd_ = other.procDir_ = -1;
    }
    return *this;
}

BoundProcess::~BoundProcess() {
    if (pidfd_ >= 0) ::close(pidfd_);
    if (procDir_ >= 0) ::close(procDir_);
    pidfd_ = procDir_ = -1;
}

bool BoundProcess::alive() const {
    if (pidfd_ < 0) return false;
    // A pidfd turns readable when its process has ended.
    pollfd p{pidfd_, POLLIN, 0};
    const int n = ::poll(&p, 1, 0);
    return n == 0;
}

Result<BoundProcess> BoundProcess::bind(pid_t pid, uid_t uid, int pidfd, std::optional<timespec> startedBy) {
    BoundProcess p;
    p.pid_ = pid;
    p.uid_ = uid;
    p.pidfd_ = pidfd;
    if (pidfd < 0) return fail(processError("the caller's process cannot be held"));
    if (pid <= 0) return fail(processError("the caller's process has ended"));
    p.procDir_ = ::open(("/proc/" + std::to_string(pid)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (p.procDir_ < 0) return fail(processError("the caller's process cannot be found"));
    // The directory was opened by number: it names the pidfd's process only when that process is
    // still there now (a number is handed on only once its process has ended) and the kernel
    // says the pidfd is that number.
    if (!p.alive() || pidOfPidfd(pidfd) != std::optional<long>(pid))
        return fail(processError("the caller's process has ended"));
    if (startedBy) {
        const auto ticks = startTicks(p.procDir_);
        const long hz = ::sysconf(_SC_CLK_TCK);
        const auto by = static_cast<unsigned long long>(startedBy->tv_sec) * static_cast<unsigned long long>(hz) +
                        static_cast<unsigned long long>(startedBy->tv_nsec) * static_cast<unsigned long long>(hz) /
                            1000000000ULL;
        if (!ticks || *ticks > by) return fail(processError("the caller's process number names another process"));
    }
    return p;
}

Result<BoundProcess> BoundProcess::ofPeer(int socketFd, timespec acceptedAt) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
        return fail(processError("the caller's credentials cannot be read"));
    int pidfd = -1;
    len = sizeof pidfd;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_PEERPIDFD, &pidfd, &len) == 0 && pidfd >= 0) {
        ::fcntl(pidfd, F_SETFD, FD_CLOEXEC);
        return bind(cred.pid, cred.uid, pidfd, std::nullopt);
    }
    // An older kernel: the number is taken now, and kept only for a process that was already
    // running when the connection was accepted.
    return bind(cred.pid, cred.uid, cred.pid > 0 ? pidfdOpen(cred.pid) : -1, acceptedAt);
}

Result<BoundProcess> BoundProcess::ofPid(pid_t pid) {
    const int pidfd = pid > 0 ? pidfdOpen(pid) : -1;
    auto p = bind(pid, static_cast<uid_t>(-1), pidfd, bootTimeNow());
    if (!p) return p;
    forEachEntry(p->procDir_, "status", '\n', [&](std::string_view line) {
        if (!line.starts_with("Uid:")) return true;
        // Real, effective, saved, file system: the effective one is what a connection records.
        line.remove_prefix(4);
        unsigned long ids[2] = {};
        std::sscanf(std::string(line).c_str(), "%lu %lu", &ids[0], &ids[1]);
        p->uid_ = static_cast<uid_t>(ids[1]);
        return false;
    });
    return p;
}

namespace {

bool isUnder(std::string_view path, const std::filesystem::path& folder) {
    std::string prefix = folder.string();
    if (prefix.empty()) return false;
    if (!prefix.ends_with('/')) prefix.push_back('/');
    return path.starts_with(prefix) && path.find("/../") == std::string_view::npos;
}

std::optional<std::string> tracerProblem(int procDir) {
    std::optional<std::string> problem = "the process's status cannot be read";
    forEachEntry(procDir, "status", '\n', [&](std::string_view line) {
        constexpr std::string_view key = "TracerPid:";
        if (!line.starts_with(key)) return true;
        line.remove_prefix(key.size());
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        problem = line == "0" ? std::nullopt : std::optional<std::string>("the process is being traced");
        return false;
    });
    return problem;
}

// Only ever a reason to refuse: a process can rewrite this block, so a clean one proves nothing.
std::optional<std::string> loaderProblem(int procDir) {
    std::optional<std::string> problem;
    const bool read = forEachEntry(procDir, "environ", '\0', [&](std::string_view entry) {
        for (std::string_view name : {"LD_PRELOAD=", "LD_AUDIT=", "LD_LIBRARY_PATH="}) {
            if (entry.starts_with(name) && entry.size() > name.size()) {
                name.remove_suffix(1);
                problem = "the process was started with " + std::string(name);
                return false;
            }
        }
        return true;
    });
    if (!read) return "the process's environment cannot be read";
    return problem;
}

std::optional<std::string> mappingProblem(int procDir, const std::vector<std::filesystem::path>& trusted) {
    const auto program = readLink(procDir, "exe");
    if (!program) return "the process's program cannot be found";
    std::optional<std::string> problem;
    const bool read = forEachEntry(procDir, "maps", '\n', [&](std::string_view line) {
        // "start-end perms offset dev inode   path": five fields, then the path (which may hold spaces).
        std::size_t at = 0;
        std::string_view perms;
        for (int field = 0; field < 5; ++field) {
            while (at < line.size() && line[at] == ' ') ++at;
            const auto end = std::min(line.find(' ', at), line.size());
            if (field == 1) perms = line.substr(at, end - at);
            at = end;
        }
        while (at < line.size() && line[at] == ' ') ++at;
        std::string_view path = line.substr(std::min(at, line.size()));
        if (perms.size() < 3 || perms[2] != 'x') return true;
        // The kernel's own code pages; every other executable area must be a trusted file.
        if (path == "[vdso]" || path == "[vsyscall]" || path == "[uprobes]") return true;
        if (!path.starts_with('/')) {
            problem = path.empty() ? std::string("the process runs code that no file backs")
                                   : "the process runs code from " + std::string(path);
            return false;
        }
        if (path == *program) return true;
        // A library replaced on disk since it was loaded (an upgrade) still counts by its folder.
        constexpr std::string_view deleted = " (deleted)";
        if (path.ends_with(deleted)) path.remove_suffix(deleted.size());
        for (const auto& folder : trusted)
            if (isUnder(path, folder)) return true;
        problem = "the process runs code from " + std::string(path);
        return false;
    });
    if (!read) return "the process's memory map cannot be read";
    return problem;
}

}  // namespace

const std::vector<std::filesystem::path>& systemLibraryFolders() {
    static const std::vector<std::filesystem::path> folders = {"/usr/lib", "/usr/lib64", "/lib", "/lib64"};
    return folders;
}

std::optional<std::string> callerProcessProblem(int procDir, const std::vector<std::filesystem::path>& trustedFolders) {
    if (procDir < 0) return "the caller's process cannot be found";
    if (auto p = tracerProblem(procDir)) return p;
    if (auto p = loaderProblem(procDir)) return p;
    return mappingProblem(procDir, trustedFolders);
}

std::optional<std::string> callerProcessProblem(const std::filesystem::path& procDir,
                                                const std::vector<std::filesystem::path>& trustedFolders) {
    const int dir = ::open(procDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return "the process's status cannot be read";
    auto problem = callerProcessProblem(dir, trustedFolders);
    ::close(dir);
    return problem;
}

}  // namespace morvex::helper
