#include "viewmodels/DashboardText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace morvex::dashboard {

std::string connectedTimeText(std::optional<Date> since, Date now) {
    const double span = now.secondsSince1970 - since.value_or(now).secondsSince1970;
    // A connected time in the future (a clock set back) counts as just connected.
    const long long total = span > 0 ? static_cast<long long>(std::floor(span)) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    return text;
}

std::string protocolDisplayText(std::string_view word) {
    if (word.find("IKE") != std::string_view::npos) return "IKEv2";
    if (word.find("IPS") != std::string_view::npos) return "IPSec";
    if (word.find("TCP") != std::string_view::npos) return "TCP";
    if (word.find("UDP") != std::string_view::npos) return "UDP";
    return std::string(word);
}

std::string locationNameWithCode(const ZevuDataFetcherTypes::Server& server) {
    if (server.type == ZevuDataFetcherTypes::ServerType::Country) return server.name;
    return server.name + ", " + server.code;
}

std::string locationDisplayName(const ZevuDataFetcherTypes::Server& server) {
    if (server.type == ZevuDataFetcherTypes::ServerType::DedicatedIp) return server.ip;
    return locationNameWithCode(server);
}

std::string flagImageName(std::string_view countryCode) {
    std::string name(countryCode);
    std::ranges::transform(name, name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

}  // namespace morvex::dashboard
