#include "viewmodels/ExploreModel.h"

#include <QDateTime>
#include <QLocale>

namespace morvex {

std::string ExploreModel::lastPingText() const { return lastPingText(preferences_.pingedAt()); }

std::string ExploreModel::lastPingText(std::optional<Date> pingedAt) {
    if (!pingedAt) return "N/A";
    const auto when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(pingedAt->secondsSince1970 * 1000.0));
    // The user's language orders and names the parts ("11.12.26 03:31", "12/11/26 3:31 AM"), short
    // enough for the header beside the title.
    return QLocale().toString(when, QLocale::ShortFormat).toStdString();
}

}  // namespace morvex
