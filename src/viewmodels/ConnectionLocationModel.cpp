#include "viewmodels/ConnectionLocationModel.h"

#include <QPointer>

#include "viewmodels/DashboardText.h"
#include "viewmodels/MainThreadObserver.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {
constexpr int kConnected = zevu::rawValue(zevu::ZevuVPNState::Connected);
}  // namespace

ConnectionLocationModel::Collaborators ConnectionLocationModel::defaults() {
    Collaborators c;
    c.vpn = AlertServices::installed().vpn;
    const Zevu zevu = MorvexVPNService::makeZevu();
    c.fetchConnectedLocation = [zevu](LocationCompletion completion) {
        Zevu self = zevu;
        self.zevuManager->getConnectedLocation(
            [self, completion](std::optional<zevu::ZevuLocation> location) mutable {
                self.getConnectedLocation(location, completion);
            },
            [self, completion](std::optional<Error> error) mutable { self.connectedLocationFailed(error, completion); });
    };
    c.connectedSince = [manager = zevu.zevuManager] { return manager->getConnectedTime(); };
    c.bpc = SavedLocations(PreservedPreferences(), AppPreferences(), MorvexVPNService::makeEventTracker());
    return c;
}

ConnectionLocationModel::ConnectionLocationModel(Collaborators collaborators, QObject* parent)
    : BaseViewModel(parent),
      c_(std::move(collaborators)),
      ticker_({c_.connectedSince, c_.now}, [this](const std::string& text) { connectedTime = text; }) {
    if (!c_.vpn) c_.vpn = AlertServices::defaults().vpn;
}

ConnectionLocationModel::~ConnectionLocationModel() { stopConnectedTimeUpdates(); }

int ConnectionLocationModel::vpnStatus() const { return c_.vpn ? c_.vpn->getCurrentVPNStatus() : 0; }

ConnectionLocationModel::ServerPtr ConnectionLocationModel::displayedLocation() const {
    if (isConnectedOrConnecting(vpnStatus())) {
        const auto last = c_.appPreference.lastConnection();
        return last ? last->server : nullptr;
    }
    return c_.appPreference.recommendedServer();
}

std::string ConnectionLocationModel::favoriteImageName() const {
    if (const auto shown = displayedLocation()) {
        for (const auto& favorite : c_.preservedPreference.favorites())
            if (favorite && favorite->id == shown->id) return "LocationsFavoriteFilled";
    }
    return "LocationsFavoriteUnfilledHovered";
}

std::string ConnectionLocationModel::connectedTimeText() const {
    return dashboard::connectedTimeText(c_.connectedSince ? c_.connectedSince() : std::nullopt, c_.now());
}

void ConnectionLocationModel::refreshFavoriteImage() { buttonFavoriteImage = favoriteImageName(); }

void ConnectionLocationModel::applyConnectionState(ZevuConnectionState state) {
    switch (state) {
    case ZevuConnectionState::Connected:
        startConnectedTimeUpdates();
        refreshFavoriteImage();
        getConnectedLocation();
        layout = Layout::Connected;
        return;
    case ZevuConnectionState::Connecting:
        location = displayedLocation();
        layout = Layout::Connecting;
        return;
    case ZevuConnectionState::Disconnected:
    case ZevuConnectionState::UnableToConnect:
        stopConnectedTimeUpdates();
        location = displayedLocation();
        ip = std::nullopt;
        refreshFavoriteImage();
        layout = Layout::Disconnected;
        return;
    case ZevuConnectionState::Redialing:
    case ZevuConnectionState::Disconnecting:
    case ZevuConnectionState::UnableToBrowse: return;
    }
}

void ConnectionLocationModel::applyCurrentStatus() {
    applyConnectionState(connectionStateFromVPNStatus(vpnStatus()));
}

void ConnectionLocationModel::startConnectedTimeUpdates() { ticker_.start(); }

void ConnectionLocationModel::stopConnectedTimeUpdates() { ticker_.stop(); }

void ConnectionLocationModel::getConnectedLocation() {
    const auto current = c_.appPreference.onGoingConnectionId();
    if (current == locationLoadedForId_) return;
    if (loadingLocation) return;
    location = nullptr;
    loadingLocation = true;
    if (!c_.fetchConnectedLocation) return;
    QPointer<ConnectionLocationModel> self(this);
    c_.fetchConnectedLocation([self, current](LocationResult result) {
        dashboard::runOnMainThread(self, [self, current, result] { self->connectedLocationArrived(current, result); });
    });
}

void ConnectionLocationModel::connectedLocationArrived(const std::optional<std::string>& requestedFor,
                                                       const LocationResult& result) {
    loadingLocation = false;
    if (c_.appPreference.onGoingConnectionId() != requestedFor) {
        // The answer is about a connection that has since been replaced: showing it would label
        // the new tunnel with the old place. Ask about the tunnel that is up now instead.
        if (vpnStatus() == kConnected) getConnectedLocation();
        return;
    }
    if (!result || !result->locationName || !result->isoCode || !result->ip) return;
    locationLoadedForId_ = requestedFor;
    location = std::make_shared<ZevuDataFetcherTypes::Server>(*result->isoCode, *result->locationName,
                                                              ZevuDataFetcherTypes::ServerType::Country, *result->isoCode);
    ip = *result->ip;
}

void ConnectionLocationModel::favoriteButtonClicked() {
    if (const auto shown = displayedLocation()) {
        if (!shown->favorite) {
            c_.bpc.addToFavorites(shown, vpnStatus() == kConnected ? SavedLocations::FavoriteSource::Connected
                                                                   : SavedLocations::FavoriteSource::Disconnected);
        } else {
            c_.bpc.removeFromFavorites(shown);
        }
    }
    refreshFavoriteImage();
}

}  // namespace morvex
