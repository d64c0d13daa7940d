#include "Shots.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QThread>

#include "app/AppMainViewController.h"
#include "viewmodels/MainTab.h"
#include "ui/dashboard/DashboardViewController.h"
#include "appkit/Sheet.h"
#include "ui/shell/MainStoryboard.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"

namespace morvex::shots {

std::vector<Shot>& registry() {
    static std::vector<Shot> shots;
    return shots;
}

Registration::Registration(std::vector<Shot> shots) {
    for (auto& s : shots) registry().push_back(std::move(s));
}

void settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    } while (timer.elapsed() < milliseconds);
}

QImage renderWindow(appkit::Window& window) {
    settle();
    QImage image = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    if (appkit::Sheet* sheet = window.attachedSheet()) {
        QPainter painter(&image);
        // The window dims behind a sheet.
        painter.fillRect(image.rect(), QColor(0, 0, 0, 40));
        const QImage panel = sheet->grab().toImage();
        const QPoint at((image.width() - panel.width()) / 2, 0);
        painter.setPen(QColor(0, 0, 0, 60));
        painter.drawRect(QRect(at, panel.size()).adjusted(-1, -1, 0, 0));
        painter.drawImage(at, panel);
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
