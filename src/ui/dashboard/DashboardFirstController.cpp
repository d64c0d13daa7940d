#include "ui/dashboard/DashboardFirstController.h"

#include "foundation/Bundle.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "viewmodels/DashboardText.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {

DashboardTileController::Tile recommendedTile() {
    DashboardTileController::Tile t;
    t.viewName = "DashboardFirstView";
    t.captionName = "lblRecommendedCaption";
    t.cardName = "recommendedTile";
    t.accessibleName = "btn_recommended_location";
    t.captionKey = "general.recommendedlocation.title";
    t.location = [](const DashboardRecentModel&) { return AppPreferences().recommendedServer(); };
    t.title = [](const ZevuDataFetcherTypes::ServerPtr& server) {
        return server ? dashboard::locationDisplayName(*server) : localized("recommended");
    };
    t.dial = &DashboardRecentModel::connect;
    t.reloadOn = {PreservedPreferences::preferencesRefreshedNotification, ZevuTypes::recommendedServerUpdatedNotification};
    return t;
}

}  // namespace

DashboardFirstController::DashboardFirstController(DashboardRecentModel::Collaborators c, QObject* parent)
    : DashboardTileController(recommendedTile(), std::move(c), parent) {
    // The recommendation may have changed since it was stored; the answer shows when it is posted.
    beforeAppearing = [] { MorvexVPNService::makeZevu().updateRecommendedLocation(); };
}

}  // namespace morvex
