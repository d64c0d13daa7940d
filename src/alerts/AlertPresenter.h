#pragma once
// How model code shows an alert. Builders (Alert.h) decide what an alert says and what each answer
// does; a presenter only shows it and reports the button that ended it. The desktop layer installs
// its window-modal sheet at start (AlertServices::install); tests install a recorder that answers
// with a chosen response.
#include <functional>

namespace morvex {

class Alert;

// The answer of an alert: the button that ended it, numbered in the order the buttons were added.
// An alert whose builder added no button shows one default button, which answers the first.
using ModalResponse = long;
inline constexpr ModalResponse alertFirstButtonReturn = 1000;
inline constexpr ModalResponse alertSecondButtonReturn = 1001;
inline constexpr ModalResponse alertThirdButtonReturn = 1002;

// Acts on the answer; handlers compare it with the three numbers above and ignore anything else.
using AlertHandler = std::function<void(ModalResponse)>;

// A window an alert can attach to, as the desktop layer hands it out to screens. Model code only
// passes it on.
class AlertWindow {
public:
    virtual ~AlertWindow() = default;
};

// A view shown inside an alert below its message (a progress indicator, a countdown), made by the
// desktop layer and passed on by model code.
class AlertAccessory {
public:
    virtual ~AlertAccessory() = default;
};

class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;

    // Begins `alert` as a sheet on its window (the application's first window when it names none)
    // and returns at once. When a button ends the sheet, `handler` (when there is one) runs once
    // on the main thread with that button's response. With no window to attach to nothing is
    // shown and the handler never runs; a sheet ended by other means runs no handler.
    virtual void beginSheet(const Alert& alert, AlertHandler handler) = 0;

    // Shows `alert` on its own, application-modal, and waits for the answer. Only the alert that
    // reports a failed restart uses it.
    virtual ModalResponse runModal(const Alert& alert) = 0;

    // Ends the sheet attached to the first window when it is an alert's; otherwise does nothing.
    // Its handler does not run.
    virtual void endAttachedAlertSheet() = 0;
};

}  // namespace morvex
