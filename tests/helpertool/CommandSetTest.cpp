#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "HelperTestSupport.h"
#include "helpertool/CommandSet.h"
#include "helpertool/PacketFilter.h"
#include "helpertool/Subprocess.h"

using namespace morvex;
using namespace morvex::helper;
using morvex::test::FakeNftState;
using morvex::test::RecordingLogger;
using morvex::test::ReplyCatcher;

namespace {

// The rules as the helper writes them for one server, and the same intent as a client might
// lay it out.
const std::string kRules =
    "table inet morvexvpn_killswitch {\n"
    "\tchain output {\n"
    "\t\ttype filter hook output priority 0; policy drop;\n"
    "\t\toif \"lo\" accept\n"
    "\t\tip daddr 198.51.100.2 accept comment \"server UDP\"\n"
    "\t\toifname \"tun*\" accept\n"
    "\t}\n}\n";
const std::string kLooseRules =
    "# kill switch\ntable inet morvexvpn_killswitch { chain output { type filter hook output priority 0; "
    "policy drop; oifname \"tun*\" accept; ip daddr 198.51.100.2 accept comment \"server UDP\"; oif lo accept } }";

class CommandSetTest : public ::testing::Test {
protected:
    CommandSet::Options options() const {
        CommandSet::Options o;
        o.info = {{"CFBundleIdentifier", "com.morvex.mac.vpn.helpertool"}, {"CFBundleShortVersionString", "1.0.0"}};
        o.rulesDirectory = rulesDir_.path();
        o.filter.nft = test::fakeNft();
        o.systemctl = test::fakeSystemctl();
        return o;
    }
    // Runs one command; its reply (nothing when none came) and what it logged.
    std::optional<ReplyValue> run(const std::vector<std::string>& command, CommandSet* set = nullptr,
                                  uid_t caller = 0) {
        CommandSet own(options());
        ReplyCatcher catcher;
        if (!(set ? set : &own)->run(command, logger_, catcher.block(), caller)) return std::nullopt;
        return catcher.wait();
    }
    std::string rulesFile() const { return (rulesDir_.path() / "zoz.udo.doduv.com.morvex.mac.vpn.helpertool").string(); }
    std::string readRules() const {
        std::ifstream in(rulesFile());
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    FakeNftState nft_;
    test::TempDir rulesDir_;
    std::shared_ptr<RecordingLogger> logger_ = std::make_shared<RecordingLogger>();
};

ReplyValue status(std::int64_t v) { return v; }

}  // namespace

TEST_F(CommandSetTest, GetVersionAnswersTheInfoVersionOrZero) {
    EXPECT_EQ(run({"getVersion"}), ReplyValue(std::string("1.0.0")));
    EXPECT_EQ(logger_->lines(), std::vector<std::string>{"connectWithPaths - - - CFBundleShortVersionString "});

    auto o = options();
    o.info = {{"CFBundleShortVersionString", 7}};
    CommandSet noText(o);
    EXPECT_EQ(run({"getVersion"}, &noText), ReplyValue(std::string("0")));
    // Without an identifier the rules file is named after "0".
    EXPECT_EQ(noText.rulesFilePath().filename(), "zoz.udo.doduv.0");
}

TEST_F(CommandSetTest, EnableWritesItsOwnRulesAndReplacesTheTableInOneTransaction) {
    std::filesystem::create_directories(rulesDir_.path());
    std::ofstream(rulesFile()) << "earlier rules that are much longer than the new ones\n";
    EXPECT_EQ(run({"enableFirewall", kLooseRules}), status(0));
    // What is written and loaded is the helper's own text for what the client asked.
    EXPECT_EQ(readRules(), kRules);
    EXPECT_EQ(nft_.lines("table"), kRules);
    EXPECT_EQ(std::filesystem::status(rulesFile()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    // Never a removal of its own before the load: there is no moment without the table.
    EXPECT_EQ(nft_.calls(), std::vector<std::string>{"-f -"});
    EXPECT_EQ(logger_->lines(), (std::vector<std::string>{"enableFirewall", "- - - writeFirewallRules - - - "}));
    EXPECT_EQ(nft_.lines("last-script"), "table inet morvexvpn_killswitch\ndelete table inet morvexvpn_killswitch\n"
                                         "include \"" + rulesFile() + "\"\n");

    // A load that nft rejects answers its status and leaves the table in force as it was.
    nft_.setLoadStatus(3);
    EXPECT_EQ(run({"enableFirewall", kRules}), status(3));
    EXPECT_TRUE(nft_.tableLoaded());
    EXPECT_EQ(nft_.lines("table"), kRules);
}

TEST_F(CommandSetTest, EnableAnswersMinusOneWhenTheRulesFileCannotBeWritten) {
    auto o = options();
    o.rulesDirectory = rulesDir_.path() / "file";
    std::ofstream(o.rulesDirectory) << "a file where the directory should be";
    CommandSet set(o);
    EXPECT_EQ(run({"enableFirewall", kRules}, &set), status(-1));
    EXPECT_TRUE(nft_.calls().empty());
}

TEST_F(CommandSetTest, EnableRefusesRulesTheHelperWouldNotWriteAndKeepsTheLoadedOnes) {
    ASSERT_EQ(run({"enableFirewall", kRules}), status(0));
    const auto callsBefore = nft_.calls();
    const std::string head = "table inet morvexvpn_killswitch { chain output { type filter hook output priority 0; "
                             "policy drop; ";
    const std::string cases[] = {
        "flush ruleset\n" + kRules,
        kRules + "table ip nat { chain pre { type nat hook prerouting priority -100; } }",
        head + "} chain pre { type nat hook prerouting priority -100; tcp dport 53 redirect to :5353 } }",
        head + "tcp dport 53 dnat ip to 203.0.113.9 } }",
        head + "ip daddr 198.51.100.2 accept; ip daddr 203.0.113.9 accept } }",
        "table inet morvexvpn_killswitch { chain output { type filter hook output priority 0; policy accept; } }",
    };
    for (const auto& rules : cases) {
        SCOPED_TRACE(rules);
        logger_ = std::make_shared<RecordingLogger>();
        EXPECT_EQ(run({"enableFirewall", rules}), status(1));
        ASSERT_FALSE(logger_->lines().empty());
        EXPECT_TRUE(logger_->lines().back().starts_with("rules refused: "));
    }
    EXPECT_EQ(nft_.calls(), callsBefore);
    EXPECT_EQ(nft_.lines("table"), kRules);
    EXPECT_EQ(readRules(), kRules);
}

TEST_F(CommandSetTest, DisableAnswersTheRemovalStatusUnchanged) {
    nft_.setTable(kRules);
    EXPECT_EQ(run({"disableFirewall"}), status(0));
    EXPECT_FALSE(nft_.tableLoaded());
    EXPECT_EQ(run({"disableFirewall"}), status(1));
    EXPECT_TRUE(logger_->lines().empty());
}

TEST_F(CommandSetTest, AnyFirewallEnabledFollowsOurTable) {
    EXPECT_EQ(run({"isAnyFirewallEnabled"}), status(1));
    EXPECT_EQ(logger_->lines(),
              (std::vector<std::string>{"anyFirewallEnabled", "Status: Disabled\n", "Any enabled result: 1\n"}));
    nft_.setTable(kRules);
    logger_ = std::make_shared<RecordingLogger>();
    EXPECT_EQ(run({"isAnyFirewallEnabled"}), status(0));
    EXPECT_EQ(logger_->lines(),
              (std::vector<std::string>{"anyFirewallEnabled", "Status: Enabled\n", "Any enabled result: 0\n"}));
}

TEST_F(CommandSetTest, VpnFirewallEnabledReportsFilterAndAddress) {
    // Off.
    EXPECT_EQ(run({"isVPNFirewallEnabled", "198.51.100.2"}), status(1));
    EXPECT_EQ(logger_->lines(),
              (std::vector<std::string>{"firewallEnabled", "Status: Disabled\n", "Enabled result: 1\n"}));

    // On, address absent: the report holds the rules.
    nft_.setTable(kRules);
    logger_ = std::make_shared<RecordingLogger>();
    EXPECT_EQ(run({"isVPNFirewallEnabled", "198.51.100.9"}), status(1));
    EXPECT_EQ(logger_->lines(), (std::vector<std::string>{"firewallEnabled", "Status: Enabled\n",
                                                          "Enabled result: 0\n" + kRules + "Address present result: 1"}));

    // On, address present: only the status text.
    logger_ = std::make_shared<RecordingLogger>();
    EXPECT_EQ(run({"isVPNFirewallEnabled", "198.51.100.2"}), status(0));
    EXPECT_EQ(logger_->lines(), (std::vector<std::string>{"firewallEnabled", "Status: Enabled\n"}));

    // The address is plain text, never a pattern or an option.
    for (const char* address : {"198.51.100.", "198.51.100.*", "198x51.100.2", ".", "-v", "", "^"}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(run({"isVPNFirewallEnabled", address}), status(1));
    }
}

TEST(AddressMatchTest, MatchesWholeAddressesOnly) {
    struct Case {
        const char* text;
        const char* address;
        bool found;
    };
    const Case cases[] = {
        {"ip daddr 198.51.100.2 accept", "198.51.100.2", true},
        {"ip daddr 198.51.100.2", "198.51.100.2", true},
        {"ip daddr 198.51.100.23 accept", "198.51.100.2", false},
        {"ip daddr 1198.51.100.2 accept", "198.51.100.2", false},
        {"ip daddr 198.51.100.23, 198.51.100.2 }", "198.51.100.2", true},
        {"ip6 daddr 2001:db8::1 accept", "2001:db8::1", true},
        {"ip6 daddr 2001:db8::1f accept", "2001:db8::1", false},
        {"ip daddr 198.51.100.2 accept", "198.51.100", false},
        {"anything", "", false},
    };
    for (const auto& c : cases) EXPECT_EQ(containsAddress(c.text, c.address), c.found) << c.text << " / " << c.address;
}

TEST_F(CommandSetTest, UnloadStopsTheHelpersOwnService) {
    EXPECT_EQ(run({"unloadAndInstallHelper"}), status(0));
    EXPECT_EQ(nft_.lines("systemctl"),
              "--no-block stop com.morvex.mac.vpn.helpertool.socket com.morvex.mac.vpn.helpertool.service\n");
}

TEST_F(CommandSetTest, UnknownNamesAndMissingArgumentsRunNothing) {
    for (const auto& command : std::vector<std::vector<std::string>>{
             {}, {"GetVersion"}, {"getversion "}, {"enableFirewall"}, {"isVPNFirewallEnabled"}, {"rm -rf /"}}) {
        CommandSet set(options());
        ReplyCatcher catcher;
        EXPECT_FALSE(set.run(command, logger_, catcher.block(), 0));
        set.drain();
        EXPECT_EQ(catcher.count(), 0u);
    }
    EXPECT_TRUE(nft_.calls().empty());
}

TEST(SubprocessTest, LargeOutputAndInputNeverStall) {
    // More than a pipe holds in each direction at once.
    const std::string input(1 << 20, 'i');
    ProcessOptions options;
    options.input = input;
    std::size_t pieces = 0;
    options.onOutput = [&](std::string_view) { ++pieces; };
    const auto r = runProcess("/bin/sh", {"-c", "head -c 1048576 /dev/zero >&2; cat; exit 4"}, options);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.output, input);
    EXPECT_EQ(r.error.size(), 1u << 20);
    EXPECT_GT(pieces, 1u);

    EXPECT_EQ(runProcess("/nonexistent/program", {}).status, 127);
    EXPECT_EQ(runProcess("/bin/sh", {"-c", "kill -TERM $$"}).status, 128 + 15);
}

TEST_F(CommandSetTest, TheKillSwitchAnswersOnlyToTheUserWhoEnabledItAndToRoot) {
    constexpr uid_t kOwner = 1000, kOther = 1001;
    CommandSet set(options());
    ASSERT_EQ(run({"enableFirewall", kRules}, &set, kOwner), status(0));
    ASSERT_EQ(set.killSwitchOwner(), std::optional<uid_t>(kOwner));
    const auto callsBefore = nft_.calls();
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"isAnyFirewallEnabled"}, {"isVPNFirewallEnabled", "198.51.100.2"},
          {"disableFirewall"}, {"enableFirewall", kRules}, {"unloadAndInstallHelper"}}) {
        SCOPED_TRACE(command[0]);
        EXPECT_EQ(run(command, &set, kOther), status(-1));
    }
    EXPECT_EQ(nft_.calls(), callsBefore);
    EXPECT_EQ(run({"isAnyFirewallEnabled"}, &set, kOwner), status(0));
    // Stopping the helper is root's alone, whoever owns the kill switch.
    EXPECT_EQ(run({"unloadAndInstallHelper"}, &set, kOwner), status(-1));
    EXPECT_EQ(nft_.lines("systemctl"), "");

    // A record left by an earlier boot owns nothing: the table it spoke of went with that boot.
    std::ofstream(set.ownerFilePath()) << "uid " << kOwner << "\nboot 00000000-0000-0000-0000-000000000000\n";
    EXPECT_EQ(set.killSwitchOwner(), std::nullopt);
    EXPECT_EQ(run({"enableFirewall", kRules}, &set, kOther), status(0));
    EXPECT_EQ(set.killSwitchOwner(), std::optional<uid_t>(kOther));
    // Root may act on any user's kill switch; switched off, it belongs to nobody.
    EXPECT_EQ(run({"disableFirewall"}, &set, 0), status(0));
    EXPECT_EQ(set.killSwitchOwner(), std::nullopt);
}
