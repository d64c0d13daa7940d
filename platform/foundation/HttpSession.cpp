#include "foundation/HttpSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTemporaryFile>
#include <QThread>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "foundation/Dispatch.h"

namespace morvex::http {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string trim(std::string_view s) {
    auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    auto e = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(b, e - b + 1));
}

std::string bareName(std::string name) {
    auto slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    name.erase(std::remove_if(name.begin(), name.end(),
                              [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
               name.end());
    if (name == "." || name == "..") return {};
    return name;
}

std::string_view urlErrorText(int code) {
    switch (code) {
    case URLError::cancelled: return "cancelled";
    case URLError::badURL: return "unsupported URL";
    case URLError::timedOut: return "The request timed out.";
    case URLError::unsupportedURL: return "unsupported URL";
    case URLError::cannotFindHost: return "A server with the specified hostname could not be found.";
    case URLError::cannotConnectToHost: return "Could not connect to the server.";
    case URLError::networkConnectionLost: return "The network connection was lost.";
    case URLError::httpTooManyRedirects: return "too many HTTP redirects";
    case URLError::notConnectedToInternet: return "The Internet connection appears to be offline.";
    case URLError::badServerResponse: return "bad server response";
    case URLError::secureConnectionFailed: return "An SSL error has occurred and a secure connection to the server cannot be made.";
    case URLError::cannotCreateFile: return "cannot create file";
    case URLError::cannotWriteToFile: return "cannot write to file";
    default: return "unknown error";
    }
}

bool networkIsOffline() {
    auto* info = QNetworkInformation::instance();
    return info && info->reachability() == QNetworkInformation::Reachability::Disconnected;
}

// Qt reports both transport failures and HTTP statuses as reply errors; these are the transport ones.
bool isTransportError(QNetworkReply::NetworkError e) {
    int code = static_cast<int>(e);
    return (code >= 1 && code < 200) || e == QNetworkReply::ProtocolUnknownError ||
           e == QNetworkReply::ProtocolFailure;
}

int urlErrorCode(QNetworkReply::NetworkError e) {
    switch (e) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
        return URLError::cannotConnectToHost;
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError:
        return URLError::networkConnectionLost;
    case QNetworkReply::HostNotFoundError: return URLError::cannotFindHost;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
        return URLError::timedOut;
    case QNetworkReply::OperationCanceledError: return URLError::cancelled;
    case QNetworkReply::SslHandshakeFailedError: return URLError::secureConnectionFailed;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
        return URLError::notConnectedToInternet;
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return URLError::httpTooManyRedirects;
    case QNetworkReply::ProtocolUnknownError: return URLError::unsupportedURL;
    case QNetworkReply::ProtocolFailure: return URLError::badServerResponse;
    default: return URLError::unknown;
    }
}

Headers responseHeaders(QNetworkReply* reply) {
    Headers h;
    for (const auto& [name, value] : reply->rawHeaderPairs())
        h.add(name.toStdString(), value.toStdString());
    return h;
}

}  // namespace

std::string_view methodName(Method method) {
    switch (method) {
    case Method::GET: return "GET";
    case Method::POST: return "POST";
    case Method::PUT: return "PUT";
    case Method::PATCH: return "PATCH";
    case Method::DELETE_: return "DELETE";
    case Method::HEAD: return "HEAD";
    }
    return "GET";
}

Headers::Headers(std::initializer_list<std::pair<std::string, std::string>> fields) {
    for (const auto& [n, v] : fields) add(n, v);
}

void Headers::set(std::string_view name, std::string_view value) {
    remove(name);
    add(name, value);
}

void Headers::add(std::string_view name, std::string_view value) {
    fields_.emplace_back(std::string(name), std::string(value));
}

void Headers::remove(std::string_view name) {
    std::erase_if(fields_, [&](const auto& f) { return equalsIgnoringCase(f.first, name); });
}

std::optional<std::string> Headers::value(std::string_view name) const {
    for (const auto& f : fields_)
        if (equalsIgnoringCase(f.first, name)) return f.second;
    return std::nullopt;
}

void Request::setJSONBody(const nlohmann::json& json) {
    body = json.dump();
    if (!headers.contains("Content-Type")) headers.set("Content-Type", "application/json");
}

std::optional<std::string> HTTPResponse::mimeType() const {
    auto type = headers.value("Content-Type");
    if (!type) return std::nullopt;
    auto semi = type->find(';');
    auto bare = lower(trim(std::string_view(*type).substr(0, semi)));
    if (bare.empty()) return std::nullopt;
    return bare;
}

std::string HTTPResponse::suggestedFilename() const {
    if (auto disposition = headers.value("Content-Disposition")) {
        std::string_view d = *disposition;
        std::size_t pos = 0;
        while (pos < d.size()) {
            auto semi = d.find(';', pos);
            auto part = trim(d.substr(pos, semi == std::string_view::npos ? std::string_view::npos : semi - pos));
            pos = semi == std::string_view::npos ? d.size() : semi + 1;
            auto eq = part.find('=');
            if (eq == std::string::npos) continue;
            auto key = lower(trim(std::string_view(part).substr(0, eq)));
            auto value = trim(std::string_view(part).substr(eq + 1));
            if (key == "filename*") {
                auto quote = value.find("''");
                if (quote != std::string::npos) value = value.substr(quote + 2);
                value = QUrl::fromPercentEncoding(QByteArray::fromStdString(value)).toStdString();
                return bareName(value);
            }
            if (key == "filename") {
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                    value = value.substr(1, value.size() - 2);
                return bareName(value);
            }
        }
    }
    return bareName(url.fileName().toStdString());
}

double Progress::fractionCompleted() const {
    if (totalUnitCount <= 0) return 0;
    return std::clamp(static_cast<double>(completedUnitCount) / static_cast<double>(totalUnitCount), 0.0, 1.0);
}

void RequestInterceptor::adapt(const Request& request, std::function<void(Result<Request>)> completion) {
    completion(request);
}

void RequestInterceptor::retry(const DataResponse&, int, std::function<void(RetryResult)> completion) {
    completion(RetryResult::doNotRetry());
}

Error urlError(int code) {
    return Error(std::string(kURLErrorDomain), code, std::string(urlErrorText(code)));
}

Error sessionTaskFailed(Error urlErr) {
    std::string text = "URLSessionTask failed with error: " + urlErr.localizedDescription();
    return Error(std::string(kSessionErrorDomain), SessionError::sessionTaskFailed, std::move(text),
                 std::make_shared<const Error>(std::move(urlErr)));
}

std::optional<Error> validate(const Request& request, const HTTPResponse& response) {
    if (response.statusCode < 200 || response.statusCode > 299) {
        return Error(std::string(kSessionErrorDomain), response.statusCode,
                     "Response status code was unacceptable: " + std::to_string(response.statusCode) + ".");
    }
    std::vector<std::string> acceptable;
    if (auto accept = request.headers.value("Accept")) {
        std::string_view a = *accept;
        std::size_t pos = 0;
        while (pos <= a.size()) {
            auto comma = a.find(',', pos);
            auto item = a.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
            auto type = lower(trim(item.substr(0, item.find(';'))));
            if (!type.empty()) acceptable.push_back(type);
            if (comma == std::string_view::npos) break;
            pos = comma + 1;
        }
    }
    if (acceptable.empty() || std::ranges::find(acceptable, "*/*") != acceptable.end()) return std::nullopt;
    auto mime = response.mimeType();
    auto reject = [&](std::string what) {
        return Error(std::string(kSessionErrorDomain), SessionError::unacceptableContentType,
                     "Response content type was unacceptable: " + what + ".");
    };
    if (!mime) return reject("none");
    auto slash = mime->find('/');
    std::string type = mime->substr(0, slash);
    for (const auto& want : acceptable) {
        if (want == *mime) return std::nullopt;
        auto wslash = want.find('/');
        if (wslash != std::string::npos && want.substr(wslash + 1) == "*" && want.substr(0, wslash) == type)
            return std::nullopt;
    }
    return reject(*mime);
}

// ---------------------------------------------------------------------------------------------

struct TaskState;

struct Session::Impl : std::enable_shared_from_this<Session::Impl> {
    QPointer<QNetworkAccessManager> manager;

    QNetworkAccessManager* nam() {
        if (!manager) {
            manager = new QNetworkAccessManager();
            // Redirects are followed only when they do not lower the security of the scheme.
            manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
        }
        return manager;
    }
    ~Impl() { delete manager.data(); }

    void start(const std::shared_ptr<TaskState>& state);
    void send(const std::shared_ptr<TaskState>& state, Request request);
    void finished(const std::shared_ptr<TaskState>& state);
    void deliver(const std::shared_ptr<TaskState>& state, DataResponse response);
};

struct TaskState : Task, std::enable_shared_from_this<TaskState> {
    std::weak_ptr<Session::Impl> session;
    std::string id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
    Request original;
    std::shared_ptr<RequestInterceptor> interceptor;
    bool validate = true;
    int retryCount = 0;
    bool done = false;
    bool cancelled = false;
    bool timedOut = false;

    std::optional<Request> sent;
    QPointer<QNetworkReply> reply;
    QPointer<QTimer> timer;
    QElapsedTimer clock;

    std::function<void(const DataResponse&)> dataCompletion;

    // Downloads.
    bool isDownload = false;
    std::unique_ptr<QTemporaryFile> file;
    bool writeFailed = false;
    qint64 received = 0;
    DownloadDestination destination;
    DownloadOptions options;
    std::function<void(const Progress&)> progress;
    std::function<void(const DownloadResponse&)> downloadCompletion;

    const std::string& identifier() const override { return id; }

    void cancel() override {
        auto self = shared_from_this();
        DispatchQueue::main().async([self] {
            if (self->done) return;
            self->cancelled = true;
            if (self->reply) {
                self->reply->abort();  // finishes the reply, which delivers -999
                return;
            }
            if (auto s = self->session.lock()) {
                DataResponse r;
                r.request = self->sent;
                r.error = sessionTaskFailed(urlError(URLError::cancelled));
                s->deliver(self, std::move(r));
            }
        });
    }
};

namespace {
void onMain(std::function<void()> block) {
    if (DispatchQueue::main().isCurrent()) block();
    else DispatchQueue::main().async(std::move(block));
}
}  // namespace

void Session::Impl::start(const std::shared_ptr<TaskState>& state) {
    if (state->done) return;
    if (state->cancelled) {
        DataResponse r;
        r.request = state->original;
        r.error = sessionTaskFailed(urlError(URLError::cancelled));
        deliver(state, std::move(r));
        return;
    }
    if (!state->interceptor) {
        send(state, state->original);
        return;
    }
    auto weak = weak_from_this();
    bool called = false;
    state->interceptor->adapt(state->original, [weak, state, called](Result<Request> adapted) mutable {
        if (called) return;
        called = true;
        onMain([weak, state, adapted = std::move(adapted)]() mutable {
            auto self = weak.lock();
            if (!self || state->done) return;
            if (!adapted) {
                DataResponse r;
                r.request = state->original;
                r.error = Error(std::string(kSessionErrorDomain), SessionError::requestAdaptationFailed,
                                "Request adaption failed with error: " + adapted.error().localizedDescription(),
                                std::make_shared<const Error>(adapted.error()));
                self->deliver(state, std::move(r));
                return;
            }
            self->send(state, std::move(*adapted));
        });
    });
}

void Session::Impl::send(const std::shared_ptr<TaskState>& state, Request request) {
    if (state->cancelled) {
        DataResponse r;
        r.request = request;
        r.error = sessionTaskFailed(urlError(URLError::cancelled));
        deliver(state, std::move(r));
        return;
    }
    state->sent = request;
    state->timedOut = false;
    QNetworkRequest q(request.url);
    for (const auto& [name, value] : request.headers.fields())
        q.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
    if (state->isDownload) {
        state->file = std::make_unique<QTemporaryFile>();
        state->writeFailed = !state->file->open();
        state->received = 0;
    }
    QByteArray verb = QByteArray::fromStdString(std::string(methodName(request.method)));
    QNetworkReply* reply = request.body
        ? nam()->sendCustomRequest(q, verb, QByteArray::fromStdString(*request.body))
        : nam()->sendCustomRequest(q, verb);
    state->reply = reply;
    state->clock.start();

    // The time-out counts from the last sign of life, as for an idle connection.
    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    timer->setInterval(static_cast<int>(std::max(0.001, request.timeoutInterval) * 1000));
    state->timer = timer;
    QObject::connect(timer, &QTimer::timeout, reply, [state] {
        state->timedOut = true;
        if (state->reply) state->reply->abort();
    });
    auto touch = [state] {
        if (state->timer) state->timer->start();
    };
    QObject::connect(reply, &QNetworkReply::uploadProgress, reply, touch);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [state, touch] {
        touch();
        if (state->isDownload && state->reply && state->file) {
            auto chunk = state->reply->readAll();
            if (!state->writeFailed && state->file->write(chunk) != chunk.size()) state->writeFailed = true;
            state->received += chunk.size();
            // Progress goes by what has arrived (Qt's own progress signal is throttled), and only
            // the body of an acceptable answer counts as the download.
            auto status = state->reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            bool acceptable = !state->validate || !status.isValid() || (status.toInt() >= 200 && status.toInt() <= 299);
            if (state->progress && acceptable && !state->done) {
                bool known = false;
                qint64 total = state->reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
                state->progress(Progress{state->received, known && total > 0 ? total : -1});
            }
        }
    });
    auto weak = weak_from_this();
    QObject::connect(reply, &QNetworkReply::finished, reply, [weak, state] {
        if (auto self = weak.lock()) self->finished(state);
    });
    timer->start();
}

void Session::Impl::finished(const std::shared_ptr<TaskState>& state) {
    QNetworkReply* reply = state->reply;
    if (!reply) return;
    state->reply = nullptr;
    reply->deleteLater();
    if (state->timer) state->timer->stop();
    double duration = static_cast<double>(state->clock.nsecsElapsed()) / 1e9;

    DataResponse r;
    r.request = state->sent;
    r.duration = duration;

    auto qtError = reply->error();
    QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    bool transport = qtError != QNetworkReply::NoError && (isTransportError(qtError) || !status.isValid());
    if (state->cancelled) {
        r.error = sessionTaskFailed(urlError(URLError::cancelled));
    } else if (state->timedOut) {
        r.error = sessionTaskFailed(urlError(URLError::timedOut));
    } else if (transport) {
        int code = urlErrorCode(qtError);
        if (code != URLError::cancelled && code != URLError::timedOut && networkIsOffline())
            code = URLError::notConnectedToInternet;
        Error e = urlError(code);
        if (code == URLError::unknown) e.message = reply->errorString().toStdString();
        r.error = sessionTaskFailed(std::move(e));
    } else {
        HTTPResponse response;
        response.url = reply->url();
        response.statusCode = status.toInt();
        response.headers = responseHeaders(reply);
        if (!state->isDownload) r.data = reply->readAll().toStdString();
        if (state->validate) r.error = validate(*state->sent, response);
        bool emptyAllowed = state->sent->method == Method::HEAD || response.statusCode == 204 ||
                            response.statusCode == 205;
        if (!r.error && !state->isDownload && r.data->empty() && !emptyAllowed) {
            r.error = Error(std::string(kSessionErrorDomain), SessionError::inputDataNilOrZeroLength,
                            "Response could not be serialized, input data was nil or zero length.");
        }
        r.response = std::move(response);
    }

    if (!r.error || !state->interceptor || state->cancelled) {
        deliver(state, std::move(r));
        return;
    }
    auto weak = weak_from_this();
    bool called = false;
    DataResponse failed = r;
    state->interceptor->retry(failed, state->retryCount,
                              [weak, state, r = std::move(r), called](RetryResult decision) mutable {
        if (called) return;
        called = true;
        onMain([weak, state, r = std::move(r), decision = std::move(decision)]() mutable {
            auto self = weak.lock();
            if (!self || state->done) return;
            switch (decision.kind) {
            case RetryResult::Kind::retry:
            case RetryResult::Kind::retryWithDelay:
                state->retryCount += 1;
                DispatchQueue::main().asyncAfter(decision.kind == RetryResult::Kind::retry ? 0 : decision.delay,
                                                 [weak, state] {
                                                     if (auto s = weak.lock()) s->start(state);
                                                 });
                return;
            case RetryResult::Kind::doNotRetry: break;
            case RetryResult::Kind::doNotRetryWithError: r.error = std::move(decision.error); break;
            }
            self->deliver(state, std::move(r));
        });
    });
}

void Session::Impl::deliver(const std::shared_ptr<TaskState>& state, DataResponse r) {
    if (state->done) return;
    state->done = true;
    if (!state->isDownload) {
        auto completion = std::move(state->dataCompletion);
        if (completion) completion(r);
        return;
    }
    DownloadResponse d;
    d.request = r.request;
    d.response = r.response;
    d.duration = r.duration;
    d.error = r.error;
    auto file = std::move(state->file);
    // Writes are buffered: the last of them reach the disk (or fail to) only at the flush.
    if (!d.error && (state->writeFailed || (file && !file->flush())))
        d.error = sessionTaskFailed(urlError(URLError::cannotWriteToFile));
    if (!d.error && file && d.response) {
        std::filesystem::path source = file->fileName().toStdString();
        std::filesystem::path target = state->destination ? state->destination(*d.response) : source;
        std::error_code ec;
        auto failMove = [&](std::string why) {
            d.error = Error(std::string(kSessionErrorDomain), SessionError::downloadFailed,
                            "The downloaded file could not be moved to " + target.string() + ": " + why);
        };
        if (target.empty() || target.filename().empty()) {
            failMove("no file name");
        } else if (std::filesystem::is_directory(target, ec)) {
            failMove("a folder is in the way");  // a download never replaces a folder
        } else if (std::filesystem::exists(std::filesystem::symlink_status(target, ec)) && !state->options.removePreviousFile) {
            failMove("a file is in the way");
        } else {
            if (state->options.createIntermediateDirectories)
                std::filesystem::create_directories(target.parent_path(), ec);
            std::filesystem::remove(target, ec);
            file->setAutoRemove(false);
            file->close();
            std::filesystem::rename(source, target, ec);
            if (ec) {
                ec.clear();
                std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, ec);
                std::error_code ignore;
                std::filesystem::remove(source, ignore);
            }
            if (ec) failMove(ec.message());
            else d.fileURL = target;
        }
    }
    auto completion = std::move(state->downloadCompletion);
    if (completion) completion(d);
}

Session& Session::shared() {
    static Session* session = new Session();
    return *session;
}

Session::Session() : impl_(std::make_shared<Impl>()) {}

Session::~Session() {
    auto impl = std::move(impl_);
    // The network manager belongs to the main thread; let it go there.
    if (!DispatchQueue::main().isCurrent() && QCoreApplication::instance())
        DispatchQueue::main().async([impl] {});
}

std::shared_ptr<Task> Session::request(Request request, std::shared_ptr<RequestInterceptor> interceptor,
                                       bool validate, std::function<void(const DataResponse&)> completion) {
    auto state = std::make_shared<TaskState>();
    state->session = impl_;
    state->original = std::move(request);
    state->interceptor = std::move(interceptor);
    state->validate = validate;
    state->dataCompletion = std::move(completion);
    auto impl = impl_;
    // Always later, so that no completion runs before the caller has its task.
    DispatchQueue::main().async([impl, state] { impl->start(state); });
    return state;
}

std::shared_ptr<Task> Session::download(Request request, bool validate, DownloadDestination destination,
                                        DownloadOptions options, std::function<void(const Progress&)> progress,
                                        std::function<void(const DownloadResponse&)> completion) {
    auto state = std::make_shared<TaskState>();
    state->session = impl_;
    state->original = std::move(request);
    state->validate = validate;
    state->isDownload = true;
    state->destination = std::move(destination);
    state->options = options;
    state->progress = std::move(progress);
    state->downloadCompletion = std::move(completion);
    auto impl = impl_;
    // Always later, so that no completion runs before the caller has its task.
    DispatchQueue::main().async([impl, state] { impl->start(state); });
    return state;
}

}  // namespace morvex::http
