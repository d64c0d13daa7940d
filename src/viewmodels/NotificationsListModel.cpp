#include "viewmodels/NotificationsListModel.h"

#include <QUrl>
#include <QStringList>
#include <QUrlQuery>
#include <algorithm>
#include <cctype>
#include <map>

#include "alerts/BaseViewController.h"
#include "appkit/Workspace.h"
#include "foundation/Bundle.h"
#include "foundation/RunningApplications.h"
#include "model/BundleInfo.h"
#include "model/WebLink.h"
#include "state/AppManager.h"
#include "flows/MorvexVPNService.h"
#include "zevu/ZevuCore.h"

namespace morvex {

namespace {

std::optional<std::string> textObject(const std::any& object) {
    if (const auto* s = std::any_cast<std::string>(&object)) return *s;
    if (const auto* s = std::any_cast<std::string_view>(&object)) return std::string(*s);
    return std::nullopt;
}

// Our own programs by identifier: the application itself (a second start hands over to the one
// running). Nothing from outside ever names a file.
bool launchOwnApplication(const std::string& identifier) {
    const Bundle& bundle = Bundle::main();
    const auto own = bundle.bundleIdentifier();
    if (!own || identifier != *own) return false;
    const std::string program = bundle.string("Application Name").value_or("MorvexVPN");
    return RunningApplications::launchApplication(bundle.executableDirectory() / program).has_value();
}

}  // namespace

NotificationsListModel::NotificationsListModel() : NotificationsListModel(Collaborators{}) {}

NotificationsListModel::NotificationsListModel(Collaborators collaborators, AppPreferences appPreferences, User user,
                                               EventTracker eventTracker)
    : c_(std::move(collaborators)),
      appPreferences_(std::move(appPreferences)),
      user_(std::move(user)),
      eventTracker_(std::move(eventTracker)) {
    if (!c_.openURL) c_.openURL = [](const std::string& url) { return appkit::Workspace::shared().openURL(url); };
    if (!c_.launchApplication) c_.launchApplication = launchOwnApplication;
    if (!c_.vpn) c_.vpn = AlertServices::installed().vpn;
    if (!c_.connect || !c_.updateRecommendedLocation) {
        auto zevu = std::make_shared<Zevu>(MorvexVPNService::makeZevu());
        if (!c_.connect) c_.connect = zevu->connectToLocationHook();
        if (!c_.updateRecommendedLocation) c_.updateRecommendedLocation = [zevu] { zevu->updateRecommendedLocation(); };
    }
    if (!c_.appManager) c_.appManager = &AppManager::shared();
    if (!c_.centre) c_.centre = &NotificationCenter::defaultCenter();
}

// ---- the list ----

bool NotificationsListModel::isShown(const AppNotification& n, double appVersion) {
    if (n.closed()) return false;
    if (n.appVersionFrom() > 0 && appVersion < n.appVersionFrom()) return false;
    if (n.appVersionTo() > 0 && appVersion > n.appVersionTo()) return false;
    return true;
}

double NotificationsListModel::runningVersion() {
    const QStringList parts = QString::fromStdString(infoShortVersionString()).split('.');
    bool ok = false;
    const double v = parts.mid(0, 2).join('.').toDouble(&ok);
    return ok ? v : 0;
}

std::int64_t NotificationsListModel::unreadCount(ManagedObjectContext& context, const std::optional<std::string>& username,
                                                 double appVersion) {
    if (!username) return 0;
    std::int64_t unread = 0;
    if (auto stored = AppNotification::fetch(context, username)) {
        for (const auto& n : *stored)
            if (!n->seen() && isShown(*n, appVersion)) ++unread;
    }
    return unread;
}

std::int64_t NotificationsListModel::storeUnreadCount(ManagedObjectContext& context, NotificationCenter& centre) {
    User user;
    const std::int64_t unread = unreadCount(context, user.vpnUsername());
    if (user.unreadNotificationCount() != unread) {
        user.setUnreadNotificationCount(unread);
        centre.post(NotificationCountDidChangeNotification);
    }
    return unread;
}

void NotificationsListModel::markAllSeen(ManagedObjectContext& context) {
    bool changed = false;
    for (const auto& n : rows_) {
        if (n->seen()) continue;
        n->setSeen(true);
        changed = true;
    }
    if (changed) (void)context.save();
    storeUnreadCount(context, *c_.centre);
}

void NotificationsListModel::reload(ManagedObjectContext& context, const std::string& username, double appVersion) {
    AppNotificationList shown;
    if (auto stored = AppNotification::fetch(context, username)) {
        for (auto& n : *stored)
            if (isShown(*n, appVersion)) shown.push_back(std::move(n));
    }
    beginResetModel();
    rows_ = std::move(shown);
    endResetModel();
}

int NotificationsListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant NotificationsListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
    const AppNotification& n = *rows_[static_cast<std::size_t>(index.row())];
    auto text = [](const std::string& s) { return QVariant(QString::fromStdString(s)); };
    switch (role) {
    case Qt::DisplayRole:
    case TitleRole: return text(n.title());
    case IdRole: return text(n.id());
    case MessageRole: return text(n.message());
    case CategoryRole: return text(n.category());
    case TypeRole: return text(n.type());
    case CreatedAtRole: return n.createdAt() ? QVariant(n.createdAt()->secondsSince1970) : QVariant();
    case PrimaryTitleRole: return text(n.ctaPrimaryTitle());
    case SecondaryTitleRole: return text(n.ctaSecondaryTitle());
    case SeenRole: return n.seen();
    default: return {};
    }
}

QHash<int, QByteArray> NotificationsListModel::roleNames() const {
    return {{IdRole, "id"},           {TitleRole, "title"},
            {MessageRole, "message"}, {CategoryRole, "category"},
            {TypeRole, "type"},       {CreatedAtRole, "createdAt"},
            {PrimaryTitleRole, "ctaPrimaryTitle"}, {SecondaryTitleRole, "ctaSecondaryTitle"},
            {SeenRole, "seen"}};
}

bool NotificationsListModel::close(int row, ManagedObjectContext& context) {
    if (row < 0 || row >= rowCount()) return false;
    const AppNotificationPtr n = rows_[static_cast<std::size_t>(row)];
    if (n->isPersistent()) return false;
    n->setClosed(true);
    (void)context.save();
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    return true;
}

bool NotificationsListModel::performCallToAction(int row, int button, ManagedObjectContext& context) {
    if (row < 0 || row >= rowCount() || (button != 0 && button != 1)) return false;
    const AppNotificationPtr n = rows_[static_cast<std::size_t>(row)];
    const std::string title = button == 0 ? n->ctaPrimaryTitle() : n->ctaSecondaryTitle();
    const std::string action = button == 0 ? n->ctaPrimaryAction() : n->ctaSecondaryAction();
    const std::string value = button == 0 ? n->ctaPrimaryValue() : n->ctaSecondaryValue();
    static const std::map<std::string, std::string_view, std::less<>> entryPoints = {
        {"url", OpenUrlPushNotification},
        {"app", OpenAppPushNotification},
        {"screen", OpenScreenPushNotification},
        {"member_area", OpenMemberAreaPushNotification},
        {"quick_connect", QuickConnectPushNotification},
    };
    auto entry = entryPoints.find(action);
    if (title.empty() || entry == entryPoints.end()) return false;
    n->setClicked(true);
    (void)context.save();
    eventTracker_.track(AnalyticsEvent::app_click_notification,
                        Dictionary{{"id", Value(n->id())}, {"cta", Value(title)}, {"action", Value(action)}});
    c_.centre->post(entry->second, value);
    return true;
}

// ---- actions ----

bool NotificationsListModel::isWholeWebLink(std::string_view text) {
    const QString whole = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    // No blank anywhere: surrounding words (or a second address) make it more than a link.
    if (whole.isEmpty() || std::any_of(whole.begin(), whole.end(), [](QChar c) { return c.isSpace(); })) return false;
    const QUrl url(whole, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) return false;
    // Nothing before the scheme: the text starts as the address does.
    return whole.startsWith(url.scheme() + QLatin1String("://"), Qt::CaseInsensitive);
}

bool NotificationsListModel::isApplicationIdentifier(std::string_view text) {
    return RunningApplications::busName(text).has_value() && text.find('/') == std::string_view::npos;
}

bool NotificationsListModel::openURL(const std::any& object) {
    const auto text = textObject(object);
    if (!text || !isWholeWebLink(*text)) return false;
    return c_.openURL(*text);
}

bool NotificationsListModel::openApp(const std::any& object) {
    const auto text = textObject(object);
    if (!text || !isApplicationIdentifier(*text)) return false;
    return c_.launchApplication(*text);
}

std::optional<std::int64_t> NotificationsListModel::tabForScreen(std::string_view screen) {
    static const std::map<std::string, std::int64_t, std::less<>> tabs = {
        {"dashboard", 0}, {"locations", 1}, {"settings", 2}, {"support", 3}, {"profile", 4}, {"refer-a-friend", 5},
    };
    auto it = tabs.find(screen);
    return it == tabs.end() ? std::nullopt : std::optional(it->second);
}

bool NotificationsListModel::openScreen(const std::any& object) {
    const auto text = textObject(object);
    if (!text) return false;
    const auto tab = tabForScreen(*text);
    if (!tab) return false;
    if (*text == "settings" && c_.performSegue) c_.performSegue("seguePreferences");
    c_.centre->post(BaseViewController::appShowControllerNotification, *tab);
    return true;
}

bool NotificationsListModel::openMemberArea(const std::any& object) {
    const auto target = textObject(object);
    if (!target) return false;
    const auto link = user_.urlWithIdentityQuery(WebLink::AutoLoginAppLink, "", user_.vpnUsername().value_or(""),
                                                 std::nullopt, std::nullopt,
                                                 std::vector<std::pair<std::string, std::string>>{{"redirect_to", *target}});
    return link && c_.openURL(*link);
}

void NotificationsListModel::quickConnect() {
    const int status = c_.vpn ? c_.vpn->getCurrentVPNStatus() : 0;
    if (status == zevu::rawValue(zevu::ZevuVPNState::Connecting)) {
        c_.vpn->cancelVPN();
        c_.appManager->lastVPNStateConnected = false;
    } else if (status == zevu::rawValue(zevu::ZevuVPNState::Connected)) {
        c_.vpn->disconnectVPN();
        c_.appManager->lastVPNStateConnected = false;
    } else {
        connectToRecommendedLocation(appPreferences_, ZevuTypes::SelectedInterfaceScreen::Dashboard, c_.connect,
                                     [](const std::optional<Error>&) {}, c_.updateRecommendedLocation);
    }
}

void NotificationsListModel::trackViewed() {
    eventTracker_.track(AnalyticsEvent::app_view_notification_center,
                        Dictionary{{"pending_notifications", Value(user_.unreadNotificationCount())}});
}

}  // namespace morvex
