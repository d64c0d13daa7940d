#pragma once
// What the location picker of the preferences shares with the pages that open it and with the
// preferences container: the delegate that hears the chosen location, the two notification names
// of the location panel, and the process-wide flag that says the panel is open.
#include <string_view>

#include "model/ServerRecord.h"

namespace morvex {

class SettingsLocationSelectionDelegate {
public:
    virtual ~SettingsLocationSelectionDelegate() = default;
    // The chosen country or city.
    virtual void selectionDidChangedWithServer(const ZevuDataFetcherTypes::ServerPtr& server) = 0;
    virtual void closeLocations() {}
};

// The container opens and closes its location panel on these; "dismissSettingsLocation" may carry
// the chosen ServerPtr under "server" in its userInfo.
inline constexpr std::string_view kOpenSettingsLocationNotification = "openSettingsLocation";
inline constexpr std::string_view kDismissSettingsLocationNotification = "dismissSettingsLocation";

// True while the preferences container shows its location panel; the container sets and clears
// it, the VPN page ignores its drop-down and protocol actions meanwhile. Main thread only.
bool isSettingsLocationOpen();
void setSettingsLocationOpen(bool open);

}  // namespace morvex
