#pragma once
// The one-line invitation at the foot of the dashboard page.
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
