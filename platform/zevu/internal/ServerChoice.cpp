#include "zevu/internal/ServerChoice.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <tuple>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace zevu::detail {

namespace {

// The order the SDK tries protocols in when the caller leaves the choice to it.
// Never destroyed, like the SDK's other tables: a task in flight on its worker at exit may read it.
const std::vector<std::string>& defaultProtocolOrder() {
    static const auto* order = new std::vector<std::string>{"IKEV", "WireGuard", "UDP", "TCP", "IPSEC"};
    return *order;
}

std::vector<std::string> protocolOrder(const ZevuProperties& p, const std::vector<ZevuProtocol>& excluded,
                                       const std::optional<std::string>& lastSuccessful) {
    std::vector<std::string> order;
    auto add = [&](const std::optional<std::string>& w) {
        if (w && std::find(order.begin(), order.end(), *w) == order.end()) order.push_back(*w);
    };
    if (p.useLastSuccessfulDialedProtocol().value_or(false)) add(lastSuccessful);
    if (p.protocol()) add(p.protocol()->canonicalWord());
    if (p.secondaryProtocol()) add(p.secondaryProtocol()->canonicalWord());
    if (p.tertiaryProtocol()) add(p.tertiaryProtocol()->canonicalWord());
    const bool namedAny = p.protocol() || p.secondaryProtocol() || p.tertiaryProtocol();
    if (p.enableProtocolSwitch().value_or(true) || !namedAny) {
        for (const auto& w : defaultProtocolOrder()) add(w);
    }
    std::erase_if(order, [&](const std::string& w) {
        return std::any_of(excluded.begin(), excluded.end(), [&](const ZevuProtocol& e) { return e.canonicalWord() == w; });
    });
    return order;
}

// The data centres of the properties' target (a country, a city, or the tags' smart choice).
std::vector<ServerCatalog::Place> placesFor(const ZevuProperties& p, const ServerCatalog& list) {
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
        if (want.country && !want.country->empty()) c = list.countryByCode(*want.country);
        if (!c && want.iso_code && !want.iso_code->empty()) c = list.countryByCode(*want.iso_code);
        if (!c && want.name && !want.name->empty()) c = list.countryByName(*want.name);
        if (c) addCountry(*c);
        break;
    }
    case ZevuProperties::Target::City: {
        const auto& want = *p.city();
        if (auto place = list.city(want.cityId)) {
            addCity(*place->country, *place->city);
        } else if (want.name && want.country) {
            if (const auto* c = list.countryByCode(*want.country); c && c->cities)
                for (const auto& city : *c->cities)
                    if (city.name == want.name) addCity(*c, city);
        }
        break;
    }
    case ZevuProperties::Target::SmartConnect: {
        const auto& tags = p.tags();
        auto has = [&](ZevuSmartConnectTag t) { return std::find(tags.begin(), tags.end(), rawValue(t)) != tags.end(); };
        for (const auto& place : list.allDataCenters()) {
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
std::tuple<std::int64_t, int, int, std::int64_t> rank(const ServerCatalog::Place& p, const KnownServers& servers) {
    const auto id = p.dataCenter->dataCenterId.value_or(0);
    const auto measured = servers.latency(id);
    const std::int64_t latency = measured && *measured > 0 ? *measured : std::numeric_limits<std::int64_t>::max();
    const int home = p.country->country == servers.list()->defaultRecommendedCountry() ? 0 : 1;
    return {latency, home, p.dataCenter->load, id};
}

bool isAddressLiteral(const std::string& text) {
    in6_addr buffer{};
    return inet_pton(AF_INET, text.c_str(), &buffer) == 1 || inet_pton(AF_INET6, text.c_str(), &buffer) == 1;
}

}  // namespace

std::string simulatedAddressForHost(std::string_view host) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : host) hash = (hash ^ c) * 16777619u;
    return "203.0.113." + std::to_string(1 + hash % 254);
}

namespace {

std::vector<Candidate> dedicatedHostCandidates(const ZevuProperties& p, const ServerCatalog& list,
                                               const std::vector<std::string>& protocols) {
    std::vector<Candidate> out;
    for (const auto& host : p.dedicatedHosts()) {
        std::optional<std::string> word = host.protocol().canonicalWord();
        if (!word && p.protocol()) word = p.protocol()->canonicalWord();
        if (!word && !protocols.empty()) word = protocols.front();
        if (!word || std::find(protocols.begin(), protocols.end(), *word) == protocols.end()) continue;
        Candidate c;
        c.dataCenter.hostname = host.dedicatedHostName();
        // A host given by name is reported with an address: the list's, or a simulated one.
        std::string ip = host.dedicatedHostIP();
        if (!isAddressLiteral(ip)) {
            const auto known = list.dataCenterByHost(ip);
            ip = known && known->dataCenter->ip && isAddressLiteral(*known->dataCenter->ip) ? *known->dataCenter->ip
                                                                                            : simulatedAddressForHost(ip);
        }
        c.dataCenter.ip = ip;
        c.dataCenter.port = 443;
        c.dataCenter.protocols = {*word};
        c.dataCenter.nasIdentifier = host.dedicatedHostName();
        if (auto place = list.dataCenterByHost(host.dedicatedHostIP())) {
            c.country = countryHeader(*place->country);
            c.city = cityHeader(*place->city);
        }
        c.protocol = *word;
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace

ServerChoice chooseServers(const ZevuProperties& properties, const KnownServers& servers,
                           const std::vector<ZevuProtocol>& excludedProtocols,
                           const std::optional<std::string>& lastSuccessfulProtocol) {
    const auto& list = *servers.list();
    const auto protocols = protocolOrder(properties, excludedProtocols, lastSuccessfulProtocol);
    ServerChoice choice;
    if (properties.target() == ZevuProperties::Target::DedicatedHost ||
        properties.target() == ZevuProperties::Target::MultipleDedicatedHosts) {
        choice.candidates = dedicatedHostCandidates(properties, list, protocols);
        return choice;
    }
    auto places = placesFor(properties, list);
    std::set<std::string> keep, leave;
    if (properties.serverFilters()) {
        for (const auto& f : *properties.serverFilters()) (f.excludes() ? leave : keep).insert(f.nasIdentifier);
    }
    const auto before = places.size();
    std::erase_if(places, [&](const ServerCatalog::Place& pl) {
        return pl.dataCenter->nasIdentifier && leave.contains(*pl.dataCenter->nasIdentifier);
    });
    choice.filtered = places.size() != before;
    std::stable_sort(places.begin(), places.end(), [&](const auto& a, const auto& b) {
        const bool ka = a.dataCenter->nasIdentifier && keep.contains(*a.dataCenter->nasIdentifier);
        const bool kb = b.dataCenter->nasIdentifier && keep.contains(*b.dataCenter->nasIdentifier);
        if (ka != kb) return ka;
        return rank(a, servers) < rank(b, servers);
    });
    if (!keep.empty() && !places.empty() && places.front().dataCenter->nasIdentifier &&
        keep.contains(*places.front().dataCenter->nasIdentifier))
        choice.filtered = true;
    for (const auto& word : protocols) {
        for (const auto& pl : places) {
            const auto& offered = pl.dataCenter->protocols;
            if (std::find(offered.begin(), offered.end(), word) == offered.end()) continue;
            choice.candidates.push_back({*pl.dataCenter, countryHeader(*pl.country), cityHeader(*pl.city), word});
        }
    }
    return choice;
}

}  // namespace zevu::detail
