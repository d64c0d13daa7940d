#include "ui/dashboard/DashboardRecentController.h"

#include "state/PreservedPreferences.h"

namespace morvex {

namespace {

DashboardTileController::Tile recentTile() {
    DashboardTileController::Tile t;
    t.viewName = "DashboardRecentView";
    t.captionName = "lblRecentCaption";
    t.cardName = "recentTile";
    t.accessibleName = "btn_recent_location";
    t.captionKey = "dashboard.recent.title";
    t.location = [](const DashboardRecentModel& model) { return model.firstRecent(); };
    t.dial = &DashboardRecentModel::dial;
    t.reloadOn = {PreservedPreferences::preferencesRefreshedNotification};
    return t;
}

}  // namespace

DashboardRecentController::DashboardRecentController(DashboardRecentModel::Collaborators c, QObject* parent)
    : DashboardTileController(recentTile(), std::move(c), parent) {}

}  // namespace morvex
