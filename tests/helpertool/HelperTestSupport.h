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

// The helper program in a process of its own, listening on a socket in a temporary directory.
// Started with posix_spawn rather than QProcess, whose way of forking confuses ThreadSanitizer.
class HelperProcess {
public:
    // `prefix` runs before the program (for example "ip netns exec NAME").
    explicit HelperProcess(const FakeNftState* nft, std::filesystem::path program = helperProgram(),
                           std::vector<std::string> prefix = {}, std::filesystem::path nftPath = fakeNft());
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
