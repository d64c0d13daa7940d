// Fuzz target of the helper's rules check: whatever the text, the parser never reads out of
// bounds, and every text it accepts stands for an intent within the kill switch's bounds that
// the helper's own writing reproduces exactly.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/KillSwitchRules.h"

using namespace morvex::killswitch;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const Parsed parsed = parseRules(input);
    if (!parsed.intent) {
        if (parsed.problem.empty()) std::abort();
        return 0;
    }
    const Intent& intent = *parsed.intent;
    if (intent.tunnels.size() > kMaxTunnels) std::abort();
    for (const auto& t : intent.tunnels)
        if (!isInterfacePattern(t)) std::abort();
    if (const auto& s = intent.server) {
        if (canonicalAddress(s->address) != s->address || !isProtocolName(s->protocol)) std::abort();
        if (s->transport && s->port == 0) std::abort();
        if (!s->transport && s->port != 0) std::abort();
    }
    // What the helper loads for this intent reads back to the same intent, and is written alike.
    const std::string written = writeRules(intent);
    const Parsed again = parseRules(written);
    if (!again.intent || !(*again.intent == intent) || writeRules(*again.intent) != written) std::abort();
    return 0;
}
