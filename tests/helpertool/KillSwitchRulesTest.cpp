#include <gtest/gtest.h>

#include "foundation/KillSwitchRules.h"

using namespace morvex::killswitch;

namespace {

const std::string kHead =
    "table inet morvexvpn_killswitch { chain output { type filter hook output priority 0; policy drop; ";

Intent oneServer() {
    Intent i;
    i.loopback = true;
    i.server = Server{"198.51.100.2", "WireGuard", Transport::udp, 51820};
    i.tunnels = {"tun*", "wg0"};
    return i;
}

}  // namespace

TEST(KillSwitchRulesTest, WhatTheHelperWritesReadsBackToTheSameIntent) {
    const Intent intents[] = {
        oneServer(),
        Intent{},
        Intent{true, Server{"2001:db8::5", "", std::nullopt, 0}, {}},
        Intent{false, Server{"198.51.100.2", "TCP", Transport::tcp, 443}, {"tun0", "a.b-c_d"}},
    };
    for (const auto& intent : intents) {
        const std::string text = writeRules(intent);
        SCOPED_TRACE(text);
        const auto parsed = parseRules(text);
        ASSERT_TRUE(parsed.intent) << parsed.problem;
        EXPECT_EQ(*parsed.intent, intent);
    }
    EXPECT_EQ(writeRules(oneServer()),
              "table inet morvexvpn_killswitch {\n"
              "\tchain output {\n"
              "\t\ttype filter hook output priority 0; policy drop;\n"
              "\t\toif \"lo\" accept\n"
              "\t\tip daddr 198.51.100.2 udp dport 51820 accept comment \"server WireGuard\"\n"
              "\t\toifname \"tun*\" accept\n"
              "\t\toifname \"wg0\" accept\n"
              "\t}\n}\n");
}

TEST(KillSwitchRulesTest, AcceptsOnlyTheOneShapeWhateverItsLayout) {
    struct Case {
        const char* name;
        std::string text;
        bool accepted;
    };
    const Case cases[] = {
        {"one line, statements in any order",
         kHead + "oifname \"tun*\" accept; ip daddr 198.51.100.2 accept; oif lo accept } }", true},
        {"comments, line breaks and a closing semicolon",
         "# kill switch\n" + kHead + "\n\tip6 daddr 2001:DB8:0::5 tcp dport 443 accept # the server\n} }\n;", true},
        {"no statements at all", kHead + "} }", true},
        {"nothing", "", false},
        {"another table", "table inet other { chain output { type filter hook output priority 0; policy drop; } }",
         false},
        {"another family",
         "table ip morvexvpn_killswitch { chain output { type filter hook output priority 0; policy drop; } }", false},
        {"another chain", "table inet morvexvpn_killswitch { chain prerouting { type filter hook output priority 0; "
                          "policy drop; } }", false},
        {"a NAT chain", "table inet morvexvpn_killswitch { chain output { type nat hook output priority 0; "
                        "policy drop; } }", false},
        {"policy accept", "table inet morvexvpn_killswitch { chain output { type filter hook output priority 0; "
                          "policy accept; } }", false},
        {"a second chain", kHead + "} chain input { type filter hook input priority 0; policy accept; } }", false},
        {"redirect", kHead + "tcp dport 53 redirect to :5353 } }", false},
        {"dnat", kHead + "ip daddr 198.51.100.2 dnat to 203.0.113.9 } }", false},
        {"a second server", kHead + "ip daddr 198.51.100.2 accept; ip daddr 198.51.100.3 accept } }", false},
        {"a network, not an address", kHead + "ip daddr 198.51.0.0/16 accept } }", false},
        {"a set of addresses", kHead + "ip daddr { 198.51.100.2, 198.51.100.3 } accept } }", false},
        {"an IPv6 address under ip", kHead + "ip daddr 2001:db8::5 accept } }", false},
        {"port zero", kHead + "ip daddr 198.51.100.2 udp dport 0 accept } }", false},
        {"port out of range", kHead + "ip daddr 198.51.100.2 udp dport 65536 accept } }", false},
        {"a port range", kHead + "ip daddr 198.51.100.2 udp dport 1-65535 accept } }", false},
        {"a verdict other than accept", kHead + "ip daddr 198.51.100.2 jump elsewhere } }", false},
        {"a comment that is not the server's", kHead + "ip daddr 198.51.100.2 accept comment \"hello\" } }", false},
        {"a comment naming more than a protocol", kHead + "ip daddr 198.51.100.2 accept comment \"server a b\" } }", false},
        {"an interface that matches everything", kHead + "oifname \"*\" accept } }", false},
        {"an interface name too long", kHead + "oifname \"abcdefghijklmnop\" accept } }", false},
        {"an interface named twice", kHead + "oifname \"tun*\" accept; oifname \"tun*\" accept } }", false},
        {"oif that is not loopback", kHead + "oif \"eth0\" accept } }", false},
        {"include", kHead + "include \"/etc/nftables.conf\" } }", false},
        {"after the table", kHead + "} }\nflush ruleset", false},
        {"before the table", "flush ruleset\n" + kHead + "} }", false},
        {"never closed", kHead + "oif lo accept", false},
        {"open string", kHead + "oifname \"tun* accept } }", false},
        {"a line break inside a string", kHead + "oifname \"tun\n*\" accept } }", false},
    };
    for (const auto& c : cases) {
        const auto parsed = parseRules(c.text);
        EXPECT_EQ(parsed.intent.has_value(), c.accepted) << c.name << ": " << parsed.problem;
        if (!c.accepted) {
            EXPECT_FALSE(parsed.problem.empty()) << c.name;
        }
    }
    // Nine tunnel interfaces are more than the kill switch ever needs.
    std::string many = kHead;
    for (int i = 0; i < 9; ++i) many += "oifname \"tun" + std::to_string(i) + "\" accept; ";
    EXPECT_FALSE(parseRules(many + "} }").intent);
}

TEST(KillSwitchRulesTest, AddressesAreReadAsAddressesAndWrittenInOneForm) {
    EXPECT_EQ(canonicalAddress("2001:DB8:0:0::5"), "2001:db8::5");
    EXPECT_EQ(canonicalAddress("198.51.100.2"), "198.51.100.2");
    for (const char* bad : {"", "198.51.100.256", " 198.51.100.2", "198.51.100.2 ", "vpn.example.com", "1.2.3",
                            "198.51.100.2; flush ruleset"})
        EXPECT_FALSE(canonicalAddress(bad)) << bad;
}
