#include "HelperTestSupport.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <thread>

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
    socketPath_ = (dir_.path() / "helper.sock").string();
    rulesDir_ = dir_.path() / "rules";
    process_ = std::make_unique<QProcess>();
    process_->setStandardOutputFile(QString::fromStdString((dir_.path() / "stdout").string()));
    process_->setStandardErrorFile(QString::fromStdString((dir_.path() / "stderr").string()));
    QStringList args;
    for (const auto& p : prefix) args << QString::fromStdString(p);
    args << QString::fromStdString(program.string()) << "--socket" << QString::fromStdString(socketPath_)
         << "--rules-dir" << QString::fromStdString(rulesDir_.string()) << "--nft"
         << QString::fromStdString(nftPath.string()) << "--systemctl"
         << QString::fromStdString(fakeSystemctl().string());
    (void)nft;
    const QString first = args.takeFirst();
    process_->start(first, args);
    process_->waitForStarted(5000);
    // Ready once the socket exists: the helper puts it in place only once it listens.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline && running()) {
        if (std::filesystem::exists(socketPath_)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

HelperProcess::~HelperProcess() {
    if (running()) {
        process_->terminate();
        if (!process_->waitForFinished(3000)) {
            process_->kill();
            process_->waitForFinished(3000);
        }
    }
}

bool HelperProcess::running() const { return process_->state() != QProcess::NotRunning; }

std::optional<int> HelperProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (running() && !process_->waitForFinished(static_cast<int>(timeout.count()))) return std::nullopt;
    return process_->exitCode();
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
