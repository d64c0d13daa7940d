#include "zevu/internal/LastRequest.h"

#include <nlohmann/json.hpp>

#include "foundation/BoundedJson.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"

namespace zevu::detail {

namespace {

using nlohmann::json;

json protocolJson(const std::optional<ZevuProtocol>& p) { return p ? json(*p) : json(nullptr); }

std::optional<ZevuProtocol> protocolFrom(const json& j, const char* key) {
    if (!j.contains(key) || j.at(key).is_null()) return std::nullopt;
    return j.at(key).get<ZevuProtocol>();
}

json encode(const ZevuProperties& p) {
    json j;
    j["target"] = static_cast<int>(p.target());
    j["tags"] = p.tags();
    j["country"] = p.country() ? json(*p.country()) : json(nullptr);
    j["city"] = p.city() ? json(*p.city()) : json(nullptr);
    json hosts = json::array();
    for (const auto& h : p.dedicatedHosts())
        hosts.push_back({{"name", h.dedicatedHostName()}, {"ip", h.dedicatedHostIP()}, {"protocol", json(h.protocol())}});
    j["hosts"] = hosts;
    j["protocol"] = protocolJson(p.protocol());
    j["secondaryProtocol"] = protocolJson(p.secondaryProtocol());
    j["tertiaryProtocol"] = protocolJson(p.tertiaryProtocol());
    auto flag = [](const std::optional<bool>& b) { return b ? json(*b) : json(nullptr); };
    j["enableProtocolSwitch"] = flag(p.enableProtocolSwitch());
    j["useLastSuccessfulDialedProtocol"] = flag(p.useLastSuccessfulDialedProtocol());
    j["useAutomaticPort"] = flag(p.useAutomaticPort());
    if (p.serverFilters()) {
        json filters = json::array();
        for (const auto& f : *p.serverFilters()) filters.push_back({{"nasIdentifier", f.nasIdentifier}, {"filter", f.filter}});
        j["serverFilters"] = filters;
    } else {
        j["serverFilters"] = nullptr;
    }
    return j;
}

ZevuProperties decode(const json& j) {
    using Target = ZevuProperties::Target;
    const auto target = static_cast<Target>(j.at("target").get<int>());
    const auto primary = protocolFrom(j, "protocol");
    std::optional<ZevuProperties> p;
    switch (target) {
    case Target::SmartConnect: p = ZevuProperties::initWithProtocol(primary, j.at("tags").get<std::vector<int>>()); break;
    case Target::Country: p = ZevuProperties::initWithCountry(j.at("country").get<ZevuCountry>(), primary); break;
    case Target::City: p = ZevuProperties::initWithCity(j.at("city").get<ZevuCity>(), primary); break;
    case Target::DedicatedHost:
    case Target::MultipleDedicatedHosts: {
        std::vector<ZevuMultipleDNS> hosts;
        for (const auto& h : j.at("hosts"))
            hosts.emplace_back(h.at("name").get<std::string>(), h.at("ip").get<std::string>(), h.at("protocol").get<ZevuProtocol>());
        if (target == Target::DedicatedHost && hosts.size() == 1)
            p = ZevuProperties::initWithDedicatedHostName(hosts[0].dedicatedHostName(), hosts[0].dedicatedHostIP(), primary);
        else
            p = ZevuProperties::initWithMultipleDedicatedHost(std::move(hosts), primary);
        break;
    }
    default: throw json::other_error::create(501, "unknown target", &j);
    }
    p->setSecondaryProtocol(protocolFrom(j, "secondaryProtocol"));
    p->setTertiaryProtocol(protocolFrom(j, "tertiaryProtocol"));
    if (j.contains("enableProtocolSwitch") && j.at("enableProtocolSwitch").is_boolean())
        p->setEnableProtocolSwitch(j.at("enableProtocolSwitch").get<bool>());
    if (j.contains("useLastSuccessfulDialedProtocol") && j.at("useLastSuccessfulDialedProtocol").is_boolean())
        p->setUseLastSuccessfulDialedProtocol(j.at("useLastSuccessfulDialedProtocol").get<bool>());
    if (j.contains("useAutomaticPort") && j.at("useAutomaticPort").is_boolean())
        p->setUseAutomaticPort(j.at("useAutomaticPort").get<bool>());
    if (j.contains("serverFilters") && j.at("serverFilters").is_array()) {
        std::vector<ServerFilter> filters;
        for (const auto& f : j.at("serverFilters"))
            filters.emplace_back(f.at("nasIdentifier").get<std::string>(), f.at("filter").get<int>());
        p->setServerFilters(std::move(filters));
    }
    return std::move(*p);
}

}  // namespace

std::filesystem::path lastRequestFile() { return morvex::paths::configDirectory() / "zevu" / "last-request.json"; }

bool storeLastRequest(const ZevuProperties& properties) {
    const auto file = lastRequestFile();
    if (!morvex::paths::ensureDirectory(file.parent_path()) ||
        !morvex::paths::writeFileAtomically(file, encode(properties).dump())) {
        morvex::log::print("[ZevuSDK] Could not keep the last connection request in " + file.string());
        return false;
    }
    return true;
}

std::optional<ZevuProperties> loadLastRequest() {
    const auto text = morvex::paths::readFile(lastRequestFile());
    if (!text) return std::nullopt;
    auto parsed = morvex::json::parseText(*text);
    if (!parsed) return std::nullopt;
    try {
        return decode(*parsed);
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

void removeLastRequest() {
    std::error_code ignored;
    std::filesystem::remove(lastRequestFile(), ignored);
}

}  // namespace zevu::detail
