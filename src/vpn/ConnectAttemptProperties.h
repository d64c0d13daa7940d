#pragma once
// The properties of the "app_connect" analytics event, sent once per dial.
#include <optional>
#include <string>

#include "foundation/Value.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"

namespace morvex {

// The request record is the last connection stored now; without one its text values are "".
// `firstFilterNasIdentifier` is the NAS identifier of the first server filter handed to the SDK
// for this dial, nothing when there was no filter ("None" is sent then).
Dictionary connectAttemptProperties(const AppPreferences& appPreferences, const PreservedPreferences& preferences,
                                    const std::optional<std::string>& firstFilterNasIdentifier);

}  // namespace morvex
