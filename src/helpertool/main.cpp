// com.morvex.mac.vpn.helpertool: the privileged helper that switches the kill switch's packet
// filter. Started by systemd socket activation (the socket comes as fd 3) or by hand:
//   com.morvex.mac.vpn.helpertool [--socket PATH] [--rules-dir DIR] [--nft PATH] [--systemctl PATH]
//                                 [--login-bus ADDRESS]
// --login-bus names the D-Bus bus on which the login manager is asked (tests run one of their
// own); the installed unit never passes it, and the system bus is asked.
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "helpertool/HelperService.h"
#include "foundation/Log.h"

namespace {

// The helper's own Info values; they are part of the program, not of a file beside it.
morvex::Dictionary embeddedInfo() {
    return {
        {"CFBundleIdentifier", "com.morvex.mac.vpn.helpertool"},
        {"CFBundleInfoDictionaryVersion", "6.0"},
        {"CFBundleName", "com.morvex.mac.vpn.helpertool"},
        {"CFBundleShortVersionString", "1.0.0"},
        {"CFBundleVersion", "1"},
    };
}

constexpr const char* kDefaultSocket = "/run/com.morvex.mac.vpn.helpertool.sock";

// The listening socket systemd passed on, if it did (fd 3, for this very process).
int inheritedSocket() {
    const char* pid = ::getenv("LISTEN_PID");
    const char* fds = ::getenv("LISTEN_FDS");
    if (!pid || !fds || std::strtol(pid, nullptr, 10) != ::getpid() || std::strtol(fds, nullptr, 10) < 1) return -1;
    ::unsetenv("LISTEN_PID");
    ::unsetenv("LISTEN_FDS");
    ::unsetenv("LISTEN_FDNAMES");
    return 3;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace morvex::helper;
    HelperService::Options options;
    options.commands.info = embeddedInfo();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--socket" && hasValue) options.socketPath = argv[++i];
        else if (arg == "--rules-dir" && hasValue) options.commands.rulesDirectory = argv[++i];
        else if (arg == "--nft" && hasValue) options.commands.filter.nft = argv[++i];
        else if (arg == "--systemctl" && hasValue) options.commands.systemctl = argv[++i];
        else if (arg == "--login-bus" && hasValue) options.loginBus = argv[++i];
        else {
            morvex::log::nslog("usage: " + std::string(argv[0]) +
                               " [--socket PATH] [--rules-dir DIR] [--nft PATH] [--systemctl PATH]"
                               " [--login-bus ADDRESS]");
            return 2;
        }
    }
    options.listenFd = options.socketPath.empty() ? inheritedSocket() : -1;
    if (options.listenFd < 0 && options.socketPath.empty()) options.socketPath = kDefaultSocket;

    // Termination signals are taken by one thread and end the service in an orderly way.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    int code = 0;
    {
        HelperService service(std::move(options));
        std::thread signalTaker([&service, signals] {
            int sig = 0;
            sigwait(&signals, &sig);
            service.requestQuit();
        });
        code = service.run();
        // The taker must be gone before the service is: a signal during the exit would otherwise
        // reach a service that no longer exists.
        pthread_kill(signalTaker.native_handle(), SIGTERM);
        signalTaker.join();
    }
    // A caller check may still be under way on a thread of its own; the quit never waits for it,
    // and the process ends without running the destructors of objects that thread may be using.
    std::fflush(nullptr);
    std::_Exit(code);
}
