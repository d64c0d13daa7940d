#include "Shots.h"

#include <QAbstractAnimation>
#include <QAnimationDriver>
#include <QTimer>
#include <cstdint>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QThread>

#include "TextCheck.h"
#include "app/AppMainViewController.h"
#include "viewmodels/MainTab.h"
#include "ui/dashboard/DashboardViewController.h"
#include "appkit/Sheet.h"
#include "ui/shell/MainStoryboard.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "appkit/AnimationView.h"

namespace morvex::shots {

std::vector<Shot>& registry() {
    static std::vector<Shot> shots;
    return shots;
}

Registration::Registration(std::vector<Shot> shots) {
    for (auto& s : shots) registry().push_back(std::move(s));
}

namespace {

// Runs what the main thread has to do now (posted work, deferred deletes, due timers) until a
// pass delivers nothing.
class DeliveryCounter : public QObject {
public:
    std::uint64_t delivered = 0;
    bool eventFilter(QObject*, QEvent*) override {
        ++delivered;
        return false;
    }
};

void drain() {
    DeliveryCounter counter;
    qApp->installEventFilter(&counter);
    std::uint64_t seen = ~std::uint64_t(0);
    for (int pass = 0; pass < 10000 && counter.delivered != seen; ++pass) {
        seen = counter.delivered;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    qApp->removeEventFilter(&counter);
}

// Drives Qt's animations as the default driver does (a frame every 16 ms of the wall clock), and
// says whether any animation is running, wherever it is owned. Its clock can be moved on: a
// transition the picture waits for is carried to its end frame by frame, without waiting out its
// length on the wall clock.
class WatchedAnimationDriver : public QAnimationDriver {
public:
    WatchedAnimationDriver() {
        frame_.setInterval(16);
        frame_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&frame_, &QTimer::timeout, this, [this] { advance(); });
        clock_.start();
    }
    qint64 elapsed() const override { return clock_.elapsed() + skipped_; }
    // One frame later than the wall clock says.
    void skipFrame() {
        skipped_ += 16;
        advance();
    }

protected:
    void start() override {
        QAnimationDriver::start();
        frame_.start();
    }
    void stop() override {
        frame_.stop();
        QAnimationDriver::stop();
    }

private:
    QTimer frame_;
    QElapsedTimer clock_;
    qint64 skipped_ = 0;
};

WatchedAnimationDriver* g_driver = nullptr;

// No transition of the screens runs longer; past it, what still runs is a loop of a picture
// (a spinner drawn by a timer of its own, dashes owned outside the windows) and is drawn as it is.
// Qt's animations are judged on the driver's clock, which the wait moves on; a picture the
// animation view plays once runs on its own timer, and is judged on the wall clock.
constexpr int kLongestTransitionMs = 2500;

bool playingOnce() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        for (const auto* v : top->findChildren<appkit::AnimationView*>()) {
            if (v->isAnimationPlaying() && v->loopMode() == appkit::LoopMode::PlayOnce) return true;
        }
    }
    return false;
}

// A transition (a fade, a slide, a resize, a cross-fade between pages) is still under way; an
// animation that loops for ever (dashes running round a shape) is part of the picture, not a
// transition. The driver sees every running animation but cannot tell a loop from a transition:
// while a loop is on screen, the animations found under the windows decide.
bool transitionRunning() {
    bool looping = false;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        for (const auto* a : top->findChildren<QAbstractAnimation*>()) {
            if (a->state() == QAbstractAnimation::Running && a->loopCount() < 0) looping = true;
        }
    }
    if (g_driver && g_driver->isRunning() && !looping) return true;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        for (const auto* a : top->findChildren<QAbstractAnimation*>()) {
            if (a->state() == QAbstractAnimation::Running && a->loopCount() >= 0) return true;
        }
    }
    return playingOnce();
}

}  // namespace

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    settle(0);
    return done();
}

void watchAnimations() {
    if (g_driver) return;
    g_driver = new WatchedAnimationDriver;
    g_driver->install();
}

void settle(int milliseconds) {
    // The simulated SDK and the fake service answer on their own threads and clocks: their
    // answers are given the time asked for.
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    } while (waited.elapsed() < milliseconds);
    drain();
    // Then every transition that is under way ends (its animation stops), so no picture catches
    // one half-way, however long the machine took to get here.
    waited.restart();
    int frames = 0;
    while (transitionRunning() && waited.elapsed() < kLongestTransitionMs) {
        if (g_driver && g_driver->isRunning()) {
            if (++frames * 16 > kLongestTransitionMs && !playingOnce()) break;
            g_driver->skipFrame();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    drain();
}

QImage renderWindow(appkit::Window& window) {
    settle();
    QImage image = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    inspectWindowWidth(window);
    appkit::Sheet* sheet = window.attachedSheet();
    // Behind a sheet the window is dimmed and partly covered: only the sheet's texts are read.
    if (!sheet) inspectTexts(window, image, QPoint(0, 0));
    if (sheet) {
        QPainter painter(&image);
        // The window dims behind a sheet.
        painter.fillRect(image.rect(), QColor(0, 0, 0, 40));
        const QImage panel = sheet->grab().toImage();
        const QPoint at((image.width() - panel.width()) / 2, 0);
        painter.setPen(QColor(0, 0, 0, 60));
        painter.drawRect(QRect(at, panel.size()).adjusted(-1, -1, 0, 0));
        painter.drawImage(at, panel);
        painter.end();
        inspectTexts(*sheet, image, at);
    }
    return image;
}

std::unique_ptr<appkit::WindowController> openMainWindow() {
    auto* board = appkit::Storyboard::named(kMainStoryboard);
    std::unique_ptr<appkit::WindowController> controller(
        qobject_cast<appkit::WindowController*>(board ? board->instantiateInitialController() : nullptr));
    if (controller) controller->showWindow();
    return controller;
}

DashboardViewController* showDashboardIn(appkit::Window& window) {
    AppMainViewController::Hooks hooks;
    hooks.activateExtension = [](const std::string&) {};
    hooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
    hooks.migrationCheck = [] {};
    auto* content = new AppMainViewController(hooks);
    window.setContentViewController(content);
    window.show();
    settle();
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Dashboard);
    settle();
    return qobject_cast<DashboardViewController*>(content->currentPageController());
}

}  // namespace morvex::shots
