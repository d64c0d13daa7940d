#include "appkit/OnScreenWatch.h"

#include <QEvent>
#include <QWidget>

namespace morvex::appkit {

OnScreenWatch::OnScreenWatch(QWidget* widget, std::function<void(bool)> changed)
    : QObject(widget), widget_(widget), changed_(std::move(changed)) {
    widget_->installEventFilter(this);
    watchWindow();
    onScreen_ = onScreen(widget_);
    if (changed_) changed_(onScreen_);
}

bool OnScreenWatch::onScreen(const QWidget* widget) {
    if (!widget || !widget->isVisible()) return false;
    const QWidget* top = widget->window();
    return top && !top->isMinimized();
}

void OnScreenWatch::watchWindow() {
    QWidget* top = widget_->window();
    if (top == window_) return;
    if (window_ && window_ != widget_) window_->removeEventFilter(this);
    window_ = top;
    if (top && top != widget_) top->installEventFilter(this);
}

bool OnScreenWatch::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ParentChange:
        if (watched == widget_) {
            watchWindow();
            recheck();
        }
        break;
    case QEvent::WindowStateChange: recheck(); break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

void OnScreenWatch::recheck() {
    const bool now = onScreen(widget_);
    if (now == onScreen_) return;
    onScreen_ = now;
    if (changed_) changed_(now);
}

}  // namespace morvex::appkit
