#pragma once
// The pane under the connection panel: the recommended tile (DashboardFirstController), the
// recent tile (DashboardRecentController) or the cancel pane (DashboardCancelController), by
// connection state; nothing while connected.
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

}  // namespace morvex
