#include "launcher/AppDelegate.h"

#include <QCoreApplication>
#include <string>
#include <vector>

#include "foundation/Bundle.h"
#include "foundation/DistributedNotificationCenter.h"
#include "foundation/Log.h"
#include "foundation/RunningApplications.h"

namespace morvex::launcher {

std::optional<std::filesystem::path> applicationExecutablePath(const std::filesystem::path& launcherBundle,
                                                               std::string_view applicationName) {
    if (applicationName.empty() || applicationName == "." || applicationName == ".." ||
        applicationName.find('/') != std::string_view::npos)
        return std::nullopt;
    std::vector<std::filesystem::path> components;
    for (const auto& c : launcherBundle.lexically_normal())
        if (!c.empty()) components.push_back(c);
    // The launcher bundle, LoginItems and Library go; something must be left of the path.
    if (components.size() <= 3) return std::nullopt;
    std::filesystem::path application;
    for (std::size_t i = 0; i + 3 < components.size(); ++i) application /= components[i];
    return application / "bin" / std::string(applicationName);
}

void AppDelegate::applicationDidFinishLaunching() {
    const Bundle& bundle = Bundle::main();
    auto identifier = bundle.string("Application Bundle identifier");
    auto name = bundle.string("Application Name");
    if (!identifier || identifier->empty() || !name) {
        log::nslog("MorvexVPNLauncher: the Info values \"Application Bundle identifier\" and \"Application "
                   "Name\" must be texts in " + bundle.resourcePath().string());
        terminate(1);
        return;
    }
    auto executable = applicationExecutablePath(bundle.bundlePath(), *name);
    if (!executable) {
        log::nslog("MorvexVPNLauncher: cannot find the application \"" + *name + "\" from " +
                   bundle.bundlePath().string());
        terminate(1);
        return;
    }

    if (RunningApplications::isRunning(*identifier)) {
        terminate();
        return;
    }

    // Without a session bus nobody could ever tell the launcher to go: start the application and
    // leave at once instead of staying behind for the rest of the session.
    const bool canBeToldToQuit = DistributedNotificationCenter::isSessionBusAvailable();
    if (canBeToldToQuit) {
        // Any process on the session bus can send the signal with any object: only the one that
        // holds the application's own bus name, run by this user, is the application.
        killObserver_ = DistributedNotificationCenter::defaultCenter().addObserver(
            killLauncherNotification, *identifier, [this, application = *identifier](const Notification& n) {
                const auto* sender = n.info<std::string>(kDistributedNotificationSenderKey);
                if (!sender || !RunningApplications::isApplicationConnection(application, *sender)) {
                    log::nslog("MorvexVPNLauncher: a quit request that did not come from the application was ignored");
                    return;
                }
                terminate();
            });
        // The application looks for the launcher by its bundle identifier before it posts.
        if (auto own = bundle.string("Bundle identifier")) {
            if (auto announced = RunningApplications::announce(*own); !announced)
                log::nslog("MorvexVPNLauncher: " + announced.error().localizedDescription());
        }
    }

    if (auto launched = RunningApplications::launchApplication(*executable); !launched)
        log::nslog("MorvexVPNLauncher: " + launched.error().localizedDescription());

    if (!canBeToldToQuit) terminate();
}

void AppDelegate::terminate(int exitCode) {
    killObserver_.remove();
    QCoreApplication::exit(exitCode);
}

}  // namespace morvex::launcher
