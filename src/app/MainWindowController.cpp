#include "app/MainWindowController.h"

#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QTimer>
#include <cmath>

#include "app/AppDelegate.h"
#include "appkit/Images.h"
#include "appkit/StatusItem.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/GeneralModel.h"
#include "viewmodels/MainTab.h"

namespace morvex {

namespace {

// The keys a desktop user expects, in every window of the application: quit, close the window in
// front (the main window hides, as its close button does), open the preferences.
void installShortcuts(appkit::Window* w) {
    auto shortcut = [w](const QKeySequence& keys, auto action) {
        auto* s = new QShortcut(keys, w);
        s->setContext(Qt::ApplicationShortcut);
        QObject::connect(s, &QShortcut::activated, w, action);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), [] { appkit::Application::shared().terminate(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_W), [] {
        if (auto* front = qobject_cast<appkit::Window*>(QApplication::activeWindow())) front->performClose();
        else if (QWidget* other = QApplication::activeWindow()) other->close();
    });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), [] {
        NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Prefences);
    });
}

}  // namespace

MainWindowController::MainWindowController(QObject* parent) : WindowController(parent) {}

void MainWindowController::windowWillLoad() {
    WindowController::windowWillLoad();
    // The stored appearance, before the window or its first page is made: this window and every
    // later one follow the application's appearance, and with it the user's choice.
    GeneralModel::applyStoredAppearance();
}

void MainWindowController::windowDidLoad() {
    WindowController::windowDidLoad();
    appkit::Window* w = window();
    if (!w) return;
    w->setTitle("MorvexVPN");
    w->setFrameAutosaveName(kFrameAutosaveName);
    w->setAppearance(std::nullopt);
    // The title bar shows the product's icon; the window manager owns what a click on it does. The
    // icon is an SVG, read once the window is up: the SVG engine is no part of the first paint.
    QTimer::singleShot(0, w, [w] { w->setTitleBarIcon(appkit::imageNamed(kTitleBarImage)); });
    w->installEventFilter(this);
    installShortcuts(w);
}

bool MainWindowController::windowShouldClose(appkit::Window& w) {
    appkit::Application& app = appkit::Application::shared();
    if (appkit::StatusItem::isAvailable()) {
        app.hide();
        app.deactivate();
    } else {
        w.miniaturize();
    }
    return false;
}

bool MainWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && !announcedShown_ && watched == window() && appLaunchStartTime > 0) {
        announcedShown_ = true;
        const double ms = (absoluteTimeNow() - appLaunchStartTime) * 1000.0;
        log::print("[MainWindowController] main window shown " + std::to_string(std::lround(ms)) + " ms after launch");
    }
    return WindowController::eventFilter(watched, event);
}

}  // namespace morvex
