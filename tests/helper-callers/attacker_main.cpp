// helper_attacker: an unsigned program of a local attacker's own, for the helper's tests. It is
// never signed and never part of the bundle.
//   helper_attacker race SOCKET COMMAND PROGRAM [ARGS...]
//       connects, writes COMMAND and runs PROGRAM in its own place (same process id, and the
//       connection stays open across the exec)
//   helper_attacker hold SOCKET SECONDS
//       connects and waits: exit 0 when the helper closes the connection without sending a byte,
//       1 when it sent something, 2 when nothing happened within SECONDS
//   helper_attacker send-on COMMAND
//       sends COMMAND on the connection it was handed as descriptor 3 (opened and accepted by
//       another process) and writes "reply <value>" or "refused" (the connection closed)
//   helper_attacker flood SOCKET COUNT
//       opens COUNT connections one after another, each waited on until the helper closes it;
//       writes "closed N" (N: how many the helper closed without a word)
//   helper_attacker trace PROGRAM [ARGS...]
//       runs PROGRAM under ptrace (as a debugger that could make it do anything would) and exits
//       with its exit code
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/FrameCodec.h"

namespace {

int connectTo(const char* path, int flags) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | flags, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path, sizeof addr.sun_path - 1);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        std::perror("connect");
        std::exit(4);
    }
    return fd;
}

int race(char** argv) {
    // No close-on-exec: the signed program inherits the connection.
    const int fd = connectTo(argv[0], 0);
    const auto frame = morvex::wire::encodeFrame({morvex::wire::FrameKind::Command, 1, {argv[1]}});
    if (::send(fd, frame->data(), frame->size(), MSG_NOSIGNAL) != static_cast<ssize_t>(frame->size())) return 4;
    ::execv(argv[2], argv + 2);
    std::perror("execv");
    return 4;
}

int hold(char** argv) {
    const int fd = connectTo(argv[0], SOCK_CLOEXEC);
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, std::atoi(argv[1]) * 1000) <= 0) return 2;
    char c;
    return ::recv(fd, &c, 1, 0) > 0 ? 1 : 0;
}

int sendOn(const char* command) {
    const int fd = 3;
    const auto frame = morvex::wire::encodeFrame({morvex::wire::FrameKind::Command, 1, {command}});
    if (::send(fd, frame->data(), frame->size(), MSG_NOSIGNAL) != static_cast<ssize_t>(frame->size())) {
        std::printf("refused\n");
        return 0;
    }
    morvex::wire::FrameReader reader;
    char buf[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0) return 2;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        reader.append(std::string_view(buf, static_cast<std::size_t>(n)));
        for (auto r = reader.next(); r.status == morvex::wire::DecodeStatus::Frame; r = reader.next()) {
            const auto kind = r.frame.kind;
            if ((kind == morvex::wire::FrameKind::ReplyNumber || kind == morvex::wire::FrameKind::ReplyText) &&
                !r.frame.items.empty()) {
                std::printf("reply %s\n", r.frame.items[0].c_str());
                return 0;
            }
        }
    }
    std::printf("refused\n");
    return 0;
}

int flood(char** argv) {
    const int count = std::atoi(argv[1]);
    int closed = 0;
    for (int i = 0; i < count; ++i) {
        const int fd = connectTo(argv[0], SOCK_CLOEXEC);
        pollfd p{fd, POLLIN, 0};
        char c;
        if (::poll(&p, 1, 10000) == 1 && ::recv(fd, &c, 1, 0) == 0) ++closed;
        ::close(fd);
    }
    std::printf("closed %d\n", closed);
    return 0;
}

int trace(char** argv) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::execv(argv[0], argv);
        ::_exit(4);
    }
    int status = 0;
    for (;;) {
        if (::waitpid(child, &status, 0) < 0) {
            if (errno == EINTR) continue;
            return 4;
        }
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
        const int sig = WIFSTOPPED(status) && WSTOPSIG(status) != SIGTRAP ? WSTOPSIG(status) : 0;
        ::ptrace(PTRACE_CONT, child, nullptr, reinterpret_cast<void*>(static_cast<long>(sig)));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "race" && argc >= 5) return race(argv + 2);
    if (mode == "hold" && argc == 4) return hold(argv + 2);
    if (mode == "trace" && argc >= 3) return trace(argv + 2);
    if (mode == "send-on" && argc == 3) return sendOn(argv[2]);
    if (mode == "flood" && argc == 4) return flood(argv + 2);
    std::fprintf(stderr, "usage: helper_attacker race SOCKET COMMAND PROGRAM [ARGS...] | hold SOCKET SECONDS | "
                         "trace PROGRAM [ARGS...] | send-on COMMAND | flood SOCKET COUNT\n");
    return 2;
}
