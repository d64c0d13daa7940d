// The helper program as its own process, spoken to over its socket by this (signed) test program.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "HelperTestSupport.h"
#include "foundation/FrameCodec.h"
#include "foundation/HelperChannel.h"
#include "helpertool/CodeSignature.h"
#include "zevu/FirewallManager.h"

using namespace morvex;
using namespace std::chrono_literals;
using morvex::test::FakeNftState;
using morvex::test::HelperProcess;

namespace {

HelperChannel connectTo(const HelperProcess& helper) {
    auto c = HelperChannel::connect(helper.socketPath());
    if (!c) throw std::runtime_error("the helper did not accept this test program: " + c.error().message);
    return std::move(*c);
}

std::string u32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

// What came on a connection: a reply, the end of the stream, or nothing within five seconds.
struct Received {
    std::optional<wire::Frame> reply;
    bool closed = false;
};

// Reads frames until one is a reply or the connection closes.
Received readReply(int fd, wire::FrameReader& reader) {
    char buf[4096];
    for (;;) {
        for (auto r = reader.next(); r.status == wire::DecodeStatus::Frame; r = reader.next())
            if (r.frame.kind == wire::FrameKind::ReplyNumber || r.frame.kind == wire::FrameKind::ReplyText)
                return {r.frame, false};
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) return {};
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return {std::nullopt, true};
        reader.append(std::string_view(buf, static_cast<std::size_t>(n)));
    }
}

class HelperProcessTest : public ::testing::Test {
protected:
    FakeNftState nft_;
};

}  // namespace

TEST_F(HelperProcessTest, GetVersionLogsTheCommandBeforeReplying) {
    HelperProcess helper(&nft_);
    auto channel = connectTo(helper);
    std::vector<std::string> log;
    const auto reply = channel.call({"getVersion"}, [&](std::string_view l) { log.emplace_back(l); });
    ASSERT_TRUE(reply) << reply.error().message;
    EXPECT_EQ(*reply, HelperReply(std::string("1.0.0")));
    EXPECT_EQ(log, (std::vector<std::string>{"connectWithPaths - - - getVersion",
                                             "connectWithPaths - - - CFBundleShortVersionString "}));
    EXPECT_TRUE(helper.waitForOutput("@Helper self.isValid(connection YES"));
    for (const char* line : {"@Helper Init", "@Helper run", "@Helper listener(_ listener: NSXPCListener"})
        EXPECT_TRUE(helper.waitForOutput(line)) << line;
}

TEST_F(HelperProcessTest, FirewallCommandsWorkThroughTheSocket) {
    HelperProcess helper(&nft_);
    auto channel = connectTo(helper);
    const std::string rules = *zevu::FirewallManager::firewallRules("198.51.100.2", "TCP");
    EXPECT_EQ(channel.call({"enableFirewall", rules}).value(), HelperReply(std::int64_t{0}));
    std::vector<std::string> log;
    EXPECT_EQ(channel.call({"isVPNFirewallEnabled", "198.51.100.7"}, [&](std::string_view l) { log.emplace_back(l); })
                  .value(),
              HelperReply(std::int64_t{1}));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Enabled result: 0\n" + rules + "Address present result: 1");
    EXPECT_EQ(channel.call({"isVPNFirewallEnabled", "198.51.100.2"}).value(), HelperReply(std::int64_t{0}));
    EXPECT_EQ(channel.call({"disableFirewall"}).value(), HelperReply(std::int64_t{0}));
    log.clear();
    EXPECT_EQ(channel.call({"isVPNFirewallEnabled", "198.51.100.2"}, [&](std::string_view l) { log.emplace_back(l); })
                  .value(),
              HelperReply(std::int64_t{1}));
    EXPECT_EQ(log.back(), "Enabled result: 1\n");
    // Unknown commands and command lists without a name are refused rather than left unanswered.
    EXPECT_EQ(channel.call({"reboot"}).value(), HelperReply(std::int64_t{-1}));
    EXPECT_EQ(channel.call({}).value(), HelperReply(std::int64_t{-1}));
    EXPECT_EQ(channel.call({"enableFirewall"}).value(), HelperReply(std::int64_t{-1}));
}

// One client that sends nothing, one that stops half way through a frame and one that floods the
// helper with commands and never reads a reply: a good client is answered all the same, and the
// one half way is answered once it ends its frame.
TEST_F(HelperProcessTest, SilentHalfWayAndDeafClientsHoldUpNoOtherClient) {
    HelperProcess helper(&nft_);
    auto silent = connectTo(helper);
    auto halfWay = connectTo(helper);
    const std::string whole = *wire::encodeFrame({wire::FrameKind::Command, 7, {"getVersion"}});
    ASSERT_TRUE(halfWay.sendRaw(whole.substr(0, whole.size() / 2)));
    auto deaf = connectTo(helper);
    // Commands of the work queue with more replies and log lines than the socket holds: a helper
    // that waits for room to write them holds up every command queued behind them.
    const std::vector<std::string> refusedRules{"enableFirewall", "no rules at all"};
    std::string flood;
    for (std::uint32_t id = 1; id <= 3000; ++id) flood += *wire::encodeFrame({wire::FrameKind::Command, id, refusedRules});
    ASSERT_TRUE(deaf.sendRaw(flood));

    auto good = connectTo(helper);
    const auto reply = good.call(refusedRules, {}, 3s);
    ASSERT_TRUE(reply) << reply.error().message;
    EXPECT_EQ(*reply, HelperReply(std::int64_t{1}));

    ASSERT_TRUE(halfWay.sendRaw(whole.substr(whole.size() / 2)));
    wire::FrameReader reader;
    const auto halfWayReply = readReply(halfWay.fd(), reader);
    ASSERT_TRUE(halfWayReply.reply);
    EXPECT_EQ(halfWayReply.reply->id, 7u);
    EXPECT_EQ(silent.call({"getVersion"}, {}, 3s).value(), HelperReply(std::string("1.0.0")));
    EXPECT_TRUE(helper.running());
}

TEST_F(HelperProcessTest, ServesTwoClientsAndQuitsAboutASecondAfterBothLeft) {
    HelperProcess helper(&nft_);
    auto first = connectTo(helper);
    auto second = connectTo(helper);
    ASSERT_TRUE(first.call({"getVersion"}));
    // Log lines go to the most recently accepted client, whoever sent the command.
    std::vector<std::string> firstLog, secondLog;
    ASSERT_TRUE(second.call({"getVersion"}));
    auto secondListens = std::thread([&] {
        // Reads what arrives on the second connection while the first sends a command.
        wire::FrameReader reader;
        char buf[4096];
        pollfd p{second.fd(), POLLIN, 0};
        while (::poll(&p, 1, 5000) > 0) {
            const ssize_t n = ::recv(second.fd(), buf, sizeof buf, 0);
            if (n <= 0) break;
            reader.append(std::string_view(buf, static_cast<std::size_t>(n)));
            for (auto r = reader.next(); r.status == wire::DecodeStatus::Frame; r = reader.next())
                for (auto& line : r.frame.items) secondLog.push_back(line);
            if (secondLog.size() >= 2) break;
        }
    });
    EXPECT_EQ(first.call({"getVersion"}, [&](std::string_view l) { firstLog.emplace_back(l); }).value(),
              HelperReply(std::string("1.0.0")));
    secondListens.join();
    EXPECT_TRUE(firstLog.empty());
    EXPECT_EQ(secondLog, (std::vector<std::string>{"connectWithPaths - - - getVersion",
                                                   "connectWithPaths - - - CFBundleShortVersionString "}));

    first.close();
    EXPECT_FALSE(helper.waitForExit(1500ms)) << "quit while a client was still connected";
    EXPECT_TRUE(second.call({"getVersion"}));
    second.close();
    const auto left = std::chrono::steady_clock::now();
    const auto code = helper.waitForExit(3s);
    ASSERT_TRUE(code) << "still running after the last client left";
    EXPECT_EQ(*code, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - left, 2500ms);
    EXPECT_TRUE(helper.waitForOutput("@Helper Main Running"));
    EXPECT_FALSE(std::filesystem::exists(helper.socketPath()));
}

TEST_F(HelperProcessTest, EveryBadFrameGetsMinusOneThenFurtherServiceOrAClosedConnection) {
    HelperProcess helper(&nft_);
    auto bystander = connectTo(helper);
    const std::string id = u32(9);
    // After its [-1], a stream that can still be followed is served on; one that cannot is closed.
    enum class Then { servedOn, closed };
    struct Case {
        const char* name;
        std::string bytes;
        bool halfClose;  // the client ends its stream after the bytes
        std::uint32_t replyId;
        Then then;
    };
    const Case cases[] = {
        {"oversized", u32(wire::kMaxFramePayload + 1) + std::string(64, 'x'), false, 0, Then::closed},
        {"garbage", "GET / HTTP/1.1\r\nHost: x\r\n\r\n", false, 0, Then::closed},
        {"not a command", *wire::encodeFrame({wire::FrameKind::ReplyNumber, 9, {"0"}}), false, 9, Then::servedOn},
        {"element that is no text", u32(15) + "\x01" + id + u32(1) + u32(2) + "\xff\xfe", false, 9, Then::servedOn},
        {"truncated", u32(100) + "\x01" + id, true, 0, Then::closed},
    };
    const std::string next = *wire::encodeFrame({wire::FrameKind::Command, 10, {"getVersion"}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto client = connectTo(helper);
        ASSERT_TRUE(client.sendRaw(c.bytes));
        if (c.halfClose) ::shutdown(client.fd(), SHUT_WR);
        wire::FrameReader reader;
        const auto first = readReply(client.fd(), reader);
        ASSERT_TRUE(first.reply) << (first.closed ? "closed without an answer" : "no answer");
        EXPECT_EQ(first.reply->kind, wire::FrameKind::ReplyNumber);
        EXPECT_EQ(first.reply->id, c.replyId);
        EXPECT_EQ(first.reply->items, std::vector<std::string>{"-1"});
        if (c.then == Then::servedOn) {
            ASSERT_TRUE(client.sendRaw(next));
            const auto second = readReply(client.fd(), reader);
            ASSERT_TRUE(second.reply) << (second.closed ? "closed" : "no answer");
            EXPECT_EQ(second.reply->id, 10u);
            EXPECT_EQ(second.reply->items, std::vector<std::string>{"1.0.0"});
        } else {
            EXPECT_TRUE(readReply(client.fd(), reader).closed);
        }
        EXPECT_EQ(bystander.call({"getVersion"}).value(), HelperReply(std::string("1.0.0")));
    }
    EXPECT_TRUE(helper.running());
}

TEST_F(HelperProcessTest, RefusesCallersNotSignedWithTheHelpersKey) {
    // A helper signed by another key sees this test program as a stranger.
    test::TempDir dir;
    const auto copy = dir.path() / "com.morvex.mac.vpn.helpertool";
    std::filesystem::copy_file(test::helperProgram(), copy);
    ASSERT_TRUE(helper::generateSigningKey(dir.path() / "other.pem"));
    ASSERT_TRUE(helper::signProgram(copy, dir.path() / "other.pem"));
    HelperProcess helper(&nft_, copy);

    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto channel = HelperChannel::connect(helper.socketPath());
        ASSERT_FALSE(channel);
        EXPECT_EQ(channel.error().code, EACCES) << channel.error().message;
    }
    EXPECT_TRUE(helper.waitForOutput("@Helper self.isValid(connection false"));
    EXPECT_EQ(helper.output().find("self.isValid(connection YES"), std::string::npos);
    // A refused caller never ends the helper.
    EXPECT_FALSE(helper.waitForExit(1500ms));
    EXPECT_TRUE(helper.running());
}

TEST_F(HelperProcessTest, AnUnsignedHelperRefusesEveryone) {
    test::TempDir dir;
    const auto copy = dir.path() / "com.morvex.mac.vpn.helpertool";
    std::filesystem::copy_file(test::helperProgram(), copy);
    HelperProcess helper(&nft_, copy);
    EXPECT_FALSE(HelperChannel::connect(helper.socketPath()));
    EXPECT_TRUE(helper.waitForOutput("Code signing check failed with error"));
}

TEST_F(HelperProcessTest, UnloadAsksSystemdToStopTheHelpersService) {
    HelperProcess helper(&nft_);
    auto channel = connectTo(helper);
    EXPECT_EQ(channel.call({"unloadAndInstallHelper"}).value(), HelperReply(std::int64_t{0}));
    EXPECT_EQ(nft_.lines("systemctl"),
              "--no-block stop com.morvex.mac.vpn.helpertool.socket com.morvex.mac.vpn.helpertool.service\n");
}

TEST_F(HelperProcessTest, TerminationSignalEndsTheHelperWhileClientsAreConnected) {
    HelperProcess helper(&nft_);
    auto channel = connectTo(helper);
    ASSERT_TRUE(channel.call({"getVersion"}));
    ASSERT_EQ(::kill(helper.pid(), SIGTERM), 0);
    const auto code = helper.waitForExit(3s);
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 0);
    EXPECT_FALSE(channel.call({"getVersion"}, {}, 2s));
}

TEST_F(HelperProcessTest, AProcessSharingTheCheckedCallersConnectionIsNotServed) {
    // As a caller that forks, keeps the connection in the child and then runs a signed program
    // in its own place would have it: the check saw the signed program, the child sends.
    HelperProcess helper(&nft_);
    auto channel = connectTo(helper);
    ASSERT_TRUE(channel.call({"getVersion"}));  // the checked caller is served
    const std::string command = *wire::encodeFrame({wire::FrameKind::Command, 77, {"getVersion"}});
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = channel.fd();
        if (::send(fd, command.data(), command.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(command.size()))
            ::_exit(3);
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) ::_exit(2);
        char buf[256];
        ::_exit(::recv(fd, buf, sizeof buf, 0) > 0 ? 1 : 0);  // 0: closed without an answer
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the child was answered; 2: the connection stayed open";
    // Others are still served.
    auto other = connectTo(helper);
    EXPECT_EQ(other.call({"getVersion"}).value(), HelperReply(std::string("1.0.0")));
}
