#pragma once
// Fixtures of the helper's tests: a stand-in nft with inspectable state, a recording logger,
// a reply that can be waited for, and the helper program run as its own process.
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "helpertool/CommandSet.h"
#include "support/TestSupport.h"

namespace morvex::test {

std::filesystem::path helperProgram();
std::filesystem::path fakeNft();
std::filesystem::path fakeSystemctl();

// A folder user nobody can read and run from, with copies of the programs an attack uses (each
// with its signature, when it has one): "helper_attacker" (unsigned), "libhelper_injected.so"
// (unsigned) and "helper_signed_client" (signed with the build's key).
class AttackerTools {
public:
    AttackerTools();
    const std::filesystem::path& dir() const { return dir_.path(); }
    std::filesystem::path attacker() const { return dir() / "helper_attacker"; }
    std::filesystem::path injectedLibrary() const { return dir() / "libhelper_injected.so"; }
    std::filesystem::path signedClient() const { return dir() / "helper_signed_client"; }
    std::filesystem::path hiddenLibrary() const { return dir() / "libhelper_hidden.so"; }
    // A copy of the attacker in a folder of its own, for a signature file of the test's making.
    std::filesystem::path attackerCopy(const std::string& folder) const;

private:
    TempDir dir_;
};

inline constexpr uid_t kNobody = 65534;
// A second unprivileged user of the tests (no account needs to exist for it).
inline constexpr uid_t kSecondUser = 65533;

// A process run as user nobody (uid and gid 65534, no supplementary groups), or as `uid`, with
// only the given environment beside PATH; its standard output and error go to `output`. A
// descriptor given as `passFd` is its descriptor 3.
class NobodyProcess {
public:
    NobodyProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                  const std::filesystem::path& output, uid_t uid = kNobody, int passFd = -1);
    ~NobodyProcess();
    NobodyProcess(const NobodyProcess&) = delete;
    NobodyProcess& operator=(const NobodyProcess&) = delete;
    pid_t pid() const { return pid_; }
    // Its exit code (128 + the signal for one killed by a signal), or nothing while it runs.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
};

// The contents of a file (empty when there is none).
std::string fileText(const std::filesystem::path& file);

// The state of fake-nft.sh, in a directory of its own (FAKE_NFT_STATE).
class FakeNftState {
public:
    FakeNftState();
    ~FakeNftState();
    const std::filesystem::path& dir() const { return dir_.path(); }
    std::vector<std::string> calls() const;
    std::string lines(const char* file) const;
    void setTable(const std::string& text) const;
    bool tableLoaded() const;
    void setLoadStatus(int status) const;

private:
    TempDir dir_;
};

class RecordingLogger final : public helper::AppLogger {
public:
    void logWithStdOut(std::string_view line) override { add(line); }
    void logWithStdErr(std::string_view line) override { add(line); }
    std::vector<std::string> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    void add(std::string_view line) {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Collects replies given from any thread.
class ReplyCatcher {
public:
    helper::ReplyBlock block();
    // The first reply, waiting up to `timeout`; nothing when none came.
    std::optional<helper::ReplyValue> wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::size_t count() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<helper::ReplyValue> replies_;
};

// A network namespace of the test's own, named `prefix` followed by this process's id, removed
// again at the end. Namespaces of the same prefix left by an earlier run that died before its
// tear-down (its process is gone) are removed first.
class NetworkNamespace {
public:
    explicit NetworkNamespace(const std::string& prefix);
    ~NetworkNamespace();
    NetworkNamespace(const NetworkNamespace&) = delete;
    NetworkNamespace& operator=(const NetworkNamespace&) = delete;
    const std::string& name() const { return name_; }
    bool made() const { return made_; }

private:
    std::string name_;
    bool made_ = false;
};

// A login manager of the tests' own on a bus of their own (a private dbus-daemon), shared by every
// helper a test program starts. Its sessions are a file, read afresh for every question; at first
// user nobody has the one active local session.
class FakeLoginManager {
public:
    struct Session {
        std::string id;
        uid_t uid;
        std::string seat;  // empty: no seat (a remote or background session)
        bool active;
        bool remote;
    };
    static FakeLoginManager& shared();
    ~FakeLoginManager();
    const std::string& address() const { return address_; }
    bool running() const { return ready_; }
    void setSessions(const std::vector<Session>& sessions) const;
    static std::vector<Session> defaultSessions() { return {{"c1", kNobody, "seat0", true, false}}; }

private:
    FakeLoginManager();
    TempDir dir_;
    std::string address_;
    pid_t manager_ = -1;
    bool ready_ = false;
};

// The helper program in a process of its own, listening on a socket in a temporary directory.
// Started with posix_spawn rather than QProcess, whose way of forking confuses ThreadSanitizer.
class HelperProcess {
public:
    // `prefix` runs before the program (for example "ip netns exec NAME"). The socket lies in a
    // folder every user may reach, as the installed one does.
    // It asks the shared FakeLoginManager about sessions. With `rulesDirectory`, its state lies
    // there (a helper started again on the same state).
    explicit HelperProcess(const FakeNftState* nft, std::filesystem::path program = helperProgram(),
                           std::vector<std::string> prefix = {}, std::filesystem::path nftPath = fakeNft(),
                           std::filesystem::path rulesDirectory = {});
    ~HelperProcess();
    const std::string& socketPath() const { return socketPath_; }
    const std::filesystem::path& rulesDirectory() const { return rulesDir_; }
    bool running() const;
    pid_t pid() const { return pid_; }
    // Waits for the process to end; its exit code, or nothing while it still runs.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    std::string output() const;
    bool waitForOutput(std::string_view line, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    TempDir dir_;
    std::string socketPath_;
    std::filesystem::path rulesDir_;
    pid_t pid_ = -1;
    mutable std::optional<int> exitCode_;
};

}  // namespace morvex::test
