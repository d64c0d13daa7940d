#pragma once
// Which data centres and protocols a connect request dials, in dialling order: the protocols the
// properties ask for (the last successful one first when asked, the SDK's own order as fallback
// unless switching is off, never an excluded one), and for each protocol the data centres of the
// target that offer it. Data centres named by a keeping server filter come first, then measured
// ones by latency, then the list's recommended country, then the least loaded; leaving server
// filters take theirs out. Dedicated hosts are dialled as given.
#include <optional>
#include <string>
#include <vector>

#include "zevu/ZevuCore.h"
#include "zevu/ZevuProperties.h"
#include "zevu/internal/KnownServers.h"

namespace zevu::detail {

// One dial option: a data centre (from the list, or a dedicated host) and a protocol.
struct Candidate {
    ZevuDatacenters dataCenter;
    std::optional<ZevuCountry> country;  // code, name and iso code only
    std::optional<ZevuCity> city;        // without data centres
    std::string protocol;                // canonical word
};

struct ServerChoice {
    std::vector<Candidate> candidates;  // empty when nothing fits
    bool filtered = false;              // server filters narrowed or ordered the choice
};

// `servers` must have its list loaded.
ServerChoice chooseServers(const ZevuProperties& properties, const KnownServers& servers,
                           const std::vector<ZevuProtocol>& excludedProtocols,
                           const std::optional<std::string>& lastSuccessfulProtocol);

}  // namespace zevu::detail
