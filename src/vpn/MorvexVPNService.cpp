#include "vpn/MorvexVPNService.h"

#include "api/Networking.h"

namespace morvex {

EventTracker MorvexVPNService::makeEventTracker() {
    auto mixpanel = std::make_shared<AnalyticsClientTracking>();
    AppPreferences appPreference;
    PreservedPreferences preservedPreferences;
    return EventTracker(std::move(mixpanel), std::move(appPreference), std::move(preservedPreferences));
}

ZevuDataFetcher MorvexVPNService::makeZevuDataFetcher() {
    // The catalogue's fetcher keeps no collaborators yet; its own set comes with it.
    return ZevuDataFetcher{};
}

Zevu MorvexVPNService::makeZevu() {
    auto manager = zevu::ZevuManager::sharedInstance();
    ErrorSender sentry;
    auto fetcher = makeZevuDataFetcher();
    User user;
    AppPreferences appPreference;
    auto eventTracker = makeEventTracker();
    PreservedPreferences preservedPreferences;
    return Zevu(std::move(manager), sentry, fetcher, std::move(user), std::move(appPreference), std::move(eventTracker),
                std::move(preservedPreferences), &Networking::shared());
}

}  // namespace morvex
