#pragma once
// What to connect to and how: the target (smart connection with tags, a country, a city, one or
// several dedicated hosts) and the dial options. Options never set read back as none, so a caller
// can tell "set to false" from "left to the SDK".
#include <optional>
#include <string>
#include <vector>

#include "zevu/ZevuCore.h"

namespace zevu {

class ZevuProperties {
public:
    enum class Target { SmartConnect, Country, City, DedicatedHost, MultipleDedicatedHosts };

    // Smart connection: the SDK picks the location, narrowed by the tags (ZevuSmartConnectTag raw values).
    static ZevuProperties initWithProtocol(std::optional<ZevuProtocol> protocol, std::vector<int> tags);
    static ZevuProperties initWithCountry(ZevuCountry country, std::optional<ZevuProtocol> protocol);
    static ZevuProperties initWithCity(ZevuCity city, std::optional<ZevuProtocol> protocol);
    static ZevuProperties initWithDedicatedHostName(std::string hostName, std::string hostIP,
                                                    std::optional<ZevuProtocol> protocol);
    static ZevuProperties initWithMultipleDedicatedHost(std::vector<ZevuMultipleDNS> hosts,
                                                        std::optional<ZevuProtocol> protocol);

    Target target() const { return target_; }
    const std::vector<int>& tags() const { return tags_; }
    const std::optional<ZevuCountry>& country() const { return country_; }
    const std::optional<ZevuCity>& city() const { return city_; }
    // Dedicated hosts in dialling order (one entry for initWithDedicatedHostName).
    const std::vector<ZevuMultipleDNS>& dedicatedHosts() const { return hosts_; }

    const std::optional<ZevuProtocol>& protocol() const { return protocol_; }
    void setProtocol(std::optional<ZevuProtocol> p) { protocol_ = std::move(p); }
    const std::optional<ZevuProtocol>& secondaryProtocol() const { return secondary_; }
    void setSecondaryProtocol(std::optional<ZevuProtocol> p) { secondary_ = std::move(p); }
    const std::optional<ZevuProtocol>& tertiaryProtocol() const { return tertiary_; }
    void setTertiaryProtocol(std::optional<ZevuProtocol> p) { tertiary_ = std::move(p); }
    // Whether the SDK may fall back to other protocols when the chosen ones fail.
    const std::optional<bool>& enableProtocolSwitch() const { return enableProtocolSwitch_; }
    void setEnableProtocolSwitch(bool on) { enableProtocolSwitch_ = on; }
    const std::optional<bool>& useLastSuccessfulDialedProtocol() const { return useLastSuccessful_; }
    void setUseLastSuccessfulDialedProtocol(bool on) { useLastSuccessful_ = on; }
    const std::optional<bool>& useAutomaticPort() const { return useAutomaticPort_; }
    void setUseAutomaticPort(bool on) { useAutomaticPort_ = on; }
    const std::optional<std::vector<ServerFilter>>& serverFilters() const { return serverFilters_; }
    void setServerFilters(std::vector<ServerFilter> filters) { serverFilters_ = std::move(filters); }

    // A short text naming the target, e.g. "country DE" (for logs and for telling requests apart).
    std::string targetDescription() const;

private:
    explicit ZevuProperties(Target t) : target_(t) {}

    Target target_;
    std::vector<int> tags_;
    std::optional<ZevuCountry> country_;
    std::optional<ZevuCity> city_;
    std::vector<ZevuMultipleDNS> hosts_;
    std::optional<ZevuProtocol> protocol_;
    std::optional<ZevuProtocol> secondary_;
    std::optional<ZevuProtocol> tertiary_;
    std::optional<bool> enableProtocolSwitch_;
    std::optional<bool> useLastSuccessful_;
    std::optional<bool> useAutomaticPort_;
    std::optional<std::vector<ServerFilter>> serverFilters_;
};

}  // namespace zevu
