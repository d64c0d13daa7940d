#pragma once
// Shared test helpers: a fresh configuration directory per test, and waiting on the event loop.
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QObject;

namespace morvex::test {

// How long a wait below gives up after by default. It only bounds a wait that fails (each returns
// as soon as what it waits for holds), so it is generous: on a loaded machine a process may get
// little processor time for seconds, and a wait that would succeed must not fail then.
inline constexpr std::chrono::milliseconds kWaitTimeout{30000};

// Runs the Qt event loop until `condition` holds or `timeout` passes; answers the condition.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kWaitTimeout);
// Runs everything the main thread has to do now: posted events and queued calls (the main
// queue's blocks), deferred deletes, and timers that are due, zero-time ones included, until a
// pass delivers nothing. What is due later (a delay on a running clock, an animation's next frame)
// stays pending. Answers whether anything was delivered. "Exactly once" and "nothing happened" are
// written as drain, then count.
bool drain();
// Drains the main queue and a background queue in turn until neither has anything to do now;
// `background` is a barrier that answers whether it ran anything (the simulated SDK's is
// zevu::ZevuTestAPI::settle).
void settle(const std::function<bool()>& background);
// Runs the event loop for a while. Only for another program that must be given time to do what
// it must not do (a process that would start a copy, or quit) and that offers no event to wait
// for; say why at the call. Anything inside this process is drained or awaited instead.
void spinFor(std::chrono::milliseconds duration);
// Drains the main queue and waits until every HTTP request the process sent has been answered,
// until neither has anything left (an answer may send the next request). For "this sent nothing
// more" checks against a local server.
void settleRequests(std::chrono::milliseconds timeout = kWaitTimeout);
// Settles the session bus for this process's connections: a call through the bus daemon comes back
// only after the daemon has routed everything sent before it on that connection, so after a round
// trip and a drain each message already sent has been handled here, answers included; repeated
// until a round delivers nothing.
void settleSessionBus();
// Whether an animation owned by `root` or one of its descendants is running: a transition that
// would still change what the screen shows.
bool animating(const QObject* root);
// Waits for the end of every animation under `root` (the transition's end event), then drains.
bool waitForAnimations(const QObject* root, std::chrono::milliseconds timeout = kWaitTimeout);
// Deletes the objects whose deleteLater is due, as the run loop would between events.
void flushDeferredDeletes();

// Holds the main queue's clock for the test's lifetime: a delayed block (a splash, a result line,
// a toast, an automatic connect) runs when the test advances the clock past its due time.
class ManualClock {
public:
    ManualClock();
    ~ManualClock();
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;
    // Moves the clock forward, runs each block that falls due, then drains the main queue.
    void advance(std::chrono::milliseconds step);
    void advanceSeconds(double seconds);
    // Blocks waiting for the clock.
    std::size_t pending() const;
};

// Gives each test an empty configuration directory (preferences, keychain file, stores), so tests
// never see each other's state.
class TempConfigTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    const std::filesystem::path& configDir() const { return dir_; }

private:
    std::filesystem::path dir_;
};

// The names of the files under the configuration directory whose bytes hold `text`: none, for a
// secret that must not be written to disk.
std::vector<std::string> configFilesHolding(const std::string& text);

// A fresh temporary directory, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace morvex::test
