#pragma once
// A small analytics client: events are queued (and kept on disk) and sent in batches as a JSON
// POST to the analytics host, every flush interval and when the application quits. A batch that
// is not accepted stays queued for the next flush, so no event is lost to a failed delivery.
//
// The queue is capped: past `maxQueuedEvents` the oldest event is dropped (with a console line),
// so a machine offline for weeks neither fills its disk nor slows down. Queuing an event costs the
// same however many are queued and never waits for the disk: the file (AnalyticsFile.h) is a
// journal that the client's own writer thread appends to, and rewrites by itself now and then.
//
// Each event carries the token, the distinct identifier, the super properties and its own
// properties (which win over super properties of the same name), and "time" (seconds since 1970)
// unless the caller gave one. track/time/identify/register/clear/reset may be called from any
// thread; sending happens on the main thread.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "foundation/Value.h"

namespace morvex {

class AnalyticsClient {
public:
    struct Options {
        std::string token;
        double flushInterval = 60;
        // Base address of the analytics host; events go to <serverURL>/track.
        std::string serverURL = defaultServerURL();
        // Where the queue, the distinct identifier and the super properties are kept.
        std::filesystem::path stateFile;  // empty: <configuration directory>/analytics-<token>.json
        // The most events kept queued; the oldest go first.
        std::size_t maxQueuedEvents = 10000;
    };

    // The analytics host: MORVEX_SERVICE_URL when set (local runs and tests), else the service's.
    static std::string defaultServerURL();

    // Makes the main instance (once; later calls return it unchanged). Call on the main thread.
    static AnalyticsClient& initialize(const std::string& token, double flushInterval = 60,
                                       const std::string& serverURL = defaultServerURL());
    // The main instance; before initialize, an instance with no token that queues but never sends.
    static AnalyticsClient& mainInstance();
    // Forgets the main instance; the next call above makes a fresh one. Tests call this when they
    // move the configuration directory, so that one test's queue and identity do not reach the next;
    // nothing may hold the old instance then.
    static void releaseMainInstance();

    explicit AnalyticsClient(Options options);
    ~AnalyticsClient();
    AnalyticsClient(const AnalyticsClient&) = delete;
    AnalyticsClient& operator=(const AnalyticsClient&) = delete;

    // Whether the service may derive an event's location from the sender's address (sent with
    // each batch; default true).
    bool useIPAddressForGeoLocation() const;
    void setUseIPAddressForGeoLocation(bool use);

    // Queues an event; one whose properties nest deeper than kMaxValueDepth is refused with a
    // console line.
    void track(const std::string& event, const Dictionary& properties = {});
    // Starts timing an event; its next track carries "$duration" in seconds.
    void time(const std::string& event);
    void identify(const std::string& distinctId, bool usePeople = true, std::function<void()> completion = {});
    void registerSuperProperties(const Dictionary& properties);
    void clearSuperProperties();
    // Forgets the distinct identifier (a new one is made), the super properties and timed events;
    // queued events stay and are still sent.
    void reset(std::function<void()> completion = {});

    // Sends the queue now (batches of up to 50 events, one batch at a time); the completion runs
    // on the main thread with true when everything queued at the start was accepted.
    void flush(std::function<void(bool delivered)> completion = {});

    std::size_t queuedCount() const;
    std::string distinctId() const;
    Dictionary superProperties() const;

    struct State;

private:
    static Options normalized(Options options);
    std::shared_ptr<State> state_;
};

// A property-list value as plain JSON (dates as ISO 8601 text in UTC, data as base64).
nlohmann::json plainJson(const Value& value);

}  // namespace morvex
