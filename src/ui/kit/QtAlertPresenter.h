#pragma once
// The application's alerts as window-modal alert sheets of the desktop layer: the Qt side of the
// alerts' AlertPresenter. Windows and accessory views reach the alerts wrapped, so model code only
// passes them on.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "alerts/AlertPresenter.h"
#include "appkit/Window.h"

namespace morvex {

class QtAlertWindow : public AlertWindow {
public:
    explicit QtAlertWindow(appkit::Window* window) : window_(window) {}
    appkit::Window* window() const { return window_; }

private:
    QPointer<appkit::Window> window_;
};

// A widget shown below an alert's message. The alert that shows it takes it over; one never shown
// goes with this wrapper.
class QtAlertAccessory : public AlertAccessory {
public:
    explicit QtAlertAccessory(QWidget* view) : view_(view) {}
    ~QtAlertAccessory() override;
    // The widget, for the alert to take over (null once taken or gone).
    QWidget* take();

private:
    QPointer<QWidget> view_;
};

class QtAlertPresenter : public AlertPresenter {
public:
    static std::shared_ptr<AlertWindow> alertWindow(appkit::Window* window);

    void beginSheet(const Alert& alert, AlertHandler handler) override;
    // The sheet goes on the alert's window; when it names none, or its window has gone, on the
    // application's first window; with no window at all nothing is shown (a console line says so).
    // The same, and `endedOtherwise` hears the response of a sheet that ended without a button
    // (ended from outside, Escape, its window gone). False when nothing was shown (no window).
    bool beginSheet(const Alert& alert, AlertHandler handler, AlertHandler endedOtherwise);
    ModalResponse runModal(const Alert& alert) override;
    void endAttachedAlertSheet() override;
};

}  // namespace morvex
