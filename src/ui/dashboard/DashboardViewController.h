#pragma once
// The dashboard page: the connection panel on the left (over the main content's world map), and on the right the
// state-coloured pane with the connect button, the second animation area behind it and the
// location card. The panel and the card share one load of the connected location; the panel's
// recommended connect goes through the button's model. The notices the panel raises show in a
// notice bar over the top of the page.
#include <QPointer>
#include <string_view>

#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "viewmodels/ConnectionComponentsModel.h"

class QWidget;

namespace morvex {

class ConnectButtonController;
class ConnectionBottomController;
class ConnectionComponentsController;
class ConnectionDetailController;
class ConnectionStateViewController;
class ReferAFriendMessageController;
class ConnectionLocationController;
class DashboardWavesViewController;
class NotificationBarController;

class DashboardViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardID = "DashboardViewController";

    explicit DashboardViewController(QObject* parent = nullptr);
    ~DashboardViewController() override;

    ConnectButtonController* connectButton() const { return connectButton_; }
    ConnectionComponentsController* connectionPanel() const { return panel_; }
    ConnectionLocationController* locationCard() const { return card_; }
    DashboardWavesViewController* waves() const { return waves_; }
    QWidget* topView() const { return topView_; }
    NotificationBarController* notificationBar() const { return bar_; }
    ConnectionStateViewController* stateViews() const { return states_; }
    ConnectionBottomController* bottomPane() const { return bottom_; }
    ReferAFriendMessageController* referBanner() const { return banner_; }
    // The connection details card while it is presented, else null.
    ConnectionDetailController* connectionDetail() const;
    QWidget* detailsButton() const { return detailsButton_; }
    // The in-session feedback button and its prompt; null when its scene is not registered.
    appkit::ViewController* feedbackContainer() const;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidDisappear() override;

private:
    void applyHeader();
    QWidget* makeConnectionPage();
    // A controller of this page's storyboard (else of "Main"); null when the scene is not there.
    appkit::ViewController* sceneController(std::string_view identifier);
    // Presents or dismisses the details card as the panel's info card opens and closes.
    void applyInfoCard(bool open);

    ConnectButtonController* connectButton_;
    ConnectionComponentsController* panel_;
    ConnectionLocationController* card_;
    DashboardWavesViewController* waves_;
    NotificationBarController* bar_;
    ConnectionStateViewController* states_ = nullptr;
    ConnectionBottomController* bottom_;
    ReferAFriendMessageController* banner_;
    QPointer<ConnectionDetailController> detail_;
    QPointer<QWidget> topView_;
    QPointer<QWidget> detailsButton_;
    QPointer<appkit::ViewController> column_;
    QPointer<appkit::ViewController> feedback_;
    appkit::Subscription headerBinding_;
    bool infoCardShown_ = false;
};

}  // namespace morvex
