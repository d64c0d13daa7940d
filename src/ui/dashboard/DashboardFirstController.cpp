#include "ui/dashboard/DashboardFirstController.h"

#include "foundation/Bundle.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "viewmodels/DashboardText.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

DashboardFirstController::DashboardFirstController(DashboardRecentModel::Collaborators c, QObject* parent)
    : DashboardTileController({.viewName = "DashboardFirstView",
                               .captionName = "lblRecommendedCaption",
                               .cardName = "recommendedTile",
                               .accessibleName = "btn_recommended_location",
                               .captionKey = "general.recommendedlocation.title",
                               .location = [](const DashboardRecentModel&) { return AppPreferences().recommendedServer(); },
                               .title = [](const ServerPtr& server) {
                                   return server ? dashboard::locationDisplayName(*server) : localized("recommended");
                               },
                               .dial = &DashboardRecentModel::connect,
                               .reloadOn = {PreservedPreferences::preferencesRefreshedNotification,
                                            ZevuTypes::recommendedServerUpdatedNotification}},
                              std::move(c), parent) {
    // The recommendation may have changed since it was stored; the answer shows when it is posted.
    beforeAppearing = [] { MorvexVPNService::makeZevu().updateRecommendedLocation(); };
}

}  // namespace morvex
