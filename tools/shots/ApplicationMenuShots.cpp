// The application menu as the main window's menu button opens it (signed in and signed out; the
// status item's right click shows the same entries), and the version and feedback page it leads to.
#include <QMenu>
#include <QPainter>
#include <QPushButton>

#include "Shots.h"
#include "app/AppMainViewController.h"
#include "app/MainViewController.h"
#include "app/StatusMenu.h"
#include "app/TabsViewController.h"
#include "appkit/Window.h"
#include "state/User.h"
#include "flows/MorvexVPNService.h"

namespace morvex::shots {
namespace {

std::function<QImage(Context&)> menu(bool signedIn) {
    return [signedIn](Context&) {
        User().setLoggedIn(signedIn);
        AppMainViewController::Hooks hooks;
        hooks.activateExtension = [](const std::string&) {};
        hooks.migrationCheck = [] {};
        hooks.makeStatusMenu = [signedIn] {
            StatusMenu::Hooks menuHooks;
            menuHooks.loggedIn = [signedIn] { return signedIn; };
            return std::make_unique<StatusMenu>(AppPreferences(), MorvexVPNService::makeZevu(), menuHooks);
        };
        appkit::Window window(QSize(760, 500));
        window.setAppearance(appkit::Appearance::Aqua);
        auto* content = new AppMainViewController(hooks);
        window.setContentViewController(content);
        window.show();
        settle();
        content->tabsController()->menuTab->click();
        settle();
        QImage image = renderWindow(window);
        if (QMenu* open = content->statusMenu ? content->statusMenu->openApplicationMenu() : nullptr) {
            // The menu is a window of its own: drawn where it stands over the main window.
            QPainter painter(&image);
            const QPoint at = open->pos() - window.mapToGlobal(QPoint(0, 0));
            painter.drawPixmap(at, open->grab());
            open->close();
        }
        User().setLoggedIn(false);
        return image;
    };
}

QImage versionAndFeedback(Context&) {
    appkit::Window window(QSize(360, 200));
    auto* page = new MainViewController;
    page->versionString.set("MorvexVPN 4.2.0 (1200)");
    window.setContentViewController(page);
    window.show();
    settle();
    return renderWindow(window);
}

const Registration shots({
    {"application-menu", "signed-in", menu(true)},
    {"application-menu", "signed-out", menu(false)},
    {"application-menu", "version-and-feedback", versionAndFeedback},
});

}  // namespace
}  // namespace morvex::shots
