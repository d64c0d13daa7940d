// One command to the privileged helper and its reply, as the firewall manager sends each command:
// on a new connection (the helper checks the caller every time), and on an open one for
// comparison. The helper is the bundle's program, run by hand on a socket of its own; this
// benchmark program is signed with the build's key, so the helper accepts it. A program is hashed
// once and its verdict remembered; the last benchmark shows what one check of the bundle's largest
// program would cost without that. A caller that is not root is served only as the user of the
// active local session, which the helper asks the login manager about at every connection: the
// session benchmark has a login manager of the tests' own answer that, for user nobody.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "foundation/HelperChannel.h"
#include "helpertool/CodeSignature.h"

extern char** environ;

namespace {

using namespace morvex;

// The helper in a process of its own, with a client that keeps it up between the connections.
class Helper {
public:
    Helper() {
        std::string pattern = (std::filesystem::temp_directory_path() / "morvex-bench-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        // Every user may reach the socket, as the installed one.
        ::chmod(dir_.c_str(), 0755);
        socket_ = (dir_ / "helper.sock").string();
        std::vector<std::string> args = {MORVEX_HELPERTOOL_PATH, "--socket", socket_, "--rules-dir",
                                         (dir_ / "rules").string(), "--nft", "/bin/false", "--systemctl", "/bin/false"};
#ifdef MORVEX_FAKE_LOGIN_MANAGER
        const std::string bus = "unix:path=" + (dir_ / "bus").string();
        std::ofstream(dir_ / "sessions") << "c1 65534 seat0 1 0\n";  // user nobody at the machine
        manager_ = spawn({MORVEX_FAKE_LOGIN_MANAGER, dir_.string()});
        for (int i = 0; i < 500 && !std::filesystem::exists(dir_ / "ready"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        args.push_back("--login-bus");
        args.push_back(bus);
#endif
        pid_ = spawn(args);
        if (pid_ < 0) throw std::runtime_error("cannot start the helper");
        for (int i = 0; i < 500 && !std::filesystem::exists(socket_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // The helper keeps verdicts only on programs that have been still for a moment: a
        // benchmark run right after the build waits for that, as an installed program never has to.
        waitUntilStill("/proc/self/exe");
        waitUntilStill(MORVEX_HELPERTOOL_PATH);
        auto keeper = HelperChannel::connect(socket_);
        if (!keeper) throw std::runtime_error("the helper does not accept this program: " + keeper.error().message);
        keeper_.emplace_back(std::move(*keeper));
    }
    ~Helper() {
        keeper_.clear();
        for (pid_t pid : {pid_, manager_}) {
            if (pid <= 0) continue;
            ::kill(pid, SIGTERM);
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
        // The bus its login manager ran may still be taking its socket away: a cleanup never throws.
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& socket() const { return socket_; }

    static Helper& shared() {
        static Helper helper;
        return helper;
    }

private:
    static pid_t spawn(std::vector<std::string> args) {
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    static void waitUntilStill(const char* program) {
        struct stat st {};
        if (::stat(program, &st) != 0) return;
        const auto changed = std::chrono::system_clock::time_point(std::chrono::seconds(st.st_ctim.tv_sec));
        const auto still = changed + std::chrono::milliseconds(2200);
        if (std::chrono::system_clock::now() < still) std::this_thread::sleep_until(still);
    }

    std::filesystem::path dir_;
    std::string socket_;
    pid_t pid_ = -1;
    pid_t manager_ = -1;
    std::vector<HelperChannel> keeper_;
};

void BM_CommandOnNewConnection(benchmark::State& state) {
    const auto& socket = Helper::shared().socket();
    for (auto _ : state) {
        auto channel = HelperChannel::connect(socket);
        if (!channel) {
            state.SkipWithError(channel.error().message.c_str());
            return;
        }
        auto reply = channel->call({"getVersion"});
        if (!reply) {
            state.SkipWithError(reply.error().message.c_str());
            return;
        }
        benchmark::DoNotOptimize(reply);
    }
}
BENCHMARK(BM_CommandOnNewConnection)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef MORVEX_FAKE_LOGIN_MANAGER
// The same for the session's user: a child of this (signed) program, as user nobody, makes one
// connection and call for each iteration and reports the time it took.
void BM_CommandOnNewConnectionAsTheSessionsUser(benchmark::State& state) {
    const std::string socket = Helper::shared().socket();
    int ask[2], answer[2];
    if (::pipe2(ask, O_CLOEXEC) != 0 || ::pipe2(answer, O_CLOEXEC) != 0) {
        state.SkipWithError("no pipes");
        return;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // Only the ends it uses: the parent's end of the requests must close when the parent does.
        ::close(ask[1]);
        ::close(answer[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(1);
        char c;
        while (::read(ask[0], &c, 1) == 1) {
            const auto start = std::chrono::steady_clock::now();
            auto channel = HelperChannel::connect(socket);
            const bool ok = channel && channel->call({"getVersion"});
            const std::int64_t ns = ok ? std::chrono::duration_cast<std::chrono::nanoseconds>(
                                             std::chrono::steady_clock::now() - start)
                                             .count()
                                       : -1;
            if (::write(answer[1], &ns, sizeof ns) != sizeof ns) break;
        }
        ::_exit(0);
    }
    ::close(ask[0]);
    ::close(answer[1]);
    for (auto _ : state) {
        std::int64_t ns = -1;
        if (::write(ask[1], "x", 1) != 1 || ::read(answer[0], &ns, sizeof ns) != sizeof ns || ns < 0) {
            state.SkipWithError("the session's user was not served");
            break;
        }
        state.SetIterationTime(static_cast<double>(ns) / 1e9);
    }
    ::close(ask[1]);
    ::close(answer[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
}
BENCHMARK(BM_CommandOnNewConnectionAsTheSessionsUser)->Unit(benchmark::kMillisecond)->UseManualTime();
#endif

void BM_CommandOnOpenConnection(benchmark::State& state) {
    auto channel = HelperChannel::connect(Helper::shared().socket());
    if (!channel) {
        state.SkipWithError(channel.error().message.c_str());
        return;
    }
    for (auto _ : state) {
        auto reply = channel->call({"getVersion"});
        benchmark::DoNotOptimize(reply);
    }
}
BENCHMARK(BM_CommandOnOpenConnection)->Unit(benchmark::kMillisecond)->UseRealTime();

// What remembering verdicts saves: one signature check of the bundle's largest program.
void BM_SignatureCheckOfTheApplication(benchmark::State& state) {
    const std::filesystem::path app = std::filesystem::path(MORVEX_BUNDLE_BIN_DIR) / "MorvexVPN";
    for (auto _ : state) {
        auto info = helper::checkSignature(app, app.string() + ".sig");
        if (!info) {
            state.SkipWithError(info.error().message.c_str());
            return;
        }
        benchmark::DoNotOptimize(info);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(app)));
}
BENCHMARK(BM_SignatureCheckOfTheApplication)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
