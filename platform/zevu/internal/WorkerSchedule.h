#pragma once
// Hands the manager's work to the SDK's worker thread. A reset starts a new generation, and work
// of an earlier generation is dropped before it runs, so nothing of the state before the reset
// reaches a caller after it.
//
// Threads: every member may be called from any thread; the tasks run on the worker.
#include <atomic>
#include <cstdint>
#include <functional>

namespace zevu::detail {

class WorkerSchedule {
public:
    using Task = std::function<void()>;

    // Runs the task on the worker as soon as it is free.
    void post(Task task);
    // Runs the task on the worker after `seconds` of simulated time (the test time scale applied).
    // `live` (asked on the worker) says whether the task still matters, `repeats` that it is a
    // periodic step: a test's barrier waits for neither.
    void postAfter(double seconds, Task task, std::function<bool()> live = {}, bool repeats = false);
    // Runs the task on the worker for work that began in `generation` (e.g. on another thread).
    void postFor(std::uint64_t generation, Task task);

    std::uint64_t generation() const { return generation_.load(); }
    bool isCurrent(std::uint64_t generation) const { return generation == generation_.load(); }
    // Drops every task posted so far, wherever it waits.
    void startNewGeneration() { ++generation_; }

private:
    std::atomic<std::uint64_t> generation_{0};
};

}  // namespace zevu::detail
