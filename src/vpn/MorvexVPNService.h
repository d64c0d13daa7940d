#pragma once
// The usual collaborator sets, built fresh on every call. Each object is a thin view over shared
// state (the standard defaults, the keychain, the SDK's manager, the analytics instance, the API
// client), so objects built at different times agree; nested collaborators are never shared
// (every PreservedPreferences gets its own User).
#include "catalog/ZevuDataFetcher.h"
#include "state/EventTracker.h"
#include "vpn/Zevu.h"

namespace morvex {

class MorvexVPNService {
public:
    static EventTracker makeEventTracker();
    static ZevuDataFetcher makeZevuDataFetcher();
    static Zevu makeZevu();
};

}  // namespace morvex
