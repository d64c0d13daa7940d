#include "foundation/Dispatch.h"

#include "foundation/Log.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <set>
#include <thread>

namespace morvex {

namespace {

// The held clock of the main queue: main thread only.
struct HeldClock {
    bool held = false;
    std::int64_t now = 0;  // nanoseconds: sums of steps stay exact
    std::uint64_t sequence = 0;
    std::multimap<std::pair<std::int64_t, std::uint64_t>, DispatchQueue::Block> waiting;
};

std::int64_t toNanoseconds(double seconds) { return std::llround(std::max(0.0, seconds) * 1e9); }

HeldClock& heldClock() {
    static HeldClock clock;
    return clock;
}

class MainQueue final : public DispatchQueue {
public:
    MainQueue() : DispatchQueue("main") {}

    void async(Block block) override {
        auto* app = QCoreApplication::instance();
        if (!app) return;  // no run loop: nothing will ever run it
        QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
    }

    void asyncAfter(double seconds, Block block) override {
        auto* app = QCoreApplication::instance();
        if (!app) return;
        int ms = seconds <= 0 ? 0 : static_cast<int>(seconds * 1000.0 + 0.5);
        auto start = [app, ms, seconds, block = std::move(block)]() mutable {
            if (auto& clock = heldClock(); clock.held) {
                const std::int64_t due = clock.now + toNanoseconds(seconds);
                clock.waiting.emplace(std::make_pair(due, clock.sequence++), std::move(block));
                return;
            }
            QTimer::singleShot(ms, app, std::move(block));
        };
        if (isCurrent()) start();
        else QMetaObject::invokeMethod(app, std::move(start), Qt::QueuedConnection);
    }

    void sync(const Block& block) override {
        if (isCurrent()) {
            block();
            return;
        }
        auto* app = QCoreApplication::instance();
        if (!app) return;
        QMetaObject::invokeMethod(app, block, Qt::BlockingQueuedConnection);
    }

    bool isCurrent() const override {
        auto* app = QCoreApplication::instance();
        return app && QThread::currentThread() == app->thread();
    }
};

class SerialQueue final : public DispatchQueue {
public:
    explicit SerialQueue(std::string label) : DispatchQueue(std::move(label)), state_(std::make_shared<State>()) {
        // The worker holds the state, not the queue: a queue dropped from one of its own blocks
        // must not pull the state from under the loop that is running that block.
        worker_ = std::thread([state = state_] { state->run(); });
    }

    ~SerialQueue() override {
        {
            std::lock_guard l(state_->mutex);
            state_->stopping = true;
        }
        state_->cv.notify_all();
        if (worker_.get_id() == std::this_thread::get_id()) worker_.detach();
        else worker_.join();
    }

    void async(Block block) override { state_->enqueue(Clock::now(), std::move(block)); }

    void asyncAfter(double seconds, Block block) override {
        auto delay = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(std::max(0.0, seconds)));
        state_->enqueue(Clock::now() + delay, std::move(block));
    }

    void sync(const Block& block) override {
        if (isCurrent()) {
            block();
            return;
        }
        std::promise<void> done;
        auto f = done.get_future();
        async([&] {
            block();
            done.set_value();
        });
        f.wait();
    }

    bool isCurrent() const override { return std::this_thread::get_id() == worker_.get_id(); }

private:
    using Clock = std::chrono::steady_clock;

    struct State {
        std::mutex mutex;
        std::condition_variable cv;
        std::multimap<Clock::time_point, Block> pending;
        bool stopping = false;

        void enqueue(Clock::time_point when, Block block) {
            {
                std::lock_guard l(mutex);
                // Same deadline keeps FIFO order: multimap inserts after equal keys.
                pending.emplace(when, std::move(block));
            }
            cv.notify_all();
        }

        void run() {
            std::unique_lock l(mutex);
            for (;;) {
                if (pending.empty()) {
                    if (stopping) return;
                    cv.wait(l);
                    continue;
                }
                auto it = pending.begin();
                if (it->first > Clock::now()) {
                    if (stopping) return;  // delayed blocks are dropped with their queue
                    cv.wait_until(l, it->first);
                    continue;
                }
                Block block = std::move(it->second);
                pending.erase(it);
                l.unlock();
                block();
                block = nullptr;  // release what it captured (perhaps the queue) outside the lock
                l.lock();
            }
        }
    };

    std::shared_ptr<State> state_;
    std::thread worker_;
};

}  // namespace

DispatchQueue& DispatchQueue::main() {
    static MainQueue* q = new MainQueue();
    return *q;
}

std::shared_ptr<DispatchQueue> DispatchQueue::serial(std::string label) {
    return std::make_shared<SerialQueue>(std::move(label));
}

void DispatchQueue::MainClock::hold() {
    auto& clock = heldClock();
    clock.held = true;
    clock.now = 0;
    clock.waiting.clear();
}

void DispatchQueue::MainClock::release() {
    auto& clock = heldClock();
    clock.held = false;
    clock.now = 0;
    auto dropped = std::move(clock.waiting);
    clock.waiting.clear();
    dropped.clear();  // what the blocks captured goes after the clock is consistent again
}

bool DispatchQueue::MainClock::isHeld() { return heldClock().held; }

double DispatchQueue::MainClock::now() { return static_cast<double>(heldClock().now) / 1e9; }

std::size_t DispatchQueue::MainClock::pending() { return heldClock().waiting.size(); }

void DispatchQueue::MainClock::advance(double seconds) {
    auto& clock = heldClock();
    if (!clock.held) return;
    const std::int64_t target = clock.now + toNanoseconds(seconds);
    while (!clock.waiting.empty() && clock.waiting.begin()->first.first <= target) {
        auto first = clock.waiting.begin();
        clock.now = std::max(clock.now, first->first.first);
        Block block = std::move(first->second);
        clock.waiting.erase(first);
        block();
    }
    clock.now = target;
}

namespace {
std::recursive_mutex g_onceMutex;
std::set<std::string>& onceTokens() {
    static std::set<std::string> tokens;
    return tokens;
}
}  // namespace

void DispatchQueue::once(const std::string& token, const Block& block) {
    std::lock_guard lock(g_onceMutex);
    if (!onceTokens().insert(token).second) return;
    log::print("[DispatchQueue.once] Executing block for token '" + token + "'.");
    block();
    log::print("[DispatchQueue.once] Finished block for token '" + token + "'.");
}

}  // namespace morvex
