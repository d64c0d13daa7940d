#include "state/EventTracker.h"

#include <cmath>
#include <random>

#include "foundation/Analytics.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"

namespace morvex {

namespace {

// The per-user settings live under "<VPN user name>.<name>"; the user name is read afresh each time.
constexpr std::string_view kVpnUsernameKey = "UserPreferences.vpnUsername";
constexpr std::string_view kPreferredLanguageKey = "AppPreference.preferredLanguageCode";
constexpr std::string_view kPublicIpAddressKey = "AppPreference.publicIpAddress";

bool carriesStartOfDay(AnalyticsEvent e) {
    switch (e) {
        case AnalyticsEvent::app_connected:
        case AnalyticsEvent::app_disconnected:
        case AnalyticsEvent::app_utc:
        case AnalyticsEvent::app_connect:
        case AnalyticsEvent::app_utb:
        case AnalyticsEvent::app_ttc:
        case AnalyticsEvent::app_cancelled: return true;
        default: return false;
    }
}

}  // namespace

AnalyticsClientTracking::AnalyticsClientTracking() : client_(AnalyticsClient::mainInstance()) {}
bool AnalyticsClientTracking::useIPAddressForGeoLocation() const { return client_.useIPAddressForGeoLocation(); }
void AnalyticsClientTracking::setUseIPAddressForGeoLocation(bool use) { client_.setUseIPAddressForGeoLocation(use); }
void AnalyticsClientTracking::track(const std::string& event, const Dictionary& properties) {
    client_.track(event, properties);
}
void AnalyticsClientTracking::identify(const std::string& distinctId, bool usePeople, std::function<void()> completion) {
    client_.identify(distinctId, usePeople, std::move(completion));
}
void AnalyticsClientTracking::registerSuperProperties(const Dictionary& properties) {
    client_.registerSuperProperties(properties);
}
void AnalyticsClientTracking::time(const std::string& event) { client_.time(event); }
void AnalyticsClientTracking::clearSuperProperties() { client_.clearSuperProperties(); }
void AnalyticsClientTracking::reset(std::function<void()> completion) { client_.reset(std::move(completion)); }

std::optional<AnalyticsEvent> analyticsEvent(int number) {
    if (number < 0 || number >= kAnalyticsEventCount) return std::nullopt;
    return static_cast<AnalyticsEvent>(number);
}

EventTracker::EventTracker() : EventTracker(std::make_shared<AnalyticsClientTracking>(), UserDefaults::standard()) {}

EventTracker::EventTracker(std::shared_ptr<EventTracking> mixpanel, UserDefaults defaults)
    : mixpanel_(std::move(mixpanel)), defaults_(std::move(defaults)) {
    registerLaunchSuperProperties();
}

std::string EventTracker::perUserKey(std::string_view name) const {
    return UserDefaults::standard().string(kVpnUsernameKey).value_or("") + "." + std::string(name);
}

std::string EventTracker::userTestGroup() {
    const auto key = perUserKey("userTestGroup");
    auto stored = defaults_.string(key);
    if (stored == "GroupA" || stored == "GroupB") return *stored;
    thread_local std::mt19937 generator{std::random_device{}()};
    const int r = std::uniform_int_distribution<int>(0, 100)(generator);
    const std::string group = r < 50 ? "GroupA" : "GroupB";
    defaults_.set(group, key);
    return group;
}

void EventTracker::registerLaunchSuperProperties() {
    mixpanel_->registerSuperProperties({
        {"app_release_code", Bundle::main().string("Release Code").value_or("PRODUCTION")},
        {"test_group", userTestGroup() == "GroupB" ? "GroupB" : "GroupA"},
        {"locale", defaults_.string(kPreferredLanguageKey).value_or("de")},
    });
}

void EventTracker::track(int event, const std::optional<Dictionary>& properties) {
    auto e = analyticsEvent(event);
    if (!e) {
        log::nslog("EventTracker: there is no event " + std::to_string(event));
        return;
    }
    track(*e, properties);
}

void EventTracker::track(AnalyticsEvent event, const std::optional<Dictionary>& properties) {
    Dictionary p = properties.value_or(Dictionary{});
    if (carriesStartOfDay(event)) {
        // The start of the current day in UTC, as seconds since 1970.
        const double now = Date::now().secondsSince1970;
        p["time"] = std::floor(now / 86400.0) * 86400.0;
    }
    if (event == AnalyticsEvent::app_install) {
        auto installed = defaults_.date(perUserKey("appInstallTime"));
        p["time"] = installed.value_or(Date::now());
    }
    const auto address = UserDefaults::standard().string(kPublicIpAddressKey).value_or("");
    if (!address.empty()) p["ip"] = address;
    mixpanel_->setUseIPAddressForGeoLocation(address.empty());
    mixpanel_->track(std::string(eventName(event)), p);
}

void EventTracker::identify(const std::string& distinctId, const std::string& username, bool isGroupB) {
    mixpanel_->identify(distinctId, true, {});
    mixpanel_->registerSuperProperties({{"username", username}, {"test_group", isGroupB ? "GroupB" : "GroupA"}});
}

}  // namespace morvex
