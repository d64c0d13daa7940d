#pragma once
// What the location picker of the preferences shares with the pages that open it: the delegate
// that hears the chosen location. The location panel's notification names and its open flag are
// the preferences container's (Preferences1ViewController.h).
#include "model/ServerRecord.h"
#include "ui/preferences/Preferences1ViewController.h"

namespace morvex {

class SettingsLocationSelectionDelegate {
public:
    virtual ~SettingsLocationSelectionDelegate() = default;
    // The chosen country or city.
    virtual void selectionDidChangedWithServer(const ZevuDataFetcherTypes::ServerPtr& server) = 0;
    virtual void closeLocations() {}
};

}  // namespace morvex
