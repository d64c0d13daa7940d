#include "model/VPNProtocol.h"

#include <nlohmann/json.hpp>

namespace morvex {

namespace {

struct ProtocolNames {
    VPNProtocol protocol;
    std::string_view raw;
    std::string_view title;
};

constexpr std::array<ProtocolNames, 5> kNames{{
    {VPNProtocol::IPSec, "IPSEC", "IPSec"},
    {VPNProtocol::IKEv2, "IKEV", "IKEv2"},
    {VPNProtocol::TCP, "TCP", "TCP"},
    {VPNProtocol::UDP, "UDP", "UDP"},
    {VPNProtocol::WireGuard, "WireGuard", "WireGuard"},
}};

const ProtocolNames& namesOf(VPNProtocol p) { return kNames[static_cast<std::size_t>(p)]; }

}  // namespace

std::string_view rawValue(VPNProtocol protocol) { return namesOf(protocol).raw; }

std::optional<VPNProtocol> vpnProtocolFromRaw(std::string_view raw) {
    for (const auto& n : kNames)
        if (n.raw == raw) return n.protocol;
    return std::nullopt;
}

std::string_view title(VPNProtocol protocol) { return namesOf(protocol).title; }

std::optional<VPNProtocol> vpnProtocolFromTitle(std::string_view text) {
    for (const auto& n : kNames)
        if (n.title == text) return n.protocol;
    return std::nullopt;
}

std::int64_t caseIndex(VPNProtocol protocol) { return static_cast<std::int64_t>(protocol); }

std::optional<VPNProtocol> vpnProtocolFromIndex(std::int64_t index) {
    if (index < 0 || index >= static_cast<std::int64_t>(kNames.size())) return std::nullopt;
    return kNames[static_cast<std::size_t>(index)].protocol;
}

bool needsSystemExtension(VPNProtocol protocol) {
    return protocol == VPNProtocol::TCP || protocol == VPNProtocol::UDP || protocol == VPNProtocol::WireGuard;
}

void to_json(nlohmann::json& j, VPNProtocol protocol) { j = std::string(rawValue(protocol)); }

void from_json(const nlohmann::json& j, VPNProtocol& protocol) {
    if (!j.is_string())
        throw nlohmann::json::type_error::create(302, "VPNProtocol must be a string", &j);
    auto p = vpnProtocolFromRaw(j.get_ref<const std::string&>());
    if (!p) throw nlohmann::json::other_error::create(501, "unknown VPNProtocol " + j.dump(), &j);
    protocol = *p;
}

}  // namespace morvex
