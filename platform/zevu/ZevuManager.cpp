#include "zevu/ZevuManager.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <random>
#include <set>

#include "zevu/internal/Runtime.h"
#include "zevu/internal/ServerCatalog.h"

namespace zevu {

using detail::Runtime;
using detail::ServerCatalog;
using detail::WorkerLoop;

namespace {

// Simulated timings in seconds (before the time scale).
constexpr double kInitialiseDelay = 0.3;
constexpr double kCatalogueDelay = 0.25;
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

// The order the SDK tries protocols in when the caller leaves the choice to it.
const std::vector<std::string>& defaultProtocolOrder() {
    static const std::vector<std::string> order{"IKEV", "WireGuard", "UDP", "TCP", "IPSEC"};
    return order;
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// One dial option: a data centre (from the list, or a dedicated host) and a protocol.
struct Candidate {
    ZevuDatacenters dataCenter;
    std::optional<ZevuCountry> country;  // code, name and iso code only
    std::optional<ZevuCity> city;        // without data centres
    std::string protocol;                // canonical word
};

ZevuCountry countryHeader(const ZevuCountry& c) {
    ZevuCountry h;
    h.country = c.country;
    h.name = c.name;
    h.iso_code = c.iso_code;
    return h;
}

ZevuCity cityHeader(const ZevuCity& c) {
    ZevuCity h;
    h.cityId = c.cityId;
    h.name = c.name;
    h.country = c.country;
    return h;
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

}  // namespace

struct ZevuManager::Impl {
    ZevuManager& owner;
    explicit Impl(ZevuManager& o) : owner(o) {}

    // ---- shared with callers' threads (under `mutex`) ----
    mutable std::mutex mutex;
    ZevuConfiguration configuration;
    std::weak_ptr<ZevuManagerDelegate> delegate;
    StateHandler stateHandler;
    PacketsHandler packetsHandler;
    std::vector<ZevuProtocol> excluded;
    std::optional<ZevuCredential> credential;
    ConnectionDetailsPtr published;
    std::optional<morvex::Date> connectedSince;
    std::atomic<int> status{static_cast<int>(ZevuVPNState::Invalid)};
    std::atomic<bool> checkInternet{false};
    std::atomic<bool> configured{false};
    // Bumped by reset, so that answers of requests made before it are dropped.
    std::atomic<std::uint64_t> generation{0};

    // ---- worker thread only ----
    std::shared_ptr<const ServerCatalog> catalogue;
    std::optional<Error> catalogueError;
    bool initialised = false;
    std::uint64_t epoch = 0;  // invalidates scheduled steps of an earlier attempt or tunnel
    std::mt19937_64 rng{0x5eed};

    struct Attempt {
        ZevuProperties properties;
        Completion completion;
        ErrorBlock errorBlock;
        bool answered = false;
        Clock::time_point started;
        ZevuFaultScript script;
        std::vector<Candidate> candidates;
        int dials = 0;
        int failingDialsLeft = 0;
        ZevuConnectionDetails details;
    };
    std::optional<Attempt> attempt;

    struct Tunnel {
        Candidate dialled;
        ZevuConnectionDetails details;
        Clock::time_point requested;
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
        ZevuFaultScript script;
    };
    std::optional<Tunnel> tunnel;
    bool disconnecting = false;
    bool cancelling = false;
    std::optional<ZevuProperties> lastProperties;
    std::optional<std::string> lastSuccessfulProtocol;
    std::map<std::int64_t, std::int64_t> measuredLatency;  // data-centre id -> ms

    WorkerLoop& loop() { return Runtime::get().sdk(); }

    // Runs `step` on the worker after the scaled delay, unless the attempt or tunnel changed.
    void after(double seconds, std::function<void()> step) {
        const auto e = epoch;
        const auto g = generation.load();
        loop().postAfter(ZevuTestAPI::scaled(seconds), [this, e, g, step = std::move(step)] {
            if (e == epoch && g == generation.load()) step();
        });
    }
    // Runs `task` on the worker after the scaled delay, unless a reset came in between; callable
    // from any thread.
    void later(double seconds, std::function<void()> task) {
        const auto g = generation.load();
        loop().postAfter(ZevuTestAPI::scaled(seconds), [this, g, task = std::move(task)] {
            if (g == generation.load()) task();
        });
    }
    // Runs a caller's request on the worker, unless a reset came in between.
    void onWorker(std::function<void()> task) {
        const auto g = generation.load();
        loop().post([this, g, task = std::move(task)] {
            if (g == generation.load()) task();
        });
    }

    // ---- callbacks ----
    std::shared_ptr<ZevuManagerDelegate> currentDelegate() {
        std::lock_guard lock(mutex);
        return delegate.lock();
    }
    void setStatus(ZevuVPNState s) {
        status = static_cast<int>(s);
        emitState(s);
    }
    void emitState(ZevuVPNState s) {
        StateHandler h;
        {
            std::lock_guard lock(mutex);
            h = stateHandler;
        }
        if (h) h(static_cast<int>(s));
    }
    ConnectionDetailsPtr publish(ZevuConnectionDetails& details, Clock::time_point requested) {
        details.timeElapsedSinceConnect = secondsSince(requested);
        auto snapshot = std::make_shared<const ZevuConnectionDetails>(details);
        std::lock_guard lock(mutex);
        published = snapshot;
        return snapshot;
    }
    void sendPackets(std::uint64_t received, std::uint64_t sent) {
        PacketsHandler h;
        {
            std::lock_guard lock(mutex);
            h = packetsHandler;
        }
        if (h) h(received, sent);
    }

    // ---- the server list ----
    bool ensureCatalogue() {
        if (catalogue) return true;
        auto path = ServerCatalog::defaultPath();
        if (!path) {
            catalogueError = makeError(ErrorCode::ServerListUnavailable, "The server list is missing from the SDK's resources.");
            return false;
        }
        auto loaded = ServerCatalog::load(*path);
        if (!loaded) {
            catalogueError = loaded.error();
            return false;
        }
        catalogue = *loaded;
        catalogueError.reset();
        return true;
    }

    // ---- start-up ----
    void initialise() {
        ensureCatalogue();
        initialised = true;
        if (status == static_cast<int>(ZevuVPNState::Invalid)) status = static_cast<int>(ZevuVPNState::Disconnected);
        if (auto d = currentDelegate()) d->zevuManagerDidInitialized(owner);
    }

    // ---- choosing servers ----
    std::vector<std::string> protocolOrder(const ZevuProperties& p) {
        std::vector<std::string> order;
        auto add = [&](const std::optional<std::string>& w) {
            if (w && std::find(order.begin(), order.end(), *w) == order.end()) order.push_back(*w);
        };
        if (p.useLastSuccessfulDialedProtocol().value_or(false)) add(lastSuccessfulProtocol);
        if (p.protocol()) add(p.protocol()->canonicalWord());
        if (p.secondaryProtocol()) add(p.secondaryProtocol()->canonicalWord());
        if (p.tertiaryProtocol()) add(p.tertiaryProtocol()->canonicalWord());
        const bool namedAny = p.protocol() || p.secondaryProtocol() || p.tertiaryProtocol();
        if (p.enableProtocolSwitch().value_or(true) || !namedAny) {
            for (const auto& w : defaultProtocolOrder()) add(w);
        }
        std::vector<ZevuProtocol> ex;
        {
            std::lock_guard lock(mutex);
            ex = excluded;
        }
        std::erase_if(order, [&](const std::string& w) {
            return std::any_of(ex.begin(), ex.end(), [&](const ZevuProtocol& e) { return e.canonicalWord() == w; });
        });
        return order;
    }

    std::vector<ServerCatalog::Place> placesFor(const ZevuProperties& p) {
        std::vector<ServerCatalog::Place> out;
        auto addCity = [&](const ZevuCountry& c, const ZevuCity& city) {
            if (city.data_centers)
                for (const auto& dc : *city.data_centers) out.push_back({&c, &city, &dc});
        };
        auto addCountry = [&](const ZevuCountry& c) {
            if (c.cities)
                for (const auto& city : *c.cities) addCity(c, city);
        };
        switch (p.target()) {
        case ZevuProperties::Target::Country: {
            const auto& want = *p.country();
            const ZevuCountry* c = nullptr;
            if (want.country && !want.country->empty()) c = catalogue->countryByCode(*want.country);
            if (!c && want.iso_code && !want.iso_code->empty()) c = catalogue->countryByCode(*want.iso_code);
            if (!c && want.name && !want.name->empty()) c = catalogue->countryByName(*want.name);
            if (c) addCountry(*c);
            break;
        }
        case ZevuProperties::Target::City: {
            const auto& want = *p.city();
            if (auto place = catalogue->city(want.cityId)) {
                addCity(*place->country, *place->city);
            } else if (want.name && want.country) {
                if (const auto* c = catalogue->countryByCode(*want.country); c && c->cities)
                    for (const auto& city : *c->cities)
                        if (city.name == want.name) addCity(*c, city);
            }
            break;
        }
        case ZevuProperties::Target::SmartConnect: {
            const auto& tags = p.tags();
            auto has = [&](ZevuSmartConnectTag t) { return std::find(tags.begin(), tags.end(), rawValue(t)) != tags.end(); };
            for (const auto& place : catalogue->allDataCenters()) {
                const auto& dc = *place.dataCenter;
                if (has(ZevuSmartConnectTag::P2P) && !dc.p2p) continue;
                if (has(ZevuSmartConnectTag::QuantumResistant) && !dc.quantumResistant) continue;
                if (has(ZevuSmartConnectTag::Obfuscated) && !dc.obfuscated) continue;
                out.push_back(place);
            }
            break;
        }
        default:
            break;
        }
        return out;
    }

    // Ordering of data centres: measured ones by latency, then the recommended country, then load.
    std::tuple<std::int64_t, int, int, std::int64_t> rank(const ServerCatalog::Place& p) {
        const auto id = p.dataCenter->dataCenterId.value_or(0);
        auto it = measuredLatency.find(id);
        const std::int64_t latency = it != measuredLatency.end() && it->second > 0 ? it->second
                                                                                   : std::numeric_limits<std::int64_t>::max();
        const int home = p.country->country == catalogue->defaultRecommendedCountry() ? 0 : 1;
        return {latency, home, p.dataCenter->load, id};
    }

    // Candidates in dialling order, and whether server filters narrowed them.
    std::vector<Candidate> candidatesFor(const ZevuProperties& p, bool& filtered) {
        filtered = false;
        std::vector<Candidate> out;
        const auto protocols = protocolOrder(p);
        if (p.target() == ZevuProperties::Target::DedicatedHost || p.target() == ZevuProperties::Target::MultipleDedicatedHosts) {
            for (const auto& host : p.dedicatedHosts()) {
                std::optional<std::string> word = host.protocol().canonicalWord();
                if (!word && p.protocol()) word = p.protocol()->canonicalWord();
                if (!word && !protocols.empty()) word = protocols.front();
                if (!word || std::find(protocols.begin(), protocols.end(), *word) == protocols.end()) continue;
                Candidate c;
                c.dataCenter.hostname = host.dedicatedHostName();
                c.dataCenter.ip = host.dedicatedHostIP();
                c.dataCenter.port = 443;
                c.dataCenter.protocols = {*word};
                c.dataCenter.nasIdentifier = host.dedicatedHostName();
                if (auto place = catalogue->dataCenterByHost(host.dedicatedHostIP())) {
                    c.country = countryHeader(*place->country);
                    c.city = cityHeader(*place->city);
                }
                c.protocol = *word;
                out.push_back(std::move(c));
            }
            return out;
        }
        auto places = placesFor(p);
        std::set<std::string> keep, leave;
        if (p.serverFilters()) {
            for (const auto& f : *p.serverFilters()) (f.excludes() ? leave : keep).insert(f.nasIdentifier);
        }
        const auto before = places.size();
        std::erase_if(places, [&](const ServerCatalog::Place& pl) {
            return pl.dataCenter->nasIdentifier && leave.contains(*pl.dataCenter->nasIdentifier);
        });
        filtered = places.size() != before;
        std::stable_sort(places.begin(), places.end(), [&](const auto& a, const auto& b) {
            const bool ka = a.dataCenter->nasIdentifier && keep.contains(*a.dataCenter->nasIdentifier);
            const bool kb = b.dataCenter->nasIdentifier && keep.contains(*b.dataCenter->nasIdentifier);
            if (ka != kb) return ka;
            return rank(a) < rank(b);
        });
        if (!keep.empty() && !places.empty() && places.front().dataCenter->nasIdentifier &&
            keep.contains(*places.front().dataCenter->nasIdentifier))
            filtered = true;
        for (const auto& word : protocols) {
            for (const auto& pl : places) {
                const auto& offered = pl.dataCenter->protocols;
                if (std::find(offered.begin(), offered.end(), word) == offered.end()) continue;
                out.push_back({*pl.dataCenter, countryHeader(*pl.country), cityHeader(*pl.city), word});
            }
        }
        return out;
    }

    static const char* methodFor(const ZevuProperties& p) {
        switch (p.target()) {
        case ZevuProperties::Target::SmartConnect: return "smart_connect";
        case ZevuProperties::Target::Country: return "country";
        case ZevuProperties::Target::City: return "city";
        default: return "dedicated_ip";
        }
    }

    static bool sameTarget(const ZevuProperties& a, const ZevuProperties& b) {
        return a.target() == b.target() && a.targetDescription() == b.targetDescription();
    }

    // ---- the course of an attempt ----
    void request(ZevuProperties properties, Completion completion, ErrorBlock errorBlock) {
        const auto current = static_cast<ZevuVPNState>(status.load());
        if (attempt && current == ZevuVPNState::Connecting && sameTarget(attempt->properties, properties)) {
            if (errorBlock) errorBlock(makeError(ErrorCode::AlreadyConnecting));
            return;
        }
        if (attempt && cancelling) finishCancel();
        if (attempt) {
            // A newer request replaces the attempt in progress.
            Attempt old = std::move(*attempt);
            attempt.reset();
            ++epoch;
            const auto err = makeError(ErrorCode::AttemptSuperseded);
            auto snap = publish(old.details, old.started);
            if (!old.answered && old.errorBlock) old.errorBlock(err);
            if (auto d = currentDelegate()) d->zevuManagerDialErrorReceived(err, snap);
        }
        if (tunnel) endTunnel(disconnecting ? ZevuDisconnectionType::Manual : ZevuDisconnectionType::ConnectionOverConnection);
        begin(std::move(properties), std::move(completion), std::move(errorBlock));
    }

    void begin(ZevuProperties properties, Completion completion, ErrorBlock errorBlock) {
        ++epoch;
        ZevuFaultScript script;
        {
            std::lock_guard lock(Runtime::get().mutex);
            auto& queue = Runtime::get().settings.scripts;
            if (!queue.empty()) {
                script = queue.front();
                queue.pop_front();
            }
        }
        lastProperties = properties;
        Attempt a{std::move(properties), std::move(completion), std::move(errorBlock)};
        a.started = Clock::now();
        a.script = script;
        a.failingDialsLeft = script.failingDials;
        a.details.sessionId = newSessionId(rng);
        a.details.connectionMethod = methodFor(a.properties);
        attempt = std::move(a);
        setStatus(ZevuVPNState::Connecting);
        auto snap = publish(attempt->details, attempt->started);
        if (auto d = currentDelegate()) d->zevuManagerDidConnecting(snap);
        const bool smart = attempt->properties.target() == ZevuProperties::Target::SmartConnect;
        after(kFindServerDelay + (smart ? kSmartFindExtra : 0), [this] { findServer(); });
    }

    void findServer() {
        if (!attempt) return;
        auto& a = *attempt;
        std::optional<ZevuCredential> cred;
        {
            std::lock_guard lock(mutex);
            cred = credential;
        }
        if (a.script.rejectRequest) return fail(*a.script.rejectRequest);
        if (!configured) return fail(makeError(ErrorCode::InvalidSession, "The VPN SDK is not configured."));
        if (!cred || cred->username.empty() || cred->password.empty()) return fail(makeError(ErrorCode::InvalidSession));
        if (!ensureCatalogue()) return fail(*catalogueError);
        bool filtered = false;
        a.candidates = candidatesFor(a.properties, filtered);
        if (a.candidates.empty()) return fail(makeError(ErrorCode::NoServerAvailable));
        a.details.isFiltered = filtered;
        a.details.timeTakenToFindFastestServer = secondsSince(a.started);
        const bool smart = a.properties.target() == ZevuProperties::Target::SmartConnect;
        a.details.fastestServerFindingMethod = smart ? "latency" : (a.candidates.size() > 1 ? "failover" : "direct");
        morvex::Array servers;
        for (std::size_t i = 0; i < a.candidates.size() && i < 3; ++i) {
            const auto& dc = a.candidates[i].dataCenter;
            auto it = measuredLatency.find(dc.dataCenterId.value_or(-1));
            servers.push_back(morvex::Dictionary{
                {"host", dc.hostname.value_or("")},
                {"ip", dc.ip.value_or("")},
                {"protocol", a.candidates[i].protocol},
                {"latency", static_cast<std::int64_t>(it != measuredLatency.end() ? it->second : 0)}});
        }
        a.details.fastestServerFindingApiResponse =
            morvex::Dictionary{{"status", 200}, {"body", morvex::Dictionary{{"servers", servers}}}};
        a.answered = true;
        publish(a.details, a.started);
        if (a.completion) a.completion("Dialing " + a.candidates.front().dataCenter.hostname.value_or(""));
        dial(0);
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

    void dial(std::size_t index) {
        auto& a = *attempt;
        const auto& c = a.candidates[index % a.candidates.size()];
        ++a.dials;
        a.details.connectionAttempts = a.dials;
        fillServer(a.details, c);
        publish(a.details, a.started);
        // The status stays Connecting; the state handler hears that this is a redial.
        if (a.dials > 1) emitState(ZevuVPNState::Redialing);
        const double seconds = dialSeconds(c.protocol) + a.script.slowConnect;
        const double left = ZevuTestAPI::connectTimeout - secondsSince(a.started) / std::max(ZevuTestAPI::timeScale(), 1e-9);
        if (seconds >= left) {
            after(std::max(left, 0.0), [this] { fail(makeError(ErrorCode::TimedOut)); });
            return;
        }
        after(seconds, [this, index] { dialed(index); });
    }

    void dialed(std::size_t index) {
        auto& a = *attempt;
        if (a.script.refuseDial) return fail(*a.script.refuseDial);
        if (a.failingDialsLeft > 0) {
            --a.failingDialsLeft;
            const auto err = makeError(a.script.failingDialCode);
            if (a.dials >= ZevuTestAPI::maxDialAttempts) return fail(err);
            auto snap = publish(a.details, a.started);
            if (auto d = currentDelegate()) d->zevuManagerOnRedialing(snap, err);
            after(kRedialDelay, [this, index] {
                if (attempt) dial(index + 1);
            });
            return;
        }
        connected(index);
    }

    void fail(Error err) {
        Attempt a = std::move(*attempt);
        attempt.reset();
        ++epoch;
        setStatus(ZevuVPNState::Disconnected);
        auto snap = publish(a.details, a.started);
        if (!a.answered && a.errorBlock) a.errorBlock(err);
        if (auto d = currentDelegate()) d->zevuManagerDialErrorReceived(err, snap);
    }

    void connected(std::size_t index) {
        Attempt a = std::move(*attempt);
        attempt.reset();
        ++epoch;
        const Candidate& c = a.candidates[index % a.candidates.size()];
        a.details.timeTakenToConnectServer = secondsSince(a.started) - a.details.timeTakenToFindFastestServer;
        lastSuccessfulProtocol = c.protocol;
        tunnel = Tunnel{c, a.details, a.started, 0, 0, a.script};
        {
            std::lock_guard lock(mutex);
            connectedSince = morvex::Date::now();
        }
        setStatus(ZevuVPNState::Connected);
        auto snap = publish(tunnel->details, tunnel->requested);
        if (auto d = currentDelegate()) d->zevuManagerDidConnect(snap);

        after(kConnectedLocationDelay, [this] {
            if (auto d = currentDelegate()) d->zevuManagerDidReceivedConnectedLocation(location(), std::nullopt);
        });
        scheduleTraffic();
        if (checkInternet && tunnel->script.noInternet) {
            after(kInternetCheckDelay, [this] {
                if (!tunnel) return;
                auto s = publish(tunnel->details, tunnel->requested);
                if (auto d = currentDelegate())
                    d->zevuManagerOnUnableToAccessInternet(makeError(ErrorCode::NoInternetThroughTunnel), s);
            });
        }
        if (tunnel->script.dropAfter) after(*tunnel->script.dropAfter, [this] { drop(); });
    }

    void scheduleTraffic() {
        after(kTrafficInterval, [this] {
            if (!tunnel) return;
            if (status == static_cast<int>(ZevuVPNState::Connected)) {
                tunnel->received += 20'000 + rng() % 180'000;
                tunnel->sent += 4'000 + rng() % 40'000;
                sendPackets(tunnel->received, tunnel->sent);
            }
            scheduleTraffic();
        });
    }

    std::optional<ZevuLocation> location() {
        if (!tunnel) return std::nullopt;
        const auto& c = tunnel->dialled;
        ZevuLocation l;
        l.ip = c.dataCenter.ip;
        l.country = c.country;
        l.city = c.city;
        l.server = ZevuServer{c.dataCenter.nasIdentifier, c.dataCenter.hostname, c.dataCenter.ip};
        return l;
    }

    // Ends the tunnel (or a pending disconnect) at once with the given type.
    void endTunnel(ZevuDisconnectionType type) {
        disconnecting = false;
        if (!tunnel) return;
        Tunnel t = std::move(*tunnel);
        tunnel.reset();
        ++epoch;
        {
            std::lock_guard lock(mutex);
            connectedSince.reset();
        }
        t.details.isDisconnectedManually = type == ZevuDisconnectionType::Manual;
        t.details.disconnectionType = static_cast<int>(type);
        if (type == ZevuDisconnectionType::ConnectionOverConnection) setStatus(ZevuVPNState::Disconnecting);
        else setStatus(ZevuVPNState::Disconnected);
        auto snap = publish(t.details, t.requested);
        if (auto d = currentDelegate()) d->zevuManagerDidDisconnect(snap);
    }

    void disconnect() {
        if (attempt) return cancel();
        if (!tunnel || disconnecting) return;
        disconnecting = true;
        setStatus(ZevuVPNState::Disconnecting);
        after(kDisconnectDelay, [this] { endTunnel(ZevuDisconnectionType::Manual); });
    }

    void cancel() {
        if (!attempt) return disconnect();
        if (cancelling) return;
        cancelling = true;
        ++epoch;
        setStatus(ZevuVPNState::Disconnecting);
        after(kCancelDelay, [this] { finishCancel(); });
    }

    void finishCancel() {
        cancelling = false;
        Attempt a = std::move(*attempt);
        attempt.reset();
        ++epoch;
        const auto err = makeError(ErrorCode::Cancelled);
        setStatus(ZevuVPNState::Disconnected);
        a.details.isCancelled = true;
        a.details.disconnectionType = static_cast<int>(ZevuDisconnectionType::Cancelled);
        auto snap = publish(a.details, a.started);
        if (!a.answered && a.errorBlock) a.errorBlock(err);
        if (auto d = currentDelegate()) {
            d->zevuManagerDialErrorReceived(err, snap);
            d->zevuManagerDidDisconnect(snap);
        }
    }

    void reconnect() {
        if (!lastProperties) {
            if (auto d = currentDelegate())
                d->zevuManagerDialErrorReceived(
                    makeError(ErrorCode::InvalidArgument, "There is no earlier connection request to dial again."), nullptr);
            return;
        }
        request(*lastProperties, nullptr, nullptr);
    }

    void drop() {
        if (tunnel && !disconnecting) endTunnel(ZevuDisconnectionType::Dropped);
    }

    void pause(bool on) {
        if (!tunnel) return;
        if (on && status == static_cast<int>(ZevuVPNState::Connected)) {
            setStatus(ZevuVPNState::Paused);
            auto snap = publish(tunnel->details, tunnel->requested);
            if (auto d = currentDelegate()) d->zevuManagerDidPaused(snap);
        } else if (!on && status == static_cast<int>(ZevuVPNState::Paused)) {
            setStatus(ZevuVPNState::Connected);
        }
    }

    // ---- latency ----
    int portFor(const ZevuDatacenters& dc) {
        if (dc.port) return *dc.port;
        if (catalogue && dc.dataCenterId)
            if (auto place = catalogue->dataCenter(*dc.dataCenterId); place && place->dataCenter->port)
                return *place->dataCenter->port;
        return 443;
    }

    // Measures the data centres on the ping thread and answers with `apply` on the worker.
    void measure(std::vector<ZevuDatacenters> dcs,
                 std::function<void(const std::vector<std::optional<std::int64_t>>&)> apply) {
        ensureCatalogue();
        const auto settings = Runtime::get().copySettings();
        std::vector<detail::PingTarget> targets;
        std::vector<int> index;  // target of each data centre, -1 for none
        // Hosts that stand for the same address are measured once (an override may point every
        // data centre at one local listener).
        std::map<std::pair<std::string, int>, int> seen;
        for (const auto& dc : dcs) {
            auto t = detail::pingTargetFor(dc.hostname, dc.ip, portFor(dc), settings);
            if (!t) {
                index.push_back(-1);
                continue;
            }
            auto [it, fresh] = seen.try_emplace({t->host, t->port}, static_cast<int>(targets.size()));
            if (fresh) targets.push_back(*t);
            index.push_back(it->second);
        }
        const auto g = generation.load();
        Runtime::get().ping().post([this, g, targets, index, timeout = settings.pingTimeout, apply = std::move(apply)] {
            if (g != generation.load()) return;
            auto times = detail::measureConnectTimes(targets, timeout);
            std::vector<std::optional<std::int64_t>> ms;
            for (int i : index) {
                if (i >= 0 && times[static_cast<std::size_t>(i)])
                    ms.push_back(std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(*times[static_cast<std::size_t>(i)]))));
                else
                    ms.push_back(std::nullopt);
            }
            onWorkerFrom(g, [apply, ms] { apply(ms); });
        });
    }
    void onWorkerFrom(std::uint64_t g, std::function<void()> task) {
        loop().post([this, g, task = std::move(task)] {
            if (g == generation.load()) task();
        });
    }

    // Sets the measured latencies into the data centres; answers the lowest (0 when none).
    std::int64_t applyLatencies(std::vector<ZevuDatacenters>& dcs, const std::vector<std::optional<std::int64_t>>& ms,
                                std::size_t& at) {
        std::int64_t best = 0;
        for (auto& dc : dcs) {
            const auto m = ms[at++];
            dc.latency = m.value_or(0);
            if (dc.dataCenterId) {
                if (m) measuredLatency[*dc.dataCenterId] = *m;
                else measuredLatency.erase(*dc.dataCenterId);
            }
            if (m && (best == 0 || *m < best)) best = *m;
        }
        return best;
    }

    ZevuLocation recommended() {
        ZevuLocation l;
        const ServerCatalog::Place* best = nullptr;
        const auto all = catalogue->allDataCenters();
        std::int64_t bestLatency = 0;
        for (const auto& p : all) {
            auto it = measuredLatency.find(p.dataCenter->dataCenterId.value_or(-1));
            if (it != measuredLatency.end() && it->second > 0 && (bestLatency == 0 || it->second < bestLatency)) {
                best = &p;
                bestLatency = it->second;
            }
        }
        if (!best) {
            for (const auto& p : all) {
                if (p.country->country != catalogue->defaultRecommendedCountry()) continue;
                if (!best || p.dataCenter->load < best->dataCenter->load) best = &p;
            }
        }
        if (!best && !all.empty()) best = &all.front();
        if (best) {
            l.country = countryHeader(*best->country);
            l.city = cityHeader(*best->city);
            l.city->latency = bestLatency;
        }
        return l;
    }
};

// ---- the public face ----

ZevuManager::ZevuManager() : impl_(std::make_unique<Impl>(*this)) {}
ZevuManager::~ZevuManager() = default;

std::shared_ptr<ZevuManager> ZevuManager::sharedInstanceWithZevuConfiguration(const ZevuConfiguration& configuration) {
    auto manager = Runtime::get().manager();
    auto* impl = manager->impl_.get();
    {
        std::lock_guard lock(impl->mutex);
        impl->configuration = configuration;
    }
    impl->configured = true;
    impl->later(kInitialiseDelay, [impl] { impl->initialise(); });
    return manager;
}

std::shared_ptr<ZevuManager> ZevuManager::sharedInstance() {
    auto manager = Runtime::get().manager();
    return manager->impl_->configured ? manager : nullptr;
}

ZevuConfiguration ZevuManager::configuration() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->configuration;
}

void ZevuManager::setDelegate(std::weak_ptr<ZevuManagerDelegate> delegate) {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->delegate = std::move(delegate);
    }
    // A delegate that arrives after start-up still hears that the SDK is ready.
    auto* impl = impl_.get();
    impl->onWorker([impl] {
        if (impl->initialised)
            if (auto d = impl->currentDelegate()) d->zevuManagerDidInitialized(impl->owner);
    });
}

std::shared_ptr<ZevuManagerDelegate> ZevuManager::delegate() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->delegate.lock();
}

void ZevuManager::setStateDidChangedHandler(StateHandler handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->stateHandler = std::move(handler);
}

void ZevuManager::setOnPacketsTransmitted(PacketsHandler handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->packetsHandler = std::move(handler);
}

void ZevuManager::setExcludeProtocols(std::vector<ZevuProtocol> protocols) {
    std::lock_guard lock(impl_->mutex);
    impl_->excluded = std::move(protocols);
}

std::vector<ZevuProtocol> ZevuManager::excludeProtocols() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->excluded;
}

void ZevuManager::setZevuCredential(std::optional<ZevuCredential> credential) {
    std::lock_guard lock(impl_->mutex);
    impl_->credential = std::move(credential);
}

std::optional<ZevuCredential> ZevuManager::zevuCredential() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->credential;
}

void ZevuManager::setDoCheckInternetConnectivity(bool check) { impl_->checkInternet = check; }
bool ZevuManager::doCheckInternetConnectivity() const { return impl_->checkInternet; }

int ZevuManager::getCurrentVPNStatus() const { return impl_->status.load(); }

void ZevuManager::connectWithProperties(ZevuProperties properties, Completion completion, ErrorBlock errorBlock) {
    auto* impl = impl_.get();
    impl->onWorker([impl, properties = std::move(properties), completion = std::move(completion),
                    errorBlock = std::move(errorBlock)]() mutable {
        impl->request(std::move(properties), std::move(completion), std::move(errorBlock));
    });
}

void ZevuManager::disconnectVPN() {
    auto* impl = impl_.get();
    impl->onWorker([impl] { impl->disconnect(); });
}

void ZevuManager::cancelVPN() {
    auto* impl = impl_.get();
    impl->onWorker([impl] { impl->cancel(); });
}

void ZevuManager::reconnectVPN() {
    auto* impl = impl_.get();
    impl->onWorker([impl] { impl->reconnect(); });
}

ConnectionDetailsPtr ZevuManager::zevuConnectionDetails() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->published;
}

std::optional<morvex::Date> ZevuManager::getConnectedTime() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->connectedSince;
}

void ZevuManager::getConnectedLocation(std::function<void(std::optional<ZevuLocation>)> success, ErrorBlock errorBlock) {
    auto* impl = impl_.get();
    impl->onWorker([impl, success = std::move(success), errorBlock = std::move(errorBlock)] {
        if (impl->tunnel) {
            if (success) success(impl->location());
        } else if (errorBlock) {
            errorBlock(makeError(ErrorCode::NotConnected));
        }
    });
}

void ZevuManager::getCountriesWithSuccess(std::function<void(std::optional<std::vector<ZevuCountry>>)> success,
                                          ErrorBlock errorBlock) {
    auto* impl = impl_.get();
    impl->later(kCatalogueDelay, [impl, success = std::move(success), errorBlock = std::move(errorBlock)] {
        std::optional<Error> scripted;
        {
            std::lock_guard lock(Runtime::get().mutex);
            scripted = Runtime::get().settings.failCountries;
        }
        if (scripted) {
            if (errorBlock) errorBlock(*scripted);
        } else if (!impl->ensureCatalogue()) {
            if (errorBlock) errorBlock(*impl->catalogueError);
        } else if (success) {
            success(impl->catalogue->countries());
        }
    });
}

void ZevuManager::getRecommendedLocation(std::function<void(std::optional<ZevuLocation>)> success, ErrorBlock errorBlock) {
    auto* impl = impl_.get();
    impl->later(kCatalogueDelay, [impl, success = std::move(success), errorBlock = std::move(errorBlock)] {
        const auto settings = Runtime::get().copySettings();
        if (settings.recommendedOverridden) {
            if (settings.recommendedError) {
                if (errorBlock) errorBlock(*settings.recommendedError);
            } else if (success) {
                success(settings.recommendedLocation);
            }
        } else if (!impl->ensureCatalogue()) {
            if (errorBlock) errorBlock(*impl->catalogueError);
        } else if (success) {
            success(impl->recommended());
        }
    });
}

void ZevuManager::getOptimizedCountries(std::vector<ZevuCountry> countries,
                                        std::function<void(std::vector<ZevuCountry>)> response) {
    auto* impl = impl_.get();
    impl->onWorker([impl, countries = std::move(countries), response = std::move(response)]() mutable {
        std::vector<ZevuDatacenters> dcs;
        for (const auto& c : countries) {
            if (c.dataCenters) dcs.insert(dcs.end(), c.dataCenters->begin(), c.dataCenters->end());
        }
        impl->measure(std::move(dcs), [impl, countries = std::move(countries), response = std::move(response)](
                                          const std::vector<std::optional<std::int64_t>>& ms) mutable {
            std::size_t at = 0;
            for (auto& c : countries) {
                c.latency = c.dataCenters ? impl->applyLatencies(*c.dataCenters, ms, at) : 0;
            }
            if (response) response(std::move(countries));
        });
    });
}

void ZevuManager::getOptimizedCities(std::vector<ZevuCity> cities, std::function<void(std::vector<ZevuCity>)> response) {
    auto* impl = impl_.get();
    impl->onWorker([impl, cities = std::move(cities), response = std::move(response)]() mutable {
        std::vector<ZevuDatacenters> dcs;
        for (const auto& c : cities) {
            if (c.data_centers) dcs.insert(dcs.end(), c.data_centers->begin(), c.data_centers->end());
        }
        impl->measure(std::move(dcs), [impl, cities = std::move(cities), response = std::move(response)](
                                          const std::vector<std::optional<std::int64_t>>& ms) mutable {
            std::size_t at = 0;
            for (auto& c : cities) {
                c.latency = c.data_centers ? impl->applyLatencies(*c.data_centers, ms, at) : 0;
            }
            if (response) response(std::move(cities));
        });
    });
}

void ZevuManager::pingDedicatedIPServer(ZevuDedicatedIPServerPing ping,
                                        std::function<void(std::optional<ZevuDedicatedIPServerPing>)> success,
                                        ErrorBlock errorBlock) {
    auto* impl = impl_.get();
    impl->onWorker([impl, ping = std::move(ping), success = std::move(success), errorBlock = std::move(errorBlock)]() mutable {
        if (ping.serverAddress().empty() && (!ping.serverIP() || ping.serverIP()->empty())) {
            if (errorBlock) errorBlock(makeError(ErrorCode::InvalidArgument, "The dedicated server has no address."));
            return;
        }
        ZevuDatacenters dc;
        if (!ping.serverAddress().empty()) dc.hostname = ping.serverAddress();
        dc.ip = ping.serverIP();
        dc.port = 443;
        impl->measure({dc}, [ping = std::move(ping), success = std::move(success)](
                                const std::vector<std::optional<std::int64_t>>& ms) mutable {
            ping.setLatency(ms.front());
            if (success) success(std::move(ping));
        });
    });
}

// ---- test hooks ----

namespace detail {

void resetManager(ZevuManager& manager) {
    auto* impl = ManagerAccess::impl(manager);
    Runtime::get().sdk().sync([impl] {
        ++impl->generation;
        ++impl->epoch;
        Runtime::get().sdk().clear();
        Runtime::get().ping().clear();
        {
            std::lock_guard lock(impl->mutex);
            impl->configuration = {};
            impl->delegate.reset();
            impl->stateHandler = nullptr;
            impl->packetsHandler = nullptr;
            impl->excluded.clear();
            impl->credential.reset();
            impl->published.reset();
            impl->connectedSince.reset();
        }
        impl->status = static_cast<int>(ZevuVPNState::Invalid);
        impl->checkInternet = false;
        impl->configured = false;
        impl->catalogue.reset();
        impl->catalogueError.reset();
        impl->initialised = false;
        impl->attempt.reset();
        impl->tunnel.reset();
        impl->disconnecting = false;
        impl->cancelling = false;
        impl->lastProperties.reset();
        impl->lastSuccessfulProtocol.reset();
        impl->measuredLatency.clear();
        impl->rng.seed(0x5eed);
    });
    // A measurement already running finishes on the ping thread; wait for it, so that nothing of
    // the earlier state is still in flight.
    Runtime::get().ping().sync([] {});
}

void dropTunnel(ZevuManager& manager) {
    auto* impl = ManagerAccess::impl(manager);
    Runtime::get().sdk().post([impl] { impl->drop(); });
}

void pauseTunnel(ZevuManager& manager, bool pause) {
    auto* impl = ManagerAccess::impl(manager);
    Runtime::get().sdk().post([impl, pause] { impl->pause(pause); });
}

}  // namespace detail

}  // namespace zevu
