#include "ui/preferences/SettingsLocationSelection.h"

namespace morvex {

namespace {
bool settingsLocationOpen = false;
}

bool isSettingsLocationOpen() { return settingsLocationOpen; }
void setSettingsLocationOpen(bool open) { settingsLocationOpen = open; }

}  // namespace morvex
