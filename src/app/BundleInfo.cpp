#include "app/BundleInfo.h"

#include <charconv>
#include <cmath>
#include <ctime>

#include "foundation/Paths.h"

namespace morvex {

namespace {

std::string required(const Bundle& bundle, std::string_view key) {
    auto value = infoPlistString(key, bundle);
    if (!value) throw MissingInfoValue(key);
    return *value;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::int64_t localDayNumber(double secondsSince1970) {
    std::time_t t = static_cast<std::time_t>(std::floor(secondsSince1970));
    std::tm tm{};
    localtime_r(&t, &tm);
    return daysFromCivil(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1), static_cast<unsigned>(tm.tm_mday));
}

}  // namespace

MissingInfoValue::MissingInfoValue(std::string_view key)
    : std::runtime_error("The application bundle has no Info value \"" + std::string(key) + "\""), key_(key) {}

std::optional<std::string> infoPlistString(std::string_view key, const Bundle& bundle) { return bundle.string(key); }

std::string infoFirebaseAppName(const Bundle& b) { return required(b, "Firebase App Name"); }
std::string infoShortVersionString(const Bundle& b) { return required(b, "CFBundleShortVersionString"); }

std::string appVersionText(const Bundle& b) {
    return required(b, "CFBundleShortVersionString") + " (" + required(b, "CFBundleVersion") + ")";
}

std::string infoReleaseCode(const Bundle& b) { return infoPlistString("Release Code", b).value_or("PRODUCTION"); }

std::int64_t infoDataStoreVersion(const Bundle& b) {
    constexpr std::string_view key = "Data Store Version";
    auto value = b.object(key);
    if (value && value->kind() == Value::Kind::Integer) return *value->get<std::int64_t>();
    if (value && value->kind() == Value::Kind::String) {
        const std::string& text = *value->get<std::string>();
        std::int64_t n = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
        if (ec == std::errc() && end == text.data() + text.size() && !text.empty()) return n;
    }
    throw MissingInfoValue(key);
}

std::string infoApplicationBundleIdentifier(const Bundle& b) { return required(b, "Application Bundle identifier"); }
std::string infoLauncherBundleIdentifier(const Bundle& b) { return required(b, "Launcher Bundle identifier"); }
std::string infoPacketTunnelIdentifier(const Bundle& b) { return required(b, "Packet Tunnel Identifier"); }
std::string infoWireguardPacketTunnelIdentifier(const Bundle& b) {
    return required(b, "Wireguard Packet Tunnel Identifier");
}
std::string infoPacketTunnelGroup(const Bundle& b) { return required(b, "Packet Tunnel Group"); }

std::filesystem::path applicationSupportFolderURL(const Bundle& b) {
    return paths::configDirectory() / infoApplicationBundleIdentifier(b);
}

std::int64_t weeksSinceDate(Date date) {
    const std::int64_t days = localDayNumber(date.secondsSince1970) - localDayNumber(Date::now().secondsSince1970);
    return std::llabs(days) / 7;
}

}  // namespace morvex
