#include "viewmodels/ConnectionComponentsModel.h"

#include <QLocale>
#include <algorithm>
#include <cctype>
#include <utility>
#include <QPointer>
#include <QUrl>

#include "alerts/Alert.h"
#include "catalog/CountryNames.h"
#include "viewmodels/MainTab.h"
#include "foundation/Bundle.h"
#include "foundation/NotificationCenter.h"
#include "model/WebLink.h"
#include "model/WebLinks.h"
#include "state/AppManager.h"
#include "viewmodels/ConnectionLocationModel.h"
#include "viewmodels/DashboardText.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {

constexpr int kConnected = zevu::rawValue(zevu::ZevuVPNState::Connected);
constexpr int kConnecting = zevu::rawValue(zevu::ZevuVPNState::Connecting);
// Looked up when the user asks for help from the unable-to-connect bar.
constexpr std::int64_t kTroubleshootErrorCode = -408;

// The analytics properties that came with a failure: the user info's entries that are values.
std::optional<Dictionary> propertiesOf(const UserInfo& userInfo) {
    if (userInfo.empty()) return std::nullopt;
    Dictionary properties;
    for (const auto& [key, value] : userInfo) {
        if (const auto* v = std::any_cast<Value>(&value)) properties[key] = *v;
        else if (const auto* text = std::any_cast<std::string>(&value)) properties[key] = *text;
        else if (const auto* flag = std::any_cast<bool>(&value)) properties[key] = *flag;
        else if (const auto* number = std::any_cast<std::int64_t>(&value)) properties[key] = *number;
    }
    return properties;
}

// The whole text is one http or https link.
std::optional<std::string> wholeTextLink(const std::optional<std::string>& text) {
    if (!text || text->empty()) return std::nullopt;
    for (unsigned char ch : *text)
        if (std::isspace(ch)) return std::nullopt;
    const QUrl url(QString::fromStdString(*text), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != "http" && scheme != "https") return std::nullopt;
    return *text;
}

std::string englishRegionName(std::string code) {
    std::ranges::transform(code, code.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (code.size() != 2) return {};
    const auto territory = QLocale::codeToTerritory(QString::fromStdString(code));
    if (territory == QLocale::AnyTerritory) return {};
    return QLocale::territoryToString(territory).toStdString();
}

}  // namespace

ConnectionComponentsModel::Collaborators ConnectionComponentsModel::defaults() {
    Collaborators c;
    c.services = AlertServices::installed();
    c.eventTracker = MorvexVPNService::makeEventTracker();
    const Zevu zevu = MorvexVPNService::makeZevu();
    c.savedLocations = SavedLocations(PreservedPreferences(), AppPreferences(), c.eventTracker);
    c.connectionInfo = [zevu] { return zevu.currentConnectionInfo(); };
    c.connectedSince = [manager = zevu.zevuManager] { return manager->getConnectedTime(); };
    c.firewallEnabled = [](std::function<void(bool)> answer) {
        HelperComunicator().isAnyFirewallEnabled(true, std::move(answer));
    };
    c.showBar = [](const Bar& bar) { NotificationCenter::defaultCenter().post(ShowNotificationBarNotification, bar); };
    c.hideBar = [] { NotificationCenter::defaultCenter().post(HideNotificationBarNotification); };
    return c;
}

namespace {

class BarDelegate : public NotificationBarDelegate {
public:
    explicit BarDelegate(ConnectionComponentsModel* model) : model_(model) {}
    void notificationBarButtonClicked(NotificationBarAction action, const NotificationBarTypes::Notification& bar) override {
        if (model_) model_->notificationBarAction(action, bar);
    }

private:
    QPointer<ConnectionComponentsModel> model_;
};

}  // namespace

ConnectionComponentsModel::ConnectionComponentsModel(Collaborators collaborators, QObject* parent)
    : BaseViewModel(parent),
      c_(std::move(collaborators)),
      ticker_({c_.connectedSince, c_.now}, [this](const std::string& text) {
          if (state.value().counterText == text) return;
          PanelState next = state.value();
          next.counterText = text;
          state = next;
      }) {
    barDelegate_ = std::make_shared<BarDelegate>(this);
    c_.services = AlertServices::completed(std::move(c_.services));
    if (c_.location) {
        locationSubscription_ = c_.location->location.observe([this](const ServerPtr& loaded) {
            if (loaded) applyConnectedLocation();
        });
    }
}

ConnectionComponentsModel::~ConnectionComponentsModel() { stopConnectionTimer(); }

int ConnectionComponentsModel::vpnStatus() const { return c_.services.vpn ? c_.services.vpn->getCurrentVPNStatus() : 0; }

// ---- presentation ----

void ConnectionComponentsModel::apply(ZevuConnectionState shown) {
    PanelState s = state.value();
    s.header = shown;
    switch (shown) {
    case ZevuConnectionState::Connected:
        s.title = shown;
        s.protocolText = connectedProtocolText();
        s.arrowVisible = false;
        s.ipRowVisible = true;
        s.fastestVisible = false;
        s.protocolVisible = true;
        s.bottomVisible = true;
        s.cancelVisible = false;
        s.statusKey = "disconnect";
        break;
    case ZevuConnectionState::Connecting:
        s.title = shown;
        s.arrowVisible = false;
        s.fastestVisible = false;
        s.protocolVisible = false;
        s.bottomVisible = false;
        s.cancelVisible = true;
        s.statusKey = "";
        break;
    case ZevuConnectionState::Disconnected:
    case ZevuConnectionState::UnableToConnect:
        s.title = ZevuConnectionState::Disconnected;
        s.infoCardOpen = false;
        s.arrowVisible = true;
        s.ipRowVisible = false;
        s.fastestVisible = true;
        s.protocolVisible = false;
        s.bottomVisible = true;
        s.cancelVisible = false;
        s.recentlyConnectedVisible = false;
        s.recentlyConnectedEnabled = false;
        s.statusKey = "connect";
        break;
    case ZevuConnectionState::Redialing:
    case ZevuConnectionState::Disconnecting:
    case ZevuConnectionState::UnableToBrowse: break;
    }
    state = s;
}

std::string ConnectionComponentsModel::connectedProtocolText() const {
    if (!c_.connectionInfo) return {};
    const auto info = c_.connectionInfo();
    return dashboard::protocolDisplayText(info.dialedProtocol.value_or(info.selectedProtocol));
}

std::string ConnectionComponentsModel::counterText() const {
    return dashboard::connectedTimeText(c_.connectedSince ? c_.connectedSince() : std::nullopt, c_.now());
}

void ConnectionComponentsModel::startConnectionTimer() {
    PanelState s = state.value();
    s.counterVisible = true;
    s.counterText = counterText();
    state = s;
    ticker_.start();
}

void ConnectionComponentsModel::stopConnectionTimer() { ticker_.stop(); }

void ConnectionComponentsModel::refreshRecommendedServer(PanelState& s) const {
    // (server_ is assigned by the caller.)
    if (!server_) {
        s.quickConnectName.clear();
        s.quickConnectFlag.clear();
        s.favoriteImage = "LocationsFavoriteUnfilled";
        return;
    }
    s.quickConnectName = dashboard::locationNameWithCode(*server_);
    s.quickConnectFlag = dashboard::flagImageName(server_->code);
    s.favoriteImage = server_->favorite ? "LocationsFavoriteFilled" : "LocationsFavoriteUnfilled";
}

void ConnectionComponentsModel::applyConnectedLocation() {
    if (!c_.location || vpnStatus() != kConnected) return;
    const auto& loaded = c_.location->location.value();
    const auto onGoing = c_.appPreferences.onGoingConnectionId();
    if (!loaded || c_.location->locationLoadedForId() != onGoing) return;
    const auto last = c_.appPreferences.lastConnection();
    server_ = last ? last->server : nullptr;
    locationLoadedForId_ = onGoing;
    PanelState s = state.value();
    s.recentlyConnectedName = loaded->name;
    s.quickConnectFlag = dashboard::flagImageName(loaded->code);
    state = s;
}

void ConnectionComponentsModel::toggleInfoCard() {
    PanelState s = state.value();
    s.infoCardOpen = !s.infoCardOpen;
    state = s;
}

void ConnectionComponentsModel::closeInfoCard() {
    if (!state.value().infoCardOpen) return;
    PanelState s = state.value();
    s.infoCardOpen = false;
    state = s;
}

// ---- what the panel hears ----

void ConnectionComponentsModel::viewWillAppear() {
    if (isUserExpired()) raise(expiredBar());
    c_.preservedPreference.setIsFromDetail(false);
    if (isConnectedOrConnecting(vpnStatus())) return;
    server_ = c_.appPreferences.recommendedServer();
    PanelState s = state.value();
    refreshRecommendedServer(s);
    s.recentlyConnectedVisible = false;
    s.recentlyConnectedEnabled = false;
    state = s;
    apply(ZevuConnectionState::Disconnected);
    c_.preservedPreference.setIsAlreadyShownDetailScreen(false);
}

void ConnectionComponentsModel::zevuStateDidChange(const ZevuTypes::ConnectionInfo& info, const UserInfo& userInfo) {
    switch (info.state) {
    case ZevuConnectionState::Connected: {
        stopConnectionTimer();
        error_.reset();
        utcProperties_.reset();
        startConnectionTimer();
        if (c_.hideBar) c_.hideBar();
        apply(ZevuConnectionState::Connected);
        if (locationLoadedForId_ != c_.appPreferences.onGoingConnectionId()) {
            if (c_.location) {
                c_.location->getConnectedLocation();
                applyConnectedLocation();  // already loaded by the card
            }
        }
        if (c_.services.appManager) c_.services.appManager->lastVPNStateConnected = true;
        return;
    }
    case ZevuConnectionState::Connecting: {
        if (!isTimerRunning()) {
            if (c_.hideBar) c_.hideBar();
            error_.reset();
        }
        apply(ZevuConnectionState::Connecting);
        PanelState s = state.value();
        s.counterVisible = false;
        const auto onGoing = c_.appPreferences.onGoingConnectionId();
        if (connectingForId_ == onGoing) {
            state = s;
            return;
        }
        connectingForId_ = onGoing;
        if (requestedServer_) {
            server_ = requestedServer_;
            s.recentlyConnectedVisible = true;
            s.recentlyConnectedEnabled = true;
            s.recentlyConnectedName = dashboard::locationNameWithCode(*server_);
            s.recentlyConnectedFlag = dashboard::flagImageName(server_->code);
            bool favorite = false;
            for (const auto& f : c_.preservedPreference.favorites())
                if (f && f->id == server_->id) favorite = true;
            s.favoriteImage = favorite ? "LocationsFavoriteFilled" : "LocationsFavoriteUnfilled";
            s.quickConnectName = dashboard::locationDisplayName(*server_);
            s.quickConnectFlag = dashboard::flagImageName(server_->code);
        }
        state = s;
        return;
    }
    case ZevuConnectionState::Redialing: {
        error_ = info.error;
        PanelState s = state.value();
        s.counterVisible = false;
        state = s;
        utcProperties_ = propertiesOf(userInfo);
        return;
    }
    case ZevuConnectionState::Disconnected: {
        stopConnectionTimer();
        error_.reset();
        utcProperties_.reset();
        if (c_.hideBar) c_.hideBar();
        if (c_.dismissPresented) c_.dismissPresented();
        apply(ZevuConnectionState::Disconnected);
        c_.preservedPreference.setIsAlreadyShownDetailScreen(false);
        server_ = c_.appPreferences.recommendedServer();
        PanelState s = state.value();
        s.counterVisible = false;
        refreshRecommendedServer(s);
        state = s;
        return;
    }
    case ZevuConnectionState::UnableToConnect: {
        apply(ZevuConnectionState::UnableToConnect);
        c_.preservedPreference.setIsAlreadyShownDetailScreen(false);
        server_ = c_.appPreferences.recommendedServer();
        stopConnectionTimer();
        PanelState s = state.value();
        refreshRecommendedServer(s);
        s.counterVisible = false;
        state = s;
        error_ = info.error;
        utcProperties_ = propertiesOf(userInfo);
        if (c_.firewallEnabled) {
            QPointer<ConnectionComponentsModel> self(this);
            c_.firewallEnabled([self](bool enabled) {
                if (!self || !enabled) return;
                if (self->c_.preservedPreference.selectedProtocol() == VPNProtocol::WireGuard) return;
                Alert(self->c_.services).showIKSUTCAlert(nullptr, self->c_.appPreferences, self->c_.eventTracker);
            });
        }
        if (c_.dismissPresented) c_.dismissPresented();
        if (error_ && error_->code != silentFailureCode) {
            if (error_->action.value_or("") != rawValue(AppError::AppErrorAction::ShowAdvanceScreen))
                trackViewTroubleshoot("disconnected", false, utcProperties_);
            raise(unableToConnectBar(*error_));
        }
        return;
    }
    case ZevuConnectionState::Disconnecting:
    case ZevuConnectionState::UnableToBrowse: return;
    }
}

void ConnectionComponentsModel::connectionRequested(ServerPtr server) { requestedServer_ = std::move(server); }

void ConnectionComponentsModel::networkReachabilityChanged(bool reachable) {
    if (vpnStatus() == kConnecting) return;
    if (!reachable) {
        networkLost_ = true;
        raise(noInternetBar());
        return;
    }
    if (c_.hideBar) c_.hideBar();
    // Only a return of the network reconnects: the monitor also reports "reachable" when the
    // tunnel's own interface comes up, and reconnecting then would tear down a working tunnel
    // again and again.
    const bool returned = std::exchange(networkLost_, false);
    if (!returned || !c_.services.appManager || !c_.services.appManager->lastVPNStateConnected) return;
    c_.appPreferences.setOnGoingConnectionId(connectionIdNow());
    if (c_.services.vpn) {
        c_.services.vpn->setDoCheckInternetConnectivity(false);
        c_.services.vpn->reconnectVPN();
    }
}

void ConnectionComponentsModel::fetchIP(const std::optional<std::string>& ip) {
    const auto last = c_.appPreferences.lastConnection();
    const std::string code = last && last->server ? last->server->code : std::string();
    const std::string region = countryDisplayName(code, englishRegionName(code));
    PanelState s = state.value();
    s.quickConnectName = region + " - " + ip.value_or(localized("connection.ip.fetching"));
    state = s;
}

void ConnectionComponentsModel::loginChanged(bool loggedIn) {
    if (!loggedIn && c_.hideBar) c_.hideBar();
}

void ConnectionComponentsModel::accountSwitched() {
    if (c_.hideBar) c_.hideBar();
}

// ---- what the user does ----

void ConnectionComponentsModel::recommendedLocationClicked() {
    const int status = vpnStatus();
    if (status == kConnected || status == kConnecting) {
        if (c_.services.vpn) {
            if (status == kConnected) c_.services.vpn->disconnectVPN();
            else c_.services.vpn->cancelVPN();
        }
        if (c_.services.appManager) c_.services.appManager->lastVPNStateConnected = false;
        return;
    }
    if (c_.accountGate && !c_.accountGate()) return;
    if (c_.connectToRecommendedServer) c_.connectToRecommendedServer();
}

void ConnectionComponentsModel::showLocationScreen() {
    if (isConnectedOrConnecting(vpnStatus())) return;
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Locations);
}

void ConnectionComponentsModel::favoriteClicked() {
    if (!server_) return;
    bool favorite = false;
    for (const auto& f : c_.preservedPreference.favorites())
        if (f && f->id == server_->id) favorite = true;
    if (!favorite) c_.savedLocations.addToFavorites(server_, SavedLocations::FavoriteSource::Connecting);
    else c_.savedLocations.removeFromFavorites(server_);
    PanelState s = state.value();
    s.favoriteImage = !favorite ? "LocationsFavoriteFilled" : "LocationsFavoriteUnfilled";
    state = s;
}

// ---- bars ----

ConnectionComponentsModel::Bar ConnectionComponentsModel::expiredBar() const {
    Bar bar;
    bar.id = expiredBarId;
    bar.message = localized("user.subscription.expired.message");
    bar.primaryButtonTitle = localized("renew.now");
    bar.isFromExpire = true;
    return bar;
}

ConnectionComponentsModel::Bar ConnectionComponentsModel::noInternetBar() {
    Bar bar;
    bar.id = noInternetBarId;
    bar.message = localized("no.internet");
    return bar;
}

ConnectionComponentsModel::Bar ConnectionComponentsModel::unableToConnectBar(const AppError& error) {
    Bar bar;
    bar.id = unableToConnectBarId;
    bar.title = localized("cannot.connect");
    bar.message = localized("error." + std::to_string(error.code));
    bar.primaryButtonTitle = error.primaryCta;
    bar.secondaryButtonTitle = error.secondaryCta;
    return bar;
}

void ConnectionComponentsModel::raise(const Bar& request) {
    Bar bar = request;
    bar.delegate = barDelegate_;
    trackTopbarShown(bar);
    if (c_.showBar) c_.showBar(bar);
}

void ConnectionComponentsModel::notificationBarAction(BarControl control, const Bar& bar) {
    const std::string primary = bar.primaryButtonTitle.value_or("");
    const std::string secondary = bar.secondaryButtonTitle.value_or("");
    if (bar.id == unableToConnectBarId) {
        switch (control) {
        case BarControl::primary:
            c_.eventTracker.track(AnalyticsEvent::app_click_topbar_primary_cta,
                                  Dictionary{{"title", primary}, {"action", "troubleshoot"}});
            return startTroubleshoot();
        case BarControl::secondary:
            c_.eventTracker.track(AnalyticsEvent::app_click_topbar_secondary_cta,
                                  Dictionary{{"title", secondary}, {"action", "troubleshoot"}});
            return trackCancelTroubleshoot(utcProperties_);
        case BarControl::close:
            trackTopbarClosed(bar.title + " " + bar.message, primary, secondary);
            return trackCancelTroubleshoot(utcProperties_);
        }
    } else if (bar.id == expiredBarId) {
        switch (control) {
        case BarControl::primary: return openRenewalPage();
        case BarControl::secondary: return;
        case BarControl::close:
            trackTopbarClosed(bar.title + " " + bar.message, primary, secondary);
            return trackCancelTroubleshoot(utcProperties_);
        }
    }
}

void ConnectionComponentsModel::startTroubleshoot() {
    if (c_.services.vpn) c_.services.vpn->cancelVPN();
    if (c_.services.appManager) c_.services.appManager->lastVPNStateConnected = false;
    const AppError record = AppError::lookup(kTroubleshootErrorCode, false);
    if (record.action.value_or("") == "troubleshoot") {
        trackStartTroubleshoot("connecting", "troubleshoot", utcProperties_);
        UserInfo request;
        request["utcProperties"] = utcProperties_.value_or(Dictionary{});
        if (error_) request["error"] = *error_;
        NotificationCenter::defaultCenter().post(requestTroubleshootNotification, request);
        return;
    }
    if (const auto link = wholeTextLink(record.url)) {
        trackStartTroubleshoot("connecting", "support", utcProperties_);
        if (c_.services.openURL) c_.services.openURL(*link);
    }
}

// ---- the model's own ----

bool ConnectionComponentsModel::isUserExpired() const { return c_.user.status() == User::Status::Expired; }

void ConnectionComponentsModel::trackViewTroubleshoot(std::string_view vpnState, bool timeout,
                                                      const std::optional<Dictionary>& properties) {
    Dictionary p = properties.value_or(Dictionary{});
    p["vpn_state"] = std::string(vpnState);
    p["is_timeout"] = timeout;
    c_.eventTracker.track(AnalyticsEvent::app_view_troubleshoot, p);
}

void ConnectionComponentsModel::trackStartTroubleshoot(std::string_view vpnState, std::string_view action,
                                                       const std::optional<Dictionary>& properties) {
    Dictionary p = properties.value_or(Dictionary{});
    p["vpn_state"] = std::string(vpnState);
    p["action"] = std::string(action);
    c_.eventTracker.track(AnalyticsEvent::app_start_troubleshoot, p);
}

void ConnectionComponentsModel::trackCancelTroubleshoot(const std::optional<Dictionary>& properties) {
    Dictionary p = properties.value_or(Dictionary{});
    p["source"] = std::string("topbar");
    c_.eventTracker.track(AnalyticsEvent::app_cancel_troubleshoot, p);
}

void ConnectionComponentsModel::trackTopbarShown(const Bar& bar) {
    c_.eventTracker.track(AnalyticsEvent::app_view_topbar,
                          Dictionary{{"message", bar.title + " " + bar.message},
                                     {"primary_cta_title", bar.primaryButtonTitle.value_or("")},
                                     {"secondary_cta_title", bar.secondaryButtonTitle.value_or("")},
                                     {"persistent", bar.closeable}});
}

void ConnectionComponentsModel::trackTopbarClosed(std::string_view message, std::string_view primaryTitle,
                                                  std::string_view secondaryTitle) {
    c_.eventTracker.track(AnalyticsEvent::app_click_close_topbar,
                          Dictionary{{"message", std::string(message)},
                                     {"primary_cta_title", std::string(primaryTitle)},
                                     {"secondary_cta_title", std::string(secondaryTitle)}});
}

std::string ConnectionComponentsModel::renewalPage() {
    return webLinkWithQueryItems(WebHosts::webSite() + "/us/en/home/renewal");
}

void ConnectionComponentsModel::openRenewalPage() {
    if (c_.services.openURL) c_.services.openURL(renewalPage());
}

}  // namespace morvex
