#include "model/ZevuTypes.h"

#include <array>

#include <nlohmann/json.hpp>

namespace morvex {

namespace {

using Z = ZevuTypes;

// Raw values equal the case names.
constexpr auto kConnectVia = enumTable<Z::ConnectVia>("connectVia", {
    {Z::ConnectVia::SmartConnect, "SmartConnect"},
    {Z::ConnectVia::Country, "Country"},
    {Z::ConnectVia::City, "City"},
    {Z::ConnectVia::DedicatedIp, "DedicatedIp"},
    {Z::ConnectVia::Shortcut, "Shortcut"},
});
constexpr auto kScreen = enumTable<Z::SelectedInterfaceScreen>("selectedInterfaceScreen", {
    {Z::SelectedInterfaceScreen::Topbar, "Topbar"},
    {Z::SelectedInterfaceScreen::Dashboard, "Dashboard"},
    {Z::SelectedInterfaceScreen::Location, "Location"},
    {Z::SelectedInterfaceScreen::ConnectionProtocol, "ConnectionProtocol"},
    {Z::SelectedInterfaceScreen::Support, "Support"},
    {Z::SelectedInterfaceScreen::None, "None"},
});
constexpr auto kInitiatedBy = enumTable<Z::ConnectionInitiatedBy>("connectionInitiatedBy", {
    {Z::ConnectionInitiatedBy::AutoReconnect, "AutoReconnect"},
    {Z::ConnectionInitiatedBy::AutoConnectOnLaunch, "AutoConnectOnLaunch"},
    {Z::ConnectionInitiatedBy::User, "User"},
});
constexpr auto kInterface = enumTable<Z::SelectedInterface>("selectedInterface", {
    {Z::SelectedInterface::Recent, "Recent"},
    {Z::SelectedInterface::Favorite, "Favorite"},
    {Z::SelectedInterface::SmartConnect, "SmartConnect"},
    {Z::SelectedInterface::Search, "Search"},
    {Z::SelectedInterface::Recommended, "Recommended"},
    {Z::SelectedInterface::List, "List"},
    {Z::SelectedInterface::DedicatedIp, "DedicatedIp"},
    {Z::SelectedInterface::SwitchServer, "SwitchServer"},
    {Z::SelectedInterface::Deeplink, "Deeplink"},
    {Z::SelectedInterface::Popup, "Popup"},
    {Z::SelectedInterface::Button, "Button"},
    {Z::SelectedInterface::Support, "Support"},
});

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
    return kConnectVia.fromRaw(raw);
}
std::optional<ZevuTypes::SelectedInterfaceScreen> ZevuTypes::selectedInterfaceScreenFromRaw(std::string_view raw) {
    return kScreen.fromRaw(raw);
}
std::optional<ZevuTypes::ConnectionInitiatedBy> ZevuTypes::connectionInitiatedByFromRaw(std::string_view raw) {
    return kInitiatedBy.fromRaw(raw);
}
std::optional<ZevuTypes::SelectedInterface> ZevuTypes::selectedInterfaceFromRaw(std::string_view raw) {
    return kInterface.fromRaw(raw);
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

std::string_view rawValue(ZevuTypes::ConnectVia v) { return kConnectVia.raw(v); }
std::string_view rawValue(ZevuTypes::SelectedInterfaceScreen v) { return kScreen.raw(v); }
std::string_view rawValue(ZevuTypes::ConnectionInitiatedBy v) { return kInitiatedBy.raw(v); }
std::string_view rawValue(ZevuTypes::SelectedInterface v) { return kInterface.raw(v); }

MORVEX_DEFINE_ENUM_JSON(ZevuTypes::ConnectVia, kConnectVia);
MORVEX_DEFINE_ENUM_JSON(ZevuTypes::SelectedInterfaceScreen, kScreen);
MORVEX_DEFINE_ENUM_JSON(ZevuTypes::ConnectionInitiatedBy, kInitiatedBy);
MORVEX_DEFINE_ENUM_JSON(ZevuTypes::SelectedInterface, kInterface);

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
