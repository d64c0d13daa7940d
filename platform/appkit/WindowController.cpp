#include "appkit/WindowController.h"

#include "appkit/Storyboard.h"
#include "appkit/ViewController.h"

namespace morvex::appkit {

WindowController::WindowController(QObject* parent) : QObject(parent) {}

WindowController::~WindowController() {
    if (window_) {
        window_->setDelegate(nullptr);
        delete window_.data();
    }
}

Window* WindowController::window() {
    if (!window_ && !loading_) {
        loading_ = true;
        windowWillLoad();
        loadWindow();
        loading_ = false;
        if (window_) window_->setDelegate(this);
        windowDidLoad();
    }
    return window_;
}

void WindowController::loadWindow() {
    auto* window = new Window();
    setWindow(window);
    if (!storyboard_) return;
    const std::string content = storyboard_->windowContentOf(identifier_);
    if (content.empty()) return;
    QObject* made = storyboard_->instantiateController(content);
    if (auto* controller = qobject_cast<ViewController*>(made)) window->setContentViewController(controller);
    else delete made;
}

void WindowController::setWindow(Window* window) { window_ = window; }

void WindowController::setStoryboardScene(Storyboard* storyboard, std::string identifier) {
    storyboard_ = storyboard;
    identifier_ = std::move(identifier);
}

ViewController* WindowController::contentViewController() {
    Window* w = window();
    return w ? w->contentViewController() : nullptr;
}

void WindowController::setContentViewController(ViewController* controller) {
    if (Window* w = window()) w->setContentViewController(controller);
}

void WindowController::showWindow() {
    if (Window* w = window()) w->makeKeyAndOrderFront();
}

bool WindowController::windowShouldClose(Window&) { return true; }

}  // namespace morvex::appkit
