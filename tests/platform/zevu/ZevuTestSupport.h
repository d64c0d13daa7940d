#pragma once
// A recording delegate and a fixture with a configured SDK running at a hundredth of real time.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "support/TestSupport.h"
#include "zevu/ExtensionManager.h"
#include "zevu/ZevuManager.h"
#include "zevu/ZevuTestAPI.h"

namespace zevu {

// Failure messages name the state rather than printing its bytes.
inline void PrintTo(ZevuVPNState state, std::ostream* os) {
    switch (state) {
    case ZevuVPNState::Invalid: *os << "Invalid"; return;
    case ZevuVPNState::Disconnected: *os << "Disconnected"; return;
    case ZevuVPNState::Connecting: *os << "Connecting"; return;
    case ZevuVPNState::Connected: *os << "Connected"; return;
    case ZevuVPNState::Reasserting: *os << "Reasserting"; return;
    case ZevuVPNState::Disconnecting: *os << "Disconnecting"; return;
    case ZevuVPNState::Paused: *os << "Paused"; return;
    case ZevuVPNState::Redialing: *os << "Redialing"; return;
    }
    *os << "ZevuVPNState(" << rawValue(state) << ")";
}

}  // namespace zevu

namespace zevu::test {

struct Event {
    std::string name;  // the callback, e.g. "didConnect", or "state" for the state handler
    ConnectionDetailsPtr details;
    std::optional<Error> error;
    std::optional<ZevuLocation> location;
    int state = -1;  // as the state handler delivered it
    std::string bundleId;
    int result = -1;
    std::thread::id thread;
};

// Records every callback and hook with the thread it came on; tests wait for events by name.
class Recorder : public ZevuManagerDelegate, public ExtensionManagerDelegate {
public:
    void zevuManagerDidInitialized(ZevuManager&) override { add({"didInitialized"}); }
    void zevuManagerDidConnecting(const ConnectionDetailsPtr& d) override { add({"didConnecting", d}); }
    void zevuManagerDidPaused(const ConnectionDetailsPtr& d) override { add({"didPaused", d}); }
    void zevuManagerDidConnect(const ConnectionDetailsPtr& d) override { add({"didConnect", d}); }
    void zevuManagerDidDisconnect(const ConnectionDetailsPtr& d) override { add({"didDisconnect", d}); }
    void zevuManagerOnRedialing(const ConnectionDetailsPtr& d, const std::optional<Error>& e) override {
        add({"onRedialing", d, e});
    }
    void zevuManagerDialErrorReceived(const std::optional<Error>& e, const ConnectionDetailsPtr& d) override {
        add({"dialError", d, e});
    }
    void zevuManagerOnUnableToAccessInternet(const std::optional<Error>& e, const ConnectionDetailsPtr& d) override {
        add({"noInternet", d, e});
    }
    void zevuManagerDidReceivedConnectedLocation(const std::optional<ZevuLocation>& l, const std::optional<Error>& e) override {
        Event ev{"connectedLocation", nullptr, e};
        ev.location = l;
        add(std::move(ev));
    }
    void requestNeedsUserApprovalWithBundleId(const std::string& id) override {
        Event ev{"extensionNeedsApproval"};
        ev.bundleId = id;
        add(std::move(ev));
    }
    void requestFailedWithBundleId(const std::string& id, const Error& e) override {
        Event ev{"extensionFailed", nullptr, e};
        ev.bundleId = id;
        add(std::move(ev));
    }
    void requestCompletedWithBundleId(const std::string& id, ExtensionManager::Result r) override {
        Event ev{"extensionCompleted"};
        ev.bundleId = id;
        ev.result = ExtensionManager::rawValue(r);
        add(std::move(ev));
    }

    void add(Event e) {
        e.thread = std::this_thread::get_id();
        {
            std::lock_guard lock(mutex_);
            events_.push_back(std::move(e));
        }
        cv_.notify_all();
    }

    // The n-th (1-based) event of that name, waiting up to the time-out for it.
    std::optional<Event> waitFor(const std::string& name, int n = 1,
                                 std::chrono::milliseconds timeout = morvex::test::kWaitTimeout) {
        std::unique_lock lock(mutex_);
        std::optional<Event> found;
        cv_.wait_for(lock, timeout, [&] {
            int seen = 0;
            for (const auto& e : events_) {
                if (e.name == name && ++seen == n) {
                    found = e;
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    // Waits until more than `seen` events have arrived or the deadline passes; the count now.
    std::size_t waitBeyond(std::size_t seen, std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(mutex_);
        cv_.wait_until(lock, deadline, [&] { return events_.size() > seen; });
        return events_.size();
    }
    std::size_t total() const {
        std::lock_guard lock(mutex_);
        return events_.size();
    }
    std::vector<Event> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : events()) out.push_back(e.name);
        return out;
    }
    // What the state handler delivered, in order.
    std::vector<ZevuVPNState> states() const {
        std::vector<ZevuVPNState> out;
        for (const auto& e : events())
            if (e.name == "state") out.push_back(static_cast<ZevuVPNState>(e.state));
        return out;
    }
    int count(const std::string& name) const {
        int n = 0;
        for (const auto& e : events()) n += e.name == name;
        return n;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<Event> events_;
};

// What a connect request answered: the completion's message or the error block's error.
struct Answer {
    std::mutex mutex;
    std::condition_variable cv;
    int completions = 0;
    std::vector<Error> errors;

    ZevuManager::Completion completion() {
        return [this](std::optional<std::string>) {
            std::lock_guard lock(mutex);
            ++completions;
            cv.notify_all();
        };
    }
    ZevuManager::ErrorBlock errorBlock() {
        return [this](std::optional<Error> e) {
            std::lock_guard lock(mutex);
            errors.push_back(e.value_or(Error("none", 0)));
            cv.notify_all();
        };
    }
    bool wait(std::chrono::milliseconds timeout = morvex::test::kWaitTimeout) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, timeout, [&] { return completions + static_cast<int>(errors.size()) > 0; });
    }
};

class ZevuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZevuTestAPI::reset();
        ZevuTestAPI::setTimeScale(0.01);
        ZevuConfiguration config;
        config.enableVPNLogs = true;
        config.tunnelProviderBundleIdentifier = "com.example.tunnel";
        config.wireGuardTunnelProviderBundleIdentifier = "com.example.wireguard";
        config.appGroupIdentifier = "group.example";
        manager = ZevuManager::sharedInstanceWithZevuConfiguration(config);
        manager->setDelegate(recorder);
        manager->setStateDidChangedHandler([r = recorder](int s) {
            Event e{"state"};
            e.state = s;
            r->add(std::move(e));
        });
        manager->setZevuCredential(ZevuCredential("user", "secret"));
        ASSERT_TRUE(recorder->waitFor("didInitialized"));
    }
    void TearDown() override { ZevuTestAPI::reset(); }

    ZevuVPNState status() const { return static_cast<ZevuVPNState>(manager->getCurrentVPNStatus()); }
    // Waits for the manager's status to become `wanted` (the caller checks that it did).
    void waitForStatus(ZevuVPNState wanted) const {
        // Every change of status reaches the state handler, which records an event: look again
        // after each one. The count is read before the status, so a change between the two wakes us.
        const auto deadline = std::chrono::steady_clock::now() + morvex::test::kWaitTimeout;
        for (std::size_t seen = recorder->total(); status() != wanted && std::chrono::steady_clock::now() < deadline;)
            seen = recorder->waitBeyond(seen, deadline);
    }

    // Waits until the last state the state handler delivered is `wanted`: the handler hears of a
    // change after the status holds it, so a status seen is not yet a state delivered.
    void waitForHandledState(ZevuVPNState wanted) const {
        const auto deadline = std::chrono::steady_clock::now() + morvex::test::kWaitTimeout;
        const auto last = [&] {
            const auto states = recorder->states();
            return states.empty() ? std::optional<ZevuVPNState>() : std::optional(states.back());
        };
        for (std::size_t seen = recorder->total(); last() != wanted && std::chrono::steady_clock::now() < deadline;)
            seen = recorder->waitBeyond(seen, deadline);
    }

    static ZevuCountry country(const std::string& code) {
        ZevuCountry c;
        c.country = code;
        return c;
    }
    // Connects to a country and waits until the tunnel is up.
    ConnectionDetailsPtr connectTo(const std::string& code, const std::string& protocol = "IKEV") {
        const int before = recorder->count("didConnect");
        manager->connectWithProperties(ZevuProperties::initWithCountry(country(code), ZevuProtocol(protocol)),
                                       nullptr, nullptr);
        auto e = recorder->waitFor("didConnect", before + 1);
        return e ? e->details : nullptr;
    }

    std::shared_ptr<ZevuManager> manager;
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

}  // namespace zevu::test
