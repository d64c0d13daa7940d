#include "foundation/Analytics.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QUuid>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>

#include "foundation/Codec.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/Timer.h"

namespace morvex {

namespace {

constexpr std::size_t kBatchSize = 50;

std::string isoDate(Date d) {
    double whole = std::floor(d.secondsSince1970);
    std::time_t t = static_cast<std::time_t>(whole);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    int ms = static_cast<int>(std::lround((d.secondsSince1970 - whole) * 1000.0));
    if (ms >= 1000) ms = 999;
    if (ms < 0) ms = 0;
    std::string out(buf);
    out += '.';
    out += static_cast<char>('0' + ms / 100);
    out += static_cast<char>('0' + ms / 10 % 10);
    out += static_cast<char>('0' + ms % 10);
    return out + "Z";
}

// Event names and property texts come from anywhere; a text that is not UTF-8 is written with
// replacement characters instead of making the serialiser throw (which would also make every later
// save of the queue throw).
std::string dumpJson(const nlohmann::json& j) {
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string newDistinctId() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString(); }

}  // namespace

nlohmann::json plainJson(const Value& value) {
    switch (value.kind()) {
        case Value::Kind::Bool: return *value.get<bool>();
        case Value::Kind::Integer: return *value.get<std::int64_t>();
        case Value::Kind::Double: return *value.get<double>();
        case Value::Kind::String: return *value.get<std::string>();
        case Value::Kind::Data: return base64Encode(*value.get<Bytes>());
        case Value::Kind::Date: return isoDate(*value.get<Date>());
        case Value::Kind::Array: {
            auto a = nlohmann::json::array();
            for (const auto& e : *value.get<Array>()) a.push_back(plainJson(e));
            return a;
        }
        case Value::Kind::Dictionary: {
            auto o = nlohmann::json::object();
            for (const auto& [k, e] : *value.get<Dictionary>()) o[k] = plainJson(e);
            return o;
        }
    }
    return nullptr;
}

struct AnalyticsClient::State : std::enable_shared_from_this<AnalyticsClient::State> {
    Options options;
    mutable std::mutex mutex;
    nlohmann::json queue = nlohmann::json::array();
    nlohmann::json superProperties = nlohmann::json::object();
    std::string distinctId;
    std::map<std::string, double> timedEvents;
    bool useIP = true;

    // Main thread only.
    bool flushing = false;
    std::vector<std::function<void(bool)>> waiting;
    std::unique_ptr<QNetworkAccessManager> network;
    std::shared_ptr<Timer> timer;
    QMetaObject::Connection quitConnection;

    void load() {
        std::ifstream in(options.stateFile);
        if (!in) return;
        auto j = nlohmann::json::parse(in, nullptr, false);
        in.close();
        if (!j.is_object() || !j.value("queue", nlohmann::json()).is_array()) {
            auto aside = paths::moveAside(options.stateFile);
            log::nslog("Analytics: " + options.stateFile.string() + " is damaged; " +
                       (aside ? "moved aside to " + aside->string() : std::string("it could not be moved aside")));
            return;
        }
        queue = j["queue"];
        if (j.contains("superProperties") && j["superProperties"].is_object()) superProperties = j["superProperties"];
        if (j.contains("distinctId") && j["distinctId"].is_string()) distinctId = j["distinctId"].get<std::string>();
    }

    // Caller holds the mutex.
    void save() const {
        nlohmann::json j{{"distinctId", distinctId}, {"superProperties", superProperties}, {"queue", queue}};
        if (!paths::writeFileAtomically(options.stateFile, dumpJson(j)))
            log::nslog("Analytics: cannot write " + options.stateFile.string());
    }

    void finish(bool delivered) {
        flushing = false;
        auto callbacks = std::move(waiting);
        waiting.clear();
        for (auto& c : callbacks)
            if (c) c(delivered);
    }

    // Main thread. Sends the first batch; continues with the next one until the queue is empty or
    // a batch fails.
    void sendNext(std::size_t remaining) {
        nlohmann::json batch = nlohmann::json::array();
        bool ip;
        {
            std::lock_guard lock(mutex);
            ip = useIP;
            std::size_t n = std::min({kBatchSize, remaining, queue.size()});
            for (std::size_t i = 0; i < n; ++i) batch.push_back(queue[i]);
        }
        if (batch.empty()) {
            finish(true);
            return;
        }
        if (!network) network = std::make_unique<QNetworkAccessManager>();
        QUrl url(QString::fromStdString(options.serverURL + "/track"));
        url.setQuery(QString("ip=") + (ip ? "1" : "0"));
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        request.setTransferTimeout(30000);
        auto body = QByteArray::fromStdString(dumpJson(batch));
        QNetworkReply* reply = network->post(request, body);
        std::weak_ptr<State> weak = shared_from_this();
        const std::size_t sent = batch.size();
        QObject::connect(reply, &QNetworkReply::finished, reply, [weak, reply, sent, remaining] {
            reply->deleteLater();
            auto self = weak.lock();
            if (!self) return;
            int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() != QNetworkReply::NoError || status < 200 || status >= 300) {
                log::nslog("Analytics: delivery failed (" + std::to_string(status) + " " +
                           reply->errorString().toStdString() + "); " + std::to_string(sent) + " events stay queued");
                self->finish(false);
                return;
            }
            {
                std::lock_guard lock(self->mutex);
                // Only flushes remove events, one at a time, from the front.
                auto& q = self->queue;
                q.erase(q.begin(), q.begin() + static_cast<std::ptrdiff_t>(std::min(sent, q.size())));
                self->save();
            }
            self->sendNext(remaining - sent);
        });
    }

    // Starts the flush timer and the last flush at quit (main thread).
    void start() {
        if (!QCoreApplication::instance()) return;
        std::weak_ptr<State> weak = weak_from_this();
        if (options.flushInterval > 0) {
            timer = Timer::scheduledTimer(options.flushInterval, true, [weak](Timer&) {
                if (auto self = weak.lock()) self->startFlush({});
            });
        }
        // At quit, one last attempt, waited for briefly; what is not delivered stays on disk.
        quitConnection = QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [weak] {
            auto self = weak.lock();
            if (!self) return;
            // The completion may run after the wait has given up (a slow host), so it must not
            // reach into this frame: it shares the flag and sees the loop only while it exists.
            auto done = std::make_shared<bool>(false);
            QEventLoop loop;
            QPointer<QEventLoop> waiting(&loop);
            self->startFlush([done, waiting](bool) {
                *done = true;
                if (waiting) waiting->quit();
            });
            if (!*done) {
                QTimer::singleShot(3000, &loop, &QEventLoop::quit);
                loop.exec();
            }
        });
    }

    void startFlush(std::function<void(bool)> completion) {
        waiting.push_back(std::move(completion));
        if (flushing) return;
        std::size_t count;
        {
            std::lock_guard lock(mutex);
            count = queue.size();
        }
        if (options.token.empty()) {  // not initialised: nothing is sent
            finish(count == 0);
            return;
        }
        flushing = true;
        sendNext(count);
    }
};

std::string AnalyticsClient::defaultServerURL() {
    if (const char* url = std::getenv("MORVEX_SERVICE_URL"); url && *url) {
        std::string s(url);
        while (!s.empty() && s.back() == '/') s.pop_back();
        return s;
    }
    return "https://analytics.morvexvpn.com";
}

namespace {
std::mutex g_mainMutex;
std::unique_ptr<AnalyticsClient> g_mainInstance;
}  // namespace

AnalyticsClient& AnalyticsClient::initialize(const std::string& token, double flushInterval, const std::string& serverURL) {
    std::lock_guard lock(g_mainMutex);
    Options o;
    o.token = token;
    o.flushInterval = flushInterval;
    o.serverURL = serverURL;
    if (!g_mainInstance) {
        g_mainInstance = std::make_unique<AnalyticsClient>(std::move(o));
        return *g_mainInstance;
    }
    // The main instance was used before initialisation: it becomes the initialised one in place
    // (callers may hold it), keeping what was tracked and registered meanwhile.
    auto& state = *g_mainInstance->state_;
    {
        std::lock_guard stateLock(state.mutex);
        if (!state.options.token.empty()) return *g_mainInstance;
        auto pending = std::move(state.queue);
        auto supers = std::move(state.superProperties);
        auto id = state.distinctId;
        auto pendingFile = state.options.stateFile;
        state.queue = nlohmann::json::array();
        state.superProperties = nlohmann::json::object();
        state.distinctId.clear();
        state.options = normalized(std::move(o));
        state.load();
        for (auto& e : pending) {
            e["properties"]["token"] = token;
            state.queue.push_back(std::move(e));
        }
        state.superProperties.update(supers);
        if (state.distinctId.empty()) state.distinctId = id;
        state.save();
        std::error_code ec;
        std::filesystem::remove(pendingFile, ec);
    }
    state.start();
    return *g_mainInstance;
}

AnalyticsClient& AnalyticsClient::mainInstance() {
    std::lock_guard lock(g_mainMutex);
    if (!g_mainInstance) {
        Options o;
        o.stateFile = paths::configDirectory() / "analytics-pending.json";
        g_mainInstance = std::make_unique<AnalyticsClient>(std::move(o));
    }
    return *g_mainInstance;
}

AnalyticsClient::Options AnalyticsClient::normalized(Options options) {
    if (options.stateFile.empty()) options.stateFile = paths::configDirectory() / ("analytics-" + options.token + ".json");
    while (!options.serverURL.empty() && options.serverURL.back() == '/') options.serverURL.pop_back();
    return options;
}

AnalyticsClient::AnalyticsClient(Options options) : state_(std::make_shared<State>()) {
    state_->options = normalized(std::move(options));
    state_->load();
    if (state_->distinctId.empty()) state_->distinctId = newDistinctId();
    if (!state_->options.token.empty()) state_->start();
}

AnalyticsClient::~AnalyticsClient() {
    if (state_->timer) state_->timer->invalidate();
    QObject::disconnect(state_->quitConnection);
    std::lock_guard lock(state_->mutex);
    state_->save();
}

bool AnalyticsClient::useIPAddressForGeoLocation() const {
    std::lock_guard lock(state_->mutex);
    return state_->useIP;
}

void AnalyticsClient::setUseIPAddressForGeoLocation(bool use) {
    std::lock_guard lock(state_->mutex);
    state_->useIP = use;
}

void AnalyticsClient::track(const std::string& event, const Dictionary& properties) {
    const double now = Date::now().secondsSince1970;
    std::lock_guard lock(state_->mutex);
    nlohmann::json p = state_->superProperties;
    p["token"] = state_->options.token;
    p["distinct_id"] = state_->distinctId;
    p["time"] = now;
    if (auto it = state_->timedEvents.find(event); it != state_->timedEvents.end()) {
        p["$duration"] = now - it->second;
        state_->timedEvents.erase(it);
    }
    for (const auto& [k, v] : properties) p[k] = plainJson(v);
    state_->queue.push_back({{"event", event}, {"properties", std::move(p)}});
    state_->save();
}

void AnalyticsClient::time(const std::string& event) {
    std::lock_guard lock(state_->mutex);
    state_->timedEvents[event] = Date::now().secondsSince1970;
}

void AnalyticsClient::identify(const std::string& distinctId, bool /*usePeople*/, std::function<void()> completion) {
    {
        std::lock_guard lock(state_->mutex);
        if (!distinctId.empty()) state_->distinctId = distinctId;
        state_->save();
    }
    if (completion) DispatchQueue::main().async(std::move(completion));
}

void AnalyticsClient::registerSuperProperties(const Dictionary& properties) {
    std::lock_guard lock(state_->mutex);
    for (const auto& [k, v] : properties) state_->superProperties[k] = plainJson(v);
    state_->save();
}

void AnalyticsClient::clearSuperProperties() {
    std::lock_guard lock(state_->mutex);
    state_->superProperties = nlohmann::json::object();
    state_->save();
}

void AnalyticsClient::reset(std::function<void()> completion) {
    {
        std::lock_guard lock(state_->mutex);
        state_->distinctId = newDistinctId();
        state_->superProperties = nlohmann::json::object();
        state_->timedEvents.clear();
        state_->save();
    }
    if (completion) DispatchQueue::main().async(std::move(completion));
}

void AnalyticsClient::flush(std::function<void(bool)> completion) {
    std::weak_ptr<State> weak = state_;
    auto start = [weak, completion = std::move(completion)]() mutable {
        if (auto self = weak.lock()) self->startFlush(std::move(completion));
    };
    if (DispatchQueue::main().isCurrent()) start();
    else DispatchQueue::main().async(std::move(start));
}

std::size_t AnalyticsClient::queuedCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->queue.size();
}

std::string AnalyticsClient::distinctId() const {
    std::lock_guard lock(state_->mutex);
    return state_->distinctId;
}

Dictionary AnalyticsClient::superProperties() const {
    std::lock_guard lock(state_->mutex);
    Dictionary d;
    for (const auto& [k, v] : state_->superProperties.items()) d.emplace(k, Value::fromJson(v));
    return d;
}

}  // namespace morvex
