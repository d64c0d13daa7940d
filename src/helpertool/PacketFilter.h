#pragma once
// The kill switch's packet filter: one nftables table of the helper's own. Enabling replaces that
// table with the rules of a rules file in one transaction, disabling deletes it, and the status
// and rules queries look at it alone. Other tables are never flushed or touched.
#include <filesystem>
#include <string>

#include "Subprocess.h"
#include "foundation/KillSwitchRules.h"

namespace morvex::helper {

inline constexpr std::string_view kFirewallFamily = killswitch::kFamily;
inline constexpr std::string_view kFirewallTable = killswitch::kTable;
inline constexpr std::string_view kStatusEnabled = "Status: Enabled";

class PacketFilter {
public:
    struct Options {
        std::filesystem::path nft = "/usr/sbin/nft";
        std::string table = std::string(kFirewallTable);
    };
    PacketFilter() : PacketFilter(Options{}) {}
    explicit PacketFilter(Options options) : options_(std::move(options)) {}

    // Deletes our table; nft's exit status (not 0 when there was none).
    int disable() const;
    // Replaces our table with the rules file's table in one transaction; the exit status. When nft
    // rejects the rules, the table stays as it was. A file that is not of the kill switch's one
    // shape (killswitch::parseRules) is refused with status 1 before nft runs.
    int load(const std::filesystem::path& rulesFile) const;
    // "Status: Enabled" or "Status: Disabled" and a line feed; status 0 once the query ran.
    ProcessResult info() const;
    // The listing of our table (empty, with nft's status, when it is not loaded).
    ProcessResult rules() const;

    const Options& options() const { return options_; }

private:
    Options options_;
};

}  // namespace morvex::helper
