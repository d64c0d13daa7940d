#pragma once
// The recommended-location tile (shown while down when there are no recents yet): the tile of
// DashboardTileController.h over the stored recommended location, asking for a fresh one before
// each appearance. Its sibling is DashboardRecentController, the last connected location's tile.
#include "ui/dashboard/DashboardTileController.h"

namespace morvex {

class DashboardFirstController : public DashboardTileController {
    Q_OBJECT
public:
    explicit DashboardFirstController(DashboardRecentModel::Collaborators c = DashboardRecentModel::defaults(),
                                      QObject* parent = nullptr);

    const ServerPtr& recommended() const { return location(); }
    void recommendedClicked() { tileClicked(); }
};

}  // namespace morvex
