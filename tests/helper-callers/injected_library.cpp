// libhelper_injected.so: code an attacker brings into a signed program (by LD_PRELOAD, LD_AUDIT
// or as a plugin it loads). When MORVEX_INJECTED_SOCKET is set, it talks to the helper as soon as
// it is loaded, before the program's own code runs: it sends MORVEX_INJECTED_COMMAND, writes
// "reply N" or "refused" to standard output and ends the process. Otherwise it does nothing.
// Written against the C library alone: as an audit module it runs in a namespace of its own.
#include <poll.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void putU32(char* out, uint32_t v) {
    out[0] = static_cast<char>(v >> 24);
    out[1] = static_cast<char>(v >> 16);
    out[2] = static_cast<char>(v >> 8);
    out[3] = static_cast<char>(v);
}

uint32_t getU32(const char* in) {
    const auto* b = reinterpret_cast<const unsigned char*>(in);
    return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
}

void say(const char* text) { [[maybe_unused]] auto n = ::write(1, text, strlen(text)); }

// Reads one whole frame into `buf`; its length, or -1 when the connection closed or nothing came
// within `ms` milliseconds (-2).
int readFrame(int fd, char* buf, int size, int ms) {
    int have = 0;
    for (;;) {
        if (have >= 4 && have >= 4 + static_cast<int>(getU32(buf))) return have;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0) return -2;
        const ssize_t n = ::recv(fd, buf + have, static_cast<size_t>(size - have), 0);
        if (n <= 0) return -1;
        have += static_cast<int>(n);
    }
}

__attribute__((constructor)) void injected() {
    const char* path = ::getenv("MORVEX_INJECTED_SOCKET");
    const char* command = ::getenv("MORVEX_INJECTED_COMMAND");
    if (!path || !command) return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    strncpy(addr.sun_path, path, sizeof addr.sun_path - 1);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        say("unreachable\n");
        ::_exit(4);
    }
    char buf[4096];
    // A helper that accepts callers says so first; one that does not is written to after a while.
    const int first = readFrame(fd, buf, sizeof buf, 1000);
    if (first == -1) {
        say("refused\n");
        ::_exit(0);
    }
    const uint32_t len = static_cast<uint32_t>(strlen(command));
    char frame[512];
    if (len > 256) ::_exit(4);
    putU32(frame, 1 + 4 + 4 + 4 + len);
    frame[4] = 1;  // a command
    putU32(frame + 5, 1);
    putU32(frame + 9, 1);
    putU32(frame + 13, len);
    memcpy(frame + 17, command, len);
    ::send(fd, frame, 17 + len, MSG_NOSIGNAL);
    for (;;) {
        const int n = readFrame(fd, buf, sizeof buf, 5000);
        if (n < 0) {
            say("refused\n");
            ::_exit(0);
        }
        // A reply (kind 2 or 4) with one element: "reply <element>".
        if (n >= 17 && (buf[4] == 2 || buf[4] == 4)) {
            const uint32_t itemLen = getU32(buf + 13);
            say("reply ");
            [[maybe_unused]] auto w = ::write(1, buf + 17, itemLen);
            say("\n");
            ::_exit(0);
        }
    }
}

}  // namespace

// Lets the same library be named in LD_AUDIT.
extern "C" unsigned int la_version(unsigned int version) { return version; }
