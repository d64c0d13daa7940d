#include "model/BundleInfo.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "foundation/Paths.h"

namespace morvex {

namespace {

std::string required(const Bundle& bundle, std::string_view key) {
    auto value = infoPlistString(key, bundle);
    if (!value) throw MissingInfoValue(key);
    return *value;
}

// `base` moved by whole weeks on the local wall clock (same time of day, across daylight-saving
// changes), as seconds since 1970.
double shiftedByWeeks(const std::tm& base, double fraction, std::int64_t weeks) {
    std::tm t = base;
    t.tm_mday += static_cast<int>(weeks * 7);
    t.tm_isdst = -1;
    return static_cast<double>(std::mktime(&t)) + fraction;
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
    // Whole weeks from now to the date, as a calendar counts them: a week is complete only when the
    // same weekday and time of day is reached, so six days and 23 hours are no week.
    const double now = Date::now().secondsSince1970;
    const double target = date.secondsSince1970;
    if (!std::isfinite(target)) return 0;
    // Beyond a million weeks the day arithmetic would overflow; daylight saving no longer matters there.
    if (std::abs(target - now) > 1e6 * 7 * 86400.0)
        return static_cast<std::int64_t>(std::min(std::abs(target - now) / (7 * 86400.0), 9.2e18));
    const double whole = std::floor(now);
    const std::time_t t = static_cast<std::time_t>(whole);
    std::tm base{};
    localtime_r(&t, &base);
    const std::int64_t direction = target >= now ? 1 : -1;
    auto reached = [&](std::int64_t weeks) {
        const double at = shiftedByWeeks(base, now - whole, weeks);
        return direction > 0 ? at <= target : at >= target;
    };
    std::int64_t weeks = static_cast<std::int64_t>((target - now) / (7 * 86400.0));
    while (weeks != 0 && !reached(weeks)) weeks -= direction;
    while (reached(weeks + direction)) weeks += direction;
    return std::llabs(weeks);
}

}  // namespace morvex
