// The real kill switch: the helper in a network namespace of the test's own loads its rules with
// nftables there, and traffic out of that namespace is tried for real.
#include <gtest/gtest.h>

#include <chrono>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#include <arpa/inet.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <future>
#include <thread>

#include "HelperTestSupport.h"
#include "foundation/HelperChannel.h"
#include "foundation/KillSwitchRules.h"
#include "zevu/FirewallManager.h"

using namespace morvex;
using namespace std::chrono_literals;

namespace {

constexpr const char* kClientAddress = "198.51.100.1";
constexpr const char* kServerAddress = "198.51.100.2";   // the VPN server
constexpr const char* kOtherAddress = "198.51.100.3";    // anywhere else
constexpr int kPort = 7443;

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Runs `f` on a thread that has entered the named network namespace.
template <class F>
auto inNamespace(const std::string& name, F f) {
    return std::async(std::launch::async, [name, f] {
        const int fd = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        const bool entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
        if (fd >= 0) ::close(fd);
        if (!entered) throw std::runtime_error("cannot enter namespace " + name);
        return f();
    });
}

// Whether a TCP connection from the client namespace reaches `address` within a short time.
bool reaches(const std::string& ns, const char* address) {
    return inNamespace(ns, [address] {
               const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
               sockaddr_in sa{};
               sa.sin_family = AF_INET;
               sa.sin_port = htons(kPort);
               ::inet_pton(AF_INET, address, &sa.sin_addr);
               bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
               if (!ok && errno == EINPROGRESS) {
                   pollfd p{fd, POLLOUT, 0};
                   int err = 0;
                   socklen_t len = sizeof err;
                   ok = ::poll(&p, 1, 700) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
               }
               ::close(fd);
               return ok;
           }).get();
}

// Whether the client reaches `address` within a few seconds: a way that is open may take a moment
// to answer on a loaded machine (a fresh veth pair, a busy listener), so it is tried again. A way
// that the rules close is checked with `reaches` alone, which never waits long.
bool reachable(const std::string& ns, const char* address) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    do {
        if (reaches(ns, address)) return true;
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

class KillSwitchNamespaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root";
        if (!run("command -v ip") || !run("command -v nft")) GTEST_SKIP() << "needs iproute2 and nftables";
        clientNamespace_ = std::make_unique<test::NetworkNamespace>("mvxc");
        serverNamespace_ = std::make_unique<test::NetworkNamespace>("mvxs");
        ASSERT_TRUE(clientNamespace_->made() && serverNamespace_->made());
        client_ = clientNamespace_->name();
        server_ = serverNamespace_->name();
        const std::string id = std::to_string(::getpid());
        const std::string a = "mvc" + id, b = "mvs" + id;
        ASSERT_TRUE(run("ip link add " + a + " netns " + client_ + " type veth peer name " + b + " netns " + server_));
        ASSERT_TRUE(run("ip -n " + client_ + " addr add " + kClientAddress + "/24 dev " + a));
        ASSERT_TRUE(run("ip -n " + server_ + " addr add " + kServerAddress + "/24 dev " + b));
        ASSERT_TRUE(run("ip -n " + server_ + " addr add " + kOtherAddress + "/24 dev " + b));
        for (const auto& [ns, dev] : {std::pair{client_, a}, std::pair{server_, b}})
            ASSERT_TRUE(run("ip -n " + ns + " link set " + dev + " up"));
        // A listener on both server addresses; its backlog takes the test's few connections.
        listener_ = inNamespace(server_, [] {
                        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                        int one = 1;
                        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
                        sockaddr_in sa{};
                        sa.sin_family = AF_INET;
                        sa.sin_port = htons(kPort);
                        if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 64) != 0)
                            return -1;
                        return fd;
                    }).get();
        ASSERT_GE(listener_, 0);
    }
    void TearDown() override {
        if (listener_ >= 0) ::close(listener_);
        clientNamespace_.reset();
        serverNamespace_.reset();
    }
    static bool wait(const std::function<void(zevu::FirewallManager::Completion)>& call) {
        std::promise<bool> p;
        auto f = p.get_future();
        call([&p](bool ok) { p.set_value(ok); });
        EXPECT_EQ(f.wait_for(20s), std::future_status::ready);
        return f.get();
    }

    std::unique_ptr<test::NetworkNamespace> clientNamespace_, serverNamespace_;
    std::string client_, server_;
    int listener_ = -1;
};

}  // namespace

TEST_F(KillSwitchNamespaceTest, OnlyTheServerIsReachableWhileEnabledAndAllAgainAfterwards) {
    ASSERT_TRUE(reachable(client_, kServerAddress));
    ASSERT_TRUE(reachable(client_, kOtherAddress));

    test::HelperProcess helper(nullptr, test::helperProgram(), {"ip", "netns", "exec", client_}, "/usr/sbin/nft");
    // Run by hand, the helper goes once its last client has left; systemd would start it again on
    // the next connection. A client held open keeps it up between the manager's calls.
    auto keeper = HelperChannel::connect(helper.socketPath());
    ASSERT_TRUE(keeper);
    zevu::FirewallManager manager({helper.socketPath(), {"/nonexistent"}, 20s});

    ASSERT_TRUE(wait([&](auto c) { manager.enableFirewall(kServerAddress, "TCP", c); }));
    EXPECT_TRUE(wait([&](auto c) { manager.isAnyFirewallEnabled(c); }));
    EXPECT_TRUE(reachable(client_, kServerAddress));
    EXPECT_FALSE(reaches(client_, kOtherAddress));
    // The host's own rules never saw the table.
    EXPECT_FALSE(run("nft list table inet morvexvpn_killswitch"));

    // Enabling again for another server moves the hole.
    ASSERT_TRUE(wait([&](auto c) { manager.enableFirewall(kOtherAddress, "UDP", c); }));
    EXPECT_FALSE(reaches(client_, kServerAddress));
    EXPECT_TRUE(reachable(client_, kOtherAddress));

    ASSERT_TRUE(wait([&](auto c) { manager.disableFirewall(c); }));
    EXPECT_FALSE(wait([&](auto c) { manager.isAnyFirewallEnabled(c); }));
    EXPECT_TRUE(reachable(client_, kServerAddress));
    EXPECT_TRUE(reachable(client_, kOtherAddress));
}

TEST_F(KillSwitchNamespaceTest, RulesTheHelperRefusesLeaveTheKillSwitchInForce) {
    test::HelperProcess helper(nullptr, test::helperProgram(), {"ip", "netns", "exec", client_}, "/usr/sbin/nft");
    auto channel = HelperChannel::connect(helper.socketPath());
    ASSERT_TRUE(channel) << channel.error().message;
    namespace ks = killswitch;
    auto enable = [&](const std::string& rules) { return channel->call({"enableFirewall", rules}, {}, 20s).value(); };

    // Only the server's one transport and port get through. Switched on by user nobody (the
    // session's user), the kill switch is nobody's to change.
    test::AttackerTools tools;
    const auto asNobody = [&](const std::string& rules) {
        const auto out = tools.dir() / "enable.out";
        std::filesystem::remove(out);
        test::NobodyProcess caller({tools.signedClient(), "call", helper.socketPath(), "enableFirewall", rules}, {},
                                   out);
        EXPECT_TRUE(caller.waitForExit(20s));
        return test::fileText(out);
    };
    const ks::Intent server{true, ks::Server{kServerAddress, "TCP", ks::Transport::tcp, kPort}, {"tun*", "wg*"}};
    ASSERT_EQ(asNobody(ks::writeRules(server)), "reply 0\n");
    EXPECT_TRUE(reachable(client_, kServerAddress));
    EXPECT_FALSE(reaches(client_, kOtherAddress));

    // Asked by user nobody (the session's user, whose kill switch it is) through a signed program
    // (any caller that passes the check can send any text): a redirect of everyone's DNS, which a
    // helper once loaded inside its table, and text nft itself would reject, which once left no
    // table at all.
    const std::string refused[] = {
        "table inet morvexvpn_killswitch {\n"
        "\tchain output { type filter hook output priority 0; policy accept; }\n"
        "\tchain nat { type nat hook output priority -100; policy accept;\n"
        "\t\tudp dport 53 dnat ip to 203.0.113.9\n\t}\n}\n",
        "table inet morvexvpn_killswitch { chain output { type filter hook output priority 0; policy accept; } "
        "chain nat { type nat hook output priority -100; udp dport 53 dnat ip to 203.0.113.9 } }\n",
    };
    for (const auto& rules : refused) {
        SCOPED_TRACE(rules);
        ASSERT_EQ(asNobody(ks::writeRules(server)), "reply 0\n");
        EXPECT_EQ(asNobody(rules), "reply 1\n");
        EXPECT_TRUE(reachable(client_, kServerAddress));
        EXPECT_FALSE(reaches(client_, kOtherAddress));
        const auto listed = inNamespace(client_, [] {
                                return std::system("nft list table inet morvexvpn_killswitch | grep -q nat") == 0;
                            }).get();
        EXPECT_FALSE(listed) << "the refused chain was loaded";
    }

    // Every form the helper writes is one nft loads: an IPv6 server with a UDP port (root may change
    // any user's kill switch).
    const ks::Intent v6{true, ks::Server{"2001:db8::5", "UDP", ks::Transport::udp, 1194}, {"tun*"}};
    EXPECT_EQ(enable(ks::writeRules(v6)), HelperReply(std::int64_t{0}));
    EXPECT_FALSE(reaches(client_, kServerAddress));
}
