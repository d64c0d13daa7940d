#include "model/ZevuTypes.h"

#include <array>

#include <nlohmann/json.hpp>

namespace morvex {

namespace {

using json = nlohmann::json;

// Raw values equal the case names, listed in case order.
constexpr std::array<std::string_view, 5> kConnectVia{"SmartConnect", "Country", "City", "DedicatedIp", "Shortcut"};
constexpr std::array<std::string_view, 6> kScreen{"Topbar", "Dashboard", "Location", "ConnectionProtocol", "Support",
                                                  "None"};
constexpr std::array<std::string_view, 3> kInitiatedBy{"AutoReconnect", "AutoConnectOnLaunch", "User"};
constexpr std::array<std::string_view, 12> kInterface{"Recent",     "Favorite",     "SmartConnect", "Search",
                                                      "Recommended", "List",        "DedicatedIp",  "SwitchServer",
                                                      "Deeplink",   "Popup",        "Button",       "Support"};

template <class E, std::size_t N>
std::optional<E> fromTable(const std::array<std::string_view, N>& table, std::string_view raw) {
    for (std::size_t i = 0; i < N; ++i)
        if (table[i] == raw) return static_cast<E>(i);
    return std::nullopt;
}

template <class E, std::size_t N>
void decodeRaw(const json& j, const std::array<std::string_view, N>& table, E& out, std::string_view what) {
    if (!j.is_string())
        throw json::type_error::create(302, std::string(what) + " must be a string", &j);
    auto v = fromTable<E>(table, j.get_ref<const std::string&>());
    if (!v) throw json::other_error::create(501, "unknown " + std::string(what) + " " + j.dump(), &j);
    out = *v;
}

}  // namespace

std::optional<ZevuConnectionState> zevuConnectionStateFromRaw(std::int64_t raw) {
    if (raw < 0 || raw > 6) return std::nullopt;
    return static_cast<ZevuConnectionState>(raw);
}

ZevuConnectionState connectionStateFromVPNStatus(std::int64_t status) {
    if (status == zevu::rawValue(zevu::ZevuVPNState::Connected)) return ZevuConnectionState::Connected;
    if (status == zevu::rawValue(zevu::ZevuVPNState::Connecting)) return ZevuConnectionState::Connecting;
    return ZevuConnectionState::Disconnected;
}

std::optional<ZevuTypes::ConnectVia> ZevuTypes::connectViaFromRaw(std::string_view raw) {
    return fromTable<ConnectVia>(kConnectVia, raw);
}
std::optional<ZevuTypes::SelectedInterfaceScreen> ZevuTypes::selectedInterfaceScreenFromRaw(std::string_view raw) {
    return fromTable<SelectedInterfaceScreen>(kScreen, raw);
}
std::optional<ZevuTypes::ConnectionInitiatedBy> ZevuTypes::connectionInitiatedByFromRaw(std::string_view raw) {
    return fromTable<ConnectionInitiatedBy>(kInitiatedBy, raw);
}
std::optional<ZevuTypes::SelectedInterface> ZevuTypes::selectedInterfaceFromRaw(std::string_view raw) {
    return fromTable<SelectedInterface>(kInterface, raw);
}

ZevuTypes::ConnectVia ZevuTypes::connectVia(ZevuDataFetcherTypes::ServerType type) {
    using T = ZevuDataFetcherTypes::ServerType;
    switch (type) {
        case T::Country: return ConnectVia::Country;
        case T::City: return ConnectVia::City;
        case T::FastestServer: return ConnectVia::SmartConnect;
        case T::DedicatedIp: return ConnectVia::DedicatedIp;
        case T::Shortcut: return ConnectVia::Shortcut;
    }
    return ConnectVia::SmartConnect;
}

std::string_view rawValue(ZevuTypes::ConnectVia v) { return kConnectVia[static_cast<std::size_t>(v)]; }
std::string_view rawValue(ZevuTypes::SelectedInterfaceScreen v) { return kScreen[static_cast<std::size_t>(v)]; }
std::string_view rawValue(ZevuTypes::ConnectionInitiatedBy v) { return kInitiatedBy[static_cast<std::size_t>(v)]; }
std::string_view rawValue(ZevuTypes::SelectedInterface v) { return kInterface[static_cast<std::size_t>(v)]; }

void to_json(json& j, ZevuTypes::ConnectVia v) { j = std::string(rawValue(v)); }
void from_json(const json& j, ZevuTypes::ConnectVia& v) { decodeRaw(j, kConnectVia, v, "connectVia"); }
void to_json(json& j, ZevuTypes::SelectedInterfaceScreen v) { j = std::string(rawValue(v)); }
void from_json(const json& j, ZevuTypes::SelectedInterfaceScreen& v) {
    decodeRaw(j, kScreen, v, "selectedInterfaceScreen");
}
void to_json(json& j, ZevuTypes::ConnectionInitiatedBy v) { j = std::string(rawValue(v)); }
void from_json(const json& j, ZevuTypes::ConnectionInitiatedBy& v) {
    decodeRaw(j, kInitiatedBy, v, "connectionInitiatedBy");
}
void to_json(json& j, ZevuTypes::SelectedInterface v) { j = std::string(rawValue(v)); }
void from_json(const json& j, ZevuTypes::SelectedInterface& v) { decodeRaw(j, kInterface, v, "selectedInterface"); }

std::string_view label(ByteCountUnit unit) {
    static constexpr std::array<std::string_view, 5> labels{"B", "KB", "MB", "GB", "TB"};
    return labels[static_cast<std::size_t>(unit)];
}

ScaledByteCount scaleByteCount(std::uint64_t n) {
    const double d = static_cast<double>(n);
    if (n < (1ull << 10)) return {d, ByteCountUnit::B};
    if (n < (1ull << 20)) return {d / 1024.0, ByteCountUnit::KB};
    if (n < (1ull << 30)) return {d / 1048576.0, ByteCountUnit::MB};
    if (n < (1ull << 40)) return {d / 1073741824.0, ByteCountUnit::GB};
    return {d / 1099511627776.0, ByteCountUnit::TB};
}

std::pair<ScaledByteCount, ScaledByteCount> formatByteCount(std::uint64_t received, std::uint64_t sent) {
    return {scaleByteCount(received), scaleByteCount(sent)};
}

}  // namespace morvex
