#include "app/WebLinkQuery.h"

#include <QUrl>
#include <QUrlQuery>

#include <mutex>

#include "foundation/Bundle.h"
#include "foundation/UserDefaults.h"

namespace morvex {

namespace {
std::mutex g_themeMutex;
std::function<bool()> g_isDark;
}  // namespace

void setWebLinkDarkAppearanceSource(std::function<bool()> isDark) {
    std::lock_guard lock(g_themeMutex);
    g_isDark = std::move(isDark);
}

std::string webLinkWithQueryItems(std::string_view address) {
    QUrl url(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size())));
    bool dark = false;
    {
        std::lock_guard lock(g_themeMutex);
        if (g_isDark) dark = g_isDark();
    }
    const auto version = QString::fromStdString(Bundle::main().string("Version").value_or(""));
    const auto locale = QString::fromStdString(
        UserDefaults::standard().string("AppPreference.preferredLanguageCode").value_or("de"));
    QUrlQuery query(url);
    query.addQueryItem("version", version);
    query.addQueryItem("platform", "mac");
    query.addQueryItem("utm_medium", "apps");
    query.addQueryItem("utm_source", "mac");
    query.addQueryItem("utm_campaign", version);
    query.addQueryItem("theme", dark ? "dark" : "light");
    query.addQueryItem("locale", locale);
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded).toStdString();
}

}  // namespace morvex
