#pragma once
// A thread that runs tasks one at a time, at once or after a delay, in due order.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <mutex>
#include <string>
#include <thread>

namespace zevu::detail {

// What WorkerLoop::settle() may leave behind: a task that repeats for as long as something lasts
// (it would never run out) while that lasts, or any other task once it has become moot (`live`
// answers false; asked on the loop).
struct TaskWaiting {
    std::function<bool()> live;
    bool repeats = false;
};

class WorkerLoop {
public:
    using Task = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    explicit WorkerLoop(std::string name);
    ~WorkerLoop();  // runs no further task; waits for the running one
    WorkerLoop(const WorkerLoop&) = delete;
    WorkerLoop& operator=(const WorkerLoop&) = delete;

    using Waiting = TaskWaiting;

    void post(Task task) { postAfter(0, std::move(task)); }
    void postAfter(double seconds, Task task, Waiting waiting = {});
    // Runs the task on the loop and waits for it (at once when called from the loop itself).
    void sync(const Task& task);
    bool isCurrent() const { return std::this_thread::get_id() == threadId_; }
    // Drops every task not yet started.
    void clear();
    // A barrier: waits until every task queued has run, those they queue in turn included, and
    // none is running; a delayed task is waited for until it falls due. Repeating and moot tasks
    // stay queued. Returns at once when called from the loop itself. Answers whether any task ran
    // meanwhile.
    bool settle();

private:
    struct Entry {
        Task task;
        Waiting waiting;
    };
    void run();
    // Runs `task` on the loop once everything due by `due` has run, and waits for it.
    void barrier(Clock::time_point due, const Task& task);

    std::string name_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::multimap<std::pair<Clock::time_point, std::uint64_t>, Entry> tasks_;
    std::uint64_t sequence_ = 0;
    std::uint64_t started_ = 0;  // tasks taken so far
    bool stopping_ = false;
    std::thread thread_;
    std::thread::id threadId_;
};

}  // namespace zevu::detail
