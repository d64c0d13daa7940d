// The helper's service in this process, with a caller check that can be held up, for what only
// shows when checks are slow: many clients at once, and a quit that comes during a check.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "HelperTestSupport.h"
#include "helpertool/CodeSignature.h"
#include "helpertool/HelperService.h"

using namespace morvex;
using namespace morvex::helper;
using namespace std::chrono_literals;

namespace {

// A caller check whose guest lookups wait until released; it counts them.
class HeldCheck {
public:
    explicit HeldCheck(const std::filesystem::path& dir) {
        code_ = dir / "program";
        std::ofstream(code_, std::ios::binary) << "signed program";
        EXPECT_TRUE(generateSigningKey(dir / "key.pem"));
        EXPECT_TRUE(signProgram(code_, dir / "key.pem"));
    }
    // Lets every check go, so that a test that ends early (a failed assertion) leaves no check
    // waiting: the service's threads outlive it, and they hold the state, never this object.
    ~HeldCheck() { release(); }
    CallerCheck check() {
        const StaticCode code{code_, code_.string() + ".sig"};
        return CallerCheck({[code] { return std::optional(code); },
                            [state = state_, code](pid_t) {
                                std::unique_lock lock(state->mutex);
                                ++state->waiting;
                                ++state->entered;
                                state->maxWaiting = std::max(state->maxWaiting, state->waiting);
                                state->cv.notify_all();
                                state->cv.wait(lock, [&] { return state->released; });
                                --state->waiting;
                                ++state->left;
                                state->cv.notify_all();
                                return std::optional(code);
                            }});
    }
    void release() {
        std::lock_guard lock(state_->mutex);
        state_->released = true;
        state_->cv.notify_all();
    }
    bool waitForEntered(int n, std::chrono::milliseconds timeout = 10s) {
        std::unique_lock lock(state_->mutex);
        return state_->cv.wait_for(lock, timeout, [&] { return state_->entered >= n; });
    }
    bool waitForLeft(int n, std::chrono::milliseconds timeout = 10s) {
        std::unique_lock lock(state_->mutex);
        return state_->cv.wait_for(lock, timeout, [&] { return state_->left >= n; });
    }
    int entered() const {
        std::lock_guard lock(state_->mutex);
        return state_->entered;
    }
    int maxWaiting() const {
        std::lock_guard lock(state_->mutex);
        return state_->maxWaiting;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable cv;
        bool released = false;
        int waiting = 0, entered = 0, left = 0, maxWaiting = 0;
    };
    std::filesystem::path code_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

int connectTo(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.data(), path.size());
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0) << std::strerror(errno);
    return fd;
}

// True when the helper closed the connection within the time-out.
bool closedByPeer(int fd, std::chrono::milliseconds timeout) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
    char c;
    return ::recv(fd, &c, 1, 0) == 0;
}

class HelperServiceTest : public ::testing::Test {
protected:
    HelperService::Options options(HeldCheck& held) {
        HelperService::Options o;
        o.socketPath = (dir_.path() / "helper.sock").string();
        o.commands.rulesDirectory = dir_.path() / "rules";
        o.commands.filter.nft = test::fakeNft();
        o.commands.systemctl = test::fakeSystemctl();
        o.check = held.check();
        return o;
    }

    test::TempDir dir_;
    test::TempDir keys_;
    test::FakeNftState nft_;
};

}  // namespace

TEST_F(HelperServiceTest, ClientsBeyondTheConnectionLimitWaitInTheSocketsQueue) {
    HeldCheck held(keys_.path());
    constexpr int kClients = HelperService::kMaxConnections + 8;
    std::vector<int> clients;
    {
        HelperService service(options(held));
        ASSERT_TRUE(service.resume());
        for (int i = 0; i < kClients; ++i) clients.push_back(connectTo(dir_.path() / "helper.sock"));
        // Sixty-four check threads take a while to start on a loaded machine under the sanitizers.
        ASSERT_TRUE(held.waitForEntered(HelperService::kMaxConnections, 60s));
        // The rest stay unaccepted while the limit is reached.
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(held.entered(), HelperService::kMaxConnections);
        // Each accepted client that leaves makes room for a waiting one: all are checked.
        held.release();
        for (int fd : clients) ::close(fd);
        EXPECT_TRUE(held.waitForEntered(kClients, 60s));
        EXPECT_EQ(held.maxWaiting(), HelperService::kMaxConnections);
        // Checks go on after their lookup and are never waited for by the service; the test
        // waits, so that none is still verifying a signature when the program ends.
        EXPECT_TRUE(test::waitUntil([&] { return service.openConnections() == 0; }, 60s));
    }
}

TEST_F(HelperServiceTest, AQuitNeverWaitsForACallerCheck) {
    HeldCheck held(keys_.path());
    const int client = [&] {
        HelperService service(options(held));
        EXPECT_TRUE(service.resume());
        const int fd = connectTo(dir_.path() / "helper.sock");
        EXPECT_TRUE(held.waitForEntered(1));

        // The check never ends while the service quits and goes.
        auto exit = std::async(std::launch::async, [&] { return service.run(); });
        service.requestQuit();
        const bool ended = exit.wait_for(5s) == std::future_status::ready;
        EXPECT_TRUE(ended) << "the quit waited for a caller check";
        if (!ended) held.release();  // lets a helper that hung finish, so the test itself ends
        EXPECT_EQ(exit.get(), 0);
        return fd;
    }();
    // When the check ends at last, its client is turned away rather than served by a service
    // that is gone.
    held.release();
    EXPECT_TRUE(held.waitForLeft(1));
    EXPECT_TRUE(closedByPeer(client, 5s));
    ::close(client);
}

TEST_F(HelperServiceTest, AnInheritedSocketIsNotPassedOnToTheToolsItStarts) {
    HeldCheck held(keys_.path());
    auto o = options(held);
    o.socketPath.clear();
    o.listenFd = ::socket(AF_UNIX, SOCK_STREAM, 0);  // as socket activation hands it over
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = (dir_.path() / "activated.sock").string();
    std::memcpy(addr.sun_path, path.data(), path.size());
    ASSERT_EQ(::bind(o.listenFd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(o.listenFd, 4), 0);
    const int fd = o.listenFd;
    HelperService service(std::move(o));
    ASSERT_TRUE(service.resume());
    EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
}
