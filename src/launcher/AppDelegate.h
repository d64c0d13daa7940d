#pragma once
// The launcher's whole behaviour: at log-in, start the application from the enclosing bundle
// unless it already runs, then wait until the application tells it to go.
#include <filesystem>
#include <optional>
#include <string_view>

#include "foundation/NotificationCenter.h"

namespace morvex::launcher {

// Posted by the application, with its own bundle identifier as object, when it finds the
// launcher running.
inline constexpr std::string_view killLauncherNotification = "killMorvexVPNLauncher";

// The application's program for a launcher bundle at <application bundle>/Library/LoginItems/
// <launcher bundle>: three levels up, then bin/<name>. Nothing when the path is too short to hold
// an enclosing bundle or the name is not a plain file name.
std::optional<std::filesystem::path> applicationExecutablePath(const std::filesystem::path& launcherBundle,
                                                               std::string_view applicationName);

class AppDelegate {
public:
    // Runs once the event loop runs; every way out ends the loop through terminate().
    void applicationDidFinishLaunching();
    void terminate(int exitCode = 0);

private:
    ObserverToken killObserver_;
};

}  // namespace morvex::launcher
