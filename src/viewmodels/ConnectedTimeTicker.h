#pragma once
// Keeps a connected-time text ("00:01:05") current, and costs nothing while nobody reads it.
//
// The text is redone when the second it shows has passed, not on a fixed beat: every ticker over
// the same connection wakes at the same moment (one wake-up a second for all of them), and the
// text changes when the time does. It ticks only while it runs (the tunnel is up) and its text is
// shown; when it is shown again the text is redone at once, then ticks on from there.
//
// Threads: main thread.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "foundation/Timer.h"
#include "foundation/Value.h"

namespace morvex {

class ConnectedTimeTicker {
public:
    struct Clock {
        std::function<std::optional<Date>()> connectedSince;  // none: counted from now
        std::function<Date()> now = Date::now;
    };
    // `changed` hears each new text.
    ConnectedTimeTicker(Clock clock, std::function<void(const std::string&)> changed);
    ~ConnectedTimeTicker();
    ConnectedTimeTicker(const ConnectedTimeTicker&) = delete;
    ConnectedTimeTicker& operator=(const ConnectedTimeTicker&) = delete;

    // Hands out the text now and ticks on (while shown).
    void start();
    void stop();
    // Whether anyone shows the text; a ticker is shown until told otherwise.
    void setShown(bool shown);
    bool isShown() const { return shown_; }
    // Whether it is started (whether or not it is shown).
    bool isRunning() const { return running_; }
    // Whether a tick is waiting.
    bool isTicking() const { return timer_ && timer_->isValid(); }

    std::string text() const;
    // Seconds until the shown second changes.
    double secondsToNextChange() const;

private:
    void schedule();
    void tick();

    Clock clock_;
    std::function<void(const std::string&)> changed_;
    bool running_ = false;
    bool shown_ = true;
    std::shared_ptr<Timer> timer_;
    std::shared_ptr<Timer> fired_;
};

}  // namespace morvex
