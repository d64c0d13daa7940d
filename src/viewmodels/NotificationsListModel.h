#pragma once
// The in-app notification list: the service's messages to the user kept in the local store, as a
// list model, and the actions a message (or a push from outside) can ask for — open a web page,
// open one of our own applications, switch the window to a page, open the member area, and the
// quick-connect toggle. Free of widgets; NotificationsController shows it.
//
// What arrives from outside is never trusted as a path or a command: a link opens only when the
// whole text is one http or https address; an application opens only when the text is the
// identifier of one of our own programs; a page only by one of six names.
//
// Threads: main thread.
#include <QAbstractListModel>
#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alerts/AlertServices.h"
#include "alerts/ConnectRequest.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "state/CoreDataService.h"
#include "state/EventTracker.h"
#include "state/User.h"
#include "viewmodels/AppNotification.h"

namespace morvex {

class AppManager;

// The entry points of actions that arrive from outside (pushes and call-to-action buttons); each
// object is a text, except for the quick connect, which takes none.
inline constexpr std::string_view OpenUrlPushNotification = "OpenUrlPushNotification";
inline constexpr std::string_view OpenAppPushNotification = "OpenAppPushNotification";
inline constexpr std::string_view OpenScreenPushNotification = "OpenScreenPushNotification";
inline constexpr std::string_view OpenMemberAreaPushNotification = "OpenMemberAreaPushNotification";
inline constexpr std::string_view QuickConnectPushNotification = "QuickConnectPushNotification";
// Posted (no object) when the stored unread count ("UserPreferences.unreadNotificationCount")
// changed; the tab bar's badge shows it.
inline constexpr std::string_view NotificationCountDidChangeNotification = "NotificationCountDidChange";

class NotificationsListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        TitleRole,
        MessageRole,
        CategoryRole,
        TypeRole,
        CreatedAtRole,  // seconds since 1970 (double); absent when unknown
        PrimaryTitleRole,
        SecondaryTitleRole,
        SeenRole,
    };

    struct Collaborators {
        // Opens a checked http(s) address in the browser (the workspace's by default).
        std::function<bool(const std::string& url)> openURL;
        // Starts our own program of that identifier (the bundle's programs by default).
        std::function<bool(const std::string& identifier)> launchApplication;
        // Performs a segue of the page's storyboard (set by the page).
        std::function<void(std::string_view identifier)> performSegue;
        std::shared_ptr<VPNControl> vpn;                  // the installed alert services' by default
        ConnectToLocation connect;                        // the engine's connect-to-location path
        std::function<void()> updateRecommendedLocation;  // the engine's refresh of the recommended one
        AppManager* appManager = nullptr;                 // AppManager::shared() by default
        NotificationCenter* centre = nullptr;             // the default centre by default
    };

    NotificationsListModel();  // the default collaborators
    explicit NotificationsListModel(Collaborators collaborators, AppPreferences appPreferences = AppPreferences(),
                                    User user = User(), EventTracker eventTracker = EventTracker());

    Collaborators& collaborators() { return c_; }

    // ---- the list ----
    // Whether a stored notice is listed: not closed, and its version bounds (0: none) take in
    // `appVersion`.
    static bool isShown(const AppNotification& notice, double appVersion);
    // The running version as a number ("2.14.1" reads as 2.14), for the notices' bounds.
    static double runningVersion();
    // The notices of `username` that are listed and not yet seen; 0 without a user or a store.
    static std::int64_t unreadCount(ManagedObjectContext& context, const std::optional<std::string>& username,
                                    double appVersion = runningVersion());
    // Counts the signed-in user's unread notices again and keeps the count in the user record;
    // posts NotificationCountDidChangeNotification on `centre` when it changed. Answers the count.
    static std::int64_t storeUnreadCount(ManagedObjectContext& context, NotificationCenter& centre);
    // The user has read the list: every listed notice is marked seen and saved, and the stored
    // unread count follows.
    void markAllSeen(ManagedObjectContext& context);

    // The stored notices of `username` not closed by the user and meant for `appVersion` (a bound
    // of 0 is no bound), newest first. A store that cannot be read leaves the list empty.
    void reload(ManagedObjectContext& context, const std::string& username, double appVersion);
    const AppNotificationList& notifications() const { return rows_; }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The close box: the notice is marked closed, saved and leaves the list (a persistent one
    // cannot be closed: false).
    bool close(int row, ManagedObjectContext& context);
    // A call-to-action button (0 the primary, 1 the secondary): the notice is marked clicked and
    // its action is carried out through the entry point its action names ("url", "app", "screen",
    // "member_area", "quick_connect"). False for an unknown action or a missing button.
    bool performCallToAction(int row, int button, ManagedObjectContext& context);

    // ---- actions ----
    // Each answers whether it acted; an object that is not a text does nothing.
    bool openURL(const std::any& object);
    bool openApp(const std::any& object);
    bool openScreen(const std::any& object);
    bool openMemberArea(const std::any& object);
    // Connected: disconnects; connecting: cancels; otherwise connects to the stored recommended
    // location (none stored: asks for one and connects nothing now).
    void quickConnect();

    // The page number a page name switches to; nothing for any other text.
    static std::optional<std::int64_t> tabForScreen(std::string_view screen);
    // True when the whole text is one http or https address with a host (surrounding text, other
    // schemes and several addresses are not).
    static bool isWholeWebLink(std::string_view text);
    // The text as one of our own programs' identifiers: a reverse-DNS name of letters, digits, "-"
    // and single points; never a path.
    static bool isApplicationIdentifier(std::string_view text);

    void trackViewed();

private:
    Collaborators c_;
    AppPreferences appPreferences_;
    User user_;
    EventTracker eventTracker_;
    AppNotificationList rows_;
};

}  // namespace morvex
