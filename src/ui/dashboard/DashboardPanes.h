#pragma once
// The controllers that frame the dashboard page:
// - ConnectionStateViewController: the page's two pages, the connection view and the
//   troubleshooting page; it tells the desktop when the VPN comes up or goes down and shows the
//   password-changed alert;
// - ConnectionBottomController: the pane under the connection panel with the recommended tile
//   (DashboardFirstController), the recent tile (DashboardRecentController) or the cancel pane
//   (DashboardCancelController), by connection state; nothing while connected;
// - ReferAFriendMessageController: the one-line invitation at the foot of the page.
// Each hears the engine's reports on the main thread (see MainThreadObserver.h).
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

class DashboardRecentController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit DashboardRecentController(DashboardRecentModel::Collaborators c = DashboardRecentModel::defaults(),
                                       QObject* parent = nullptr);
    ~DashboardRecentController() override;
    // The account gate a click asks first (by default the base controller's).
    std::function<bool()> accountGate;

    const ZevuDataFetcherTypes::ServerPtr& recent() const { return recent_; }
    RecentsCellView* cell() const { return cell_; }
    QPushButton* tile() const { return tile_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void recentClicked();

private:
    void show(const ZevuDataFetcherTypes::ServerPtr& server);
    DashboardRecentModel model_;
    ZevuDataFetcherTypes::ServerPtr recent_;
    QPointer<RecentsCellView> cell_;
    QPointer<QPushButton> tile_;
    std::vector<ObserverToken> observers_;
};

// The recommended-location tile (shown while down when there are no recents yet), beside
// DashboardRecentController, the tile of the last connected location.
class DashboardFirstController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit DashboardFirstController(DashboardRecentModel::Collaborators c = DashboardRecentModel::defaults(),
                                      QObject* parent = nullptr);
    ~DashboardFirstController() override;
    std::function<bool()> accountGate;
    // Asks the engine for a fresh recommendation (nothing while connected).
    std::function<void()> updateRecommendedLocation;

    const ZevuDataFetcherTypes::ServerPtr& recommended() const { return recommended_; }
    QPushButton* tile() const { return tile_; }
    QLabel* lblName() const { return lblName_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void recommendedClicked();

private:
    void reload();
    DashboardRecentModel model_;
    ZevuDataFetcherTypes::ServerPtr recommended_;
    QPointer<QPushButton> tile_;
    QPointer<QLabel> countryImgView_, lblName_;
    std::vector<ObserverToken> observers_;
};

class DashboardCancelController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit DashboardCancelController(DashboardCancelModel::Collaborators c = DashboardCancelModel::defaults(),
                                       QObject* parent = nullptr);
    CustomButton* cancelButton() const { return button_; }
    void loadView() override;
    void cancelConnectionClicked();

private:
    DashboardCancelModel model_;
    QPointer<CustomButton> button_;
};

class ConnectionBottomController : public appkit::ViewController {
    Q_OBJECT
public:
    using Component = ConnectionBottomModel::SegueComponents;
    // Makes the component's controller; the pane owns what it gets.
    using Factory = std::function<appkit::ViewController*(Component)>;

    explicit ConnectionBottomController(Factory factory = {}, std::shared_ptr<VPNControl> vpn = nullptr,
                                        QObject* parent = nullptr);
    ~ConnectionBottomController() override;

    Component segueToPerform() const { return model_.segueToPerform; }
    // The component shown now, none while nothing is.
    appkit::ViewController* shown() const { return shown_; }
    // How many times a component was put up (the cancel pane opens once per attempt).
    int performed(Component c) const;

    void loadView() override;
    void viewDidLoad() override;
    void show(Component component);

private:
    int sdkStatus() const;
    ConnectionBottomModel model_;
    Factory factory_;
    std::shared_ptr<VPNControl> vpn_;
    QPointer<appkit::ViewController> shown_;
    std::map<Component, int> performed_;
    std::vector<ObserverToken> observers_;
};

class ReferAFriendMessageController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view connectionDetailOpenNotification = "ConnectionDetailOpen";

    explicit ReferAFriendMessageController(EventTracker tracker, QObject* parent = nullptr);
    explicit ReferAFriendMessageController(QObject* parent = nullptr);
    ~ReferAFriendMessageController() override;

    bool hide() const { return model_.hide; }
    QLabel* messageLabel() const { return label_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void messageClicked();

private:
    void applyHide();
    ReferAFriendMessageModel model_;
    QPointer<QLabel> label_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
