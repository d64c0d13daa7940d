// The support page: the help hub as the page opens, and the bug-report form it leads to.
#include "Shots.h"

#include <QPushButton>

#include "app/AppMainViewController.h"
#include "app/StatusMenu.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "ui/support/SupportViewController.h"

namespace morvex::shots {
namespace {

QImage render(const std::function<void(SupportViewController1&)>& arrange) {
    AppMainViewController::Hooks hooks;
    hooks.activateExtension = [](const std::string&) {};
    hooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
    hooks.migrationCheck = [] {};
    appkit::Window window(QSize(760, 500));
    auto* content = new AppMainViewController(hooks);
    window.setContentViewController(content);
    window.show();
    settle();
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Support1);
    settle(400);
    auto* support = qobject_cast<SupportViewController1*>(content->currentPageController());
    if (!support) return {};
    arrange(*support);
    settle(500);
    return renderWindow(window);
}

QImage hub(Context&) {
    return render([](SupportViewController1&) {});
}

QImage reportBug(Context&) {
    return render([](SupportViewController1& support) {
        if (support.getHelpViewController) support.getHelpViewController->routeButton(GetHelpViewController::ReportBug)->click();
    });
}

const Registration shots({
    {"support", "help-hub", hub},
    {"support", "report-bug", reportBug},
});

}  // namespace
}  // namespace morvex::shots
