#include "zevu/ZevuCore.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace zevu {

Error makeError(int code, std::string message) {
    if (message.empty()) {
        switch (code) {
        case ErrorCode::InvalidSession: message = "The VPN session is not set up: no credential was given."; break;
        case ErrorCode::TimedOut: message = "The connection timed out."; break;
        case ErrorCode::AuthenticationFailed: message = "The server refused the VPN credential."; break;
        case ErrorCode::TunnelFailed: message = "The tunnel could not be established."; break;
        case ErrorCode::AttemptSuperseded: message = "The connection attempt was replaced by a newer one."; break;
        case ErrorCode::AlreadyConnecting: message = "A connection to this location is already in progress."; break;
        case ErrorCode::Cancelled: message = "The connection attempt was cancelled."; break;
        case ErrorCode::NoServerAvailable: message = "No server is available for this location and protocol."; break;
        case ErrorCode::NoInternetThroughTunnel: message = "The internet cannot be reached through the tunnel."; break;
        case ErrorCode::ServerListUnavailable: message = "The server list could not be read."; break;
        case ErrorCode::NotConnected: message = "The VPN is not connected."; break;
        case ErrorCode::InvalidArgument: message = "The request is missing a required value."; break;
        default: message = "The VPN operation failed."; break;
        }
    }
    return Error(std::string(ZevuErrorDomain), code, std::move(message));
}

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

struct ProtocolEntry {
    const char* word;
    const char* name;
    const char* title;
};
constexpr ProtocolEntry kProtocols[] = {
    {"IPSEC", "IPSec", "IPSec"},
    {"IKEV", "IKEv2", "IKEv2"},
    {"TCP", "OpenVPN-TCP", "TCP"},
    {"UDP", "OpenVPN-UDP", "UDP"},
    {"WireGuard", "WireGuard", "WireGuard"},
};

const ProtocolEntry* entryFor(std::string_view word) {
    const std::string w = lower(word);
    for (const auto& e : kProtocols) {
        if (w == lower(e.word) || w == lower(e.name) || w == lower(e.title)) return &e;
    }
    return nullptr;
}

template <class T>
void putOptional(nlohmann::json& j, const char* key, const std::optional<T>& v) {
    if (v) j[key] = *v;
}

// A number read into an integer must fit it: casting one that does not is undefined, and a wrapped
// one (a port of 4e9) would read as some other number. Such a number is refused like a wrong type.
template <class T>
T integerFrom(const nlohmann::json& v) {
    using Limits = std::numeric_limits<T>;
    if (v.is_number_unsigned()) {
        const auto u = v.get<std::uint64_t>();
        if (u <= static_cast<std::uint64_t>(Limits::max())) return static_cast<T>(u);
    } else if (v.is_number_integer()) {
        const auto i = v.get<std::int64_t>();
        if (i >= static_cast<std::int64_t>(Limits::min()) && i <= static_cast<std::int64_t>(Limits::max()))
            return static_cast<T>(i);
    } else if (v.is_number_float()) {
        const double d = v.get<double>();
        const double bound = std::ldexp(1.0, Limits::digits);  // the largest value + 1
        if (d == std::trunc(d) && d >= -bound && d < bound) return static_cast<T>(d);
    } else {
        return v.get<T>();  // not a number: the library's type error
    }
    throw nlohmann::json::out_of_range::create(406, "number " + v.dump() + " is out of range", &v);
}

template <class T>
T readField(const nlohmann::json& v) {
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
        return integerFrom<T>(v);
    } else if constexpr (std::is_same_v<T, std::map<std::string, int>>) {
        if (!v.is_object()) return v.get<T>();  // the library's type error
        T out;
        for (const auto& [k, e] : v.items()) out.emplace(k, integerFrom<int>(e));
        return out;
    } else {
        return v.get<T>();
    }
}

template <class T>
void getOptional(const nlohmann::json& j, const char* key, std::optional<T>& v) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) {
        v.reset();
    } else {
        v = readField<T>(*it);
    }
}
template <class T>
void getValue(const nlohmann::json& j, const char* key, T& v) {
    auto it = j.find(key);
    if (it != j.end() && !it->is_null()) v = readField<T>(*it);
}

}  // namespace

std::optional<std::string> canonicalProtocolWord(std::string_view word) {
    if (const auto* e = entryFor(word)) return std::string(e->word);
    return std::nullopt;
}

const std::vector<std::string>& knownProtocolWords() {
    // Never destroyed: the SDK's worker reads it, and at exit the worker finishes its task in flight
    // only when the runtime stops it, after statics made later than the runtime (this one) are gone.
    static const std::vector<std::string>* words = [] {
        auto* w = new std::vector<std::string>;
        for (const auto& e : kProtocols) w->emplace_back(e.word);
        return w;
    }();
    return *words;
}

std::optional<std::string> ZevuProtocol::name() const {
    if (!protocol_) return std::nullopt;
    if (const auto* e = entryFor(*protocol_)) return std::string(e->name);
    return std::nullopt;
}

std::optional<std::string> ZevuProtocol::canonicalWord() const {
    if (!protocol_) return std::nullopt;
    return canonicalProtocolWord(*protocol_);
}

bool ZevuProtocol::needsSystemExtension() const {
    const auto w = canonicalWord();
    return w && (*w == "TCP" || *w == "UDP" || *w == "WireGuard");
}

void to_json(nlohmann::json& j, const ZevuProtocol& p) {
    j = nlohmann::json::object();
    putOptional(j, "protocol", p.protocol());
    putOptional(j, "name", p.name());
}
void from_json(const nlohmann::json& j, ZevuProtocol& p) {
    std::optional<std::string> word;
    getOptional(j, "protocol", word);
    p.setProtocol(std::move(word));
}

void to_json(nlohmann::json& j, const ZevuDatacenters& d) {
    j = nlohmann::json::object();
    putOptional(j, "dataCenterId", d.dataCenterId);
    j["latency"] = d.latency;
    putOptional(j, "ip", d.ip);
    putOptional(j, "hostname", d.hostname);
    putOptional(j, "port", d.port);
    if (!d.ports.empty()) j["ports"] = d.ports;
    j["protocols"] = d.protocols;
    putOptional(j, "nasIdentifier", d.nasIdentifier);
    j["p2p"] = d.p2p;
    j["quantumResistant"] = d.quantumResistant;
    j["obfuscated"] = d.obfuscated;
    j["load"] = d.load;
}
void from_json(const nlohmann::json& j, ZevuDatacenters& d) {
    d = {};
    getOptional(j, "dataCenterId", d.dataCenterId);
    getValue(j, "latency", d.latency);
    getOptional(j, "ip", d.ip);
    getOptional(j, "hostname", d.hostname);
    getOptional(j, "port", d.port);
    getValue(j, "ports", d.ports);
    getValue(j, "protocols", d.protocols);
    getOptional(j, "nasIdentifier", d.nasIdentifier);
    getValue(j, "p2p", d.p2p);
    getValue(j, "quantumResistant", d.quantumResistant);
    getValue(j, "obfuscated", d.obfuscated);
    getValue(j, "load", d.load);
}

void to_json(nlohmann::json& j, const ZevuCity& c) {
    j = nlohmann::json::object();
    j["cityId"] = c.cityId;
    putOptional(j, "name", c.name);
    putOptional(j, "country", c.country);
    putOptional(j, "data_centers", c.data_centers);
    j["latency"] = c.latency;
}
void from_json(const nlohmann::json& j, ZevuCity& c) {
    c = {};
    c.cityId = readField<std::int64_t>(j.at("cityId"));
    getOptional(j, "name", c.name);
    getOptional(j, "country", c.country);
    getOptional(j, "data_centers", c.data_centers);
    getValue(j, "latency", c.latency);
}

void to_json(nlohmann::json& j, const ZevuCountry& c) {
    j = nlohmann::json::object();
    putOptional(j, "country", c.country);
    putOptional(j, "name", c.name);
    putOptional(j, "iso_code", c.iso_code);
    putOptional(j, "cities", c.cities);
    putOptional(j, "dataCenters", c.dataCenters);
    putOptional(j, "protocols", c.protocols);
    j["latency"] = c.latency;
}
void from_json(const nlohmann::json& j, ZevuCountry& c) {
    if (!j.is_object()) throw nlohmann::json::type_error::create(302, "a country record is an object", &j);
    c = {};
    getOptional(j, "country", c.country);
    getOptional(j, "name", c.name);
    getOptional(j, "iso_code", c.iso_code);
    getOptional(j, "cities", c.cities);
    getOptional(j, "dataCenters", c.dataCenters);
    getOptional(j, "protocols", c.protocols);
    getValue(j, "latency", c.latency);
}

void to_json(nlohmann::json& j, const ZevuServer& s) {
    j = nlohmann::json::object();
    putOptional(j, "nasIdentifier", s.nasIdentifier);
    putOptional(j, "hostname", s.hostname);
    putOptional(j, "ip", s.ip);
}
void from_json(const nlohmann::json& j, ZevuServer& s) {
    s = {};
    getOptional(j, "nasIdentifier", s.nasIdentifier);
    getOptional(j, "hostname", s.hostname);
    getOptional(j, "ip", s.ip);
}

void to_json(nlohmann::json& j, const ZevuLocation& l) {
    j = nlohmann::json::object();
    putOptional(j, "ip", l.ip);
    putOptional(j, "country", l.country);
    putOptional(j, "city", l.city);
    putOptional(j, "server", l.server);
}
void from_json(const nlohmann::json& j, ZevuLocation& l) {
    l = {};
    getOptional(j, "ip", l.ip);
    getOptional(j, "country", l.country);
    getOptional(j, "city", l.city);
    getOptional(j, "server", l.server);
}

}  // namespace zevu
