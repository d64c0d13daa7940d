#pragma once
// The kill switch's nftables rules, as the firewall manager sends them and the privileged helper
// loads them. The helper never loads rule text it was given: it reads the text back into what it
// asks for (an intent: loopback, one server address with an optional transport and port, tunnel
// interfaces) and loads the rules it writes itself from that intent. Text that is not exactly of
// that shape — another table or chain, a NAT or redirect statement, a second server — is refused.
//
// This file depends on the standard library and the C library only, so the parser can be built
// into a fuzzer.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::killswitch {

inline constexpr std::string_view kFamily = "inet";
inline constexpr std::string_view kTable = "morvexvpn_killswitch";
// Bounds of what an intent may hold (nftables' own limits for names and comments are wider).
inline constexpr std::size_t kMaxTunnels = 8;
inline constexpr std::size_t kMaxInterfaceName = 15;
inline constexpr std::size_t kMaxProtocolName = 32;

enum class Transport { tcp, udp };

struct Server {
    std::string address;                  // IPv4 or IPv6, in the form inet_ntop writes
    std::string protocol;                 // the VPN protocol's name: letters and digits, may be empty
    std::optional<Transport> transport;   // when set, only this transport to `port` gets through
    std::uint16_t port = 0;
    friend bool operator==(const Server&, const Server&) = default;
};

struct Intent {
    bool loopback = false;
    std::optional<Server> server;
    std::vector<std::string> tunnels;     // interface names; a trailing '*' matches a prefix
    friend bool operator==(const Intent&, const Intent&) = default;
};

struct Parsed {
    std::optional<Intent> intent;
    std::string problem;                  // why there is no intent
};

// Reads rules text of the one shape `writeRules` produces (any spacing, comments and line breaks)
// for the table `table` of the inet family.
Parsed parseRules(std::string_view text, std::string_view table = kTable);

// The rules text for an intent. Its parts must already be valid (see below); the result always
// parses back to the same intent.
std::string writeRules(const Intent& intent, std::string_view table = kTable);

// The address in inet_ntop's form, or nothing when `text` is no IPv4 or IPv6 address.
std::optional<std::string> canonicalAddress(std::string_view text);
// An interface name of at most 15 characters (letters, digits, '_', '.', '-'), optionally followed
// by '*'.
bool isInterfacePattern(std::string_view name);
// Letters and digits, at most kMaxProtocolName of them.
bool isProtocolName(std::string_view name);

}  // namespace morvex::killswitch
