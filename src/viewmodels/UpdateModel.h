#pragma once
// The update page's state and actions, without widgets: the offer (version, release notes,
// installer address, forced or not), the download with its progress and remaining time, and the
// install step, which hands the downloaded package to the desktop's package installer and ends
// the application only once the opener says a handler took it. A download that fails in any way
// (cut, refused, timed out, no space, network lost) ends in one alert that offers to try again;
// a package that no installer took stays where it is, and the alert says where and can show it.
//
// Threads: main thread only (the API client delivers progress and completion there).
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "appkit/Bindings.h"
#include "foundation/Error.h"
#include "foundation/Lifetime.h"
#include "foundation/NotificationCenter.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"

namespace morvex {

class UpdateModel {
public:
    // What the page reaches outside itself; empty members get the real ones.
    struct Collaborators {
        std::function<int()> vpnStatus;  // the SDK's status number: 3 connected, 2 connecting
        // Starts the installer download; answers the request's identifier.
        std::function<std::string(const std::string& url, std::function<void(double fraction, double remainingSeconds)> progress,
                                  std::function<void(Result<std::filesystem::path>)> completion)>
            download;
        std::function<void(const std::string& requestId)> cancelDownload;
        // Hands the package to the desktop's installer; answers once, true only when the opener
        // reported that a handler took it.
        std::function<void(const std::filesystem::path& package, std::function<void(bool opened)> done)> openInstaller;
        // Shows the package in the desktop's file manager.
        std::function<void(const std::filesystem::path& package)> revealPackage;
        std::function<void()> terminate;
        std::function<EventTracker()> makeEventTracker;
        std::function<std::string()> runningVersion;
    };

    static constexpr std::string_view networkReachabilityChangedNotification = "NetworkReachabilityChangedNotification";
    static constexpr std::string_view remindMeLaterNotification = "RemindMeLaterClicked";

    UpdateModel();
    explicit UpdateModel(Collaborators collaborators);
    UpdateModel(const UpdateModel&) = delete;
    UpdateModel& operator=(const UpdateModel&) = delete;
    ~UpdateModel();

    appkit::Observable<std::optional<std::string>> requestId;
    appkit::Observable<std::string> releaseNote;
    appkit::Observable<std::string> downloadUrl;
    appkit::Observable<bool> forceUpdate{false};
    appkit::Observable<double> downloadProgress{0.0};
    appkit::Observable<bool> downloading{false};
    appkit::Observable<std::string> timeRemaining;
    appkit::Observable<std::string> availableVersion{std::string("1.0.0")};

    PreservedPreferences preferences;

    // The localized text of `key` with its one "%@" replaced by `argument`.
    static std::string localizedFormat(std::string_view key, std::string_view argument);
    // The text shown before the first estimate.
    static std::string calculatingText();
    // "∞" for an infinite estimate; else minutes and seconds in words, at most two units, leading
    // zero units dropped, with the remaining phrase; none for a negative or not-a-number estimate.
    static std::optional<std::string> remainingText(double seconds);

    void installNow();
    void remindMeLater();
    void quit();
    void cancel();
    // The reachability notification's object: a dictionary with the flag "reachable".
    void networkReachabilityChanged(const std::any& object);
    void downloadProgressed(double fraction, double remainingSeconds);
    void downloadFinished(const Result<std::filesystem::path>& result);

private:
    Dictionary ignoredProperties() const;
    void installerOpened(const std::filesystem::path& package, bool opened);
    void showInterrupted(bool networkLost);

    Collaborators c_;
    ObserverToken reachability_;
    Lifetime lifetime_;
};

}  // namespace morvex
