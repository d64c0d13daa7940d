#pragma once
// A run-loop timer on the thread that schedules it (in practice the main thread). Invalidating it,
// or dropping the last reference, stops it. A timer scheduled on the main thread while a test holds
// the main queue's clock (DispatchQueue::MainClock) counts its interval on that clock.
#include <functional>
#include <memory>

class QTimer;

namespace morvex {

class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Block = std::function<void(Timer&)>;

    static std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, Block block);
    ~Timer();

    void invalidate();
    bool isValid() const { return valid_; }
    void fire();  // runs the block now; a non-repeating timer is then invalid
    double timeInterval() const { return interval_; }

private:
    Timer(double interval, bool repeats, Block block);
    // Queues the next firing on the main queue's held clock.
    void armOnHeldClock();
    double interval_;
    bool repeats_;
    bool valid_ = true;
    Block block_;
    QTimer* timer_ = nullptr;
};

}  // namespace morvex
