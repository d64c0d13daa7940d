#pragma once
// Which data centres and protocols a connect request dials, in dialling order: the protocols the
// properties ask for (the last successful one first when asked, the SDK's own order as fallback
// unless switching is off, never an excluded one), and for each protocol the data centres of the
// target that offer it. Data centres named by a keeping server filter come first, then measured
// ones by latency, then the list's recommended country, then the least loaded; leaving server
// filters take theirs out. Dedicated hosts are dialled as given; one whose IP is given as a name is
// reported with the list's address for that host, else with a simulated one.
#include <optional>
#include <string>
#include <string_view>
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

// The documentation address (203.0.113.1-254) that stands for a dedicated host the list does not
// know; the same name always gives the same address.
std::string simulatedAddressForHost(std::string_view host);

// `servers` must have its list loaded.
ServerChoice chooseServers(const ZevuProperties& properties, const KnownServers& servers,
                           const std::vector<ZevuProtocol>& excludedProtocols,
                           const std::optional<std::string>& lastSuccessfulProtocol);

}  // namespace zevu::detail
