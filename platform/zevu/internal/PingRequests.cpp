#include "zevu/internal/PingRequests.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "zevu/internal/Ping.h"
#include "zevu/internal/Runtime.h"

namespace zevu::detail {

PingRequests::PingRequests(WorkerSchedule& schedule, KnownServers& servers) : schedule_(schedule), servers_(servers) {}

void PingRequests::measureCountries(std::vector<ZevuCountry> countries,
                                    std::function<void(std::vector<ZevuCountry>)> response) {
    schedule_.post([this, countries = std::move(countries), response = std::move(response)]() mutable {
        std::vector<ZevuDatacenters> dcs;
        for (const auto& c : countries) {
            if (c.dataCenters) dcs.insert(dcs.end(), c.dataCenters->begin(), c.dataCenters->end());
        }
        measure(std::move(dcs), [this, countries = std::move(countries), response = std::move(response)](
                                    const Latencies& ms) mutable {
            std::size_t at = 0;
            for (auto& c : countries) {
                c.latency = c.dataCenters ? applyLatencies(*c.dataCenters, ms, at) : 0;
            }
            if (response) response(std::move(countries));
        });
    });
}

void PingRequests::measureCities(std::vector<ZevuCity> cities, std::function<void(std::vector<ZevuCity>)> response) {
    schedule_.post([this, cities = std::move(cities), response = std::move(response)]() mutable {
        std::vector<ZevuDatacenters> dcs;
        for (const auto& c : cities) {
            if (c.data_centers) dcs.insert(dcs.end(), c.data_centers->begin(), c.data_centers->end());
        }
        measure(std::move(dcs), [this, cities = std::move(cities), response = std::move(response)](
                                    const Latencies& ms) mutable {
            std::size_t at = 0;
            for (auto& c : cities) {
                c.latency = c.data_centers ? applyLatencies(*c.data_centers, ms, at) : 0;
            }
            if (response) response(std::move(cities));
        });
    });
}

void PingRequests::measureDedicatedServer(ZevuDedicatedIPServerPing ping,
                                          std::function<void(std::optional<ZevuDedicatedIPServerPing>)> success,
                                          ZevuManager::ErrorBlock errorBlock) {
    schedule_.post([this, ping = std::move(ping), success = std::move(success), errorBlock = std::move(errorBlock)]() mutable {
        if (ping.serverAddress().empty() && (!ping.serverIP() || ping.serverIP()->empty())) {
            if (errorBlock) errorBlock(makeError(ErrorCode::InvalidArgument, "The dedicated server has no address."));
            return;
        }
        ZevuDatacenters dc;
        if (!ping.serverAddress().empty()) dc.hostname = ping.serverAddress();
        dc.ip = ping.serverIP();
        dc.port = 443;
        measure({dc}, [ping = std::move(ping), success = std::move(success)](const Latencies& ms) mutable {
            ping.setLatency(ms.front());
            if (success) success(std::move(ping));
        });
    });
}

int PingRequests::portFor(const ZevuDatacenters& dc) const {
    if (dc.port) return *dc.port;
    if (servers_.list() && dc.dataCenterId)
        if (auto place = servers_.list()->dataCenter(*dc.dataCenterId); place && place->dataCenter->port)
            return *place->dataCenter->port;
    return 443;
}

void PingRequests::measure(std::vector<ZevuDatacenters> dataCenters, std::function<void(const Latencies&)> apply) {
    servers_.load();  // the list knows the ports of data centres given without one
    const auto settings = Runtime::get().copySettings();
    std::vector<PingTarget> targets;
    std::vector<int> index;  // target of each data centre, -1 for none
    // Hosts that stand for the same address are measured once (an override may point every
    // data centre at one local listener).
    std::map<std::pair<std::string, int>, int> seen;
    for (const auto& dc : dataCenters) {
        auto t = pingTargetFor(dc.hostname, dc.ip, portFor(dc), settings);
        if (!t) {
            index.push_back(-1);
            continue;
        }
        auto [it, fresh] = seen.try_emplace({t->host, t->port}, static_cast<int>(targets.size()));
        if (fresh) targets.push_back(*t);
        index.push_back(it->second);
    }
    const auto g = schedule_.generation();
    Runtime::get().ping().post([this, g, targets, index, timeout = settings.pingTimeout, apply = std::move(apply)] {
        if (!schedule_.isCurrent(g)) return;
        auto times = measureConnectTimes(targets, timeout);
        Latencies ms;
        for (int i : index) {
            if (i >= 0 && times[static_cast<std::size_t>(i)])
                ms.push_back(std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(*times[static_cast<std::size_t>(i)]))));
            else
                ms.push_back(std::nullopt);
        }
        schedule_.postFor(g, [apply, ms] { apply(ms); });
    });
}

std::int64_t PingRequests::applyLatencies(std::vector<ZevuDatacenters>& dataCenters, const Latencies& latencies,
                                          std::size_t& at) {
    std::int64_t best = 0;
    for (auto& dc : dataCenters) {
        const auto m = latencies[at++];
        dc.latency = m.value_or(0);
        if (dc.dataCenterId) servers_.setLatency(*dc.dataCenterId, m);
        if (m && (best == 0 || *m < best)) best = *m;
    }
    return best;
}

}  // namespace zevu::detail
