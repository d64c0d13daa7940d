#include "zevu/internal/WorkerLoop.h"

#include <pthread.h>

#include <future>

namespace zevu::detail {

WorkerLoop::WorkerLoop(std::string name) : name_(std::move(name)) {
    std::promise<void> started;
    auto ready = started.get_future();
    thread_ = std::thread([this, &started] {
        threadId_ = std::this_thread::get_id();
        pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
        started.set_value();
        run();
    });
    ready.wait();
}

WorkerLoop::~WorkerLoop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void WorkerLoop::postAfter(double seconds, Task task, Waiting waiting) {
    const auto due = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(seconds > 0 ? seconds : 0));
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        tasks_.emplace(std::make_pair(due, sequence_++), Entry{std::move(task), std::move(waiting)});
    }
    cv_.notify_all();
}

void WorkerLoop::sync(const Task& task) {
    if (isCurrent()) {
        task();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    post([&task, &done] {
        task();
        done.set_value();
    });
    finished.wait();
}

void WorkerLoop::clear() {
    std::lock_guard lock(mutex_);
    tasks_.clear();
}

void WorkerLoop::barrier(Clock::time_point due, const Task& task) {
    std::promise<void> done;
    auto finished = done.get_future();
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        // Queued after every task due by then, equal times included.
        Task run = [&task, &done] {
            task();
            done.set_value();
        };
        tasks_.emplace(std::make_pair(due, sequence_++), Entry{std::move(run), {}});
    }
    cv_.notify_all();
    finished.wait();
}

bool WorkerLoop::settle() {
    if (isCurrent()) return false;
    std::uint64_t before;
    {
        std::lock_guard lock(mutex_);
        before = started_;
    }
    std::uint64_t barriers = 0;
    for (;;) {
        // Looked at on the loop, where the tasks' own state may be read.
        std::optional<Clock::time_point> last;
        barrier(Clock::now(), [this, &last] {
            std::lock_guard lock(mutex_);
            for (const auto& [key, entry] : tasks_) {
                // A repeating task is waited for only once what it repeats for has ended (its next
                // run must then do nothing); any other only while it still matters.
                const bool live = !entry.waiting.live || entry.waiting.live();
                if (entry.waiting.repeats == live) continue;
                last = key.first;  // the map is in due order
            }
        });
        ++barriers;
        if (!last) break;
        barrier(*last, [] {});
        ++barriers;
    }
    std::lock_guard lock(mutex_);
    return started_ - before > barriers;
}

void WorkerLoop::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (tasks_.empty()) {
            cv_.wait(lock);
            continue;
        }
        auto first = tasks_.begin();
        if (first->first.first > Clock::now()) {
            cv_.wait_until(lock, first->first.first);
            continue;
        }
        Task task = std::move(first->second.task);
        tasks_.erase(first);
        ++started_;
        lock.unlock();
        task();
        task = nullptr;
        lock.lock();
    }
}

}  // namespace zevu::detail
