#include "foundation/Timer.h"

#include <QTimer>

#include "foundation/Dispatch.h"

namespace morvex {

Timer::Timer(double interval, bool repeats, Block block)
    : interval_(interval), repeats_(repeats), block_(std::move(block)) {}

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, bool repeats, Block block) {
    std::shared_ptr<Timer> t(new Timer(interval, repeats, std::move(block)));
    if (DispatchQueue::MainClock::isHeld() && DispatchQueue::main().isCurrent()) {
        t->armOnHeldClock();
        return t;
    }
    t->timer_ = new QTimer();
    t->timer_->setSingleShot(!repeats);
    t->timer_->setTimerType(Qt::PreciseTimer);
    t->timer_->setInterval(static_cast<int>(interval * 1000.0 + 0.5));
    std::weak_ptr<Timer> weak = t;
    QObject::connect(t->timer_, &QTimer::timeout, [weak] {
        // The block may drop the last reference; keep the timer alive while it runs.
        if (auto self = weak.lock()) self->fire();
    });
    t->timer_->start();
    return t;
}

void Timer::armOnHeldClock() {
    std::weak_ptr<Timer> weak = weak_from_this();
    DispatchQueue::main().asyncAfter(interval_, [weak] {
        auto self = weak.lock();
        if (!self || !self->valid_) return;
        self->fire();
        if (self->repeats_ && self->valid_) self->armOnHeldClock();
    });
}

Timer::~Timer() {
    valid_ = false;
    delete timer_;
}

void Timer::invalidate() {
    valid_ = false;
    if (timer_) timer_->stop();
}

void Timer::fire() {
    if (!valid_) return;
    if (!repeats_) invalidate();
    if (block_) block_(*this);
}

}  // namespace morvex
