// helper_signed_client: a program signed with the build's key, standing in for the application in
// the helper's tests: a caller the helper accepts unless something was brought into it.
//   helper_signed_client [--load LIBRARY] call SOCKET COMMAND [ARGUMENT]
//       (loads LIBRARY first, as a program loads a plugin) connects, sends the command and writes
//       "reply <value>" (exit 0) or "refused" (exit 3) to standard output
//   helper_signed_client idle SECONDS
//       only waits
//   helper_signed_client handoff SOCKET HANDOFF_SOCKET
//       connects and is accepted, hands the connection to whoever listens on HANDOFF_SOCKET
//       (SCM_RIGHTS) and ends: the accepted process is gone, its connection lives on elsewhere
#include <dlfcn.h>
#include <errno.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "foundation/HelperChannel.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--load") {
        if (!::dlopen(args[1].c_str(), RTLD_NOW)) {
            std::fprintf(stderr, "%s\n", ::dlerror());
            return 4;
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() == 2 && args[0] == "idle") {
        ::sleep(static_cast<unsigned>(std::atoi(args[1].c_str())));
        return 0;
    }
    if (args.size() == 3 && args[0] == "handoff") {
        auto channel = morvex::HelperChannel::connect(args[1]);
        if (!channel) {
            std::printf("refused\n");
            return 3;
        }
        const int to = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, args[2].c_str(), sizeof addr.sun_path - 1);
        if (to < 0 || ::connect(to, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) return 4;
        char byte = 'h';
        iovec iov{&byte, 1};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        const int fd = channel->fd();
        std::memcpy(CMSG_DATA(c), &fd, sizeof fd);
        if (::sendmsg(to, &msg, MSG_NOSIGNAL) != 1) return 4;
        std::printf("handed\n");
        return 0;
    }
    if (args.size() >= 3 && args[0] == "call") {
        auto channel = morvex::HelperChannel::connect(args[1]);
        if (!channel) {
            std::printf("%s\n", channel.error().code == EACCES ? "refused" : "unreachable");
            return 3;
        }
        std::vector<std::string> command(args.begin() + 2, args.end());
        const auto reply = channel->call(command);
        if (!reply) {
            std::printf("refused\n");
            return 3;
        }
        if (const auto* n = std::get_if<std::int64_t>(&*reply)) std::printf("reply %lld\n", static_cast<long long>(*n));
        else std::printf("reply %s\n", std::get<std::string>(*reply).c_str());
        return 0;
    }
    std::fprintf(stderr, "usage: helper_signed_client [--load LIBRARY] call SOCKET COMMAND [ARGUMENT] | idle SECONDS | "
                         "handoff SOCKET HANDOFF_SOCKET\n");
    return 2;
}
