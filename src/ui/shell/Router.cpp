#include "ui/shell/Router.h"

#include <QWidget>

#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "ui/shell/EmptyPageViewController.h"

namespace morvex::router {

void showTab(MainTab tab) { NotificationCenter::defaultCenter().post(kAppShowControllerNotification, tab); }

appkit::ViewController* instantiate(std::string_view identifier, std::string_view storyboard) {
    const appkit::Storyboard* board = appkit::Storyboard::named(storyboard);
    if (!board || !board->hasScene(identifier)) return nullptr;
    QObject* made = board->instantiateController(identifier);
    auto* controller = qobject_cast<appkit::ViewController*>(made);
    if (!controller) delete made;
    return controller;
}

appkit::ViewController* embed(std::string_view identifier, std::string_view storyboard) {
    if (auto* made = instantiate(identifier, storyboard)) return made;
    return new EmptyPageViewController;
}

bool presentAsSheet(appkit::ViewController& presenter, std::string_view identifier, std::string_view storyboard,
                    const std::function<void(appkit::ViewController&)>& prepare) {
    appkit::ViewController* made = instantiate(identifier, storyboard);
    if (!made) return false;
    if (prepare) prepare(*made);
    if (presenter.presentAsSheet(made)) return true;
    delete made;
    return false;
}

bool presentAsWindow(std::string_view identifier, std::string_view storyboard,
                     const std::function<void(appkit::ViewController&)>& prepare) {
    appkit::ViewController* made = instantiate(identifier, storyboard);
    if (!made) return false;
    if (prepare) prepare(*made);
    QSize size = made->preferredContentSize();
    if (!size.isValid()) size = made->view()->sizeHint().expandedTo(QSize(200, 100));
    auto* window = new appkit::Window(size);
    window->setAttribute(Qt::WA_DeleteOnClose, true);
    window->setContentViewController(made);
    window->show();
    return true;
}

}  // namespace morvex::router
