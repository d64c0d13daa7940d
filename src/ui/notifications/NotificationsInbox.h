#pragma once
// The application's side of the in-app notifications, made once at start-up and kept for the run:
//
// - the five push entry points ("OpenUrlPushNotification", "OpenAppPushNotification",
//   "OpenScreenPushNotification", "OpenMemberAreaPushNotification",
//   "QuickConnectPushNotification") are observed from the start, so a push acts whether or not
//   the notification page was ever opened, and exactly once; "settings" opens the preferences
//   window;
// - the store is filled from the service (NotificationsFeed) at start-up with a signed-in user,
//   after each sign-in ("FetchNotifications"), on an account switch, and each time the page is
//   opened. The unread count and its badge follow every answer.
//
// Threads: main thread.
#include <functional>
#include <memory>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "viewmodels/NotificationsFeed.h"
#include "viewmodels/NotificationsListModel.h"

namespace morvex {

class NotificationsInbox {
public:
    struct Hooks {
        // The actions' collaborators (the defaults when left empty); the preferences window opens
        // through performSegue("seguePreferences").
        NotificationsListModel::Collaborators actions;
        NetworkingProtocol* networking = nullptr;  // the shared API client
        ManagedObjectContext* context = nullptr;   // the shared store
    };

    NotificationsInbox();
    explicit NotificationsInbox(Hooks hooks);
    ~NotificationsInbox();

    // Starts observing and asks for the list once when a user is signed in.
    void install();
    NotificationsFeed& feed() { return feed_; }
    NotificationsListModel& actions() { return *actions_; }

    // Opens the preferences window of the main storyboard.
    static void openPreferencesWindow();

private:
    void refresh();

    std::unique_ptr<NotificationsListModel> actions_;
    NotificationsFeed feed_;
    NotificationCenter* centre_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
