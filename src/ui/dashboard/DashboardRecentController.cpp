#include "ui/dashboard/DashboardRecentController.h"

#include "state/PreservedPreferences.h"

namespace morvex {

DashboardRecentController::DashboardRecentController(DashboardRecentModel::Collaborators c, QObject* parent)
    : DashboardTileController({.viewName = "DashboardRecentView",
                               .captionName = "lblRecentCaption",
                               .cardName = "recentTile",
                               .accessibleName = "btn_recent_location",
                               .captionKey = "dashboard.recent.title",
                               .location = [](const DashboardRecentModel& model) { return model.firstRecent(); },
                               .dial = &DashboardRecentModel::dial,
                               .reloadOn = {PreservedPreferences::preferencesRefreshedNotification}},
                              std::move(c), parent) {}

}  // namespace morvex
