#pragma once
// The course of the tunnel. A connect request becomes an attempt: the servers are chosen, the
// first is dialled, a failed dial is redialled on the next server or protocol, and the attempt
// ends in a tunnel or a dial error. A tunnel that is up reports where it ended, carries traffic
// and lasts until it is disconnected, replaced by a newer request, or dropped. The status and the
// details of every step go to the state handler and the delegate.
//
// Threads: requests may come from any thread and run in order on the worker; the status, the
// details and the connected time may be read from any thread; the rest is for the worker only.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "zevu/ZevuCore.h"
#include "zevu/ZevuManager.h"
#include "zevu/ZevuProperties.h"
#include "zevu/ZevuTestAPI.h"
#include "zevu/internal/CallerSettings.h"
#include "zevu/internal/KnownServers.h"
#include "zevu/internal/ServerChoice.h"
#include "zevu/internal/WorkerSchedule.h"

namespace zevu::detail {

class Tunnel {
public:
    Tunnel(CallerSettings& settings, WorkerSchedule& schedule, KnownServers& servers);
    Tunnel(const Tunnel&) = delete;
    Tunnel& operator=(const Tunnel&) = delete;

    // ---- requests (any thread) ----
    void connect(ZevuProperties properties, ZevuManager::Completion completion, ZevuManager::ErrorBlock errorBlock);
    void disconnect();
    void cancel();
    void reconnect();
    void connectedLocation(std::function<void(std::optional<ZevuLocation>)> success, ZevuManager::ErrorBlock errorBlock);

    // ---- facts (any thread) ----
    // The status callers see: Connecting from the moment a connect request is accepted until the
    // worker has taken it up, so a request made straight after one is seen as busy.
    ZevuVPNState reportedStatus() const { return pending_.load() > 0 ? ZevuVPNState::Connecting : status_.load(); }
    // The status of what the worker has taken up.
    ZevuVPNState status() const { return status_.load(); }
    ConnectionDetailsPtr details() const;
    std::optional<morvex::Date> connectedSince() const;

    // ---- worker thread only ----
    // The SDK is configured: a status that was Invalid becomes Disconnected.
    void markReady();
    // Faults of a tunnel that is up: a drop, a pause and its end.
    void drop();
    void pause(bool on);
    // No attempt, no tunnel, nothing dialled before, status Invalid.
    void reset();

private:
    using Clock = std::chrono::steady_clock;

    struct Attempt {
        ZevuProperties properties;
        ZevuManager::Completion completion;
        ZevuManager::ErrorBlock errorBlock;
        bool answered = false;  // the completion ran: the error block never will
        Clock::time_point started;
        ZevuFaultScript script;
        std::vector<Candidate> candidates;
        int dials = 0;
        int failingDialsLeft = 0;
        // The simulated seconds the attempt's steps have taken so far (their delays before the
        // time scale): the connect time-out is counted on these, not on the wall clock, whose
        // lag on a busy machine the time scale would multiply.
        double simulatedSeconds = 0;
        ZevuConnectionDetails details;
    };
    struct Established {
        Candidate dialled;
        ZevuConnectionDetails details;
        Clock::time_point requested;
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
        ZevuFaultScript script;
    };

    // Runs `step` after the scaled delay, unless the attempt or tunnel changed in between.
    void after(double seconds, std::function<void()> step, bool repeats = false);
    void setStatus(ZevuVPNState state);
    void emitState(ZevuVPNState state);
    // Stamps the details with the time since the request and makes them the published snapshot.
    ConnectionDetailsPtr publish(ZevuConnectionDetails& details, Clock::time_point requested);

    void request(ZevuProperties properties, ZevuManager::Completion completion, ZevuManager::ErrorBlock errorBlock);
    void begin(ZevuProperties properties, ZevuManager::Completion completion, ZevuManager::ErrorBlock errorBlock);
    void findServer();
    void dial(std::size_t index);
    void dialed(std::size_t index);
    void fail(Error error);
    void connected(std::size_t index);
    void scheduleTraffic();
    std::optional<ZevuLocation> location() const;
    void endTunnel(ZevuDisconnectionType type);
    void disconnectOnWorker();
    void cancelOnWorker();
    void finishCancel();
    void reconnectOnWorker();

    CallerSettings& settings_;
    WorkerSchedule& schedule_;
    KnownServers& servers_;

    // ---- shared with callers' threads ----
    std::atomic<ZevuVPNState> status_{ZevuVPNState::Invalid};
    std::atomic<int> pending_{0};        // connect requests posted and not yet taken up
    mutable std::mutex mutex_;           // guards the two below
    ConnectionDetailsPtr published_;     // the current or last attempt's details
    std::optional<morvex::Date> connectedSince_;

    // ---- worker thread only ----
    std::uint64_t epoch_ = 0;  // invalidates scheduled steps of an earlier attempt or tunnel
    std::mt19937_64 rng_{0x5eed};
    std::optional<Attempt> attempt_;
    std::optional<Established> established_;
    bool disconnecting_ = false;
    bool cancelling_ = false;
    std::optional<ZevuProperties> lastProperties_;  // also kept on disk (LastRequest) for a later process
    std::optional<std::string> lastSuccessfulProtocol_;
};

}  // namespace zevu::detail
