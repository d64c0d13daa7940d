#pragma once

namespace morvex {

// The scenes of the VPN, general and advanced pages and of the location picker.
void registerVPNSettingsStoryboards();

}  // namespace morvex
