// helper_signed_client: a program signed with the build's key, standing in for the application in
// the helper's tests: a caller the helper accepts unless something was brought into it.
//   helper_signed_client [--load LIBRARY] call SOCKET COMMAND [ARGUMENT]
//       (loads LIBRARY first, as a program loads a plugin) connects, sends the command and writes
//       "reply <value>" (exit 0) or "refused" (exit 3) to standard output
//   helper_signed_client idle SECONDS
//       only waits
#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

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
    std::fprintf(stderr, "usage: helper_signed_client [--load LIBRARY] call SOCKET COMMAND [ARGUMENT] | idle SECONDS\n");
    return 2;
}
