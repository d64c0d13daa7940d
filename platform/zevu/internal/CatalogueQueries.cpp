#include "zevu/internal/CatalogueQueries.h"

#include <mutex>

#include "zevu/internal/Runtime.h"

namespace zevu::detail {

namespace {
constexpr double kCatalogueDelay = 0.25;  // seconds, before the time scale
}  // namespace

CatalogueQueries::CatalogueQueries(WorkerSchedule& schedule, KnownServers& servers)
    : schedule_(schedule), servers_(servers) {}

void CatalogueQueries::countries(std::function<void(std::optional<std::vector<ZevuCountry>>)> success,
                                 ZevuManager::ErrorBlock errorBlock) {
    schedule_.postAfter(kCatalogueDelay, [this, success = std::move(success), errorBlock = std::move(errorBlock)] {
        std::optional<Error> scripted;
        {
            std::lock_guard lock(Runtime::get().mutex);
            scripted = Runtime::get().settings.failCountries;
        }
        if (scripted) {
            if (errorBlock) errorBlock(*scripted);
        } else if (!servers_.load()) {
            if (errorBlock) errorBlock(*servers_.loadError());
        } else if (success) {
            success(servers_.list()->countries());
        }
    });
}

void CatalogueQueries::recommendedLocation(std::function<void(std::optional<ZevuLocation>)> success,
                                           ZevuManager::ErrorBlock errorBlock) {
    schedule_.postAfter(kCatalogueDelay, [this, success = std::move(success), errorBlock = std::move(errorBlock)] {
        const auto settings = Runtime::get().copySettings();
        if (settings.recommendedOverridden) {
            if (settings.recommendedError) {
                if (errorBlock) errorBlock(*settings.recommendedError);
            } else if (success) {
                success(settings.recommendedLocation);
            }
        } else if (!servers_.load()) {
            if (errorBlock) errorBlock(*servers_.loadError());
        } else if (success) {
            success(recommended());
        }
    });
}

ZevuLocation CatalogueQueries::recommended() const {
    const auto& list = *servers_.list();
    ZevuLocation l;
    const ServerCatalog::Place* best = nullptr;
    const auto all = list.allDataCenters();
    std::int64_t bestLatency = 0;
    for (const auto& p : all) {
        const auto measured = servers_.latency(p.dataCenter->dataCenterId.value_or(-1));
        if (measured && *measured > 0 && (bestLatency == 0 || *measured < bestLatency)) {
            best = &p;
            bestLatency = *measured;
        }
    }
    if (!best) {
        for (const auto& p : all) {
            if (p.country->country != list.defaultRecommendedCountry()) continue;
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

}  // namespace zevu::detail
