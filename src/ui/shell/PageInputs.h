#pragma once
// What one feature hands a page of another. A screen makes the other's page from its scene (see
// Router.h) and reaches it through one of these narrow interfaces, never through the page's class,
// so no feature includes another. Each page that takes input implements its interface; a page
// that does not (an empty page while the scene is missing) is simply not given it.
//
// Threads: main thread.
#include <optional>
#include <string>

#include "appkit/PowerAssertion.h"
#include "foundation/Value.h"
#include "model/ServerRecord.h"
#include "vpn/AppError.h"

namespace morvex {

// The troubleshooting page (support) as the dashboard's state pages fill it: the failed
// attempt's "utcProperties" and its error, before the page shows.
class TroubleshootInput {
public:
    virtual ~TroubleshootInput() = default;
    virtual void setUtcProperties(std::optional<Dictionary> properties) = 0;
    virtual void setError(std::optional<AppError> error) = 0;
};

// The city list (page 1 of the locations page) as the explore tab fills it: one country's cities
// and the page's title ("Cities / <country>"), before the page shows.
class CityListInput {
public:
    virtual ~CityListInput() = default;
    virtual void showCities(const std::optional<ZevuDataFetcherTypes::ServerList>& cities,
                            const std::optional<std::string>& countryName) = 0;
};

// The application's delegate as the general preferences see it: the one sleep assertion held
// while "prevent sleep" is on, kept for the whole run (the delegate releases it at quit).
class SleepAssertionHolder {
public:
    virtual ~SleepAssertionHolder() = default;
    virtual std::optional<appkit::IOPMAssertionID>& heldSleepAssertion() = 0;
};

}  // namespace morvex
