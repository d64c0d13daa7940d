#pragma once
// Latency requests: the data centres of the given countries or cities, or one dedicated server,
// are measured by TCP connect time on the ping thread, and the records are answered with their
// latencies on the worker. Each measurement is also kept (KnownServers), so that dialling and the
// recommended location follow it.
//
// Threads: requests may come from any thread; answers run on the worker.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "zevu/ZevuCore.h"
#include "zevu/ZevuManager.h"
#include "zevu/internal/KnownServers.h"
#include "zevu/internal/WorkerSchedule.h"

namespace zevu::detail {

class PingRequests {
public:
    PingRequests(WorkerSchedule& schedule, KnownServers& servers);

    void measureCountries(std::vector<ZevuCountry> countries, std::function<void(std::vector<ZevuCountry>)> response);
    void measureCities(std::vector<ZevuCity> cities, std::function<void(std::vector<ZevuCity>)> response);
    void measureDedicatedServer(ZevuDedicatedIPServerPing ping,
                                std::function<void(std::optional<ZevuDedicatedIPServerPing>)> success,
                                ZevuManager::ErrorBlock errorBlock);

private:
    // Milliseconds per data centre (at least 1), none where nothing answered in time.
    using Latencies = std::vector<std::optional<std::int64_t>>;

    int portFor(const ZevuDatacenters& dc) const;
    // Worker thread: measures on the ping thread and answers with `apply` on the worker.
    void measure(std::vector<ZevuDatacenters> dataCenters, std::function<void(const Latencies&)> apply);
    // Sets the latencies (from `at` on) into the data centres and keeps them; answers the lowest
    // (0 when none answered).
    std::int64_t applyLatencies(std::vector<ZevuDatacenters>& dataCenters, const Latencies& latencies, std::size_t& at);

    WorkerSchedule& schedule_;
    KnownServers& servers_;
};

}  // namespace zevu::detail
