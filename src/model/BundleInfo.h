#pragma once
// The application's build-time configuration, read from a bundle's Info values (always the main
// bundle in the application). Every key but "Release Code" is required: a bundle without one is
// broken, and the accessor throws MissingInfoValue naming the key.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "foundation/Bundle.h"
#include "foundation/Value.h"

namespace morvex {

class MissingInfoValue : public std::runtime_error {
public:
    explicit MissingInfoValue(std::string_view key);
    const std::string& key() const { return key_; }

private:
    std::string key_;
};

// The Info value for key as text; nothing when absent or not text.
std::optional<std::string> infoPlistString(std::string_view key, const Bundle& bundle = Bundle::main());

std::string infoFirebaseAppName(const Bundle& bundle = Bundle::main());             // "Firebase App Name"
std::string infoShortVersionString(const Bundle& bundle = Bundle::main());          // "CFBundleShortVersionString"
// Short version, a blank and the build in parentheses, e.g. "3.2.1 (415)".
std::string appVersionText(const Bundle& bundle = Bundle::main());
// "Release Code", "PRODUCTION" when absent or not text.
std::string infoReleaseCode(const Bundle& bundle = Bundle::main());
// "Data Store Version": an integer, or text holding one.
std::int64_t infoDataStoreVersion(const Bundle& bundle = Bundle::main());
std::string infoApplicationBundleIdentifier(const Bundle& bundle = Bundle::main());  // "Application Bundle identifier"
std::string infoLauncherBundleIdentifier(const Bundle& bundle = Bundle::main());     // "Launcher Bundle identifier"
std::string infoPacketTunnelIdentifier(const Bundle& bundle = Bundle::main());       // "Packet Tunnel Identifier"
std::string infoWireguardPacketTunnelIdentifier(const Bundle& bundle = Bundle::main());
std::string infoPacketTunnelGroup(const Bundle& bundle = Bundle::main());            // "Packet Tunnel Group"

// The application's support folder: the configuration directory with the bundle identifier
// appended. Not created here.
std::filesystem::path applicationSupportFolderURL(const Bundle& bundle = Bundle::main());

// Whole weeks between now and date, in either direction, in local wall-clock time: a week is
// complete when the same weekday and time of day is reached (across a daylight-saving change that
// is 167 or 169 hours), so six days and 23 hours are no week.
std::int64_t weeksSinceDate(Date date);

}  // namespace morvex
