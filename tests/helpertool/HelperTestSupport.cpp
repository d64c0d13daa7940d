#include "HelperTestSupport.h"

#include <fcntl.h>
#include <grp.h>
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

std::string fileText(const std::filesystem::path& file) { return readFile(file); }

AttackerTools::AttackerTools() {
    std::filesystem::permissions(dir(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                            std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                            std::filesystem::perms::others_exec);
    for (const std::filesystem::path from :
         {MORVEX_HELPER_ATTACKER_PATH, MORVEX_HELPER_INJECTED_PATH, MORVEX_HELPER_HIDDEN_PATH,
          MORVEX_HELPER_SIGNED_CLIENT_PATH}) {
        std::filesystem::copy_file(from, dir() / from.filename());
        const std::filesystem::path sig = from.string() + ".sig";
        if (std::filesystem::exists(sig)) std::filesystem::copy_file(sig, dir() / sig.filename());
    }
}

std::filesystem::path AttackerTools::attackerCopy(const std::string& folder) const {
    std::filesystem::create_directory(dir() / folder);
    std::filesystem::permissions(dir() / folder, std::filesystem::perms::owner_all |
                                                     std::filesystem::perms::others_read |
                                                     std::filesystem::perms::others_exec);
    const auto copy = dir() / folder / "helper_attacker";
    std::filesystem::copy_file(attacker(), copy);
    return copy;
}

NobodyProcess::NobodyProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                             const std::filesystem::path& output, uid_t uid, int passFd) {
    // Everything the child needs is made before the fork: it calls nothing but system calls.
    std::vector<std::string> args = argv, env = {"PATH=/usr/bin:/bin"};
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> argp, envp;
    for (auto& a : args) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string out = output.string();
    pid_ = ::fork();
    if (pid_ == 0) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0 || null < 0 || ::dup2(null, STDIN_FILENO) < 0 || ::dup2(fd, STDOUT_FILENO) < 0 ||
            ::dup2(fd, STDERR_FILENO) < 0)
            ::_exit(120);
        if (passFd >= 0 && ::dup2(passFd, 3) < 0) ::_exit(120);
        const gid_t none[1] = {65534};
        if (::setgroups(0, none) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0 || ::chdir("/") != 0)
            ::_exit(121);
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(122);
    }
}

NobodyProcess::~NobodyProcess() {
    if (pid_ > 0 && !exitCode_) {
        ::kill(pid_, SIGKILL);
        waitForExit(std::chrono::seconds(5));
    }
}

std::optional<int> NobodyProcess::waitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exitCode_ && pid_ > 0) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return exitCode_;
}
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

namespace {
bool quietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
}  // namespace

NetworkNamespace::NetworkNamespace(const std::string& prefix) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/run/netns", ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix)) continue;
        const std::string digits = name.substr(prefix.size());
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        const long pid = std::strtol(digits.c_str(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) quietly("ip netns del " + name);
    }
    name_ = prefix + std::to_string(::getpid());
    made_ = quietly("ip netns add " + name_) && quietly("ip -n " + name_ + " link set lo up");
}

NetworkNamespace::~NetworkNamespace() {
    if (made_) quietly("ip netns del " + name_);
}

FakeLoginManager& FakeLoginManager::shared() {
    static FakeLoginManager manager;
    return manager;
}

namespace {
pid_t spawn(std::vector<std::string> args, const std::filesystem::path& output) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}
}  // namespace

FakeLoginManager::FakeLoginManager() {
    address_ = "unix:path=" + (dir_.path() / "bus").string();
    setSessions(defaultSessions());
    // It runs the bus itself, and both end with this process however it ends.
    manager_ = spawn({MORVEX_HELPER_FAKE_LOGIN_MANAGER_PATH, dir_.path().string()}, dir_.path() / "log");
    const auto ready = dir_.path() / "ready";
    const auto until = std::chrono::steady_clock::now() + kWaitTimeout;
    while (std::chrono::steady_clock::now() < until && !std::filesystem::exists(ready))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ready_ = std::filesystem::exists(ready);
}

FakeLoginManager::~FakeLoginManager() { stop(manager_); }

void FakeLoginManager::setSessions(const std::vector<Session>& sessions) const {
    std::string text;
    for (const auto& s : sessions)
        text += s.id + " " + std::to_string(s.uid) + " " + (s.seat.empty() ? "-" : s.seat) + " " +
                (s.active ? "1" : "0") + " " + (s.remote ? "1" : "0") + "\n";
    // Replaced in one step: the manager never reads half a file.
    const auto next = dir_.path() / "sessions.new";
    std::ofstream(next) << text;
    std::filesystem::rename(next, dir_.path() / "sessions");
}

HelperProcess::HelperProcess(const FakeNftState* nft, std::filesystem::path program,
                             std::vector<std::string> prefix, std::filesystem::path nftPath,
                             std::filesystem::path rulesDirectory) {
    (void)nft;
    std::filesystem::permissions(dir_.path(), std::filesystem::perms::others_exec | std::filesystem::perms::group_exec,
                                 std::filesystem::perm_options::add);
    socketPath_ = (dir_.path() / "helper.sock").string();
    rulesDir_ = rulesDirectory.empty() ? dir_.path() / "rules" : rulesDirectory;
    std::vector<std::string> args = prefix;
    for (const std::string& a : {program.string(), std::string("--socket"), socketPath_, std::string("--rules-dir"),
                                 rulesDir_.string(), std::string("--nft"), nftPath.string(), std::string("--systemctl"),
                                 fakeSystemctl().string(), std::string("--login-bus"),
                                 FakeLoginManager::shared().address()})
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
    const auto deadline = std::chrono::steady_clock::now() + kWaitTimeout;
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
