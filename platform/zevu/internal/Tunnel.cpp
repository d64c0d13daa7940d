#include "zevu/internal/Tunnel.h"

#include <algorithm>

#include "zevu/internal/LastRequest.h"
#include "zevu/internal/Runtime.h"

namespace zevu::detail {

namespace {

// Simulated timings in seconds (before the time scale).
constexpr double kFindServerDelay = 0.5;
constexpr double kSmartFindExtra = 0.3;
constexpr double kRedialDelay = 1.5;
constexpr double kDisconnectDelay = 0.4;
constexpr double kCancelDelay = 0.2;
constexpr double kConnectedLocationDelay = 0.6;
constexpr double kInternetCheckDelay = 1.0;
constexpr double kTrafficInterval = 1.0;

double dialSeconds(const std::string& word) {
    if (word == "WireGuard") return 0.6;
    if (word == "IKEV") return 1.2;
    if (word == "IPSEC") return 1.4;
    if (word == "UDP") return 1.8;
    return 2.4;  // TCP
}

double secondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

std::string newSessionId(std::mt19937_64& rng) {
    static const char* hex = "0123456789abcdef";
    std::string s;
    for (int i = 0; i < 32; ++i) {
        if (i == 8 || i == 12 || i == 16 || i == 20) s += '-';
        s += hex[rng() & 0xF];
    }
    return s;
}

const char* methodFor(const ZevuProperties& p) {
    switch (p.target()) {
    case ZevuProperties::Target::SmartConnect: return "smart_connect";
    case ZevuProperties::Target::Country: return "country";
    case ZevuProperties::Target::City: return "city";
    default: return "dedicated_ip";
    }
}

bool sameTarget(const ZevuProperties& a, const ZevuProperties& b) {
    return a.target() == b.target() && a.targetDescription() == b.targetDescription();
}

void fillServer(ZevuConnectionDetails& d, const Candidate& c) {
    d.country = c.country ? c.country->name : std::nullopt;
    d.city = c.city;
    d.serverIp = c.dataCenter.ip;
    d.serverAddress = c.dataCenter.hostname;
    d.protocol = ZevuProtocol(c.protocol);
    d.nasIdentifier = c.dataCenter.nasIdentifier;
    d.isDialedWithQuantumResistantServer =
        c.dataCenter.quantumResistant && (c.protocol == "WireGuard" || c.protocol == "IKEV");
    d.IsDialedWithOVPNObfuscatedServer = c.dataCenter.obfuscated && (c.protocol == "TCP" || c.protocol == "UDP");
}

// The next queued fault script; none queued: a request that goes well.
ZevuFaultScript takeFaultScript() {
    std::lock_guard lock(Runtime::get().mutex);
    auto& queue = Runtime::get().settings.scripts;
    if (queue.empty()) return {};
    ZevuFaultScript script = queue.front();
    queue.pop_front();
    return script;
}

}  // namespace

Tunnel::Tunnel(CallerSettings& settings, WorkerSchedule& schedule, KnownServers& servers)
    : settings_(settings), schedule_(schedule), servers_(servers) {}

// ---- requests ----

void Tunnel::connect(ZevuProperties properties, ZevuManager::Completion completion, ZevuManager::ErrorBlock errorBlock) {
    if (!settings_.configured()) {
        // Nothing is dialled before a configuration; the status stays Invalid.
        schedule_.post([this, errorBlock = std::move(errorBlock)] {
            const auto err = makeError(ErrorCode::InvalidSession, "The VPN SDK is not configured.");
            if (errorBlock) errorBlock(err);
            if (auto d = settings_.delegate()) d->zevuManagerDialErrorReceived(err, nullptr);
        });
        return;
    }
    ++pending_;
    schedule_.post([this, properties = std::move(properties), completion = std::move(completion),
                    errorBlock = std::move(errorBlock)]() mutable {
        request(std::move(properties), std::move(completion), std::move(errorBlock));
        if (pending_.load() > 0) --pending_;
    });
}

void Tunnel::disconnect() {
    schedule_.post([this] { disconnectOnWorker(); });
}

void Tunnel::cancel() {
    schedule_.post([this] { cancelOnWorker(); });
}

void Tunnel::reconnect() {
    schedule_.post([this] { reconnectOnWorker(); });
}

void Tunnel::connectedLocation(std::function<void(std::optional<ZevuLocation>)> success,
                               ZevuManager::ErrorBlock errorBlock) {
    schedule_.post([this, success = std::move(success), errorBlock = std::move(errorBlock)] {
        if (established_) {
            if (success) success(location());
        } else if (errorBlock) {
            errorBlock(makeError(ErrorCode::NotConnected));
        }
    });
}

// ---- facts ----

ConnectionDetailsPtr Tunnel::details() const {
    std::lock_guard lock(mutex_);
    return published_;
}

std::optional<morvex::Date> Tunnel::connectedSince() const {
    std::lock_guard lock(mutex_);
    return connectedSince_;
}

// ---- delivery ----

void Tunnel::after(double seconds, std::function<void()> step, bool repeats) {
    const auto e = epoch_;
    schedule_.postAfter(
        seconds,
        [this, e, step = std::move(step)] {
            if (e == epoch_) step();
        },
        [this, e] { return e == epoch_; }, repeats);
}

void Tunnel::setStatus(ZevuVPNState state) {
    status_ = state;
    emitState(state);
}

void Tunnel::emitState(ZevuVPNState state) {
    if (auto handler = settings_.stateHandler()) handler(rawValue(state));
}

ConnectionDetailsPtr Tunnel::publish(ZevuConnectionDetails& details, Clock::time_point requested) {
    details.timeElapsedSinceConnect = secondsSince(requested);
    auto snapshot = std::make_shared<const ZevuConnectionDetails>(details);
    std::lock_guard lock(mutex_);
    published_ = snapshot;
    return snapshot;
}

// ---- the course of an attempt ----

void Tunnel::markReady() {
    if (status() == ZevuVPNState::Invalid) status_ = ZevuVPNState::Disconnected;
}

void Tunnel::request(ZevuProperties properties, ZevuManager::Completion completion, ZevuManager::ErrorBlock errorBlock) {
    if (attempt_ && status() == ZevuVPNState::Connecting && sameTarget(attempt_->properties, properties)) {
        if (errorBlock) errorBlock(makeError(ErrorCode::AlreadyConnecting));
        return;
    }
    if (attempt_ && cancelling_) finishCancel();
    if (attempt_) {
        // A newer request replaces the attempt in progress.
        Attempt old = std::move(*attempt_);
        attempt_.reset();
        ++epoch_;
        const auto err = makeError(ErrorCode::AttemptSuperseded);
        auto snap = publish(old.details, old.started);
        if (!old.answered && old.errorBlock) old.errorBlock(err);
        if (auto d = settings_.delegate()) d->zevuManagerDialErrorReceived(err, snap);
    }
    if (established_)
        endTunnel(disconnecting_ ? ZevuDisconnectionType::Manual : ZevuDisconnectionType::ConnectionOverConnection);
    begin(std::move(properties), std::move(completion), std::move(errorBlock));
}

void Tunnel::begin(ZevuProperties properties, ZevuManager::Completion completion, ZevuManager::ErrorBlock errorBlock) {
    ++epoch_;
    const ZevuFaultScript script = takeFaultScript();
    lastProperties_ = properties;
    if (settings_.configuration().persistVPNDetails) storeLastRequest(properties);
    Attempt a{std::move(properties), std::move(completion), std::move(errorBlock)};
    a.started = Clock::now();
    a.script = script;
    a.failingDialsLeft = script.failingDials;
    a.details.sessionId = newSessionId(rng_);
    a.details.connectionMethod = methodFor(a.properties);
    attempt_ = std::move(a);
    setStatus(ZevuVPNState::Connecting);
    auto snap = publish(attempt_->details, attempt_->started);
    if (auto d = settings_.delegate()) d->zevuManagerDidConnecting(snap);
    const bool smart = attempt_->properties.target() == ZevuProperties::Target::SmartConnect;
    const double finding = kFindServerDelay + (smart ? kSmartFindExtra : 0);
    attempt_->simulatedSeconds = finding;
    after(finding, [this] { findServer(); });
}

void Tunnel::findServer() {
    if (!attempt_) return;
    auto& a = *attempt_;
    const auto cred = settings_.credential();
    if (a.script.rejectRequest) return fail(*a.script.rejectRequest);
    if (!cred || cred->username.empty() || cred->password.empty()) return fail(makeError(ErrorCode::InvalidSession));
    if (!servers_.load()) return fail(*servers_.loadError());
    auto choice = chooseServers(a.properties, servers_, settings_.excludedProtocols(), lastSuccessfulProtocol_);
    a.candidates = std::move(choice.candidates);
    if (a.candidates.empty()) return fail(makeError(ErrorCode::NoServerAvailable));
    a.details.isFiltered = choice.filtered;
    a.details.timeTakenToFindFastestServer = secondsSince(a.started);
    const bool smart = a.properties.target() == ZevuProperties::Target::SmartConnect;
    a.details.fastestServerFindingMethod = smart ? "latency" : (a.candidates.size() > 1 ? "failover" : "direct");
    morvex::Array list;
    for (std::size_t i = 0; i < a.candidates.size() && i < 3; ++i) {
        const auto& dc = a.candidates[i].dataCenter;
        list.push_back(morvex::Dictionary{{"host", dc.hostname.value_or("")},
                                          {"ip", dc.ip.value_or("")},
                                          {"protocol", a.candidates[i].protocol},
                                          {"latency", servers_.latency(dc.dataCenterId.value_or(-1)).value_or(0)}});
    }
    a.details.fastestServerFindingApiResponse =
        morvex::Dictionary{{"status", 200}, {"body", morvex::Dictionary{{"servers", list}}}};
    a.answered = true;
    publish(a.details, a.started);
    if (a.completion) a.completion("Dialing " + a.candidates.front().dataCenter.hostname.value_or(""));
    dial(0);
}

void Tunnel::dial(std::size_t index) {
    auto& a = *attempt_;
    const auto& c = a.candidates[index % a.candidates.size()];
    ++a.dials;
    a.details.connectionAttempts = a.dials;
    fillServer(a.details, c);
    publish(a.details, a.started);
    // The status stays Connecting; the state handler hears that this is a redial.
    if (a.dials > 1) emitState(ZevuVPNState::Redialing);
    const double seconds = dialSeconds(c.protocol) + a.script.slowConnect;
    const double left = ZevuTestAPI::connectTimeout - a.simulatedSeconds;
    if (seconds >= left) {
        after(std::max(left, 0.0), [this] { fail(makeError(ErrorCode::TimedOut)); });
        return;
    }
    a.simulatedSeconds += seconds;
    after(seconds, [this, index] { dialed(index); });
}

void Tunnel::dialed(std::size_t index) {
    auto& a = *attempt_;
    if (a.script.refuseDial) return fail(*a.script.refuseDial);
    if (a.failingDialsLeft > 0) {
        --a.failingDialsLeft;
        const auto err = makeError(a.script.failingDialCode);
        if (a.dials >= ZevuTestAPI::maxDialAttempts) return fail(err);
        auto snap = publish(a.details, a.started);
        if (auto d = settings_.delegate()) d->zevuManagerOnRedialing(snap, err);
        a.simulatedSeconds += kRedialDelay;
        after(kRedialDelay, [this, index] {
            if (attempt_) dial(index + 1);
        });
        return;
    }
    connected(index);
}

void Tunnel::fail(Error error) {
    Attempt a = std::move(*attempt_);
    attempt_.reset();
    ++epoch_;
    setStatus(ZevuVPNState::Disconnected);
    auto snap = publish(a.details, a.started);
    if (!a.answered && a.errorBlock) a.errorBlock(error);
    if (auto d = settings_.delegate()) d->zevuManagerDialErrorReceived(error, snap);
}

// ---- the tunnel that is up ----

void Tunnel::connected(std::size_t index) {
    Attempt a = std::move(*attempt_);
    attempt_.reset();
    ++epoch_;
    const Candidate& c = a.candidates[index % a.candidates.size()];
    a.details.timeTakenToConnectServer = secondsSince(a.started) - a.details.timeTakenToFindFastestServer;
    lastSuccessfulProtocol_ = c.protocol;
    established_ = Established{c, a.details, a.started, 0, 0, a.script};
    {
        std::lock_guard lock(mutex_);
        connectedSince_ = morvex::Date::now();
    }
    setStatus(ZevuVPNState::Connected);
    auto snap = publish(established_->details, established_->requested);
    if (auto d = settings_.delegate()) d->zevuManagerDidConnect(snap);

    after(kConnectedLocationDelay, [this] {
        if (auto d = settings_.delegate()) d->zevuManagerDidReceivedConnectedLocation(location(), std::nullopt);
    });
    scheduleTraffic();
    if (settings_.checksInternet() && established_->script.noInternet) {
        after(kInternetCheckDelay, [this] {
            if (!established_) return;
            auto s = publish(established_->details, established_->requested);
            if (auto d = settings_.delegate())
                d->zevuManagerOnUnableToAccessInternet(makeError(ErrorCode::NoInternetThroughTunnel), s);
        });
    }
    if (established_->script.dropAfter) after(*established_->script.dropAfter, [this] { drop(); });
}

void Tunnel::scheduleTraffic() {
    after(kTrafficInterval, [this] {
        if (!established_) return;
        if (status() == ZevuVPNState::Connected) {
            established_->received += 20'000 + rng_() % 180'000;
            established_->sent += 4'000 + rng_() % 40'000;
            if (auto handler = settings_.packetsHandler()) handler(established_->received, established_->sent);
        }
        scheduleTraffic();
    }, /*repeats=*/true);
}

std::optional<ZevuLocation> Tunnel::location() const {
    if (!established_) return std::nullopt;
    const auto& c = established_->dialled;
    ZevuLocation l;
    l.ip = c.dataCenter.ip;
    l.country = c.country;
    l.city = c.city;
    l.server = ZevuServer{c.dataCenter.nasIdentifier, c.dataCenter.hostname, c.dataCenter.ip};
    return l;
}

// Ends the tunnel (or a pending disconnect) at once with the given type.
void Tunnel::endTunnel(ZevuDisconnectionType type) {
    disconnecting_ = false;
    if (!established_) return;
    Established t = std::move(*established_);
    established_.reset();
    ++epoch_;
    {
        std::lock_guard lock(mutex_);
        connectedSince_.reset();
    }
    t.details.isDisconnectedManually = type == ZevuDisconnectionType::Manual;
    t.details.disconnectionType = static_cast<int>(type);
    if (type == ZevuDisconnectionType::ConnectionOverConnection) setStatus(ZevuVPNState::Disconnecting);
    else setStatus(ZevuVPNState::Disconnected);
    auto snap = publish(t.details, t.requested);
    if (auto d = settings_.delegate()) d->zevuManagerDidDisconnect(snap);
}

void Tunnel::disconnectOnWorker() {
    if (attempt_) return cancelOnWorker();
    if (!established_ || disconnecting_) return;
    disconnecting_ = true;
    setStatus(ZevuVPNState::Disconnecting);
    after(kDisconnectDelay, [this] { endTunnel(ZevuDisconnectionType::Manual); });
}

void Tunnel::cancelOnWorker() {
    if (!attempt_) return disconnectOnWorker();
    if (cancelling_) return;
    cancelling_ = true;
    ++epoch_;
    setStatus(ZevuVPNState::Disconnecting);
    after(kCancelDelay, [this] { finishCancel(); });
}

void Tunnel::finishCancel() {
    cancelling_ = false;
    Attempt a = std::move(*attempt_);
    attempt_.reset();
    ++epoch_;
    const auto err = makeError(ErrorCode::Cancelled);
    setStatus(ZevuVPNState::Disconnected);
    a.details.isCancelled = true;
    a.details.disconnectionType = static_cast<int>(ZevuDisconnectionType::Cancelled);
    auto snap = publish(a.details, a.started);
    if (!a.answered && a.errorBlock) a.errorBlock(err);
    if (auto d = settings_.delegate()) {
        d->zevuManagerDialErrorReceived(err, snap);
        d->zevuManagerDidDisconnect(snap);
    }
}

void Tunnel::reconnectOnWorker() {
    // A process that has dialled nothing yet dials the request an earlier one kept; with none
    // there is nothing to dial again, and nothing happens.
    if (!lastProperties_ && settings_.configuration().persistVPNDetails) lastProperties_ = loadLastRequest();
    if (!lastProperties_ || !settings_.configured()) return;
    request(*lastProperties_, nullptr, nullptr);
}

void Tunnel::drop() {
    if (established_ && !disconnecting_) endTunnel(ZevuDisconnectionType::Dropped);
}

void Tunnel::pause(bool on) {
    if (!established_) return;
    if (on && status() == ZevuVPNState::Connected) {
        setStatus(ZevuVPNState::Paused);
        auto snap = publish(established_->details, established_->requested);
        if (auto d = settings_.delegate()) d->zevuManagerDidPaused(snap);
    } else if (!on && status() == ZevuVPNState::Paused) {
        setStatus(ZevuVPNState::Connected);
    }
}

void Tunnel::reset() {
    ++epoch_;
    status_ = ZevuVPNState::Invalid;
    pending_ = 0;
    {
        std::lock_guard lock(mutex_);
        published_.reset();
        connectedSince_.reset();
    }
    attempt_.reset();
    established_.reset();
    disconnecting_ = false;
    cancelling_ = false;
    lastProperties_.reset();
    lastSuccessfulProtocol_.reset();
    rng_.seed(0x5eed);
}

}  // namespace zevu::detail
