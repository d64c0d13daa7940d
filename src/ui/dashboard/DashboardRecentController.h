#pragma once
// The recent tile of the bottom pane: the last connected location, one click to connect again.
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

}  // namespace morvex
