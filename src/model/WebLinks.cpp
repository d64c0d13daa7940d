#include "model/WebLinks.h"

#include <QUrl>
#include <QUrlQuery>
#include <mutex>

#include "model/BundleInfo.h"
#include "foundation/UserDefaults.h"

namespace morvex {

namespace {

std::mutex providerMutex;
std::function<std::string()>& provider() {
    static std::function<std::string()> p;
    return p;
}

}  // namespace

std::string currentThemeName() {
    std::function<std::string()> p;
    {
        std::lock_guard lock(providerMutex);
        p = provider();
    }
    return p && p() == "dark" ? "dark" : "light";
}

void setCurrentThemeNameProvider(std::function<std::string()> p) {
    std::lock_guard lock(providerMutex);
    provider() = std::move(p);
}

std::string webLinkWithQueryItems(std::string_view url) {
    QUrl link(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())), QUrl::StrictMode);
    if (!link.isValid()) return std::string(url);
    const QString version = QString::fromStdString(appVersionText());
    const QString locale =
        QString::fromStdString(UserDefaults::standard().string("AppPreference.preferredLanguageCode").value_or("de"));
    QUrlQuery query(link);
    query.addQueryItem("version", version);
    query.addQueryItem("platform", "mac");
    query.addQueryItem("utm_medium", "apps");
    query.addQueryItem("utm_source", "mac");
    query.addQueryItem("utm_campaign", version);
    query.addQueryItem("theme", QString::fromStdString(currentThemeName()));
    query.addQueryItem("locale", locale);
    link.setQuery(query);
    if (!link.isValid()) return std::string(url);
    return link.toString(QUrl::FullyEncoded).toStdString();
}

}  // namespace morvex
