#include "model/ServiceHosts.h"

#include <array>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

#include "foundation/Log.h"

namespace morvex::hosts {

namespace {

std::mutex overrideMutex;
std::optional<std::string> testOverride;
std::map<ServiceHost, std::string> roleOverrides;

const char* environmentName(ServiceHost host) {
    switch (host) {
    case ServiceHost::API: return "MORVEX_API_URL";
    case ServiceHost::Receipt: return "MORVEX_RECEIPT_URL";
    case ServiceHost::Asset: return "MORVEX_ASSET_URL";
    case ServiceHost::Configuration: return "MORVEX_CONFIGURATION_URL";
    case ServiceHost::SignIn: return "MORVEX_SIGNIN_URL";
    }
    return "MORVEX_SERVICE_URL";
}

std::optional<QUrl> parseBase(const std::string& text, const char* variable) {
    QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    bool ok = url.isValid() && (url.scheme() == "http" || url.scheme() == "https") && !url.host().isEmpty() &&
              !url.hasQuery() && !url.hasFragment();
    if (!ok) {
        if (variable) {
            static std::mutex reportedMutex;
            static std::set<std::string> reported;
            std::lock_guard lock(reportedMutex);
            if (reported.insert(variable).second)
                log::nslog(std::string(variable) + " is not an http(s) URL without query (\"" + text +
                           "\"); using the built-in hosts");
        }
        return std::nullopt;
    }
    QString path = url.path();
    while (path.endsWith('/')) path.chop(1);
    url.setPath(path);
    return url;
}

std::optional<QUrl> fromEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    if (!value || !*value) return std::nullopt;
    return parseBase(value, variable);
}

QUrl httpsHost(const char* host) {
    QUrl url;
    url.setScheme("https");
    url.setHost(host);
    return url;
}

}  // namespace

std::optional<QUrl> serviceURLOverride(ServiceHost host) {
    {
        std::lock_guard lock(overrideMutex);
        if (auto it = roleOverrides.find(host); it != roleOverrides.end()) return parseBase(it->second, nullptr);
        if (testOverride) return parseBase(*testOverride, nullptr);
    }
    if (auto role = fromEnvironment(environmentName(host))) return role;
    return fromEnvironment("MORVEX_SERVICE_URL");
}

void setServiceURLOverride(std::optional<std::string> url) {
    std::lock_guard lock(overrideMutex);
    testOverride = std::move(url);
    if (!testOverride) roleOverrides.clear();
}

void setServiceURLOverride(ServiceHost host, std::optional<std::string> url) {
    std::lock_guard lock(overrideMutex);
    if (url) roleOverrides[host] = std::move(*url);
    else roleOverrides.erase(host);
}

QUrl baseURL(ServiceHost host) {
    if (auto o = serviceURLOverride(host)) return *o;
    switch (host) {
    case ServiceHost::API: return httpsHost(kAPIHost);
    case ServiceHost::Receipt: return httpsHost(kReceiptHost);
    case ServiceHost::Asset: return httpsHost(kAssetHost);
    case ServiceHost::Configuration: return httpsHost(kConfigurationHost);
    case ServiceHost::SignIn: return httpsHost(kSignInHost);
    }
    return httpsHost(kAPIHost);
}

QUrl signInBaseURL() { return baseURL(ServiceHost::SignIn); }

std::string hostName(ServiceHost host) { return baseURL(host).host().toStdString(); }

std::string authority(ServiceHost host) {
    QUrl url = baseURL(host);
    std::string text = url.host().toStdString();
    if (url.port() != -1) text += ":" + std::to_string(url.port());
    return text;
}

bool isAPIHost(const QUrl& url) {
    if (url.host().isEmpty()) return false;
    QUrl api = baseURL(ServiceHost::API);
    int defaultPort = api.scheme() == "http" ? 80 : 443;
    return url.host().compare(api.host(), Qt::CaseInsensitive) == 0 &&
           url.port(defaultPort) == api.port(defaultPort);
}

}  // namespace morvex::hosts
