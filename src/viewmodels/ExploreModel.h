#pragma once
// The text of the locations page's header: when the locations were last pinged.
#include <optional>
#include <string>

#include "foundation/Value.h"
#include "state/PreservedPreferences.h"

namespace morvex {

class ExploreModel {
public:
    explicit ExploreModel(PreservedPreferences preferences = PreservedPreferences()) : preferences_(std::move(preferences)) {}

    // The stored time of the last ping run in the local time zone, as "MMMM dd, yyyy hh:mm" with
    // the calendar year and the 24-hour clock (a week-based year would name the next year in the
    // last days of December, and a 12-hour clock without its period reads 9 pm as 09:00); "N/A"
    // before the first run.
    std::string lastPingText() const;
    static std::string lastPingText(std::optional<Date> pingedAt);

private:
    PreservedPreferences preferences_;
};

}  // namespace morvex
