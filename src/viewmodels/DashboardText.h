#pragma once
// The texts the dashboard builds from engine facts: the time connected, the protocol word, the
// name a location is shown with and the image name of its flag.
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"
#include "model/ServerRecord.h"

namespace morvex::dashboard {

// The span from `since` (now when the SDK gives none) to `now` as hours, minutes and seconds, each
// padded to two digits ("00:01:05"); hours grow past two digits rather than wrap.
std::string connectedTimeText(std::optional<Date> since, Date now);

// The protocol as the panel shows it: "IKEv2", "IPSec", "TCP" or "UDP" when the SDK's word
// contains "IKE", "IPS", "TCP" or "UDP" (in that order of preference), else the word unchanged.
std::string protocolDisplayText(std::string_view word);

// A country by its name, a dedicated IP by its address, anything else as "name, CC".
std::string locationDisplayName(const ZevuDataFetcherTypes::Server& server);
// "name, CC" for everything but a country (the quick-connect and recently-connected rows).
std::string locationNameWithCode(const ZevuDataFetcherTypes::Server& server);

// Flags are images named by the lower-case country code.
std::string flagImageName(std::string_view countryCode);

}  // namespace morvex::dashboard
