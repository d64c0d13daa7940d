#include "zevu/ZevuProperties.h"

namespace zevu {

ZevuProperties ZevuProperties::initWithProtocol(std::optional<ZevuProtocol> protocol, std::vector<int> tags) {
    ZevuProperties p(Target::SmartConnect);
    p.protocol_ = std::move(protocol);
    p.tags_ = std::move(tags);
    return p;
}

ZevuProperties ZevuProperties::initWithCountry(ZevuCountry country, std::optional<ZevuProtocol> protocol) {
    ZevuProperties p(Target::Country);
    p.country_ = std::move(country);
    p.protocol_ = std::move(protocol);
    return p;
}

ZevuProperties ZevuProperties::initWithCity(ZevuCity city, std::optional<ZevuProtocol> protocol) {
    ZevuProperties p(Target::City);
    p.city_ = std::move(city);
    p.protocol_ = std::move(protocol);
    return p;
}

ZevuProperties ZevuProperties::initWithDedicatedHostName(std::string hostName, std::string hostIP,
                                                         std::optional<ZevuProtocol> protocol) {
    ZevuProperties p(Target::DedicatedHost);
    p.hosts_.emplace_back(std::move(hostName), std::move(hostIP), protocol.value_or(ZevuProtocol{}));
    p.protocol_ = std::move(protocol);
    return p;
}

ZevuProperties ZevuProperties::initWithMultipleDedicatedHost(std::vector<ZevuMultipleDNS> hosts,
                                                             std::optional<ZevuProtocol> protocol) {
    ZevuProperties p(Target::MultipleDedicatedHosts);
    p.hosts_ = std::move(hosts);
    p.protocol_ = std::move(protocol);
    return p;
}

std::string ZevuProperties::targetDescription() const {
    switch (target_) {
    case Target::SmartConnect: {
        std::string s = "smart";
        for (int t : tags_) s += " " + std::to_string(t);
        return s;
    }
    case Target::Country:
        return "country " + country_->country.value_or(country_->iso_code.value_or(country_->name.value_or("")));
    case Target::City:
        return "city " + std::to_string(city_->cityId);
    case Target::DedicatedHost:
    case Target::MultipleDedicatedHosts: {
        std::string s = "dedicated";
        for (const auto& h : hosts_) s += " " + h.dedicatedHostName();
        return s;
    }
    }
    return {};
}

}  // namespace zevu
