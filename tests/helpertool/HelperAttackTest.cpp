// The helper as its own process, attacked the way any local user could: as user nobody, with the
// build's signed programs and programs of the attacker's own (tests/helper-callers).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

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
    for (int i = 0; i < HelperService::kMaxConnectionThreads + 4; ++i)
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
