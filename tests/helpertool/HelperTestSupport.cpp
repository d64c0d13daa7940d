#include "HelperTestSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace morvex::test {

namespace {
std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

std::filesystem::path helperProgram() { return MORVEX_HELPERTOOL_PATH; }
std::filesystem::path fakeNft() { return std::filesystem::path(MORVEX_SOURCE_DIR) / "tests/helpertool/fake-nft.sh"; }
std::filesystem::path fakeSystemctl() {
    return std::filesystem::path(MORVEX_SOURCE_DIR) / "tests/helpertool/fake-systemctl.sh";
}

FakeNftState::FakeNftState() { ::setenv("FAKE_NFT_STATE", dir_.path().c_str(), 1); }
FakeNftState::~FakeNftState() { ::unsetenv("FAKE_NFT_STATE"); }

std::vector<std::string> FakeNftState::calls() const {
    std::vector<std::string> out;
    std::istringstream in(readFile(dir() / "calls"));
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}
std::string FakeNftState::lines(const char* file) const { return readFile(dir() / file); }
void FakeNftState::setTable(const std::string& text) const { std::ofstream(dir() / "table") << text; }
bool FakeNftState::tableLoaded() const { return std::filesystem::exists(dir() / "table"); }
void FakeNftState::setLoadStatus(int status) const { std::ofstream(dir() / "load-status") << status; }

helper::ReplyBlock ReplyCatcher::block() {
    return [this](const helper::ReplyValue& v) {
        std::lock_guard lock(mutex_);
        replies_.push_back(v);
        cv_.notify_all();
    };
}

std::optional<helper::ReplyValue> ReplyCatcher::wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, timeout, [this] { return !replies_.empty(); })) return std::nullopt;
    return replies_.front();
}

std::size_t ReplyCatcher::count() const {
    std::lock_guard lock(mutex_);
    return replies_.size();
}

HelperProcess::HelperProcess(const FakeNftState* nft, std::filesystem::path program,
                             std::vector<std::string> prefix, std::filesystem::path nftPath) {
    (void)nft;
    socketPath_ = (dir_.path() / "helper.sock").string();
    rulesDir_ = dir_.path() / "rules";
    std::vector<std::string> args = prefix;
    for (const std::string& a : {program.string(), std::string("--socket"), socketPath_, std::string("--rules-dir"),
                                 rulesDir_.string(), std::string("--nft"), nftPath.string(), std::string("--systemctl"),
                                 fakeSystemctl().string()})
        args.push_back(a);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out = (dir_.path() / "stdout").string(), err = (dir_.path() / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    // Ready once the socket exists: the helper puts it in place only once it listens.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline && running()) {
        if (std::filesystem::exists(socketPath_)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

HelperProcess::~HelperProcess() {
    if (running()) {
        ::kill(pid_, SIGTERM);
        if (!waitForExit(std::chrono::seconds(3))) {
            ::kill(pid_, SIGKILL);
            waitForExit(std::chrono::seconds(3));
        }
    }
}

bool HelperProcess::running() const {
    if (pid_ <= 0 || exitCode_) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

std::optional<int> HelperProcess::waitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running()) {
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return exitCode_;
}

std::string HelperProcess::output() const { return readFile(dir_.path() / "stdout"); }

bool HelperProcess::waitForOutput(std::string_view line, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        const std::string text = "\n" + output();
        if (text.find("\n" + std::string(line) + "\n") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

}  // namespace morvex::test
