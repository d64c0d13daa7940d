#pragma once
// The one HTTPS client of the service's back end: URL building, the GET and POST fronts with the
// generic request builder and answer handling, error texts, installer downloads, reachability and
// the device identifiers that requests carry.
//
// Requests: a caller names an Endpoint, parameters and a completion. The builder signs the request
// through a new AccessTokenInterceptor (which refreshes the token on a 401 from the API host),
// sends it, decodes the answer by the endpoint's host kind (the gateway's envelope, or the bare
// type), moves a request that failed without a 200, 400 or 401 answer to the next alternative
// domain while there is one (DomainFronting), and then calls the completion exactly once on the
// main thread and reports "app_api_response_time". Requests give no handle and cannot be cancelled.
#include <QUrl>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "api/ApiResponse.h"
#include "api/AuthProtocol.h"
#include "api/Decoding.h"
#include "api/Endpoint.h"
#include "foundation/Error.h"
#include "foundation/HttpSession.h"
#include "foundation/Log.h"
#include "foundation/NetworkReachability.h"
#include "state/EventTracker.h"

namespace morvex {

class AccessTokenInterceptor;

inline constexpr std::string_view kMorvexVPNErrorDomain = "MorvexVPNError";
inline constexpr std::string_view kNetworkReachabilityChangedNotification = "NetworkReachabilityChangedNotification";
// The salt of the "Token" header.
inline constexpr std::string_view kTokenSalt = "vendro";
// The installer's file name when the server proposes none.
inline constexpr std::string_view kDefaultPackageName = "MorvexVPN.pkg";

class NetworkingProtocol {
public:
    virtual ~NetworkingProtocol() = default;
};

class Networking : public NetworkingProtocol {
public:
    using Status = NetworkReachabilityManager::Status;
    // Body parameters (a JSON object) or GET parameters (any values; sent as text).
    using Parameters = nlohmann::json;
    using HeaderFields = std::map<std::string, std::string>;
    template <class T>
    using Completion = std::function<void(Result<T>)>;

    static Networking& shared();
    explicit Networking(AuthProtocol* auth = sharedAuth(), http::Session& session = http::Session::shared());

    std::map<std::string, std::shared_ptr<http::Task>> downloadRequests;
    NetworkReachabilityManager reachablityManager;
    bool digestReachabilityListener = true;
    AuthProtocol* auth;
    // The VPN status as the engine reports it (a ZevuVPNState number). The engine installs it at launch.
    std::function<int()> vpnStatus = [] { return 0; };
    // The tracker each answer's "app_api_response_time" goes through; a new default one per answer.
    std::function<EventTracker()> makeEventTracker = [] { return EventTracker(); };

    // The GET front: the parameters become the query, each value as text (a number or a flag
    // written out; no parameters or an empty object: no query).
    template <EmptyObjectRepresentable T>
    void networkRequestDispatcher(Endpoint endpoint, const std::optional<Parameters>& parameters,
                                  const std::optional<HeaderFields>& headers, Completion<T> completion);
    // The POST front: the parameters are the JSON body, {} when none are given.
    template <EmptyObjectRepresentable T>
    void postRequest(Endpoint endpoint, const std::optional<Parameters>& parameters,
                     const std::optional<HeaderFields>& headers, Completion<T> completion);
    // Sends one request and answers it once (see the top of this file). `url` is complete.
    template <EmptyObjectRepresentable T>
    void networkRequestBuilder(QUrl url, Endpoint endpoint, http::Method method, std::optional<Parameters> parameters,
                               std::optional<HeaderFields> headers, Completion<T> completion);
    // The answer's result: failures without an answer worth decoding (any library error except
    // with status 400) as handleFailedResponse makes them; else the body decoded by host kind, a
    // decoding failure wrapped by wrapRequestError, and a gateway envelope whose "response_code"
    // is not 200 as that code with the envelope's message.
    template <EmptyObjectRepresentable T>
    Result<T> networkResponseHandler(Host host, const http::DataResponse& response);

    // The entries, one per request the application makes. Answer types that belong to the
    // callers' own layers are the callers' template argument.
    template <EmptyObjectRepresentable T>
    void requestUserProfile(const std::optional<Parameters>& parameters, Completion<T> completion) {
        networkRequestDispatcher<T>(Endpoint::UserInfo1, parameters, std::nullopt, std::move(completion));
    }
    template <EmptyObjectRepresentable T>
    void requestReferFriendLink(const std::optional<Parameters>& parameters, Completion<T> completion) {
        networkRequestDispatcher<T>(Endpoint::ReferAFriend, parameters, std::nullopt, std::move(completion));
    }
    template <EmptyObjectRepresentable T>
    void requestPortForwarding(const std::optional<Parameters>& parameters, Completion<T> completion) {
        networkRequestDispatcher<T>(Endpoint::PortForwarding, parameters, std::nullopt, std::move(completion));
    }
    template <EmptyObjectRepresentable T>
    void requestLatestMacVersion(const std::optional<Parameters>& parameters, Completion<T> completion) {
        networkRequestDispatcher<T>(Endpoint::CheckUpdateMac, parameters, std::nullopt, std::move(completion));
    }
    template <EmptyObjectRepresentable T>
    void requestDedicatedIPStatus(const std::optional<Parameters>& parameters, Completion<T> completion) {
        networkRequestDispatcher<T>(Endpoint::CheckDedicatedIPStatus, parameters, std::nullopt, std::move(completion));
    }
    template <EmptyObjectRepresentable T>
    void requestDedicatedIPDetail(const std::optional<Parameters>& parameters, Completion<T> completion) {
        networkRequestDispatcher<T>(Endpoint::DedicatedIp, parameters, std::nullopt, std::move(completion));
    }
    template <EmptyObjectRepresentable T>
    void postKillDedicatedSession(const std::optional<Parameters>& parameters, Completion<T> completion) {
        postRequest<T>(Endpoint::KillDedicatedIPSession, parameters, std::nullopt, std::move(completion));
    }
    template <EmptyObjectRepresentable T>
    void postConnectionRatingTicket(const std::optional<Parameters>& parameters, Completion<T> completion) {
        postRequest<T>(Endpoint::SubmitTicket, parameters, std::nullopt, std::move(completion));
    }
    template <EmptyObjectRepresentable T>
    void postAuthToken(const std::optional<Parameters>& parameters, Completion<T> completion) {
        postRequest<T>(Endpoint::authToken, parameters, std::nullopt, std::move(completion));
    }
    template <EmptyObjectRepresentable T>
    void postImportToken(const std::optional<Parameters>& parameters, Completion<T> completion) {
        postRequest<T>(Endpoint::MigrateToken, parameters, std::nullopt, std::move(completion));
    }
    template <EmptyObjectRepresentable T>
    void postCredentialsCheck(const std::optional<Parameters>& parameters, Completion<T> completion) {
        postRequest<T>(Endpoint::Login, parameters, std::nullopt, std::move(completion));
    }
    template <EmptyObjectRepresentable T>
    void postSupportTicket(const std::optional<Parameters>& parameters, Completion<T> completion) {
        postRequest<T>(Endpoint::SubmitTicket, parameters, std::nullopt, std::move(completion));
    }

    // The query of a GET: every value as text; none for no parameters.
    static std::optional<std::map<std::string, std::string>> queryItems(const std::optional<Parameters>& parameters);
    // The error of a gateway answer with response code 200 and no body (code -1).
    static Error emptyBodyError();
    // "Response of <the path's last-but-one part>: " and what the console may say of the body
    // (its size, or its masked JSON under MORVEX_LOG_BODIES=1; see log::describeBody).
    static std::string responseLogLine(const http::DataResponse& response);
    // A URL as the console shows it: the query's names without their values.
    static std::string urlLogText(const QUrl& url);

    // The URL of an endpoint, with the parameters as query items (none: no query).
    static QUrl makeURL(Endpoint endpoint,
                        const std::optional<std::map<std::string, std::string>>& parameters = std::nullopt);

    // Error texts and wrapping into the "MorvexVPNError" domain.
    static std::string errorMessage(int code);
    static Error wrapError(const Error& error);
    static Error wrapRequestError(const Error& error, const std::string& url);
    static Error underlyingError(const Error& error);
    static Error handleFailedResponse(const http::DataResponse& response);

    // Downloads an installer package into the application's own folder, under the server's
    // proposed name or "MorvexVPN.pkg". Progress gets the estimated remaining seconds; both
    // callbacks run on the main thread. Answers the request's identifier.
    std::string downloadPackage(const std::string& url,
                                std::function<void(const http::Progress&, double remaining)> progress,
                                std::function<void(Result<std::filesystem::path>)> completion);
    // Seconds without a byte before an installer download fails as timed out (a stalled server).
    double downloadTimeoutInterval = 60;
    // ceil(elapsed * (1 - fraction) / fraction); nothing before the first byte.
    static std::optional<double> remainingSeconds(double elapsed, double fraction);
    // Where a download with that proposed name lands.
    static std::filesystem::path downloadDestination(const std::string& suggestedName);

    // Listens for reachability changes (the application shell starts this at launch).
    void startReachabilityListener();
    void handleReachabilityChange(Status status);

    // The machine's identity (from /etc/machine-id, as an upper-case UUID) and model name (DMI).
    static std::string deviceUUID();
    static std::string hardwareModel();
    static std::string deviceUUIDFrom(const std::filesystem::path& machineIdFile);
    static std::string hardwareModelFrom(const std::filesystem::path& productNameFile);

    http::Session& session;

private:
    // Sends through the session with a new interceptor for the endpoint's scope, validated, and
    // hands the answer to `answer` on the main thread. "/products/plans" gets the version suffix.
    void send(const QUrl& url, Endpoint endpoint, http::Method method, const std::optional<Parameters>& parameters,
              const std::optional<HeaderFields>& headers, std::function<void(const http::DataResponse&)> answer);
    // The same request's URL on the next alternative domain, when the failure calls for one.
    std::optional<QUrl> alternativeURL(const http::DataResponse& response, const QUrl& url);
    void reportResponseTime(Endpoint endpoint, const http::DataResponse& response);
};

// Thrown inside decoding for failures that networkResponseHandler wraps (a decoding error, or the
// empty-body error of an envelope with response code 200).
struct AnswerDecodingFailure {
    Error error;
};

// The answer's body as T for a host kind: the gateway's envelope is unwrapped (decodeEnvelope);
// every other host answers with the bare type.
template <EmptyObjectRepresentable T>
Result<T> decodeEnvelope(std::string_view bytes) {
    auto envelope = decode<ApiResponse<T>>(bytes);
    if (!envelope) throw AnswerDecodingFailure{envelope.error()};
    if (envelope->header.responseCode == 200) {
        if (envelope->body) return std::move(*envelope->body);
        throw AnswerDecodingFailure{Networking::emptyBodyError()};
    }
    return fail(Error(std::string(kMorvexVPNErrorDomain), envelope->header.responseCode, envelope->header.message));
}

template <EmptyObjectRepresentable T>
Result<T> decodeAnswer(Host host, std::string_view bytes) {
    if (host == Host::DialerGateway) return decodeEnvelope<T>(bytes);
    auto bare = decode<T>(bytes);
    if (!bare) throw AnswerDecodingFailure{bare.error()};
    return bare;
}

template <EmptyObjectRepresentable T>
Result<T> Networking::networkResponseHandler(Host host, const http::DataResponse& response) {
    bool badRequest = response.response && response.response->statusCode == 400;
    if (response.error && !badRequest) return fail(handleFailedResponse(response));
    log::print(responseLogLine(response));
    try {
        return decodeAnswer<T>(host, response.data ? std::string_view(*response.data) : std::string_view());
    } catch (const AnswerDecodingFailure& failure) {
        std::string url = response.request ? response.request->url.toString().toStdString() : std::string();
        return fail(wrapRequestError(failure.error, url));
    }
}

template <EmptyObjectRepresentable T>
void Networking::networkRequestBuilder(QUrl url, Endpoint endpoint, http::Method method,
                                       std::optional<Parameters> parameters, std::optional<HeaderFields> headers,
                                       Completion<T> completion) {
    auto pending = std::make_shared<Completion<T>>(std::move(completion));
    send(url, endpoint, method, parameters, headers,
         [this, url, endpoint, method, parameters, headers, pending](const http::DataResponse& response) {
             Result<T> result = networkResponseHandler<T>(hostKind(endpoint), response);
             if (!result) {
                 if (auto next = alternativeURL(response, url)) {
                     networkRequestBuilder<T>(*next, endpoint, method, parameters, headers, std::move(*pending));
                     return;
                 }
             }
             if (auto completion = std::exchange(*pending, nullptr)) completion(std::move(result));
             reportResponseTime(endpoint, response);
         });
}

template <EmptyObjectRepresentable T>
void Networking::networkRequestDispatcher(Endpoint endpoint, const std::optional<Parameters>& parameters,
                                          const std::optional<HeaderFields>& headers, Completion<T> completion) {
    QUrl url = makeURL(endpoint, queryItems(parameters));
    log::print(rawValue(endpoint));
    log::print("DEBUG: URL: " + urlLogText(url));
    networkRequestBuilder<T>(url, endpoint, http::Method::GET, std::nullopt, headers, std::move(completion));
}

template <EmptyObjectRepresentable T>
void Networking::postRequest(Endpoint endpoint, const std::optional<Parameters>& parameters,
                             const std::optional<HeaderFields>& headers, Completion<T> completion) {
    Parameters body = parameters && !parameters->is_null() ? *parameters : Parameters::object();
    networkRequestBuilder<T>(makeURL(endpoint), endpoint, http::Method::POST, std::move(body), headers,
                             std::move(completion));
}

}  // namespace morvex
