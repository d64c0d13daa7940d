#pragma once
// How the application asks for a message box without touching widgets: the request says what to
// show and which window to attach it to; the presenter shows it as a sheet and hands the answer
// (1000, 1001, 1002 for the buttons in order; anything else when the sheet ended another way) to
// the completion on the main thread.
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace morvex::appkit {
class Window;
}

namespace morvex {

struct AlertRequest {
    std::string title;    // shown as the message text
    std::string message;  // the informative text; empty for none
    int style = 0;        // 0 warning, 1 informational, 2 critical
    std::vector<std::string> buttons;  // none: one "OK" button
    QWidget* accessory = nullptr;      // owned by the alert once presented
    appkit::Window* window = nullptr;  // none: the application's first window
    std::function<void(long response)> completion;
};

class AlertPresenting {
public:
    virtual ~AlertPresenting() = default;
    // Begins the alert as a sheet. False when there is no window to attach it to: nothing is
    // shown and the completion never runs.
    virtual bool present(AlertRequest request) = 0;
    // Ends the alert sheet attached to the first window, if any, without running a button's action.
    virtual void dismissSheet() = 0;
    // Shows the alert in a loop of its own and answers the response (the one alert that must be
    // answered before anything else happens).
    virtual long runModal(AlertRequest request) = 0;
};

}  // namespace morvex
