#pragma once
// The tunnel protocol the user chose. Its raw value is the SDK's word; stores keep its case index.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "model/EnumTable.h"

namespace morvex {

// Case order matters: the stored form of a choice is its index in this order.
enum class VPNProtocol { IPSec, IKEv2, TCP, UDP, WireGuard };

inline constexpr std::array<VPNProtocol, 5> allVPNProtocols{
    VPNProtocol::IPSec, VPNProtocol::IKEv2, VPNProtocol::TCP, VPNProtocol::UDP, VPNProtocol::WireGuard};

// "IPSEC", "IKEV", "TCP", "UDP", "WireGuard" (also the words the SDK and analytics use).
std::string_view rawValue(VPNProtocol protocol);
std::optional<VPNProtocol> vpnProtocolFromRaw(std::string_view raw);

// Display titles: "IPSec", "IKEv2", "TCP", "UDP", "WireGuard".
std::string_view title(VPNProtocol protocol);
std::optional<VPNProtocol> vpnProtocolFromTitle(std::string_view title);

// The case index 0-4 (stored form) and back; other numbers give nothing.
std::int64_t caseIndex(VPNProtocol protocol);
std::optional<VPNProtocol> vpnProtocolFromIndex(std::int64_t index);

// WireGuard and the two OpenVPN transports run in a system extension; IPSec and IKEv2 need none.
bool needsSystemExtension(VPNProtocol protocol);

// On its own a protocol is coded in JSON as its raw value (a string); inside a Server record as its
// case index.
MORVEX_DECLARE_ENUM_JSON(VPNProtocol);

}  // namespace morvex
