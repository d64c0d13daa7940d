// The helper as its own process, attacked the way any local user could: as user nobody (the user
// of the active session, as the tests' login manager tells it) or as a second user, with the
// build's signed programs and programs of the attacker's own (tests/helper-callers).
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "HelperTestSupport.h"
#include "foundation/HelperChannel.h"
#include "helpertool/HelperService.h"
#include "zevu/FirewallManager.h"

using namespace morvex;
using namespace std::chrono_literals;
using morvex::test::AttackerTools;
using morvex::test::FakeNftState;
using morvex::test::HelperProcess;
using morvex::test::NobodyProcess;
using morvex::helper::HelperService;

namespace {

// Counts the lines of the helper's output that contain `text`.
std::size_t countLines(const HelperProcess& helper, std::string_view text) {
    std::istringstream in(helper.output());
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);)
        if (line.find(text) != std::string::npos) ++n;
    return n;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// A field of /proc/<pid>/status in kilobytes ("VmHWM", …).
long statusKilobytes(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
    return -1;
}

// The processor time a process has used so far.
std::chrono::milliseconds cpuTime(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string f;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i)
        if (i == 14 || i == 15) ticks += std::stol(f);  // utime, stime
    return std::chrono::milliseconds(ticks * 1000 / ::sysconf(_SC_CLK_TCK));
}

const std::string kRules = *zevu::FirewallManager::firewallRules("198.51.100.2", "UDP");

class HelperAttackTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root, to run the attacks as user nobody";
        // The kill switch is on: what an attacker would want to undo.
        nft_.setTable(kRules);
    }
    std::filesystem::path output(const std::string& name) const { return tools_.dir() / (name + ".out"); }

    FakeNftState nft_;
    AttackerTools tools_;
};

}  // namespace

TEST_F(HelperAttackTest, AProcessThatWritesItsCommandAndThenRunsASignedProgramIsNeverServed) {
    HelperProcess helper(&nft_);
    constexpr int kAttempts = 5;
    std::vector<std::unique_ptr<NobodyProcess>> attackers;
    for (int i = 0; i < kAttempts; ++i) {
        attackers.push_back(std::make_unique<NobodyProcess>(
            std::vector<std::string>{tools_.attacker(), "race", helper.socketPath(), "disableFirewall",
                                     tools_.signedClient(), "idle", "10"},
            std::vector<std::string>{}, output("race")));
        // Whichever program the check found, it has answered for this attempt.
        EXPECT_TRUE(waitUntil(
            [&] {
                return countLines(helper, "@Helper bytes came before the caller was accepted") +
                           countLines(helper, "@Helper self.isValid(connection false") ==
                       static_cast<std::size_t>(i + 1);
            },
            5s))
            << "attempt " << i << ": the connection was neither refused nor closed\n" << helper.output();
    }
    EXPECT_EQ(nft_.calls(), std::vector<std::string>{}) << "the attacker's command ran";
    EXPECT_TRUE(nft_.tableLoaded());
}

TEST_F(HelperAttackTest, CodeBroughtIntoASignedProgramIsRefused) {
    HelperProcess helper(&nft_);
    // Run by hand, the helper goes once its last client has left; this one keeps it up.
    auto keeper = HelperChannel::connect(helper.socketPath());
    ASSERT_TRUE(keeper);
    const std::string library = tools_.injectedLibrary();
    const std::string socket = helper.socketPath();
    const std::vector<std::string> injected = {"MORVEX_INJECTED_SOCKET=" + socket,
                                               "MORVEX_INJECTED_COMMAND=disableFirewall"};
    auto with = [&](std::string variable) {
        auto env = injected;
        env.push_back(std::move(variable));
        return env;
    };
    const std::string client = tools_.signedClient();
    struct Case {
        const char* name;
        std::vector<std::string> argv;
        std::vector<std::string> environment;
        const char* reason;  // in the helper's output; nothing: the caller is served
    };
    const Case cases[] = {
        {"the signed program as it is", {client, "call", socket, "getVersion"}, {}, nullptr},
        {"a library preloaded", {client, "idle", "10"}, with("LD_PRELOAD=" + library),
         "Caller refused: the process was started with LD_PRELOAD"},
        {"an audit library", {client, "idle", "10"}, with("LD_AUDIT=" + library),
         "Caller refused: the process was started with LD_AUDIT"},
        {"a library path of the attacker's", {client, "call", socket, "disableFirewall"},
         {"LD_LIBRARY_PATH=" + tools_.dir().string()}, "Caller refused: the process was started with LD_LIBRARY_PATH"},
        {"a plugin loaded from the attacker's folder", {client, "--load", library, "call", socket, "disableFirewall"},
         {}, "Caller refused: the process runs code from"},
        {"a debugger attached", {tools_.attacker(), "trace", client, "call", socket, "disableFirewall"}, {},
         "Caller refused: the process is being traced"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto out = output(c.name);
        NobodyProcess caller(c.argv, c.environment, out);
        ASSERT_TRUE(caller.waitForExit(10s)) << "the caller never ended";
        if (!c.reason) {
            EXPECT_EQ(test::fileText(out), "reply 1.0.0\n");
            continue;
        }
        EXPECT_EQ(test::fileText(out), "refused\n");
        EXPECT_TRUE(waitUntil([&] { return countLines(helper, c.reason) == 1; }, 2s)) << helper.output();
    }
    EXPECT_EQ(nft_.calls(), std::vector<std::string>{}) << "an attacker's command ran";
    EXPECT_TRUE(nft_.tableLoaded());
}

TEST_F(HelperAttackTest, SignatureFilesThatAreNoFilesNeitherBlockNorFillTheHelper) {
    // A FIFO never opened for writing, and a link to an endless device.
    const auto fifo = tools_.attackerCopy("fifo");
    ASSERT_EQ(::mkfifo((fifo.string() + ".sig").c_str(), 0644), 0);
    const auto zero = tools_.attackerCopy("zero");
    std::filesystem::create_symlink("/dev/zero", zero.string() + ".sig");

    // The address space is capped, so a helper that reads without end fails instead of taking
    // the machine's memory.
    HelperProcess helper(&nft_, test::helperProgram(), {"prlimit", "--as=2147483648", "--"});
    std::vector<std::unique_ptr<NobodyProcess>> attackers;
    for (int i = 0; i < HelperService::kMaxConnections + 4; ++i)
        attackers.push_back(std::make_unique<NobodyProcess>(
            std::vector<std::string>{fifo, "hold", helper.socketPath(), "20"}, std::vector<std::string>{},
            output("fifo")));
    for (int i = 0; i < 4; ++i)
        attackers.push_back(std::make_unique<NobodyProcess>(
            std::vector<std::string>{zero, "hold", helper.socketPath(), "20"}, std::vector<std::string>{},
            output("zero")));

    // A good caller is served all the same, and each attacker is turned away. While the flood is
    // still being checked every slot may be taken, so it is refused at the cap; the slots must come
    // free within a few seconds (they were held for ever before).
    auto good = HelperChannel::connect(helper.socketPath(), 5s);
    for (auto until = std::chrono::steady_clock::now() + 5s; !good && std::chrono::steady_clock::now() < until;) {
        std::this_thread::sleep_for(50ms);
        good = HelperChannel::connect(helper.socketPath(), 5s);
    }
    ASSERT_TRUE(good) << good.error().message;
    const auto reply = good->call({"getVersion"}, {}, 5s);
    ASSERT_TRUE(reply) << reply.error().message;
    EXPECT_EQ(*reply, HelperReply(std::string("1.0.0")));
    for (auto& a : attackers) EXPECT_EQ(a->waitForExit(10s), 0) << "0: closed by the helper, 2: left waiting";
    ASSERT_TRUE(helper.running());
    EXPECT_LT(statusKilobytes(helper.pid(), "VmHWM"), 256 * 1024);

    // A termination signal ends it, whatever its callers do.
    attackers.push_back(std::make_unique<NobodyProcess>(
        std::vector<std::string>{fifo, "hold", helper.socketPath(), "20"}, std::vector<std::string>{},
        output("fifo")));
    ASSERT_EQ(::kill(helper.pid(), SIGTERM), 0);
    EXPECT_TRUE(helper.waitForExit(3s)) << "still running after SIGTERM";
}

TEST_F(HelperAttackTest, AnUnsignedProgramIsHashedOnceAndAHugeOneNever) {
    // Unsigned programs beside a copy of a real signature: one near the size cap, one of a
    // gigabyte (both sparse: reading them costs the helper time, not the disk).
    const auto copySignature = [&](const std::filesystem::path& program) {
        std::filesystem::copy_file(tools_.signedClient().string() + ".sig", program.string() + ".sig");
    };
    const auto big = tools_.attackerCopy("big");
    std::filesystem::resize_file(big, 48u << 20);
    copySignature(big);
    const auto huge = tools_.attackerCopy("huge");
    std::filesystem::resize_file(huge, std::uintmax_t{1} << 30);
    copySignature(huge);
    // Verdicts are kept only for files that have been still for a moment.
    std::this_thread::sleep_for(1200ms);

    HelperProcess helper(&nft_);
    // A client stays connected throughout, or the helper would quit in a pause between attackers
    // on a busy machine (it ends about a second after its last client).
    auto keeper = HelperChannel::connect(helper.socketPath());
    ASSERT_TRUE(keeper);  // the helper has checked itself
    const auto attack = [&](const std::filesystem::path& program, int times) {
        for (int i = 0; i < times; ++i) {
            NobodyProcess attacker({program, "hold", helper.socketPath(), "20"}, {}, output("hash"));
            EXPECT_EQ(attacker.waitForExit(20s), 0);
        }
    };
    // The first caller costs one digest of 48 MiB. Seven more of that program and three of the
    // gigabyte one must together cost less than a few of those: hashed again, they would cost
    // seven times as much, and the gigabyte one alone about twenty times. Comparing the helper's
    // own CPU times keeps the check independent of how busy the machine is.
    const auto start = cpuTime(helper.pid());
    attack(big, 1);
    const auto first = cpuTime(helper.pid()) - start;
    attack(big, 7);
    attack(huge, 3);
    const auto rest = cpuTime(helper.pid()) - start - first;
    EXPECT_LT(rest, 3 * first) << "first " << first.count() << " ms, the ten after it " << rest.count() << " ms";
    EXPECT_TRUE(helper.waitForOutput("Code signing check failed with error"));
}

namespace {

// A named unix socket the test listens on as root, reachable by every user: programs run as
// another user hand it a descriptor.
class HandoffSocket {
public:
    explicit HandoffSocket(const std::filesystem::path& path) : path_(path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd_, 4) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
        ::chmod(path.c_str(), 0777);
    }
    ~HandoffSocket() {
        if (fd_ >= 0) ::close(fd_);
        ::unlink(path_.c_str());
    }
    const std::filesystem::path& path() const { return path_; }
    // The descriptor the next program hands over, or -1.
    int take() const {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 10000) != 1) return -1;
        const int conn = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn < 0) return -1;
        char byte = 0;
        iovec iov{&byte, 1};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        int passed = -1;
        if (::recvmsg(conn, &msg, MSG_CMSG_CLOEXEC) == 1)
            for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
                if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS)
                    std::memcpy(&passed, CMSG_DATA(c), sizeof passed);
        ::close(conn);
        return passed;
    }

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

// Makes the kernel hand out `pid` to the next process started (the number after the last one
// given), as a checkpoint-restore tool does; false when that cannot be set.
bool nextProcessNumber(pid_t pid) {
    std::ofstream out("/proc/sys/kernel/ns_last_pid");
    out << (pid - 1);
    out.flush();
    return static_cast<bool>(out);
}

bool shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Sums the numbers of the helper's "@Helper N connections were not logged" lines.
std::size_t connectionsNotLogged(const HelperProcess& helper) {
    std::istringstream in(helper.output());
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);)
        if (line.starts_with("@Helper ") && line.ends_with(" connections were not logged"))
            n += std::stoul(line.substr(8));
    return n;
}

}  // namespace

TEST_F(HelperAttackTest, HiddenCodeAndARecycledProcessNumberLeaveTheRealKillSwitchInForce) {
    if (!shell("command -v ip") || !shell("command -v nft")) GTEST_SKIP() << "needs iproute2 and nftables";
    test::FakeLoginManager::shared().setSessions(test::FakeLoginManager::defaultSessions());
    ASSERT_TRUE(test::FakeLoginManager::shared().running());
    test::NetworkNamespace ns("mvxa");
    ASSERT_TRUE(ns.made());
    HelperProcess helper(nullptr, test::helperProgram(), {"ip", "netns", "exec", ns.name()}, "/usr/sbin/nft");
    auto keeper = HelperChannel::connect(helper.socketPath());
    ASSERT_TRUE(keeper) << keeper.error().message;
    const std::string socket = helper.socketPath();
    const std::string client = tools_.signedClient();
    const auto asUser = [&](uid_t uid, std::vector<std::string> argv, std::vector<std::string> environment = {}) {
        const auto out = output("as-user");
        std::filesystem::remove(out);
        NobodyProcess caller(argv, environment, out, uid);
        EXPECT_TRUE(caller.waitForExit(20s)) << argv[1];
        return test::fileText(out);
    };
    const auto tableThere = [&] {
        return shell("ip netns exec " + ns.name() + " nft list table inet morvexvpn_killswitch");
    };

    // The control case: the session's user, through the signed program, is served and switches
    // its kill switch on.
    ASSERT_EQ(asUser(test::kNobody, {client, "call", socket, "enableFirewall", kRules}), "reply 0\n");
    ASSERT_TRUE(tableThere());

    // A library that erased its LD_PRELOAD entry, moved its code to anonymous memory and unmapped
    // its file, in the signed program of the session's user and of another user.
    const std::vector<std::string> hidden = {"LD_PRELOAD=" + tools_.hiddenLibrary().string(),
                                             "MORVEX_HIDDEN_SOCKET=" + socket,
                                             "MORVEX_HIDDEN_COMMAND=disableFirewall"};
    EXPECT_EQ(asUser(test::kNobody, {client, "idle", "10"}, hidden), "refused\n");
    EXPECT_EQ(countLines(helper, "Caller refused: the process runs code that no file backs"), 1u) << helper.output();
    EXPECT_EQ(asUser(test::kSecondUser, {client, "idle", "10"}, hidden), "refused\n");
    EXPECT_EQ(countLines(helper, "uid 65533 pid"), 1u) << helper.output();
    EXPECT_EQ(countLines(helper, "refused: the user has no active local session"), 1u);

    // The accepted signed program hands its connection on and ends; the kernel is made to give
    // its very number to the next process, which the attacker runs on that connection.
    HandoffSocket handoff(tools_.dir() / "handoff.sock");
    int reused = 0;
    for (int attempt = 0; attempt < 40 && reused < 2; ++attempt) {
        const auto out = output("handoff");
        NobodyProcess accepted({client, "handoff", socket, handoff.path()}, {}, out);
        const int connection = handoff.take();
        ASSERT_GE(connection, 0) << test::fileText(out);
        ASSERT_EQ(accepted.waitForExit(10s), 0);  // gone and reaped: its number is free
        const pid_t number = accepted.pid();
        ASSERT_TRUE(nextProcessNumber(number));
        const auto sent = output("send-on");
        std::filesystem::remove(sent);
        NobodyProcess recycled({tools_.attacker(), "send-on", "disableFirewall"}, {}, sent, test::kNobody, connection);
        ::close(connection);
        ASSERT_TRUE(recycled.waitForExit(20s));
        // Whether or not the number was caught this time, nothing is served on that connection.
        EXPECT_EQ(test::fileText(sent), "refused\n") << "attempt " << attempt;
        if (recycled.pid() == number) ++reused;
    }
    EXPECT_GE(reused, 1) << "the kernel never handed the number on: the attack was not tried";

    EXPECT_TRUE(tableThere()) << "the kill switch was switched off";
    EXPECT_EQ(asUser(test::kNobody, {client, "call", socket, "isAnyFirewallEnabled"}), "reply 0\n");
    EXPECT_EQ(*keeper->call({"disableFirewall"}, {}, 20s), HelperReply(std::int64_t{0}));
}

TEST_F(HelperAttackTest, ASecondUserCanNeitherReadNorChangeTheFirstUsersKillSwitchNorStopTheHelper) {
    auto& logins = test::FakeLoginManager::shared();
    ASSERT_TRUE(logins.running());
    using Session = test::FakeLoginManager::Session;
    const Session first{"c1", test::kNobody, "seat0", true, false};
    logins.setSessions({first});
    test::TempDir state;
    auto helper = std::make_unique<HelperProcess>(&nft_, test::helperProgram(), std::vector<std::string>{},
                                                  test::fakeNft(), state.path());
    // The helper leaves once its last client has gone; held open, this connection keeps it between
    // the callers below however long a loaded machine takes to start each one.
    auto keeper = HelperChannel::connect(helper->socketPath());
    ASSERT_TRUE(keeper) << keeper.error().message;
    const std::string client = tools_.signedClient();
    const auto call = [&](uid_t uid, std::vector<std::string> command) {
        const auto out = output("call");
        std::filesystem::remove(out);
        std::vector<std::string> argv = {client, "call", helper->socketPath()};
        argv.insert(argv.end(), command.begin(), command.end());
        NobodyProcess caller(argv, {}, out, uid);
        EXPECT_TRUE(caller.waitForExit(20s));
        return test::fileText(out);
    };
    // The first user (the session's) switches the kill switch on: it is theirs now.
    ASSERT_EQ(call(test::kNobody, {"enableFirewall", kRules}), "reply 0\n");
    const auto callsBefore = nft_.calls();

    const std::vector<std::vector<std::string>> commands = {{"isAnyFirewallEnabled"},
                                                            {"isVPNFirewallEnabled", "198.51.100.2"},
                                                            {"disableFirewall"},
                                                            {"enableFirewall", kRules},
                                                            {"unloadAndInstallHelper"}};
    struct Case {
        const char* name;
        std::vector<Session> sessions;
        const char* answer;  // to every command of the second user
    };
    const Case cases[] = {
        {"without a session", {first}, "refused\n"},
        {"logged in remotely", {first, {"c2", test::kSecondUser, "", true, true}}, "refused\n"},
        {"at the machine but not in front", {first, {"c2", test::kSecondUser, "seat0", false, false}}, "refused\n"},
        // Switched to the second user's session: served, but the kill switch is not theirs.
        {"the active session's user", {{"c1", test::kNobody, "seat0", false, false},
                                       {"c2", test::kSecondUser, "seat0", true, false}}, "reply -1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        logins.setSessions(c.sessions);
        for (const auto& command : commands) EXPECT_EQ(call(test::kSecondUser, command), c.answer) << command[0];
    }
    EXPECT_EQ(nft_.calls(), callsBefore) << "the second user's commands reached nft";

    // Stopping the helper stops it for everyone: not even the session's own user may.
    logins.setSessions({first});
    EXPECT_EQ(call(test::kNobody, {"unloadAndInstallHelper"}), "reply -1\n");
    EXPECT_EQ(nft_.lines("systemctl"), "");

    // The owner outlives a restart of the helper.
    helper.reset();
    helper = std::make_unique<HelperProcess>(&nft_, test::helperProgram(), std::vector<std::string>{},
                                             test::fakeNft(), state.path());
    keeper = HelperChannel::connect(helper->socketPath());
    ASSERT_TRUE(keeper) << keeper.error().message;
    logins.setSessions({{"c1", test::kNobody, "seat0", false, false}, {"c2", test::kSecondUser, "seat0", true, false}});
    EXPECT_EQ(call(test::kSecondUser, {"disableFirewall"}), "reply -1\n");
    EXPECT_TRUE(nft_.tableLoaded());
    logins.setSessions({first});
    EXPECT_EQ(call(test::kNobody, {"disableFirewall"}), "reply 0\n");
    EXPECT_FALSE(nft_.tableLoaded());
    // Off, it belongs to nobody: the next user to switch it on owns it.
    logins.setSessions({{"c2", test::kSecondUser, "seat0", true, false}});
    EXPECT_EQ(call(test::kSecondUser, {"enableFirewall", kRules}), "reply 0\n");
    logins.setSessions(test::FakeLoginManager::defaultSessions());
}

TEST_F(HelperAttackTest, AFloodOfRefusedCallersLeavesTheLogBoundedAndAGoodCallerAnswered) {
    test::FakeLoginManager::shared().setSessions(test::FakeLoginManager::defaultSessions());
    HelperProcess helper(&nft_);
    auto keeper = HelperChannel::connect(helper.socketPath());
    ASSERT_TRUE(keeper);
    constexpr int kFlood = 400;
    const auto started = std::chrono::steady_clock::now();
    const auto out = output("flood");
    NobodyProcess attacker({tools_.attacker(), "flood", helper.socketPath(), std::to_string(kFlood)}, {}, out,
                           test::kSecondUser);
    ASSERT_EQ(attacker.waitForExit(300s), 0);
    EXPECT_EQ(test::fileText(out), "closed " + std::to_string(kFlood) + "\n");

    // A good caller is answered all the same.
    const auto good = output("good");
    NobodyProcess caller({tools_.signedClient(), "call", helper.socketPath(), "getVersion"}, {}, good);
    ASSERT_TRUE(caller.waitForExit(30s));
    EXPECT_EQ(test::fileText(good), "reply 1.0.0\n");
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);

    // Each logged connection has one decision line with its user; the others are only counted.
    const std::size_t logged = countLines(helper, "@Helper caller uid 65533 pid");
    const std::size_t budget = HelperService::kLogBurst + HelperService::kLogPerSecond * (seconds.count() + 1);
    EXPECT_LE(logged, budget);
    EXPECT_LT(logged, static_cast<std::size_t>(kFlood) / 2);
    EXPECT_LE(logged + connectionsNotLogged(helper), static_cast<std::size_t>(kFlood) + 2);
    EXPECT_GT(connectionsNotLogged(helper) + logged, 0u);
    // Everything the helper wrote stays in proportion to the connections it logged.
    const std::string text = helper.output();
    EXPECT_LE(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), (logged + 8) * 24);
}
