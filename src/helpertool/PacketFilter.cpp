#include "PacketFilter.h"

#include "HelperLog.h"
#include "foundation/KillSwitchRules.h"
#include "foundation/Paths.h"

namespace morvex::helper {

int PacketFilter::disable() const {
    const auto r = runProcess(options_.nft, {"delete", "table", std::string(kFirewallFamily), options_.table});
    if (!r.error.empty()) print(r.error);
    return r.status;
}

int PacketFilter::load(const std::filesystem::path& rulesFile) const {
    const auto text = paths::readFile(rulesFile);
    if (!text) {
        print("cannot read the rules file " + rulesFile.string());
        return 1;
    }
    // The file is the helper's own writing; it is read back all the same, so that nothing but a
    // table of the kill switch's one shape ever reaches nft.
    if (const auto parsed = killswitch::parseRules(*text, options_.table); !parsed.intent) {
        print("rules refused: " + parsed.problem);
        return 1;
    }
    if (rulesFile.string().find('"') != std::string::npos) return 1;
    // One transaction: make sure the table exists, drop it, then declare it afresh from the file.
    // nft applies all of it or none, so rules it rejects leave the table in force as it was, and
    // a good change never leaves a moment without a table.
    const std::string family(kFirewallFamily);
    std::string script = "table " + family + " " + options_.table + "\n";
    script += "delete table " + family + " " + options_.table + "\n";
    script += "include \"" + rulesFile.string() + "\"\n";
    ProcessOptions opts;
    opts.input = std::move(script);
    const auto r = runProcess(options_.nft, {"-f", "-"}, opts);
    if (!r.error.empty()) print(r.error);
    return r.status;
}

ProcessResult PacketFilter::info() const {
    auto r = runProcess(options_.nft, {"list", "table", std::string(kFirewallFamily), options_.table});
    ProcessResult answer;
    answer.status = 0;
    answer.output = std::string(r.status == 0 ? kStatusEnabled : "Status: Disabled") + "\n";
    return answer;
}

ProcessResult PacketFilter::rules() const {
    auto r = runProcess(options_.nft, {"list", "table", std::string(kFirewallFamily), options_.table});
    if (r.status != 0) r.output.clear();
    return r;
}

}  // namespace morvex::helper
