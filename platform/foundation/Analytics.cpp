#include "foundation/Analytics.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QUuid>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <utility>

#include "foundation/AnalyticsFile.h"
#include "foundation/BoundedJson.h"
#include "foundation/Codec.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "foundation/NetworkModule.h"
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

std::string newDistinctId() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString(); }

// Keeps the client's file on a serial queue of its own, so that no caller waits for the disk: each
// change is one line appended there (one write for all the lines waiting). The writer keeps its own
// account of what the file says — the event texts are shared with the client, not copied — so that
// it can rewrite the file by itself (to a temporary file, flushed, renamed over) once removals make
// up most of it, or when the file must start afresh.
class AnalyticsWriter {
public:
    struct Change {
        enum class Kind { Event, Removed, Identity, SuperProperties, Rewrite } kind;
        std::shared_ptr<const std::string> text;  // the event, the identifier or the super properties
        std::size_t count = 0;                    // events removed
    };

    // `fileBytes` is the size of the file as read, when it is to be appended to; 0 starts it afresh.
    AnalyticsWriter(std::filesystem::path file, const analyticsfile::Contents& start, std::size_t fileBytes)
        : disk_(std::make_shared<Disk>()), queue_(DispatchQueue::serial("com.morvex.analytics.writer")) {
        disk_->file = std::move(file);
        disk_->fileBytes = fileBytes;
        disk_->events = start.events;
        for (const auto& e : disk_->events) disk_->eventBytes += e->size() + 3;
        disk_->identity = start.distinctId;
        disk_->superProperties = analyticsfile::dump(start.superProperties);
        if (fileBytes == 0) post({Change::Kind::Rewrite, nullptr, 0});
    }
    // Writes what was posted before returning.
    ~AnalyticsWriter() { queue_.reset(); }
    AnalyticsWriter(const AnalyticsWriter&) = delete;
    AnalyticsWriter& operator=(const AnalyticsWriter&) = delete;

    // Any thread; costs the same however much is queued.
    void post(Change change) {
        bool schedule;
        {
            std::lock_guard lock(disk_->mutex);
            disk_->pending.push_back(std::move(change));
            schedule = !std::exchange(disk_->scheduled, true);
        }
        if (schedule) queue_->async([disk = disk_] { disk->writePending(); });
    }

    // Waits until everything posted so far is written.
    void drain() {
        queue_->sync([] {});
    }

private:
    static constexpr std::size_t kRewriteSlack = 64u << 10;

    struct Disk {
        std::filesystem::path file;
        std::mutex mutex;  // guards `pending` and `scheduled`
        std::vector<Change> pending;
        bool scheduled = false;

        // Writer queue only.
        std::deque<std::shared_ptr<const std::string>> events;
        std::size_t eventBytes = 0;  // their lines, line ends included
        std::string identity;
        std::string superProperties;
        std::size_t fileBytes = 0;  // 0: the file is not known to be whole, rewrite before appending
        int fd = -1;

        ~Disk() {
            if (fd >= 0) ::close(fd);
        }

        std::size_t liveBytes() const {
            return analyticsfile::kMagic.size() + eventBytes + identity.size() + superProperties.size() + 8;
        }

        void writePending() {
            std::vector<Change> changes;
            {
                std::lock_guard lock(mutex);
                changes.swap(pending);
                scheduled = false;
            }
            std::string lines;
            bool rewrite = fileBytes == 0;
            for (auto& c : changes) {
                switch (c.kind) {
                    case Change::Kind::Event:
                        lines += analyticsfile::eventLine(*c.text);
                        eventBytes += c.text->size() + 3;
                        events.push_back(std::move(c.text));
                        break;
                    case Change::Kind::Removed: {
                        const std::size_t n = std::min(c.count, events.size());
                        for (std::size_t i = 0; i < n; ++i) {
                            eventBytes -= events.front()->size() + 3;
                            events.pop_front();
                        }
                        lines += analyticsfile::removedLine(n);
                        break;
                    }
                    case Change::Kind::Identity:
                        identity = *c.text;
                        lines += analyticsfile::identityLine(identity);
                        break;
                    case Change::Kind::SuperProperties:
                        superProperties = *c.text;
                        lines += "S " + superProperties + "\n";
                        break;
                    case Change::Kind::Rewrite: rewrite = true; break;
                }
            }
            if (!rewrite && !append(lines)) rewrite = true;
            if (rewrite || fileBytes > 2 * liveBytes() + kRewriteSlack) rewriteWhole();
        }

        bool append(const std::string& lines) {
            if (lines.empty()) return true;
            if (fd < 0) fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
            const char* p = lines.data();
            std::size_t left = lines.size();
            while (fd >= 0 && left > 0) {
                ssize_t n = ::write(fd, p, left);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) break;
                p += n;
                left -= static_cast<std::size_t>(n);
            }
            if (fd >= 0 && left == 0) {
                fileBytes += lines.size();
                return true;
            }
            log::nslog("Analytics: cannot append to " + file.string() + ": " + std::strerror(errno));
            // A line cut off in the middle would read as damage once more lines follow it.
            if (fd >= 0 && ::ftruncate(fd, static_cast<off_t>(fileBytes)) == 0) return false;
            fileBytes = 0;
            return false;
        }

        void rewriteWhole() {
            std::string text(analyticsfile::kMagic);
            text += analyticsfile::identityLine(identity);
            text += "S " + superProperties + "\n";
            for (const auto& e : events) text += analyticsfile::eventLine(*e);
            if (fd >= 0) ::close(fd);
            fd = -1;
            if (!paths::writeFileAtomically(file, text, 0600)) {
                log::nslog("Analytics: cannot write " + file.string());
                fileBytes = 0;  // try again with the next change
                return;
            }
            fileBytes = text.size();
        }
    };

    std::shared_ptr<Disk> disk_;
    std::shared_ptr<DispatchQueue> queue_;
};

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
    struct Queued {
        std::uint64_t number;  // counts up from 1 for the life of the client
        std::shared_ptr<const std::string> event;  // JSON text
    };

    Options options;
    mutable std::mutex mutex;
    std::deque<Queued> queue;
    std::uint64_t nextNumber = 1;
    std::size_t dropped = 0;  // oldest events dropped to keep under the cap
    nlohmann::json superProperties = nlohmann::json::object();
    std::string distinctId;
    std::map<std::string, double> timedEvents;
    bool useIP = true;
    std::unique_ptr<AnalyticsWriter> writer;

    // Main thread only.
    bool flushing = false;
    std::vector<std::function<void(bool)>> waiting;
    std::shared_ptr<Timer> timer;
    QMetaObject::Connection quitConnection;

    // Reads the file and starts its writer; `fallbackId` is the distinct identifier when the file
    // has none (a new one when empty). Caller holds the mutex (or owns the state alone).
    void load(const std::string& fallbackId = {}) {
        // A rewrite cut off by a kill leaves its temporary file behind; nothing else would remove it.
        paths::removeTemporaries(options.stateFile);
        analyticsfile::Contents contents;
        std::size_t fileBytes = 0;
        if (auto text = paths::readFile(options.stateFile)) {
            contents = analyticsfile::read(*text);
            fileBytes = text->size();
        }
        const std::string& file = options.stateFile.string();
        if (!contents.damage.empty()) {
            auto aside = paths::moveAside(options.stateFile);
            log::nslog("Analytics: " + file + " is damaged (" + contents.damage + "); " +
                       (aside ? "moved aside to " + aside->string() : std::string("it could not be moved aside")) +
                       ", keeping the " + std::to_string(contents.events.size()) + " events read before the damage");
        }
        if (contents.notEvents > 0) {
            log::nslog("Analytics: dropped " + std::to_string(contents.notEvents) + " queued entries of " + file +
                       " that are not event objects");
        }
        bool rewrite = contents.earlierForm || contents.tornTail || !contents.damage.empty() || contents.notEvents > 0;
        if (contents.events.size() > options.maxQueuedEvents) {
            const std::size_t over = contents.events.size() - options.maxQueuedEvents;
            contents.events.erase(contents.events.begin(), contents.events.begin() + static_cast<std::ptrdiff_t>(over));
            log::nslog("Analytics: the queue holds more than " + std::to_string(options.maxQueuedEvents) +
                       " events; dropped the " + std::to_string(over) + " oldest");
            rewrite = true;
        }
        for (auto& e : contents.events) queue.push_back({nextNumber++, e});
        superProperties = contents.superProperties;
        distinctId = contents.distinctId;
        if (distinctId.empty()) {
            distinctId = fallbackId.empty() ? newDistinctId() : fallbackId;
            rewrite = true;
        }
        contents.distinctId = distinctId;
        writer = std::make_unique<AnalyticsWriter>(options.stateFile, contents, rewrite ? 0 : fileBytes);
    }

    // Caller holds the mutex. Costs the same however many events are queued.
    void enqueue(std::shared_ptr<const std::string> event) {
        if (queue.size() >= options.maxQueuedEvents && !queue.empty()) {
            queue.pop_front();
            writer->post({AnalyticsWriter::Change::Kind::Removed, nullptr, 1});
            if (++dropped % 1000 == 1) {
                log::nslog("Analytics: the queue is full (" + std::to_string(options.maxQueuedEvents) +
                           " events); dropped the oldest, " + std::to_string(dropped) + " so far");
            }
        }
        if (options.maxQueuedEvents == 0) return;
        queue.push_back({nextNumber++, event});
        writer->post({AnalyticsWriter::Change::Kind::Event, std::move(event), 0});
    }

    // Caller holds the mutex.
    void postIdentity() {
        writer->post({AnalyticsWriter::Change::Kind::Identity, std::make_shared<const std::string>(distinctId), 0});
    }
    void postSuperProperties() {
        writer->post({AnalyticsWriter::Change::Kind::SuperProperties,
                      std::make_shared<const std::string>(analyticsfile::dump(superProperties)), 0});
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
        std::string body = "[";
        std::size_t count = 0;
        std::uint64_t last = 0;
        bool ip;
        {
            std::lock_guard lock(mutex);
            ip = useIP;
            const std::size_t n = std::min({kBatchSize, remaining, queue.size()});
            for (std::size_t i = 0; i < n; ++i) {
                if (i) body += ',';
                body += *queue[i].event;
                last = queue[i].number;
            }
            count = n;
        }
        body += ']';
        if (count == 0) {
            finish(true);
            return;
        }
        auto* module = network::load();
        if (!module) {
            log::nslog("Analytics: delivery failed (" + network::failure() + "); " + std::to_string(count) +
                       " events stay queued");
            finish(false);
            return;
        }
        QUrl url(QString::fromStdString(options.serverURL + "/track"));
        url.setQuery(QString("ip=") + (ip ? "1" : "0"));
        std::weak_ptr<State> weak = shared_from_this();
        module->post(url.toString(QUrl::FullyEncoded).toStdString(), "application/json", std::move(body), 30000,
                      [weak, count, last, remaining](const network::PostResult& result) {
            auto self = weak.lock();
            if (!self) return;
            if (result.failure) {
                log::nslog("Analytics: delivery failed (" + std::to_string(result.status) + " " + *result.failure +
                           "); " + std::to_string(count) + " events stay queued");
                self->finish(false);
                return;
            }
            {
                std::lock_guard lock(self->mutex);
                // The batch's events leave from the front, unless the cap dropped some of them meanwhile.
                std::size_t removed = 0;
                while (!self->queue.empty() && self->queue.front().number <= last) {
                    self->queue.pop_front();
                    ++removed;
                }
                if (removed) self->writer->post({AnalyticsWriter::Change::Kind::Removed, nullptr, removed});
            }
            self->sendNext(remaining > count ? remaining - count : 0);
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
        state.writer.reset();  // everything written to the file of the uninitialised instance
        auto pending = std::move(state.queue);
        auto supers = std::move(state.superProperties);
        auto id = state.distinctId;
        auto pendingFile = state.options.stateFile;
        state.queue.clear();
        state.superProperties = nlohmann::json::object();
        state.distinctId.clear();
        state.options = normalized(std::move(o));
        state.load(id);
        for (auto& queued : pending) {
            // Events queued in this process or read back by the file reader: objects whose
            // properties, when present, are an object.
            auto e = json::parseText(*queued.event);
            if (!e || !e->is_object()) continue;
            (*e)["properties"]["token"] = token;
            state.enqueue(std::make_shared<const std::string>(analyticsfile::dump(*e)));
        }
        state.superProperties.update(supers);
        state.postSuperProperties();
        state.writer->drain();
        std::error_code ec;
        std::filesystem::remove(pendingFile, ec);
    }
    state.start();
    return *g_mainInstance;
}

void AnalyticsClient::releaseMainInstance() {
    std::unique_ptr<AnalyticsClient> released;
    {
        std::lock_guard lock(g_mainMutex);
        released = std::move(g_mainInstance);
    }
    // Destroyed outside the lock, so that nothing its end waits for can block on the lock.
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
    if (!state_->options.token.empty()) state_->start();
}

AnalyticsClient::~AnalyticsClient() {
    if (state_->timer) state_->timer->invalidate();
    QObject::disconnect(state_->quitConnection);
    std::lock_guard lock(state_->mutex);
    state_->writer.reset();  // writes what is still waiting
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
    for (const auto& [k, v] : properties) {
        if (v.nestsDeeperThan(kMaxValueDepth)) {
            log::nslog("Analytics: not queuing \"" + event + "\": its property \"" + k + "\" nests more than " +
                       std::to_string(kMaxValueDepth) + " levels deep");
            return;
        }
    }
    nlohmann::json own = nlohmann::json::object();
    for (const auto& [k, v] : properties) own[k] = plainJson(v);
    std::lock_guard lock(state_->mutex);
    nlohmann::json p = state_->superProperties;
    p["token"] = state_->options.token;
    p["distinct_id"] = state_->distinctId;
    p["time"] = now;
    if (auto it = state_->timedEvents.find(event); it != state_->timedEvents.end()) {
        p["$duration"] = now - it->second;
        state_->timedEvents.erase(it);
    }
    p.update(own);
    state_->enqueue(std::make_shared<const std::string>(
        analyticsfile::dump(nlohmann::json{{"event", event}, {"properties", std::move(p)}})));
}

void AnalyticsClient::time(const std::string& event) {
    std::lock_guard lock(state_->mutex);
    state_->timedEvents[event] = Date::now().secondsSince1970;
}

void AnalyticsClient::identify(const std::string& distinctId, bool /*usePeople*/, std::function<void()> completion) {
    {
        std::lock_guard lock(state_->mutex);
        if (!distinctId.empty()) {
            state_->distinctId = distinctId;
            state_->postIdentity();
        }
    }
    if (completion) DispatchQueue::main().async(std::move(completion));
}

void AnalyticsClient::registerSuperProperties(const Dictionary& properties) {
    std::lock_guard lock(state_->mutex);
    for (const auto& [k, v] : properties) state_->superProperties[k] = plainJson(v);
    state_->postSuperProperties();
}

void AnalyticsClient::clearSuperProperties() {
    std::lock_guard lock(state_->mutex);
    state_->superProperties = nlohmann::json::object();
    state_->postSuperProperties();
}

void AnalyticsClient::reset(std::function<void()> completion) {
    {
        std::lock_guard lock(state_->mutex);
        state_->distinctId = newDistinctId();
        state_->superProperties = nlohmann::json::object();
        state_->timedEvents.clear();
        state_->postIdentity();
        state_->postSuperProperties();
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
