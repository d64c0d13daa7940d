#pragma once
// The dashboard page's two pages, the connection view and the troubleshooting page; it tells the
// desktop when the VPN comes up or goes down and shows the password-changed alert.
// Hears the engine's reports on the main thread (see MainThreadObserver.h).
#include <QLabel>
#include <QPushButton>
#include <QPointer>
#include <QStackedWidget>
#include <memory>
#include <vector>

#include "appkit/UserNotifications.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/DashboardPaneModels.h"
#include "viewmodels/DashboardRecentModel.h"
#include "ui/kit/CustomButtons.h"
#include "ui/kit/RecentsCellView.h"

namespace morvex {

class ConnectionStateViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view requestTroubleshootNotification = "RequestTroubleshootForUTC";
    static constexpr std::string_view dismissTroubleshootNotification = "DismissTroubleshootForUTC";
    static constexpr std::string_view passwordChangedNotification = "PasswordChanged";

    // `connection` is page 0; `troubleshoot` (may be null: an empty page) is page 1. Both are
    // taken over as children.
    ConnectionStateViewController(appkit::ViewController* connection, appkit::ViewController* troubleshoot,
                                  appkit::UserNotificationCenter* notifications = nullptr, QObject* parent = nullptr);
    ~ConnectionStateViewController() override;

    int selectedTabViewItemIndex() const;
    void setSelectedTabViewItemIndex(int index);
    // The "utcProperties" and "error" of the last troubleshooting request, for the page.
    const std::optional<Dictionary>& troubleshootProperties() const { return utcProperties_; }

    void loadView() override;
    void viewDidLoad() override;

private:
    ConnectionStateModel model_;
    QPointer<appkit::ViewController> connection_, troubleshoot_;
    appkit::UserNotificationCenter* notifications_;
    QPointer<QStackedWidget> stack_;
    std::optional<Dictionary> utcProperties_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
