#pragma once
// The recent tile of the bottom pane: the last connected location, one click to connect again.
// The tile of DashboardTileController.h over the first stored recent; its sibling is
// DashboardFirstController, the recommended location's tile.
#include "ui/dashboard/DashboardTileController.h"

namespace morvex {

class DashboardRecentController : public DashboardTileController {
    Q_OBJECT
public:
    explicit DashboardRecentController(DashboardRecentModel::Collaborators c = DashboardRecentModel::defaults(),
                                       QObject* parent = nullptr);

    const ServerPtr& recent() const { return location(); }
    void recentClicked() { tileClicked(); }
};

}  // namespace morvex
