// The public face of the manager. Each job has its own part under internal/: what callers set
// (CallerSettings), the worker's schedule and its reset generation (WorkerSchedule), the server
// list and measured latencies (KnownServers), the course of the tunnel (Tunnel, which picks its
// servers through ServerChoice), the catalogue answers (CatalogueQueries) and latency requests
// (PingRequests). This file holds them together, runs the start-up after each configuration, and
// hands each call to its part.
#include "zevu/ZevuManager.h"

#include <atomic>

#include "zevu/internal/CallerSettings.h"
#include "zevu/internal/CatalogueQueries.h"
#include "zevu/internal/KnownServers.h"
#include "zevu/internal/PingRequests.h"
#include "zevu/internal/Runtime.h"
#include "zevu/internal/Tunnel.h"
#include "zevu/internal/WorkerSchedule.h"

namespace zevu {

using detail::Runtime;

namespace {
constexpr double kInitialiseDelay = 0.3;  // seconds, before the time scale
}  // namespace

struct ZevuManager::Impl {
    explicit Impl(ZevuManager& o) : owner(o) {}

    ZevuManager& owner;
    detail::CallerSettings settings;
    detail::WorkerSchedule schedule;
    detail::KnownServers servers;  // worker thread only
    detail::Tunnel tunnel{settings, schedule, servers};
    detail::CatalogueQueries catalogue{schedule, servers};
    detail::PingRequests pings{schedule, servers};
    // Each configuration is numbered; its start-up tells the delegate once that the SDK is ready.
    std::atomic<std::uint64_t> configurations{0};
    // Worker thread only: the configuration whose start-up has run, and which delegate was told
    // for which configuration (a delegate hears "ready" at most once per configuration).
    std::uint64_t readyConfiguration = 0;
    const ZevuManagerDelegate* toldDelegate = nullptr;
    std::uint64_t toldConfiguration = 0;

    // Worker thread: reads the server list and tells the delegate that the SDK is ready.
    void initialise(std::uint64_t configuration) {
        if (configuration != configurations.load()) return;  // a newer configuration starts up instead
        servers.load();
        readyConfiguration = configuration;
        tunnel.markReady();
        announceReady();
    }

    // Worker thread: tells the current delegate, unless it already heard it for this configuration.
    void announceReady() {
        if (readyConfiguration == 0 || readyConfiguration != configurations.load()) return;
        auto d = settings.delegate();
        if (!d || (d.get() == toldDelegate && toldConfiguration == readyConfiguration)) return;
        toldDelegate = d.get();
        toldConfiguration = readyConfiguration;
        d->zevuManagerDidInitialized(owner);
    }
};

ZevuManager::ZevuManager() : impl_(std::make_unique<Impl>(*this)) {}
ZevuManager::~ZevuManager() = default;

// ---- configuration ----

std::shared_ptr<ZevuManager> ZevuManager::sharedInstanceWithZevuConfiguration(const ZevuConfiguration& configuration) {
    auto manager = Runtime::get().manager();
    auto* impl = manager->impl_.get();
    impl->settings.configure(configuration);
    const auto number = ++impl->configurations;
    impl->schedule.postAfter(kInitialiseDelay, [impl, number] { impl->initialise(number); });
    return manager;
}

std::shared_ptr<ZevuManager> ZevuManager::sharedInstance() { return Runtime::get().manager(); }

ZevuConfiguration ZevuManager::configuration() const { return impl_->settings.configuration(); }

void ZevuManager::setDelegate(std::weak_ptr<ZevuManagerDelegate> delegate) {
    impl_->settings.setDelegate(std::move(delegate));
    // A delegate that arrives after start-up still hears that the SDK is ready, once.
    auto* impl = impl_.get();
    impl->schedule.post([impl] { impl->announceReady(); });
}

std::shared_ptr<ZevuManagerDelegate> ZevuManager::delegate() const { return impl_->settings.delegate(); }

void ZevuManager::setStateDidChangedHandler(StateHandler handler) { impl_->settings.setStateHandler(std::move(handler)); }

void ZevuManager::setOnPacketsTransmitted(PacketsHandler handler) { impl_->settings.setPacketsHandler(std::move(handler)); }

void ZevuManager::setExcludeProtocols(std::vector<ZevuProtocol> protocols) {
    impl_->settings.setExcludedProtocols(std::move(protocols));
}

std::vector<ZevuProtocol> ZevuManager::excludeProtocols() const { return impl_->settings.excludedProtocols(); }

void ZevuManager::setZevuCredential(std::optional<ZevuCredential> credential) {
    impl_->settings.setCredential(std::move(credential));
}

std::optional<ZevuCredential> ZevuManager::zevuCredential() const { return impl_->settings.credential(); }

void ZevuManager::setDoCheckInternetConnectivity(bool check) { impl_->settings.setChecksInternet(check); }
bool ZevuManager::doCheckInternetConnectivity() const { return impl_->settings.checksInternet(); }

// ---- the tunnel ----

int ZevuManager::getCurrentVPNStatus() const { return rawValue(impl_->tunnel.reportedStatus()); }

void ZevuManager::connectWithProperties(ZevuProperties properties, Completion completion, ErrorBlock errorBlock) {
    impl_->tunnel.connect(std::move(properties), std::move(completion), std::move(errorBlock));
}

void ZevuManager::disconnectVPN() { impl_->tunnel.disconnect(); }
void ZevuManager::cancelVPN() { impl_->tunnel.cancel(); }
void ZevuManager::reconnectVPN() { impl_->tunnel.reconnect(); }

ConnectionDetailsPtr ZevuManager::zevuConnectionDetails() const { return impl_->tunnel.details(); }

std::optional<morvex::Date> ZevuManager::getConnectedTime() const { return impl_->tunnel.connectedSince(); }

void ZevuManager::getConnectedLocation(std::function<void(std::optional<ZevuLocation>)> success, ErrorBlock errorBlock) {
    impl_->tunnel.connectedLocation(std::move(success), std::move(errorBlock));
}

// ---- the catalogue ----

void ZevuManager::getCountriesWithSuccess(std::function<void(std::optional<std::vector<ZevuCountry>>)> success,
                                          ErrorBlock errorBlock) {
    impl_->catalogue.countries(std::move(success), std::move(errorBlock));
}

void ZevuManager::getRecommendedLocation(std::function<void(std::optional<ZevuLocation>)> success, ErrorBlock errorBlock) {
    impl_->catalogue.recommendedLocation(std::move(success), std::move(errorBlock));
}

// ---- latency ----

void ZevuManager::getOptimizedCountries(std::vector<ZevuCountry> countries,
                                        std::function<void(std::vector<ZevuCountry>)> response) {
    impl_->pings.measureCountries(std::move(countries), std::move(response));
}

void ZevuManager::getOptimizedCities(std::vector<ZevuCity> cities, std::function<void(std::vector<ZevuCity>)> response) {
    impl_->pings.measureCities(std::move(cities), std::move(response));
}

void ZevuManager::pingDedicatedIPServer(ZevuDedicatedIPServerPing ping,
                                        std::function<void(std::optional<ZevuDedicatedIPServerPing>)> success,
                                        ErrorBlock errorBlock) {
    impl_->pings.measureDedicatedServer(std::move(ping), std::move(success), std::move(errorBlock));
}

// ---- test hooks ----

namespace detail {

void resetManager(ZevuManager& manager) {
    auto* impl = ManagerAccess::impl(manager);
    Runtime::get().sdk().sync([impl] {
        impl->schedule.startNewGeneration();
        Runtime::get().sdk().clear();
        Runtime::get().ping().clear();
        impl->settings.reset();
        impl->tunnel.reset();
        impl->servers.reset();
        impl->configurations = 0;
        impl->readyConfiguration = 0;
        impl->toldDelegate = nullptr;
        impl->toldConfiguration = 0;
    });
    // A measurement already running finishes on the ping thread; wait for it, so that nothing of
    // the earlier state is still in flight.
    Runtime::get().ping().sync([] {});
}

void dropTunnel(ZevuManager& manager) {
    auto* impl = ManagerAccess::impl(manager);
    Runtime::get().sdk().post([impl] { impl->tunnel.drop(); });
}

void pauseTunnel(ZevuManager& manager, bool pause) {
    auto* impl = ManagerAccess::impl(manager);
    Runtime::get().sdk().post([impl, pause] { impl->tunnel.pause(pause); });
}

}  // namespace detail

}  // namespace zevu
