#include "viewmodels/LeftPanelViewModel.h"

#include "alerts/Alert.h"
#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

LeftPanelViewModel::Collaborators LeftPanelViewModel::defaults() {
    Collaborators c;
    c.connect = MorvexVPNService::makeZevu().connectToLocationHook();
    c.quickConnect = [](ZevuTypes::SelectedInterface selected, ConnectErrorHandler onError) {
        MorvexVPNService::makeZevu().quickConnect(ZevuTypes::ConnectVia::SmartConnect, ZevuTypes::SelectedInterfaceScreen::Location,
                                                  ZevuTypes::ConnectionInitiatedBy::User, selected, true, std::move(onError));
    };
    return c;
}

LeftPanelViewModel::LeftPanelViewModel(Collaborators collaborators)
    : dedicatedIpSection{localized("left.panel.dedicatedIp.section.title"), "LocationLeftPanelDedicatedIP"},
      fastestServerSection{localized("left.panel.recommended.server.section.title"), "LocationsLeftPanelFastestServer"},
      recentSection{localized("left.panel.recent.section.title"), "LocationsLeftPanelRecentlyConnected"},
      favoriteSection{localized("left.panel.favorite.section.title"), "LocationsLeftPanelFavoritesHeading"},
      emptyRecents{localized("empty.recents")},
      emptyFavorites{localized("empty.favorites")},
      c_(std::move(collaborators)) {
    enablePing.set(c_.preservedPreference.enablePing());
    auto reload = [this](const Notification&) { reloadContent(); };
    observe(PreservedPreferences::recentsUpdatedNotification, reload);
    observe(ZevuDataFetcherTypes::favoritesUpdatedNotification, reload);
    observe(locationNotifications::enablePingChanged, [this](const Notification&) {
        const bool ping = c_.preservedPreference.enablePing();
        DispatchQueue::main().async(lifetime_.guard([this, ping] { enablePing.set(ping); }));
    });
    // A reload publishes the ping preference together with the rows.
    observe(PreservedPreferences::preferencesRefreshedNotification, reload);
    observe(locationNotifications::vpnAccountDidChange, reload);
    observe(ZevuTypes::recommendedServerUpdatedNotification, reload);
    observe(PreservedPreferences::dedicatedIpUpdatedNotification, reload);
}

LeftPanelViewModel::~LeftPanelViewModel() { observers_.clear(); }

void LeftPanelViewModel::observe(std::string_view name, std::function<void(const Notification&)> block) {
    observers_.push_back(NotificationCenter::defaultCenter().addObserver(name, std::move(block)));
}

std::vector<LeftPanelRow> LeftPanelViewModel::rowsFromStores() const {
    std::vector<LeftPanelRow> rows{favoriteSection};
    const auto favourites = c_.preservedPreference.favorites();
    if (favourites.empty()) rows.emplace_back(emptyFavorites);
    for (const auto& server : favourites) rows.emplace_back(ListItem(server, ListItem::RowType::Favorite));
    return rows;
}

void LeftPanelViewModel::reloadContent() {
    auto rows = rowsFromStores();
    const bool ping = c_.preservedPreference.enablePing();
    DispatchQueue::main().async(lifetime_.guard([this, rows = std::move(rows), ping]() mutable {
        content.set(std::move(rows));
        enablePing.set(ping);
    }));
}

ZevuTypes::SelectedInterface LeftPanelViewModel::selectedInterface(ListItem::RowType rowType) {
    using Interface = ZevuTypes::SelectedInterface;
    switch (rowType) {
    case ListItem::RowType::Favorite: return Interface::Favorite;
    case ListItem::RowType::FastestServer: return Interface::Recommended;
    case ListItem::RowType::DedicatedIp: return Interface::DedicatedIp;
    case ListItem::RowType::Recent:
    case ListItem::RowType::Country:
    case ListItem::RowType::City:
    case ListItem::RowType::NotSet: return Interface::Recent;
    }
    return Interface::Recent;
}

void LeftPanelViewModel::connectItem(const ListItem& item) {
    if (!item.server) return;
    if (c_.preservedPreference.systemExtensionStatus()) {
        if (delegate) delegate->makeWireGuardBetaAlertController();
        return;
    }
    const auto server = item.server;
    const auto via = ZevuTypes::connectVia(server->type);
    const auto selected = selectedInterface(item.rowType);
    auto onError = lifetime_.guard([this, server, via, selected](const std::optional<Error>& error) {
        handleVPNError(error, server, via, selected);
    });
    if (server->type == ZevuDataFetcherTypes::ServerType::FastestServer) {
        if (c_.quickConnect) c_.quickConnect(selected, std::move(onError));
        return;
    }
    if (c_.connect)
        c_.connect(ConnectRequest{server, via, ZevuTypes::SelectedInterfaceScreen::Location,
                                  ZevuTypes::ConnectionInitiatedBy::User, selected, false, true},
                   std::move(onError));
}

void LeftPanelViewModel::handleVPNError(const std::optional<Error>& error, const ZevuDataFetcherTypes::ServerPtr& server,
                                        ZevuTypes::ConnectVia connectVia, ZevuTypes::SelectedInterface selected) const {
    if (!error) return;
    switch (error->code) {
    case 1111: return Alert().showDedicatedProtocolNotSupported(c_.preservedPreference, {});
    case 998:
    case 701:
    case 533:
    case -1001:
    case -1002: return showLocationConnectError(error, server, connectVia, selected, c_.connect);
    default: return;
    }
}

}  // namespace morvex
