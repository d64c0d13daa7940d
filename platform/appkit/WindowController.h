#pragma once
// The controller of one window: the window is made on first use (windowWillLoad, loadWindow,
// windowDidLoad), filled with the content scene its storyboard names, and the controller is its
// delegate.
//
// Threads: main thread only. Lifetime: the controller owns its window.
#include <QObject>
#include <QPointer>
#include <string>

#include "appkit/Window.h"

namespace morvex::appkit {

class Storyboard;
class ViewController;

class WindowController : public QObject, public WindowDelegate {
    Q_OBJECT
public:
    explicit WindowController(QObject* parent = nullptr);
    ~WindowController() override;

    Window* window();
    bool isWindowLoaded() const { return window_ != nullptr; }

    Storyboard* storyboard() const { return storyboard_; }
    const std::string& identifier() const { return identifier_; }

    ViewController* contentViewController();
    void setContentViewController(ViewController* controller);

    // Loads the window when needed and shows it in front.
    void showWindow();

    // Life cycle, for subclasses. loadWindow makes a plain window with the storyboard's content.
    virtual void windowWillLoad() {}
    virtual void loadWindow();
    virtual void windowDidLoad() {}

    bool windowShouldClose(Window& window) override;

protected:
    void setWindow(Window* window);

private:
    friend class Storyboard;
    void setStoryboardScene(Storyboard* storyboard, std::string identifier);

    QPointer<Window> window_;
    bool loading_ = false;
    Storyboard* storyboard_ = nullptr;
    std::string identifier_;
};

}  // namespace morvex::appkit
