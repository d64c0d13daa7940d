#include "viewmodels/ExploreModel.h"

#include <QDateTime>
#include <QLocale>

namespace morvex {

std::string ExploreModel::lastPingText() const { return lastPingText(preferences_.pingedAt()); }

std::string ExploreModel::lastPingText(std::optional<Date> pingedAt) {
    if (!pingedAt) return "N/A";
    const auto when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(pingedAt->secondsSince1970 * 1000.0));
    return QLocale().toString(when, QStringLiteral("MMMM dd, yyyy HH:mm")).toStdString();
}

}  // namespace morvex
