#include "model/VPNProtocol.h"

#include <nlohmann/json.hpp>

namespace morvex {

namespace {

struct ProtocolNames {
    VPNProtocol value;
    std::string_view raw;
    std::string_view title;
};

constexpr auto kProtocols = enumTable<ProtocolNames>("VPNProtocol", {
    {VPNProtocol::IPSec, "IPSEC", "IPSec"},
    {VPNProtocol::IKEv2, "IKEV", "IKEv2"},
    {VPNProtocol::TCP, "TCP", "TCP"},
    {VPNProtocol::UDP, "UDP", "UDP"},
    {VPNProtocol::WireGuard, "WireGuard", "WireGuard"},
});
static_assert(kProtocols.cases() == allVPNProtocols);

}  // namespace

std::string_view rawValue(VPNProtocol protocol) { return kProtocols.raw(protocol); }
std::optional<VPNProtocol> vpnProtocolFromRaw(std::string_view raw) { return kProtocols.fromRaw(raw); }

std::string_view title(VPNProtocol protocol) { return kProtocols.row(protocol).title; }
std::optional<VPNProtocol> vpnProtocolFromTitle(std::string_view text) {
    return kProtocols.find(&ProtocolNames::title, text);
}

std::int64_t caseIndex(VPNProtocol protocol) { return kProtocols.index(protocol); }
std::optional<VPNProtocol> vpnProtocolFromIndex(std::int64_t index) { return kProtocols.fromIndex(index); }

bool needsSystemExtension(VPNProtocol protocol) {
    return protocol == VPNProtocol::TCP || protocol == VPNProtocol::UDP || protocol == VPNProtocol::WireGuard;
}

MORVEX_DEFINE_ENUM_JSON(VPNProtocol, kProtocols);

}  // namespace morvex
