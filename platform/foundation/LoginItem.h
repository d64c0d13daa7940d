#pragma once
// Login items: helper programs shipped inside the main bundle, under Library/LoginItems, that the
// desktop session starts when the user logs in. Each is a bundle of its own whose Info values give
// its "Bundle identifier" and "Bundle executable" (the program's file name in its bin folder).
// An enabled login item is an XDG autostart entry, <autostart folder>/<identifier>.desktop.
// SMLoginItemSetEnabled is the interface name its callers use; underneath it writes that entry.
#include <filesystem>
#include <optional>
#include <string_view>

namespace morvex {

// Enables or disables the login item with that bundle identifier. Enabling (re)writes its
// autostart entry atomically, pointing at the login item's program inside the main bundle;
// disabling removes the entry. Answers true when the entry is in the asked-for state afterwards,
// false when nothing changed: no login item with that identifier (enabling), a text that is not a
// bundle identifier, or an autostart folder that cannot be written.
bool SMLoginItemSetEnabled(std::string_view identifier, bool enabled);

class LoginItems {
public:
    // $XDG_CONFIG_HOME/autostart (or ~/.config/autostart), unless overridden.
    static std::filesystem::path autostartDirectory();
    // Tests point the autostart folder elsewhere; an empty path restores the default.
    static void setAutostartDirectoryOverride(const std::filesystem::path& dir);
    // The autostart entry of a login item; nothing for a text that is not a bundle identifier.
    static std::optional<std::filesystem::path> autostartEntryPath(std::string_view identifier);
    // The program of the main bundle's login item with that identifier, when there is one.
    static std::optional<std::filesystem::path> loginItemExecutable(std::string_view identifier);
};

}  // namespace morvex
