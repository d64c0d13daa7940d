#pragma once
// The reconnect countdown inside the kill-switch sheet: a line that counts down once a second and,
// when the count runs out, ends the sheet and reconnects as if the user had chosen to. Pressing
// one of the sheet's buttons stops it first. This is the count and what its end does, free of
// widgets; AutoDialView shows it.
//
// Threads: main thread.
#include <functional>
#include <memory>
#include <string>

#include "alerts/AlertServices.h"
#include "state/AppPreferences.h"

namespace morvex {

class AutoDialModel {
public:
    static constexpr int kStart = 10;
    static constexpr int kEnd = 1;

    enum class Tick {
        Counting,     // the count went down; countdownText() shows it
        Reconnected,  // the count ran out: the sheet was ended and the VPN reconnects
        Stopped,      // nothing happened: stopped before, or no sheet to end at the end
    };

    // Reconnects through the installed alert services' VPN control and the standard preferences.
    AutoDialModel();
    AutoDialModel(std::shared_ptr<VPNControl> vpn, AppPreferences appPreferences);

    int start() const { return start_; }
    int end() const { return end_; }
    bool isStopped() const { return stopped_; }

    // The line for the current count ("… in 9 s…").
    std::string countdownText() const;

    // Ends the sheet the countdown sits in; false when there is none to end.
    using SheetEnder = std::function<bool()>;
    // One second passed. At the end the countdown stops whatever follows; only when `endSheet`
    // ended a sheet does the VPN reconnect (with a fresh connection id and no internet check).
    Tick tick(const SheetEnder& endSheet);
    // Stops the countdown: later ticks do nothing (a sheet button was pressed).
    void invalidate() { stopped_ = true; }

private:
    std::shared_ptr<VPNControl> vpn_;
    AppPreferences appPreferences_;
    int start_ = kStart;
    int end_ = kEnd;
    bool stopped_ = false;
};

}  // namespace morvex
