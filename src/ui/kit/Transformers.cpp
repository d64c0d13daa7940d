#include "ui/kit/Transformers.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "model/ServerRecord.h"
#include "foundation/Bundle.h"
#include "foundation/BundleResources.h"
#include "foundation/Value.h"
#include "model/ZevuTypes.h"
#include "viewmodels/AppNotification.h"

namespace morvex::transformers {

namespace {

using Server = ZevuDataFetcherTypes::Server;
using ServerType = ZevuDataFetcherTypes::ServerType;

template <class T>
std::optional<std::int64_t> integerAs(const std::any& value) {
    if (const T* v = std::any_cast<T>(&value)) return static_cast<std::int64_t>(*v);
    return std::nullopt;
}

std::optional<std::int64_t> integerValue(const std::any& value) {
    if (auto v = integerAs<int>(value)) return v;
    if (auto v = integerAs<long>(value)) return v;
    if (auto v = integerAs<long long>(value)) return v;
    if (auto v = integerAs<unsigned>(value)) return v;
    if (auto v = integerAs<std::uint8_t>(value)) return v;
    return std::nullopt;
}

std::optional<ZevuConnectionState> stateValue(const std::any& value) {
    if (const auto* s = std::any_cast<ZevuConnectionState>(&value)) return *s;
    if (auto raw = integerValue(value)) return zevuConnectionStateFromRaw(*raw);
    return std::nullopt;
}

const Server* serverValue(const std::any& value) {
    if (const auto* p = std::any_cast<std::shared_ptr<Server>>(&value)) return p->get();
    if (const auto* p = std::any_cast<std::shared_ptr<const Server>>(&value)) return p->get();
    return std::any_cast<Server>(&value);
}

std::optional<bool> flagValue(const std::any& value) {
    if (const bool* b = std::any_cast<bool>(&value)) return *b;
    if (auto n = integerValue(value); n && (*n == 0 || *n == 1)) return *n == 1;
    return std::nullopt;
}

std::optional<QDate> dateValue(const std::any& value) {
    if (const auto* d = std::any_cast<Date>(&value)) {
        return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(d->secondsSince1970 * 1000.0)).date();
    }
    if (const auto* d = std::any_cast<QDateTime>(&value); d && d->isValid()) return d->toLocalTime().date();
    if (const auto* d = std::any_cast<QDate>(&value); d && d->isValid()) return *d;
    return std::nullopt;
}

// The number of elements of a list value; nothing for a value that is not a list.
std::optional<std::size_t> listSize(const std::any& value) {
    if (const auto* l = std::any_cast<ZevuDataFetcherTypes::ServerList>(&value)) return l->size();
    if (const auto* l = std::any_cast<AppNotificationList>(&value)) return l->size();
    if (const auto* l = std::any_cast<std::vector<std::any>>(&value)) return l->size();
    if (const auto* l = std::any_cast<std::vector<std::string>>(&value)) return l->size();
    return std::nullopt;
}

std::string displayName(const Server& server, bool addressForDedicatedIp) {
    switch (server.type) {
    case ServerType::City:
        return server.name + ", " + server.code;
    case ServerType::DedicatedIp:
        return addressForDedicatedIp ? server.ip : server.name;
    default:
        return server.name;
    }
}

}  // namespace

std::optional<std::string> textValue(const std::any& value) {
    if (const auto* s = std::any_cast<std::string>(&value)) return *s;
    if (const auto* s = std::any_cast<std::string_view>(&value)) return std::string(*s);
    if (const auto* s = std::any_cast<const char*>(&value); s && *s) return std::string(*s);
    if (const auto* s = std::any_cast<QString>(&value)) return s->toStdString();
    return std::nullopt;
}

std::string vpnStateText(const std::any& value) {
    const auto state = stateValue(value);
    if (!state) return localized("vpn.disconnected");
    switch (*state) {
    case ZevuConnectionState::Connected:
    case ZevuConnectionState::UnableToBrowse:
        return localized("vpn.connected");
    case ZevuConnectionState::Connecting:
    case ZevuConnectionState::Redialing:
        return localized("vpn.connecting");
    case ZevuConnectionState::Disconnecting:
        return localized("vpn.disconnecting");
    case ZevuConnectionState::Disconnected:
    case ZevuConnectionState::UnableToConnect:
        break;
    }
    return localized("vpn.disconnected");
}

std::string vpnStateImageName(const std::any& value) {
    const auto state = stateValue(value);
    if (!state) return "Disconnected";
    switch (*state) {
    case ZevuConnectionState::Connected:
    case ZevuConnectionState::UnableToBrowse:
        return "Connected";
    case ZevuConnectionState::Connecting:
    case ZevuConnectionState::Redialing:
    case ZevuConnectionState::Disconnecting:
        return "Connecting";
    case ZevuConnectionState::Disconnected:
    case ZevuConnectionState::UnableToConnect:
        break;
    }
    return "Disconnected";
}

std::optional<std::string> vpnStateButtonTitle(const std::any& value) {
    const auto state = stateValue(value);
    if (!state) return std::nullopt;
    const bool offOrGoingOff = *state == ZevuConnectionState::Disconnected || *state == ZevuConnectionState::Disconnecting;
    return localized(offOrGoingOff ? "vpn.connect" : "vpn.disconnect");
}

std::optional<std::string> serverName(const std::any& value) {
    const Server* server = serverValue(value);
    if (!server) return std::nullopt;
    return displayName(*server, true);
}

std::optional<std::string> connectingServerName(const std::any& value) {
    const Server* server = serverValue(value);
    if (!server) return std::nullopt;
    return displayName(*server, false);
}

std::string pingLabel(const std::any& value) {
    const Server* server = serverValue(value);
    if (!server || server->latency == 0 || server->latency == Server::unmeasuredLatency) return "-----";
    return std::to_string(server->latency) + "ms";
}

bool supportButtonEnable(const std::any& value) {
    const auto text = textValue(value);
    return text && !QString::fromStdString(*text).trimmed().isEmpty();
}

std::optional<std::string> timeAgo(const std::any& value, std::optional<QDate> today) {
    const auto date = dateValue(value);
    if (!date) return std::nullopt;
    const QDate reference = today.value_or(QDate::currentDate());
    switch (reference.daysTo(*date)) {
    case 0:
        return localized("date.relative.today");
    case -1:
        return localized("date.relative.yesterday");
    case 1:
        return localized("date.relative.tomorrow");
    default:
        break;
    }
    // The locale's long date, without its weekday.
    const QLocale locale;
    QString format = locale.dateFormat(QLocale::LongFormat);
    for (const QString& weekday : {QStringLiteral("dddd, "), QStringLiteral("dddd "), QStringLiteral(", dddd"),
                                  QStringLiteral("dddd")}) {
        format.remove(weekday);
    }
    return locale.toString(*date, format.trimmed()).toStdString();
}

std::string addonDate(const std::any& value) {
    const auto text = textValue(value);
    if (!text) return "";
    const QDate date = QDate::fromString(QString::fromStdString(*text), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) return "";
    return QLocale().toString(date, QStringLiteral("dd MMM, yyyy")).toStdString();
}

bool countriesEmpty(const std::any& value) {
    const auto size = listSize(value);
    return size && *size == 0;
}

bool countriesNotEmpty(const std::any& value) {
    const auto size = listSize(value);
    return size && *size > 0;
}

std::optional<std::string> flagImageName(const std::any& value) {
    const auto code = textValue(value);
    if (!code) return std::nullopt;
    return QString::fromStdString(*code).toLower().toStdString();
}

std::string favoriteImageName(const std::any& value) {
    return flagValue(value).value_or(false) ? "LocationsFavoriteFilled" : "LocationsFavoriteUnfilled";
}

std::string notificationIconName(const std::any& value) {
    static const std::map<std::string, std::string, std::less<>> icons = {
        {"accounts", "NotificationAccounts"},   {"billing", "NotificationBilling"},
        {"marketing", "NotificationMarketing"}, {"feedback", "NotificationFeedback"},
        {"app", "NotificationApp"},             {"on_boarding", "NotificationOnBoarding"},
    };
    if (const auto category = textValue(value)) {
        if (auto it = icons.find(*category); it != icons.end()) return it->second;
    }
    return "NotificationDefault";
}

bool notificationEmpty(const std::any& value) {
    const auto size = listSize(value);
    return size && *size > 0;
}

bool notificationNonEmpty(const std::any& value) {
    const auto size = listSize(value);
    return size && *size == 0;
}

bool notificationCloseable(const std::any& value) {
    const auto type = textValue(value);
    return !type || *type == AppNotification::persistentType;
}

bool notificationCtaHidden(const std::any& value) {
    const auto title = textValue(value);
    return !title || title->empty();
}

std::any imageFromName(const std::optional<std::string>& name) {
    if (!name || name->empty()) return {};
    const auto file = imageNamed(*name);
    if (!file) return {};
    QIcon icon(QString::fromStdString(file->string()));
    if (icon.isNull()) return {};
    return icon;
}

}  // namespace morvex::transformers
