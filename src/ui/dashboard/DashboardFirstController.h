#pragma once
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

}  // namespace morvex
