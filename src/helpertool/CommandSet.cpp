#include "CommandSet.h"

#include <fstream>
#include <sstream>

#include "HelperLog.h"
#include "foundation/KillSwitchRules.h"
#include "foundation/Paths.h"

namespace morvex::helper {

namespace {

std::string textOrZero(const Dictionary& info, const char* key) {
    const auto it = info.find(key);
    if (it == info.end()) return "0";
    const auto* s = it->second.get<std::string>();
    return s ? *s : "0";
}

bool isAddressChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '.' || c == ':';
}

void log(const std::shared_ptr<AppLogger>& logger, std::string_view line) {
    if (logger) logger->logWithStdErr(line);
}

// This boot's identity: an owner recorded in an earlier boot owns nothing now.
std::string bootId() {
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(in, id);
    return id;
}

}  // namespace

std::string bundleIdentifierOrZero(const Dictionary& info) { return textOrZero(info, "CFBundleIdentifier"); }
std::string shortVersionOrZero(const Dictionary& info) { return textOrZero(info, "CFBundleShortVersionString"); }

bool containsAddress(std::string_view text, std::string_view address) {
    if (address.empty()) return false;
    for (auto at = text.find(address); at != std::string_view::npos; at = text.find(address, at + 1)) {
        const bool startOk = at == 0 || !isAddressChar(text[at - 1]);
        const auto end = at + address.size();
        const bool endOk = end == text.size() || !isAddressChar(text[end]);
        if (startOk && endOk) return true;
    }
    return false;
}

CommandSet::CommandSet(Options options) : options_(std::move(options)), filter_(options_.filter) {}

const std::vector<std::string_view>& CommandSet::names() {
    static const std::vector<std::string_view> n = {"getVersion",           "enableFirewall",
                                                    "disableFirewall",      "isVPNFirewallEnabled",
                                                    "isAnyFirewallEnabled", "unloadAndInstallHelper"};
    return n;
}

DispatchQueue& CommandSet::workQueue() {
    dispatchOnce(queueOnce_, [this] { queue_ = DispatchQueue::serial(std::string(kWorkQueueLabel)); });
    return *queue_;
}

void CommandSet::drain() {
    workQueue().sync([] {});
}

std::filesystem::path CommandSet::rulesFilePath() const {
    std::string id = bundleIdentifierOrZero(options_.info);
    // The identifier becomes a file name: nothing in it may lead out of the rules directory.
    if (id.empty() || id.find('/') != std::string::npos || id == "." || id == "..") id = "0";
    return options_.rulesDirectory / (std::string(kRulesFilePrefix) + id);
}

std::filesystem::path CommandSet::ownerFilePath() const { return options_.rulesDirectory / "killswitch-owner"; }

std::optional<uid_t> CommandSet::killSwitchOwner() const {
    std::ifstream in(ownerFilePath());
    std::string uidKey, bootKey, boot;
    long long uid = -1;
    if (!(in >> uidKey >> uid >> bootKey >> boot) || uidKey != "uid" || bootKey != "boot" || uid < 0 ||
        boot != bootId())
        return std::nullopt;
    return static_cast<uid_t>(uid);
}

bool CommandSet::setKillSwitchOwner(uid_t owner) const {
    std::error_code ec;
    std::filesystem::create_directories(options_.rulesDirectory, ec);
    std::ostringstream text;
    text << "uid " << owner << "\nboot " << bootId() << "\n";
    return paths::writeFileAtomically(ownerFilePath(), text.str(), 0600);
}

bool CommandSet::mayTouchKillSwitch(uid_t caller, const std::shared_ptr<AppLogger>& logger) const {
    if (caller == 0) return true;
    const auto owner = killSwitchOwner();
    if (!owner || *owner == caller) return true;
    print("kill switch refused to uid " + std::to_string(caller) + ": it belongs to another user");
    log(logger, "the kill switch belongs to another user");
    return false;
}

bool CommandSet::writeFirewallRules(std::string_view rules) const {
    return paths::writeFileAtomically(rulesFilePath(), rules, 0600);
}

int CommandSet::runStatusCheck(const std::shared_ptr<AppLogger>& logger) const {
    const auto status = filter_.info();
    if (!status.output.empty()) {
        log(logger, status.output);
        std::string_view text = status.output;
        if (text.ends_with('\n')) text.remove_suffix(1);
        print(text);
    }
    // The status text is matched line by line against the fixed text.
    std::string_view rest = status.output;
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        if (rest.substr(0, nl).find(kStatusEnabled) != std::string_view::npos) return 0;
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }
    return 1;
}

bool CommandSet::run(const std::vector<std::string>& command, const std::shared_ptr<AppLogger>& logger,
                     const ReplyBlock& reply, uid_t caller) {
    if (command.empty()) return false;
    const std::string& name = command[0];

    if (name == "getVersion") {
        log(logger, "connectWithPaths - - - CFBundleShortVersionString ");
        reply(shortVersionOrZero(options_.info));
        return true;
    }
    if (name == "enableFirewall") {
        if (command.size() < 2) return false;
        log(logger, "enableFirewall");
        workQueue().async([this, rules = command[1], logger, reply, caller] {
            if (!mayTouchKillSwitch(caller, logger)) {
                reply(std::int64_t{-1});
                return;
            }
            // Only rules the helper could have written itself: the text is read back into what it
            // asks for, and the helper writes the rules it loads from that.
            const auto parsed = killswitch::parseRules(rules, filter_.options().table);
            if (!parsed.intent) {
                print("rules refused: " + parsed.problem);
                log(logger, "rules refused: " + parsed.problem);
                reply(std::int64_t{1});
                return;
            }
            if (!writeFirewallRules(killswitch::writeRules(*parsed.intent, filter_.options().table))) {
                reply(std::int64_t{-1});
                return;
            }
            log(logger, "- - - writeFirewallRules - - - ");
            // The table is replaced, never removed first: a load that nft rejects leaves the rules
            // in force as they were (the kill switch fails closed).
            const int status = filter_.load(rulesFilePath());
            // The kill switch is now the caller's; a record that cannot be written leaves it on
            // but says so (the next user's change is then not refused).
            if (status == 0 && !setKillSwitchOwner(caller)) print("the kill switch's owner cannot be recorded");
            reply(std::int64_t{status});
        });
        return true;
    }
    if (name == "disableFirewall") {
        workQueue().async([this, logger, reply, caller] {
            if (!mayTouchKillSwitch(caller, logger)) {
                reply(std::int64_t{-1});
                return;
            }
            const int status = filter_.disable();
            if (status == 0) {
                std::error_code ec;
                std::filesystem::remove(ownerFilePath(), ec);
            }
            reply(std::int64_t{status});
        });
        return true;
    }
    if (name == "isAnyFirewallEnabled") {
        log(logger, "anyFirewallEnabled");
        workQueue().async([this, logger, reply, caller] {
            if (!mayTouchKillSwitch(caller, logger)) {
                reply(std::int64_t{-1});
                return;
            }
            const int status = runStatusCheck(logger);
            log(logger, "Any enabled result: " + std::to_string(status) + "\n");
            reply(std::int64_t{status});
        });
        return true;
    }
    if (name == "isVPNFirewallEnabled") {
        if (command.size() < 2) return false;
        log(logger, "firewallEnabled");
        workQueue().async([this, address = command[1], logger, reply, caller] {
            if (!mayTouchKillSwitch(caller, logger)) {
                reply(std::int64_t{-1});
                return;
            }
            const int enabled = runStatusCheck(logger);
            std::string report = "Enabled result: " + std::to_string(enabled) + "\n";
            if (enabled != 0) {
                log(logger, report);
                reply(std::int64_t{enabled});
                return;
            }
            const auto rules = filter_.rules();
            report += rules.output;
            const int present = containsAddress(rules.output, address) ? 0 : 1;
            if (present != 0) {
                report += "Address present result: " + std::to_string(present);
                log(logger, report);
            }
            reply(std::int64_t{present});
        });
        return true;
    }
    if (name == "unloadAndInstallHelper") {
        if (caller != 0) {
            // Stopping the helper ends it for every user of the machine.
            print("unloadAndInstallHelper refused to uid " + std::to_string(caller) +
                  ": only root may stop the helper");
            log(logger, "only root may stop the helper");
            reply(std::int64_t{-1});
            return true;
        }
        workQueue().async([this, reply] {
            // Without waiting for the stop job: that job ends this very process.
            const std::string label(kServiceLabel);
            ProcessOptions opts;
            opts.captureOutput = false;
            const auto r = runProcess(options_.systemctl,
                                      {"--no-block", "stop", label + ".socket", label + ".service"}, opts);
            reply(std::int64_t{r.status});
        });
        return true;
    }
    return false;
}

}  // namespace morvex::helper
