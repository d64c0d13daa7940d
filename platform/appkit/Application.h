#pragma once
// The application object: the run loop, the ordered list of the application's windows, the
// delegate's launch / activation / termination calls, hiding and activating, the activation policy
// and the application-wide appearance.
//
// Threads: main thread only, like every widget.
// Lifetime: one Application lives beside the QApplication (the program makes it in main; tests
// make one per test). While it lives it is `shared()`; creating another makes that one current
// until it goes. Windows join the current application's list when they are made.
#include <QObject>
#include <QPointer>
#include <optional>
#include <vector>

#include "appkit/Appearance.h"

namespace morvex::appkit {

class Window;

// How a sheet or a modal window ended. Buttons of an alert answer 1000, 1001, 1002 in the order
// they were added; a sheet ended from outside answers `stop` unless the caller chose otherwise.
using ModalResponse = long;
namespace modal {
inline constexpr ModalResponse ok = 1;
inline constexpr ModalResponse cancel = 0;
inline constexpr ModalResponse stop = -1000;
inline constexpr ModalResponse abort = -1001;
inline constexpr ModalResponse continueResponse = -1002;
inline constexpr ModalResponse firstButton = 1000;
inline constexpr ModalResponse secondButton = 1001;
inline constexpr ModalResponse thirdButton = 1002;
}  // namespace modal

enum class TerminateReply { Cancel = 0, Now = 1, Later = 2 };

// Regular: a window-list / taskbar presence. Accessory: none (the status item is the way in).
enum class ActivationPolicy { Regular = 0, Accessory = 1, Prohibited = 2 };

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    // Once, when the run loop has started.
    virtual void applicationDidFinishLaunching() {}
    virtual void applicationWillBecomeActive() {}
    virtual void applicationDidResignActive() {}
    // Asked by terminate(). Later defers the decision until replyToApplicationShouldTerminate.
    virtual TerminateReply applicationShouldTerminate() { return TerminateReply::Now; }
    // Last call before the run loop ends.
    virtual void applicationWillTerminate() {}
};

class Application : public QObject {
    Q_OBJECT
public:
    // Needs the QApplication to exist.
    Application();
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The current application; made on first use when the program has not made one.
    static Application& shared();

    void setDelegate(ApplicationDelegate* delegate) { delegate_ = delegate; }
    ApplicationDelegate* delegate() const { return delegate_; }

    // Runs the event loop until termination; tells the delegate that launching finished once the
    // loop runs. Answers the exit status (0 after terminate()).
    int run();
    bool isRunning() const { return running_; }

    // The application's windows in the order they were made (sheets are not windows of the list).
    std::vector<Window*> windows() const;
    // The first of them, or null when there is none.
    Window* firstWindow() const;

    // Asks the delegate whether to quit: Now ends the application, Cancel keeps it running, Later
    // waits for replyToApplicationShouldTerminate. A terminate() while a reply is awaited is ignored.
    void terminate();
    // The deferred answer: true ends the application, false keeps it running. Ignored when no
    // answer is awaited.
    void replyToApplicationShouldTerminate(bool shouldTerminate);
    bool isAwaitingTerminationReply() const { return awaitingReply_; }
    // True once the delegate has heard applicationWillTerminate.
    bool isTerminated() const { return terminated_; }
    // SIGTERM and SIGINT ask for termination as terminate() does (once the loop runs).
    void terminateOnSignals();

    // Activation. Hiding takes every visible window off the screen; activating brings them back
    // and raises the first window.
    void activate(bool ignoringOtherApps = true);
    void deactivate();
    bool isActive() const;
    void hide();
    void unhide();
    bool isHidden() const { return hidden_; }

    // The desktop has no dock to take an icon from: the policy is kept and announced, and screens
    // that offer "hide from dock" read it back.
    ActivationPolicy activationPolicy() const { return policy_; }
    bool setActivationPolicy(ActivationPolicy policy);

    // The application's own appearance (none follows the system) and the one in effect.
    std::optional<Appearance> appearance() const { return appearance_; }
    void setAppearance(std::optional<Appearance> appearance);
    Appearance effectiveAppearance() const;
    SystemAppearance& systemAppearance() { return system_; }

signals:
    void effectiveAppearanceChanged(morvex::appkit::Appearance appearance);
    void activationPolicyChanged(morvex::appkit::ActivationPolicy policy);

private:
    friend class Window;
    void addWindow(Window* window);
    void removeWindow(Window* window);
    void finishTermination();
    void applyEffectiveAppearance();

    Application* previous_ = nullptr;
    ApplicationDelegate* delegate_ = nullptr;
    std::vector<QPointer<Window>> windows_;
    std::vector<QPointer<Window>> hiddenWindows_;
    bool running_ = false;
    bool awaitingReply_ = false;
    bool terminated_ = false;
    bool hidden_ = false;
    bool wasActive_ = false;
    ActivationPolicy policy_ = ActivationPolicy::Regular;
    std::optional<Appearance> appearance_;
    Appearance lastEffective_ = Appearance::Aqua;
    SystemAppearance system_;
};

}  // namespace morvex::appkit
