#pragma once
// Answers the location catalogue: the country list and the recommended location. The
// recommendation is the data centre with the lowest measured latency, else the least loaded one
// of the list's recommended country (with nothing measured), else the list's first; test
// settings may script either answer.
//
// Threads: requests may come from any thread; answers run on the worker after a short
// simulated delay.
#include <functional>
#include <optional>
#include <vector>

#include "zevu/ZevuCore.h"
#include "zevu/ZevuManager.h"
#include "zevu/internal/KnownServers.h"
#include "zevu/internal/WorkerSchedule.h"

namespace zevu::detail {

class CatalogueQueries {
public:
    CatalogueQueries(WorkerSchedule& schedule, KnownServers& servers);

    void countries(std::function<void(std::optional<std::vector<ZevuCountry>>)> success, ZevuManager::ErrorBlock errorBlock);
    void recommendedLocation(std::function<void(std::optional<ZevuLocation>)> success, ZevuManager::ErrorBlock errorBlock);

private:
    ZevuLocation recommended() const;  // worker thread; the list is loaded

    WorkerSchedule& schedule_;
    KnownServers& servers_;
};

}  // namespace zevu::detail
