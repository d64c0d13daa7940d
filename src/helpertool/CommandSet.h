#pragma once
// The helper's six commands. Each is named by element 0 of the command list, takes its one
// argument from element 1, runs its packet-filter or service work on the serial work queue, one
// command at a time, and answers with a reply of one element.
//
// Every command knows the user who asks. The kill switch belongs to the user who enabled it: that
// user's id is kept with it in the state directory ("killswitch-owner", with the boot it belongs
// to, so it outlives a restart of the helper but not of the machine, which drops the table), and
// while it is on, only that user or root may query, change or switch it off; anyone else gets
// [-1]. Stopping the helper's units ("unloadAndInstallHelper") is root's alone.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <optional>
#include <string_view>
#include <sys/types.h>
#include <variant>
#include <vector>

#include "PacketFilter.h"
#include "foundation/Dispatch.h"
#include "foundation/Value.h"

namespace morvex::helper {

inline constexpr std::string_view kServiceLabel = "com.morvex.mac.vpn.helpertool";
inline constexpr std::string_view kRulesFilePrefix = "zoz.udo.doduv.";
inline constexpr std::string_view kWorkQueueLabel = "com.zevu.Helpertool";

// The one element of a reply: an exit status (-1 for a refusal) or a text.
using ReplyValue = std::variant<std::int64_t, std::string>;
using ReplyBlock = std::function<void(const ReplyValue&)>;

// The client's logging interface, as the helper reaches it.
class AppLogger {
public:
    virtual ~AppLogger() = default;
    virtual void logWithStdOut(std::string_view line) = 0;
    virtual void logWithStdErr(std::string_view line) = 0;
};

// "CFBundleIdentifier" / "CFBundleShortVersionString" of the Info values, or "0" when missing or
// not text.
std::string bundleIdentifierOrZero(const Dictionary& info);
std::string shortVersionOrZero(const Dictionary& info);

// Whether `address` occurs in `text` as a whole address, compared as plain text (never as a
// pattern): "10.0.0.1" is not found inside "10.0.0.12". An empty address is never present.
bool containsAddress(std::string_view text, std::string_view address);

class CommandSet {
public:
    struct Options {
        Dictionary info;                                   // the helper's own Info values
        std::filesystem::path rulesDirectory = "/var/lib/com.morvex.mac.vpn.helpertool";
        PacketFilter::Options filter;
        std::filesystem::path systemctl = "/usr/bin/systemctl";
    };

    explicit CommandSet(Options options);

    static const std::vector<std::string_view>& names();

    // Runs the command that element 0 names for the user `caller`; false (and nothing run,
    // nothing replied) for an unknown name, an empty list or a missing argument.
    bool run(const std::vector<std::string>& command, const std::shared_ptr<AppLogger>& logger,
             const ReplyBlock& reply, uid_t caller);

    // Waits until every command queued so far has finished (shutdown, tests).
    void drain();

    std::filesystem::path rulesFilePath() const;
    std::filesystem::path ownerFilePath() const;
    // The user whose kill switch is on, or nothing (none on since this boot).
    std::optional<uid_t> killSwitchOwner() const;
    bool writeFirewallRules(std::string_view rules) const;

private:
    // The status query: logs the filter's status text, answers 0 when it says enabled, else 1.
    int runStatusCheck(const std::shared_ptr<AppLogger>& logger) const;
    // Whether `caller` may act on the kill switch as it stands; logs why not.
    bool mayTouchKillSwitch(uid_t caller, const std::shared_ptr<AppLogger>& logger) const;
    bool setKillSwitchOwner(uid_t owner) const;
    DispatchQueue& workQueue();

    Options options_;
    PacketFilter filter_;
    OnceToken queueOnce_;
    std::shared_ptr<DispatchQueue> queue_;
};

}  // namespace morvex::helper
