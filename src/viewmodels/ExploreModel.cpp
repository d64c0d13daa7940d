#include "viewmodels/ExploreModel.h"

#include <QDateTime>
#include <QLocale>

#include "foundation/Bundle.h"

namespace morvex {

std::string ExploreModel::lastPingText() const { return lastPingText(preferences_.pingedAt()); }

std::string ExploreModel::lastPingText(std::optional<Date> pingedAt) {
    if (!pingedAt) return "N/A";
    const auto when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(pingedAt->secondsSince1970 * 1000.0));
    // The calendar year and the 24-hour clock, in the order of the user's language ("December 30,
    // 2024 21:05", "30.12.2024 21:05"): the pattern is part of the strings tables.
    const QString pattern = QString::fromStdString(localized("explore.last.ping.format"));
    return QLocale().toString(when, pattern).toStdString();
}

}  // namespace morvex
