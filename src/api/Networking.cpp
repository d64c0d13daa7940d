#include "api/Networking.h"

#include <QUrlQuery>

#include <cctype>
#include <chrono>
#include <cmath>

#include "api/AccessTokenInterceptor.h"
#include "api/DomainFronting.h"
#include "model/BundleInfo.h"
#include "model/ServiceHosts.h"
#include "foundation/Value.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "foundation/LogMasking.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "zevu/ZevuCore.h"
#include "state/User.h"

namespace morvex {

namespace {

bool validUTF8(std::string_view s) {
    auto text = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    return text.toUtf8() == QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

Networking& Networking::shared() {
    static OnceToken once;
    static Networking* instance = nullptr;
    dispatchOnce(once, [] { instance = new Networking(); });
    return *instance;
}

Networking::Networking(AuthProtocol* auth, http::Session& session) : auth(auth), session(session) {}

std::optional<std::map<std::string, std::string>> Networking::queryItems(const std::optional<Parameters>& parameters) {
    if (!parameters || !parameters->is_object() || parameters->empty()) return std::nullopt;
    std::map<std::string, std::string> items;
    for (const auto& [key, value] : parameters->items()) {
        // A number or a flag is sent as its text rather than losing the whole query over it.
        if (value.is_string()) items[key] = value.get<std::string>();
        else if (value.is_null()) items[key] = "";
        else items[key] = value.dump();
    }
    return items;
}

Error Networking::emptyBodyError() {
    return Error(std::string(kMorvexVPNErrorDomain), -1,
                 "Unable to get response. response_code = 200 but the body is nil or empty OR Doesn't have the "
                 "expected response with exact type");
}

std::string Networking::responseLogLine(const http::DataResponse& response) {
    std::string component = "nil";
    if (response.request && !response.request->url.isEmpty()) {
        // The path's components as the platform lists them: "/" first, then each segment.
        QStringList parts{"/"};
        for (const auto& segment : response.request->url.path().split('/', Qt::SkipEmptyParts)) parts << segment;
        if (parts.size() >= 2) component = "Optional(\"" + parts[parts.size() - 2].toStdString() + "\")";
    }
    const std::string& bytes = response.data ? *response.data : std::string();
    return "Response of " + component + ": " + log::describeBody(bytes);
}

std::string Networking::urlLogText(const QUrl& url) {
    std::string text = url.toString(QUrl::FullyEncoded | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo).toStdString();
    const QUrlQuery query(url);
    char joiner = '?';
    for (const auto& [name, value] : query.queryItems(QUrl::FullyEncoded)) {
        text += joiner + name.toStdString() + "=…";
        joiner = '&';
    }
    return text;
}

void Networking::send(const QUrl& url, Endpoint endpoint, http::Method method,
                      const std::optional<Parameters>& parameters, const std::optional<HeaderFields>& headers,
                      std::function<void(const http::DataResponse&)> answer) {
    http::Request request{url, method};
    if (endpoint == Endpoint::StorePlans) {
        QUrl versioned(url.toString(QUrl::FullyEncoded) + "&version=" + QString::fromStdString(infoShortVersionString()),
                       QUrl::StrictMode);
        if (versioned.isValid()) request.url = versioned;
    }
    if (headers)
        for (const auto& [name, value] : *headers) request.headers.set(name, value);
    if (parameters) request.setJSONBody(*parameters);
    auto interceptor = std::make_shared<AccessTokenInterceptor>(scope(endpoint), AppPreferences(), User(),
                                                                auth ? &auth->oauth() : nullptr, auth);
    session.request(std::move(request), std::move(interceptor), true, std::move(answer));
}

std::optional<QUrl> Networking::alternativeURL(const http::DataResponse& response, const QUrl& url) {
    if (response.response) {
        int status = response.response->statusCode;
        if (status == 200 || status == 400 || status == 401) return std::nullopt;
    }
    auto domains = DomainFronting::shared().domainData;
    if (!domains) return std::nullopt;
    AppPreferences preferences;
    return domains->nextURL(url, preferences);
}

void Networking::reportResponseTime(Endpoint endpoint, const http::DataResponse& response) {
    double milliseconds = response.duration ? *response.duration * 1000.0 : 0.0;
    Dictionary properties{
        {"host", Value(hosts::hostName(urlHost(endpoint)))},
        {"path", Value(std::string(rawValue(endpoint)))},
        {"response_time", Value(milliseconds)},
    };
    if (makeEventTracker) makeEventTracker().track(AnalyticsEvent::app_api_response_time, properties);
}

QUrl Networking::makeURL(Endpoint endpoint, const std::optional<std::map<std::string, std::string>>& parameters) {
    QUrl url = hosts::baseURL(urlHost(endpoint));
    log::print(caseName(endpoint));
    std::string path(rawValue(endpoint));
    if (endpoint != Endpoint::authToken && endpoint != Endpoint::VerifyReceipt) path = "/MorvexVPN" + path;
    log::print(path);
    if (endpoint == Endpoint::ReferAFriend) {
        // The id is data: it becomes exactly one segment, with "/", "?", "#", "%" and dots escaped,
        // so that no id can point the signed request at another endpoint.
        auto clientId = QUrl::toPercentEncoding(QString::fromStdString(User().clientId().value_or("")), {}, ".")
                            .toStdString();
        for (auto pos = path.find("customer_id"); pos != std::string::npos; pos = path.find("customer_id", pos + clientId.size()))
            path.replace(pos, std::string_view("customer_id").size(), clientId);
        log::print(path);
    }
    // The base path is taken encoded and the whole path set as encoded text, so that the escapes
    // above stay escapes.
    url.setPath(url.path(QUrl::FullyEncoded) + QString::fromStdString(path), QUrl::TolerantMode);
    if (parameters) {
        // Keys and values are escaped here: QUrlQuery would take "%" followed by hex digits as
        // already escaped, and servers read a bare "+" in a query as a space.
        auto escaped = [](const std::string& text) {
            return QString::fromLatin1(QUrl::toPercentEncoding(QByteArray::fromStdString(text)));
        };
        QUrlQuery query;
        for (const auto& [key, value] : *parameters) query.addQueryItem(escaped(key), escaped(value));
        url.setQuery(query);
    }
    log::print(urlLogText(url));
    return url;
}

std::string Networking::errorMessage(int code) {
    std::string text;
    switch (code) {
    case -1009: text = "The Internet connection appears to be offline. ("; break;
    case -1001: text = "We were unable to complete your request. Please try again. ("; break;
    default: text = "Something went wrong. Please try again later or contact support. ("; break;
    }
    return text + std::to_string(code) + ")";
}

Error Networking::wrapError(const Error& error) {
    return Error(std::string(kMorvexVPNErrorDomain), error.code, errorMessage(error.code),
                 std::make_shared<const Error>(error));
}

Error Networking::wrapRequestError(const Error& error, const std::string&) { return wrapError(error); }

Error Networking::underlyingError(const Error& error) {
    if (error.domain == http::kSessionErrorDomain && error.underlying) return underlyingError(*error.underlying);
    return error;
}

Error Networking::handleFailedResponse(const http::DataResponse& response) {
    Error error = response.error.value_or(http::sessionTaskFailed(http::urlError(http::URLError::unknown)));
    return wrapError(underlyingError(error));
}

std::optional<double> Networking::remainingSeconds(double elapsed, double fraction) {
    if (!(fraction > 0)) return std::nullopt;
    return std::ceil(elapsed * (1.0 - fraction) / fraction);
}

std::filesystem::path Networking::downloadDestination(const std::string& suggestedName) {
    // Only a bare name, and always inside our own folder, so a download can never replace
    // the folder itself or anything outside it.
    std::string name = std::filesystem::path(suggestedName).filename().string();
    if (name.empty() || name == "." || name == "..") name = std::string(kDefaultPackageName);
    return paths::configDirectory() / name;
}

std::string Networking::downloadPackage(const std::string& url,
                                        std::function<void(const http::Progress&, double)> progress,
                                        std::function<void(Result<std::filesystem::path>)> completion) {
    double start = Date::now().secondsSince1970;
    http::Request request{QUrl(QString::fromStdString(url))};
    request.timeoutInterval = downloadTimeoutInterval;
    auto identifier = std::make_shared<std::string>();
    auto task = session.download(
        request, true,
        [](const http::HTTPResponse& response) { return downloadDestination(response.suggestedFilename()); },
        http::DownloadOptions{true, true},
        [start, progress](const http::Progress& p) {
            auto remaining = remainingSeconds(Date::now().secondsSince1970 - start, p.fractionCompleted());
            if (remaining && progress) progress(p, *remaining);
        },
        [this, identifier, completion](const http::DownloadResponse& response) {
            downloadRequests.erase(*identifier);
            if (!completion) return;
            if (response.error) completion(fail(*response.error));
            else if (!response.fileURL)
                completion(fail(Error(std::string(kMorvexVPNErrorDomain), -1001, "Unknown Error")));
            else completion(*response.fileURL);
        });
    *identifier = task->identifier();
    downloadRequests[*identifier] = task;
    return *identifier;
}

void Networking::startReachabilityListener() {
    reachablityManager.startListening([this](Status status) { handleReachabilityChange(status); });
}

void Networking::handleReachabilityChange(Status status) {
    auto post = [](bool reachable) {
        NotificationCenter::defaultCenter().post(kNetworkReachabilityChangedNotification,
                                                 std::map<std::string, bool>{{"reachable", reachable}});
    };
    if (status != Status::reachable) {
        post(false);
        return;
    }
    if (digestReachabilityListener) {
        digestReachabilityListener = false;
        return;
    }
    if (vpnStatus && vpnStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected)) {
        digestReachabilityListener = false;
        return;
    }
    post(true);
}

std::string Networking::deviceUUIDFrom(const std::filesystem::path& machineIdFile) {
    std::string id = paths::readFile(machineIdFile).value_or("");
    std::string hex;
    for (char c : id)
        if (std::isxdigit(static_cast<unsigned char>(c))) hex.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        else if (c != '\n' && c != '-') return {};
    if (hex.size() != 32) return {};
    return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
           hex.substr(20);
}

std::string Networking::deviceUUID() {
    for (const char* file : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        auto id = deviceUUIDFrom(file);
        if (!id.empty()) return id;
    }
    return {};
}

std::string Networking::hardwareModelFrom(const std::filesystem::path& productNameFile) {
    std::string bytes = paths::readFile(productNameFile).value_or("");
    if (auto zero = bytes.find('\0'); zero != std::string::npos) bytes.resize(zero);
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == ' ')) bytes.pop_back();
    if (!validUTF8(bytes)) return {};
    return bytes;
}

std::string Networking::hardwareModel() { return hardwareModelFrom("/sys/class/dmi/id/product_name"); }

}  // namespace morvex
