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
#include "ui/dashboard/ConnectionComponentsModel.h"

class QWidget;

namespace morvex {

class ConnectButtonController;
class ConnectionComponentsController;
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

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidDisappear() override;

private:
    void applyHeader();

    ConnectButtonController* connectButton_;
    ConnectionComponentsController* panel_;
    ConnectionLocationController* card_;
    DashboardWavesViewController* waves_;
    NotificationBarController* bar_;
    QPointer<QWidget> topView_;
    appkit::Subscription headerBinding_;
};

}  // namespace morvex
