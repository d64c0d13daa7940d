#include "foundation/HttpSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QPointer>
#include <QTemporaryFile>
#include <QThread>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <nlohmann/json.hpp>

#include "foundation/Dispatch.h"
#include "foundation/HttpExchange.h"
#include "foundation/HttpRedirect.h"
#include "foundation/HttpWire.h"
#include "foundation/NetworkModule.h"

namespace morvex::http {

namespace {

bool networkIsOffline() {
    auto* module = network::load();
    return module && module->reachability() == network::Reachability::notReachable;
}

}  // namespace


namespace {

std::optional<Error> invalidField(const Headers& headers) {
    for (const auto& [name, value] : headers.fields()) {
        std::optional<std::string> why = wire::invalidFieldName(name);
        if (!why) {
            if (auto v = wire::invalidFieldValue(value)) why = "the header field \"" + name + "\": " + *v;
        }
        if (why)
            return Error(std::string(kSessionErrorDomain), SessionError::invalidRequestHeader,
                         "The request was not sent: " + *why + ".");
    }
    return std::nullopt;
}

std::string acceptLanguage() {
    QString name = QLocale::system().name();
    if (name == "C" || name.isEmpty()) return "en,*";
    return name.replace('_', '-').toStdString() + ",*";
}

std::string seconds(double s) {
    QString text = QString::number(s, 'g', 6);
    return text.toStdString() + (s == 1 ? " second" : " seconds");
}

}  // namespace

// A body held in memory. With a stated length it goes straight into one string of that size;
// without one it gathers in pieces that are moved into one string at the end, each let go as soon
// as it is copied: a growing string would briefly hold its old and its new copy at every step.
class BodyBuffer {
public:
    void expect(std::size_t length) {
        whole_.reserve(length);
        direct_ = true;
    }
    void append(std::string_view bytes) {
        if (direct_) {
            whole_.append(bytes);
            return;
        }
        while (!bytes.empty()) {
            if (pieces_.empty() || pieces_.back().size() == kPiece) {
                pieces_.emplace_back();
                pieces_.back().reserve(kPiece);
            }
            auto n = std::min(bytes.size(), kPiece - pieces_.back().size());
            pieces_.back().append(bytes.substr(0, n));
            bytes.remove_prefix(n);
            size_ += n;
        }
    }
    std::string take() {
        if (pieces_.empty()) return std::exchange(whole_, {});
        std::string out;
        out.resize_and_overwrite(size_, [this](char* data, std::size_t size) {
            std::size_t at = 0;
            for (auto& piece : pieces_) {
                std::copy(piece.begin(), piece.end(), data + at);
                at += piece.size();
                std::string().swap(piece);
            }
            return size;
        });
        clear();
        return out;
    }
    void clear() {
        whole_ = {};
        pieces_ = {};
        size_ = 0;
        direct_ = false;
    }

private:
    static constexpr std::size_t kPiece = 1 << 20;
    std::string whole_;
    std::vector<std::string> pieces_;
    std::size_t size_ = 0;
    bool direct_ = false;
};

struct TaskState;

struct Session::Impl : std::enable_shared_from_this<Session::Impl> {
    std::vector<std::string> extraAuthorities;  // PEM

    void start(const std::shared_ptr<TaskState>& state);
    void send(const std::shared_ptr<TaskState>& state, Request request);
    void launch(const std::shared_ptr<TaskState>& state);
    void head(const std::shared_ptr<TaskState>& state, const wire::ResponseReader::Head& head);
    void body(const std::shared_ptr<TaskState>& state, std::string_view piece);
    void redirect(const std::shared_ptr<TaskState>& state, int status, const std::string& location);
    void endAttempt(const std::shared_ptr<TaskState>& state, std::optional<Error> urlErr);
    void deliver(const std::shared_ptr<TaskState>& state, DataResponse response);
};

namespace {
std::atomic<std::size_t> g_unanswered{0};
}

struct TaskState : Task, std::enable_shared_from_this<TaskState> {
    TaskState() { ++g_unanswered; }
    ~TaskState() override {
        if (!done) --g_unanswered;
    }

    std::weak_ptr<Session::Impl> session;
    std::string id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
    Request original;
    std::shared_ptr<RequestInterceptor> interceptor;
    bool validate = true;
    int retryCount = 0;
    bool done = false;
    bool cancelled = false;

    // The attempt in flight (main thread only). The exchange's callbacks hold this state until
    // the attempt ends, which lets go of the exchange and the timers.
    std::optional<Request> sent;  // as adapted
    Exchange::Message hop;        // what goes to the current URL, after redirects
    int redirects = 0;
    std::shared_ptr<Exchange> exchange;
    QPointer<QTimer> idleTimer;
    QPointer<QTimer> deadlineTimer;
    QElapsedTimer clock;
    std::optional<HTTPResponse> response;
    BodyBuffer body;  // request(): the body so far
    std::int64_t received = 0;
    std::int64_t expected = -1;  // the body's stated length
    std::int64_t limit = 0;

    std::function<void(const DataResponse&)> dataCompletion;

    // Downloads.
    bool isDownload = false;
    std::unique_ptr<QTemporaryFile> file;
    DownloadDestination destination;
    DownloadOptions options;
    std::function<void(const Progress&)> progress;
    std::function<void(const DownloadResponse&)> downloadCompletion;

    const std::string& identifier() const override { return id; }

    bool inFlight() const { return exchange != nullptr; }

    // Lets go of the exchange and the timers; nothing of this attempt runs after it.
    void releaseAttempt() {
        if (auto e = std::move(exchange)) e->abort();
        for (auto* t : {idleTimer.data(), deadlineTimer.data()}) {
            if (!t) continue;
            t->stop();
            t->deleteLater();
        }
        idleTimer = nullptr;
        deadlineTimer = nullptr;
    }

    void cancel() override {
        auto self = shared_from_this();
        DispatchQueue::main().async([self] {
            if (self->done) return;
            self->cancelled = true;
            auto s = self->session.lock();
            if (!s) return;
            if (self->inFlight()) {
                s->endAttempt(self, urlError(URLError::cancelled));
                return;
            }
            DataResponse r;
            r.request = self->sent;
            r.error = sessionTaskFailed(urlError(URLError::cancelled));
            s->deliver(self, std::move(r));
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
    // A field that could end the head early would let a value write requests of its own.
    if (auto refused = invalidField(request.headers)) {
        DataResponse r;
        r.request = request;
        r.error = std::move(refused);
        deliver(state, std::move(r));
        return;
    }
    state->limit = request.maximumBodySize.value_or(state->isDownload ? kDefaultDownloadSizeLimit : kDefaultDataSizeLimit);
    state->redirects = 0;
    state->hop = Exchange::Message{request.method, request.url, request.headers, request.body};
    if (!state->hop.headers.contains("User-Agent")) state->hop.headers.set("User-Agent", "Mozilla/5.0");
    if (!state->hop.headers.contains("Accept-Language")) state->hop.headers.set("Accept-Language", acceptLanguage());
    state->clock.start();

    // Besides the idle time-out, the whole exchange has a deadline: a server that trickles a byte
    // now and then never lets the idle time-out fire.
    double deadline = request.deadline.value_or(state->isDownload ? kDefaultDownloadDeadline : kDefaultDataDeadline);
    auto* timer = new QTimer();
    timer->setSingleShot(true);
    timer->setInterval(static_cast<int>(std::clamp(deadline, 0.001, 24.0 * 24 * 3600) * 1000));
    auto weak = weak_from_this();
    QObject::connect(timer, &QTimer::timeout, timer, [weak, state, deadline] {
        auto self = weak.lock();
        if (!self) state->releaseAttempt();
        else if (state->inFlight())
            self->endAttempt(state, urlError(URLError::timedOut, "The request did not finish within its deadline of " +
                                                                     seconds(deadline) + "."));
    });
    state->deadlineTimer = timer;
    timer->start();
    launch(state);
}

// Sends the current hop over a new exchange.
void Session::Impl::launch(const std::shared_ptr<TaskState>& state) {
    const QUrl& url = state->hop.url;
    state->response.reset();
    state->body.clear();
    state->received = 0;
    state->expected = -1;
    if (state->isDownload) {
        state->file = std::make_unique<QTemporaryFile>();
        if (!state->file->open()) {
            state->exchange = nullptr;
            endAttempt(state, urlError(URLError::cannotCreateFile));
            return;
        }
    }
    if (!url.isValid() || url.host().isEmpty()) {
        endAttempt(state, urlError(URLError::badURL));
        return;
    }
    if (url.scheme() != "http" && url.scheme() != "https") {
        endAttempt(state, urlError(URLError::unsupportedURL));
        return;
    }

    auto weak = weak_from_this();
    auto guarded = [weak, state](auto f) {
        return [weak, state, f](auto&&... args) {
            auto self = weak.lock();
            if (!self) {
                state->releaseAttempt();
                return;
            }
            f(*self, args...);
        };
    };
    Exchange::Events events;
    events.head = guarded([state](Impl& self, const wire::ResponseReader::Head& h) { self.head(state, h); });
    events.body = guarded([state](Impl& self, std::string_view piece) { self.body(state, piece); });
    events.activity = [state] {
        if (state->idleTimer) state->idleTimer->start();
    };
    events.finished = guarded([state](Impl& self, std::optional<Error> e) {
        // A connection that could not be made or was lost may be the machine being offline.
        bool connection = e && (e->code == URLError::cannotConnectToHost || e->code == URLError::cannotFindHost ||
                                e->code == URLError::networkConnectionLost || e->code == URLError::unknown);
        if (connection && networkIsOffline()) e = urlError(URLError::notConnectedToInternet);
        self.endAttempt(state, std::move(e));
    });
    state->exchange = std::make_shared<Exchange>(state->hop, extraAuthorities, wire::Limits{}, std::move(events));

    // The time-out counts from the last sign of life, as for an idle connection.
    if (!state->idleTimer) {
        auto* timer = new QTimer();
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, timer, [weak, state] {
            auto self = weak.lock();
            if (!self) state->releaseAttempt();
            else if (state->inFlight()) self->endAttempt(state, urlError(URLError::timedOut));
        });
        state->idleTimer = timer;
    }
    state->idleTimer->setInterval(static_cast<int>(std::max(0.001, state->sent->timeoutInterval) * 1000));
    state->idleTimer->start();
    state->exchange->start();
}

void Session::Impl::head(const std::shared_ptr<TaskState>& state, const wire::ResponseReader::Head& h) {
    if (redirects::isRedirect(h.status)) {
        for (const auto& [name, value] : h.fields)
            if (equalsIgnoringCase(name, "Location")) return redirect(state, h.status, value);
    }
    HTTPResponse response;
    response.url = state->hop.url;
    response.statusCode = h.status;
    for (const auto& [name, value] : h.fields) response.headers.add(name, value);
    state->response = std::move(response);
    if (h.contentLength && *h.contentLength > static_cast<std::uint64_t>(state->limit)) {
        endAttempt(state, urlError(URLError::dataLengthExceedsMaximum,
                                   "The answer's body of " + std::to_string(*h.contentLength) + " bytes is larger than the " +
                                       std::to_string(state->limit) + " bytes allowed for this request."));
        return;
    }
    if (h.contentLength) state->expected = static_cast<std::int64_t>(*h.contentLength);
    if (!state->isDownload && h.contentLength) state->body.expect(static_cast<std::size_t>(*h.contentLength));
}

void Session::Impl::body(const std::shared_ptr<TaskState>& state, std::string_view piece) {
    state->received += static_cast<std::int64_t>(piece.size());
    if (state->received > state->limit) {
        endAttempt(state, urlError(URLError::dataLengthExceedsMaximum, "The answer's body is larger than the " +
                                                                           std::to_string(state->limit) +
                                                                           " bytes allowed for this request."));
        return;
    }
    if (!state->isDownload) {
        state->body.append(piece);
        return;
    }
    // Written as it comes: while the disk is slow, nothing more is read from the network.
    auto size = static_cast<qint64>(piece.size());
    if (state->file->write(piece.data(), size) != size) {
        endAttempt(state, urlError(URLError::cannotWriteToFile));
        return;
    }
    // Progress goes by what has arrived, and only the body of an acceptable answer counts.
    int status = state->response ? state->response->statusCode : 0;
    bool acceptable = !state->validate || (status >= 200 && status <= 299);
    if (state->progress && acceptable)
        state->progress(Progress{state->received, state->expected > 0 ? state->expected : -1});
}

void Session::Impl::redirect(const std::shared_ptr<TaskState>& state, int status, const std::string& location) {
    auto policy = state->sent->crossOriginRedirects.value_or(
        state->isDownload ? CrossOriginRedirects::followWithoutCredentials : CrossOriginRedirects::refuse);
    auto next = redirects::follow(state->hop, status, location, ++state->redirects, policy);
    if (!next) return endAttempt(state, std::move(next.error()));
    if (auto e = std::move(state->exchange)) e->abort();
    state->hop = std::move(*next);
    launch(state);
}

void Session::Impl::endAttempt(const std::shared_ptr<TaskState>& state, std::optional<Error> urlErr) {
    if (!state->inFlight() && !urlErr) return;
    state->releaseAttempt();
    double duration = static_cast<double>(state->clock.nsecsElapsed()) / 1e9;

    auto r = std::make_shared<DataResponse>();
    r->request = state->sent;
    r->duration = duration;
    if (state->cancelled) urlErr = urlError(URLError::cancelled);
    if (urlErr) {
        r->error = sessionTaskFailed(std::move(*urlErr));
    } else {
        r->response = std::move(state->response);
        if (!r->response) r->error = sessionTaskFailed(urlError(URLError::badServerResponse));
    }
    if (!r->error) {
        const HTTPResponse& response = *r->response;
        if (!state->isDownload) r->data = state->body.take();
        if (state->validate) r->error = validate(*state->sent, response);
        bool emptyAllowed = state->sent->method == Method::HEAD || response.statusCode == 204 ||
                            response.statusCode == 205;
        if (!r->error && !state->isDownload && r->data->empty() && !emptyAllowed) {
            r->error = Error(std::string(kSessionErrorDomain), SessionError::inputDataNilOrZeroLength,
                             "Response could not be serialized, input data was nil or zero length.");
        }
    }

    if (!r->error || !state->interceptor || state->cancelled) {
        deliver(state, std::move(*r));
        return;
    }
    auto weak = weak_from_this();
    bool called = false;
    state->interceptor->retry(*r, state->retryCount, [weak, state, r, called](RetryResult decision) mutable {
        if (called) return;
        called = true;
        onMain([weak, state, r, decision = std::move(decision)]() mutable {
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
            case RetryResult::Kind::doNotRetryWithError: r->error = std::move(decision.error); break;
            }
            self->deliver(state, std::move(*r));
        });
    });
}

void Session::Impl::deliver(const std::shared_ptr<TaskState>& state, DataResponse r) {
    if (state->done) return;
    state->done = true;
    --g_unanswered;
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
    if (!d.error && file && !file->flush())
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

std::size_t Session::unansweredRequests() { return g_unanswered.load(); }

Session& Session::shared() {
    static Session* session = new Session();
    return *session;
}

Session::Session() : impl_(std::make_shared<Impl>()) {}

Session::Session(SessionConfiguration configuration) : impl_(std::make_shared<Impl>()) {
    impl_->extraAuthorities = std::move(configuration.additionalTrustedCertificates);
}

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
