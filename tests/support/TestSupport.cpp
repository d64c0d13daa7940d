#include "support/TestSupport.h"

#include <QAbstractAnimation>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QPointer>
#include <QElapsedTimer>
#include <QThread>
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "foundation/Analytics.h"
#include "foundation/Dispatch.h"
#include "foundation/HttpSession.h"
#include "foundation/Paths.h"
#include "foundation/UserDefaults.h"

namespace morvex::test {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() >= timeout.count()) return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void spinFor(std::chrono::milliseconds duration) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

namespace {

// Counts every event delivered to an object of the main thread.
class DeliveryCounter : public QObject {
public:
    std::uint64_t delivered = 0;
    bool eventFilter(QObject*, QEvent*) override {
        ++delivered;
        return false;
    }
};

}  // namespace

bool drain() {
    auto* app = QCoreApplication::instance();
    if (!app) return false;
    DeliveryCounter counter;
    app->installEventFilter(&counter);
    std::uint64_t seen = 0;
    // A pass that delivers nothing ends it; work that keeps re-arming itself at once (a zero-time
    // timer that never stops) is a fault of its own, reported rather than spun on for ever.
    int passes = 0;
    for (; passes < 100000; ++passes) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (counter.delivered == seen) break;
        seen = counter.delivered;
    }
    app->removeEventFilter(&counter);
    EXPECT_LT(passes, 100000) << "the main queue never ran dry";
    return counter.delivered > 0;
}

void settle(const std::function<bool()>& background) {
    for (int round = 0; round < 10000; ++round) {
        const bool ranBehind = background && background();
        const bool ranHere = drain();
        if (!ranBehind && !ranHere) return;
    }
    ADD_FAILURE() << "the queues never settled";
}

void settleRequests(std::chrono::milliseconds timeout) {
    for (int round = 0; round < 1000; ++round) {
        const bool ran = drain();
        if (http::Session::unansweredRequests() == 0) {
            if (!ran) return;
            continue;
        }
        ASSERT_TRUE(waitUntil([] { return http::Session::unansweredRequests() == 0; }, timeout))
            << http::Session::unansweredRequests() << " requests never answered";
    }
    ADD_FAILURE() << "requests kept coming";
}

void settleSessionBus() {
    for (int round = 0; round < 100; ++round) {
        // Synchronous, through the daemon, on the connection the code under test uses.
        QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus"));
        if (!drain()) return;
    }
    ADD_FAILURE() << "the bus never settled";
}

bool animating(const QObject* root) {
    if (!root) return false;
    for (const auto* a : root->findChildren<QAbstractAnimation*>())
        if (a->state() == QAbstractAnimation::Running) return true;
    return false;
}

bool waitForAnimations(const QObject* root, std::chrono::milliseconds timeout) {
    QPointer<const QObject> watched(root);
    const bool ended = waitUntil([&] { return !animating(watched); }, timeout);
    drain();
    return ended;
}

ManualClock::ManualClock() { DispatchQueue::MainClock::hold(); }

ManualClock::~ManualClock() { DispatchQueue::MainClock::release(); }

void ManualClock::advance(std::chrono::milliseconds step) { advanceSeconds(step.count() / 1000.0); }

void ManualClock::advanceSeconds(double seconds) {
    drain();
    DispatchQueue::MainClock::advance(seconds);
    drain();
}

std::size_t ManualClock::pending() const { return DispatchQueue::MainClock::pending(); }

void flushDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvex-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("mkdtemp failed");
    path_ = made;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> configFilesHolding(const std::string& text) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(paths::configDirectory())) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.find(text) != std::string::npos) found.push_back(entry.path().filename().string());
    }
    return found;
}

void TempConfigTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvex-config-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    ASSERT_NE(made, nullptr);
    dir_ = made;
    paths::setConfigDirectoryOverride(dir_);
    UserDefaults::releaseStores();
    // A main analytics instance made by an earlier test keeps that test's directory and queue.
    AnalyticsClient::releaseMainInstance();
}

void TempConfigTest::TearDown() {
    UserDefaults::releaseStores();
    paths::setConfigDirectoryOverride({});
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

}  // namespace morvex::test
