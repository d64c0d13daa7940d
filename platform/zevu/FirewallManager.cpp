#include "zevu/FirewallManager.h"

#include <errno.h>
#include <spawn.h>
#include <sys/wait.h>

#include <mutex>
#include <thread>

#include "foundation/Dispatch.h"
#include "foundation/HelperChannel.h"
#include "foundation/KillSwitchRules.h"
#include "foundation/Log.h"

extern char** environ;

namespace zevu {

namespace {

constexpr std::string_view kTable = morvex::killswitch::kTable;
// Interface names of the tunnels the SDK brings up.
constexpr std::string_view kTunnelInterfaces[] = {"tun*", "wg*"};

}  // namespace

struct FirewallManager::State {
    mutable std::mutex mutex;
    Configuration configuration;
    std::function<void(std::string_view)> logHandler;
    std::shared_ptr<morvex::DispatchQueue> queue = morvex::DispatchQueue::serial("com.zevu.FirewallManager");

    Configuration config() const {
        std::lock_guard lock(mutex);
        return configuration;
    }

    // Sends one command and reads its reply; nothing when the helper cannot be reached.
    std::optional<morvex::HelperReply> call(const std::vector<std::string>& command) const {
        const auto cfg = config();
        std::function<void(std::string_view)> log;
        {
            std::lock_guard lock(mutex);
            log = logHandler;
        }
        auto channel = morvex::HelperChannel::connect(cfg.socketPath, cfg.timeout);
        if (!channel) {
            morvex::log::nslog("FirewallManager: " + channel.error().localizedDescription());
            return std::nullopt;
        }
        auto reply = channel->call(
            command, [&](std::string_view line) { log ? log(line) : morvex::log::print(line); }, cfg.timeout);
        if (!reply) {
            morvex::log::nslog("FirewallManager: " + command.front() + ": " + reply.error().localizedDescription());
            return std::nullopt;
        }
        return *reply;
    }

    static bool isZero(const std::optional<morvex::HelperReply>& reply) {
        return reply && std::holds_alternative<std::int64_t>(*reply) && std::get<std::int64_t>(*reply) == 0;
    }

    bool helperAnswers() const {
        const auto reply = call({"getVersion"});
        return reply && std::holds_alternative<std::string>(*reply) && std::get<std::string>(*reply) != "0";
    }
};

FirewallManager& FirewallManager::shared() {
    // The SDK's tunnels are simulated, so the shared manager never loads rules into this host.
    static FirewallManager manager([] {
        Configuration c;
        c.tunnelsAreSimulated = true;
        return c;
    }());
    return manager;
}

FirewallManager::FirewallManager() : FirewallManager(Configuration{}) {}

FirewallManager::FirewallManager(Configuration configuration) : state_(std::make_unique<State>()) {
    state_->configuration = std::move(configuration);
}

// The calls still queued finish first; the queue then ends on this thread, never on its own.
FirewallManager::~FirewallManager() { state_->queue->sync([] {}); }

void FirewallManager::setConfiguration(Configuration configuration) {
    std::lock_guard lock(state_->mutex);
    state_->configuration = std::move(configuration);
}

FirewallManager::Configuration FirewallManager::configuration() const { return state_->config(); }

void FirewallManager::setLogHandler(std::function<void(std::string_view)> handler) {
    std::lock_guard lock(state_->mutex);
    state_->logHandler = std::move(handler);
}

std::optional<std::string> FirewallManager::firewallRules(std::string_view ipAddress, std::string_view protocol) {
    namespace ks = morvex::killswitch;
    ks::Intent intent;
    intent.loopback = true;
    if (!ipAddress.empty()) {
        const auto address = ks::canonicalAddress(ipAddress);
        if (!address) return std::nullopt;
        // The protocol only names the rule: whatever else it holds is left out.
        std::string name;
        for (char c : protocol)
            if (ks::isProtocolName(std::string_view(&c, 1)) && name.size() < ks::kMaxProtocolName) name.push_back(c);
        intent.server = ks::Server{*address, std::move(name), std::nullopt, 0};
    }
    for (auto tunnel : kTunnelInterfaces) intent.tunnels.emplace_back(tunnel);
    return ks::writeRules(intent, kTable);
}

void FirewallManager::enableFirewall(const std::string& ipAddress, const std::string& protocol,
                                     Completion completion) {
    state_->queue->async([state = state_.get(), ipAddress, protocol, completion] {
        if (state->config().tunnelsAreSimulated) {
            morvex::log::nslog(std::string(kSimulatedSessionRefusal));
            if (completion) completion(false);
            return;
        }
        const auto rules = firewallRules(ipAddress, protocol);
        bool ok = false;
        if (!rules) morvex::log::nslog("FirewallManager: not an IP address: \"" + ipAddress + "\"");
        else ok = State::isZero(state->call({"enableFirewall", *rules}));
        if (completion) completion(ok);
    });
}

void FirewallManager::disableFirewall(Completion completion) {
    state_->queue->async([state = state_.get(), completion] {
        const bool ok = State::isZero(state->call({"disableFirewall"}));
        if (completion) completion(ok);
    });
}

void FirewallManager::isAnyFirewallEnabled(Completion completion) {
    state_->queue->async([state = state_.get(), completion] {
        const bool ok = State::isZero(state->call({"isAnyFirewallEnabled"}));
        if (completion) completion(ok);
    });
}

void FirewallManager::isHelperToolInstalled(Completion completion) {
    state_->queue->async([state = state_.get(), completion] {
        const bool ok = state->helperAnswers();
        if (completion) completion(ok);
    });
}

morvex::Result<bool> FirewallManager::installHelperTool() {
    if (state_->helperAnswers()) return true;
    const auto cfg = state_->config();
    if (cfg.installCommand.empty())
        return morvex::fail(morvex::Error("FirewallManagerErrorDomain", 1, "no installation command"));
    std::vector<std::string> args = cfg.installCommand;
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return morvex::fail(morvex::Error("FirewallManagerErrorDomain", 2, "cannot run " + args[0]));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    // The service comes up on the first connection; give it a moment to be reachable.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (state_->helperAnswers()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace zevu
