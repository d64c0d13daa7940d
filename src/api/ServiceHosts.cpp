#include "api/ServiceHosts.h"

#include <cstdlib>
#include <mutex>

#include "foundation/Log.h"

namespace morvex::hosts {

namespace {

std::mutex overrideMutex;
std::optional<std::string> testOverride;

std::optional<QUrl> parseBase(const std::string& text, bool report) {
    QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    bool ok = url.isValid() && (url.scheme() == "http" || url.scheme() == "https") && !url.host().isEmpty() &&
              !url.hasQuery() && !url.hasFragment();
    if (!ok) {
        if (report) {
            static std::once_flag once;
            std::call_once(once, [&] {
                log::nslog("MORVEX_SERVICE_URL is not an http(s) URL without query (\"" + text +
                           "\"); using the built-in hosts");
            });
        }
        return std::nullopt;
    }
    QString path = url.path();
    while (path.endsWith('/')) path.chop(1);
    url.setPath(path);
    return url;
}

QUrl httpsHost(const char* host) {
    QUrl url;
    url.setScheme("https");
    url.setHost(host);
    return url;
}

}  // namespace

std::optional<QUrl> serviceURLOverride() {
    {
        std::lock_guard lock(overrideMutex);
        if (testOverride) return parseBase(*testOverride, false);
    }
    const char* env = std::getenv("MORVEX_SERVICE_URL");
    if (!env || !*env) return std::nullopt;
    return parseBase(env, true);
}

void setServiceURLOverride(std::optional<std::string> url) {
    std::lock_guard lock(overrideMutex);
    testOverride = std::move(url);
}

QUrl baseURL(ServiceHost host) {
    if (auto o = serviceURLOverride()) return *o;
    switch (host) {
    case ServiceHost::API: return httpsHost(kAPIHost);
    case ServiceHost::Receipt: return httpsHost(kReceiptHost);
    case ServiceHost::Asset: return httpsHost(kAssetHost);
    case ServiceHost::Configuration: return httpsHost(kConfigurationHost);
    }
    return httpsHost(kAPIHost);
}

QUrl signInBaseURL() {
    if (auto o = serviceURLOverride()) return *o;
    return httpsHost(kSignInHost);
}

std::string hostName(ServiceHost host) { return baseURL(host).host().toStdString(); }

bool isAPIHost(const QUrl& url) {
    if (url.host().isEmpty()) return false;
    QUrl api = baseURL(ServiceHost::API);
    int defaultPort = api.scheme() == "http" ? 80 : 443;
    return url.host().compare(api.host(), Qt::CaseInsensitive) == 0 &&
           url.port(defaultPort) == api.port(defaultPort);
}

}  // namespace morvex::hosts
