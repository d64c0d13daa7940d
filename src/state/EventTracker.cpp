#include "state/EventTracker.h"

#include <cmath>

#include "foundation/Analytics.h"
#include "model/BundleInfo.h"
#include "foundation/Log.h"

namespace morvex {

namespace {

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

EventTracker::EventTracker()
    : EventTracker(std::make_shared<AnalyticsClientTracking>(), AppPreferences(), PreservedPreferences()) {}

EventTracker::EventTracker(std::shared_ptr<EventTracking> mixpanel, AppPreferences appPreference,
                           PreservedPreferences preservedPreference)
    : mixpanel_(std::move(mixpanel)),
      appPreference_(std::move(appPreference)),
      preservedPreference_(std::move(preservedPreference)) {
    registerLaunchSuperProperties();
}

void EventTracker::registerLaunchSuperProperties() {
    const bool groupB = preservedPreference_.userTestGroup() == PreservedPreferences::TestGroup::GroupB;
    mixpanel_->registerSuperProperties({
        {"app_release_code", infoReleaseCode()},
        {"test_group", groupB ? "GroupB" : "GroupA"},
        {"locale", appPreference_.defaults().string(AppPreferences::Key::preferredLanguageCode).value_or("de")},
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
        p["time"] = appPreference_.appInstallTime().value_or(Date::now());
    }
    const auto address = UserDefaults::standard().string(AppPreferences::Key::publicIpAddress).value_or("");
    if (!address.empty()) p["ip"] = address;
    mixpanel_->setUseIPAddressForGeoLocation(address.empty());
    mixpanel_->track(std::string(eventName(event)), p);
}

void EventTracker::identify(const std::string& distinctId, const std::string& username, bool isGroupB) {
    mixpanel_->identify(distinctId, true, {});
    mixpanel_->registerSuperProperties({{"username", username}, {"test_group", isGroupB ? "GroupB" : "GroupA"}});
}

}  // namespace morvex
