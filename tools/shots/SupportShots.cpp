// The support page: the help hub as the page opens, and the bug-report form it leads to, fresh
// and after a report the service did not take.
#include "Shots.h"

#include "FakeService.h"

#include <QPushButton>

#include "app/AppMainViewController.h"
#include "app/StatusMenu.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "ui/support/SubmitTicketNewViewController.h"
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
    settle();
    auto* support = qobject_cast<SupportViewController1*>(content->currentPageController());
    if (!support) return {};
    arrange(*support);
    settle();
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

// A report the service did not take: the text stays, the failure shows under it.
QImage reportBugFailed(Context& context) {
    context.service.failNext(".*/ticket/create", fake::Answer::plain(500, "down"));
    return render([](SupportViewController1& support) {
        if (!support.getHelpViewController) return;
        support.getHelpViewController->routeButton(GetHelpViewController::ReportBug)->click();
        settle();
        SubmitTicketNewViewController* form = support.submitTicketNewViewController;
        if (!form) return;
        form->textViewMessage->setPlainText(QStringLiteral("The app freezes when the laptop wakes from sleep."));
        settle();
        form->submitClicked();
        for (int turns = 0; turns < 200 && !(form->errorLabel && form->errorLabel->isVisible()); ++turns) settle();
    });
}

const Registration shots({
    {"support", "help-hub", hub},
    {"support", "report-bug", reportBug},
    {"support", "report-bug-failed", reportBugFailed},
});

}  // namespace
}  // namespace morvex::shots
