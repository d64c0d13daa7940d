#include "viewmodels/ConnectedTimeTicker.h"

#include <cmath>

#include "viewmodels/DashboardText.h"

namespace morvex {

namespace {
// A tick lands this much after the second has turned, so a timer that fires a little early
// (timers round to milliseconds) does not show the old second once more.
constexpr double kPastTheSecond = 0.005;
}  // namespace

ConnectedTimeTicker::ConnectedTimeTicker(Clock clock, std::function<void(const std::string&)> changed)
    : clock_(std::move(clock)), changed_(std::move(changed)) {}

ConnectedTimeTicker::~ConnectedTimeTicker() {
    if (timer_) timer_->invalidate();
}

std::string ConnectedTimeTicker::text() const {
    return dashboard::connectedTimeText(clock_.connectedSince ? clock_.connectedSince() : std::nullopt, clock_.now());
}

double ConnectedTimeTicker::secondsToNextChange() const {
    const Date now = clock_.now();
    const std::optional<Date> since = clock_.connectedSince ? clock_.connectedSince() : std::nullopt;
    const double span = now.secondsSince1970 - since.value_or(now).secondsSince1970;
    // A start in the future shows 00:00:00 until a second after it.
    if (span < 0) return 1.0 - span;
    return std::floor(span) + 1.0 - span;
}

void ConnectedTimeTicker::start() {
    running_ = true;
    if (changed_) changed_(text());
    schedule();
}

void ConnectedTimeTicker::stop() {
    running_ = false;
    schedule();
}

void ConnectedTimeTicker::setShown(bool shown) {
    if (shown == shown_) return;
    shown_ = shown;
    // What was shown before it was hidden is stale by now.
    if (shown_ && running_ && changed_) changed_(text());
    schedule();
}

void ConnectedTimeTicker::schedule() {
    if (timer_) timer_->invalidate();
    timer_.reset();
    if (!running_ || !shown_) return;
    timer_ = Timer::scheduledTimer(secondsToNextChange() + kPastTheSecond, false, [this](Timer&) { tick(); });
}

void ConnectedTimeTicker::tick() {
    // The timer that fired is running this: it is let go at the next tick, not inside its own call.
    fired_ = std::move(timer_);
    if (changed_) changed_(text());
    schedule();
}

}  // namespace morvex
