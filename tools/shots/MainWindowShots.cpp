// The main window on the splash, after the splash hands over, and asking before quit.
#include "Shots.h"

#include "app/AppDelegate.h"
#include "ui/kit/QtAlertPresenter.h"
#include "app/SplashViewController.h"
#include "ui/shell/MainStoryboard.h"
#include "ui/shell/Router.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"

namespace morvex::shots {
namespace {

class ConnectedEngine : public VpnEngine {
public:
    void setUpSDK(const User&) override {}
    int vpnStatus() const override { return 3; }
    void disconnectVPN() override {}
    void reconnectVPN() override {}
    void setDoCheckInternetConnectivity(bool) override {}
    void fetchCountries(std::function<void(std::optional<Countries>)> completion) override { completion(std::nullopt); }
};

// The main window with the splash as its content, in a storyboard of its own whose sign-in page is
// the application's.
std::unique_ptr<appkit::WindowController> openOnSplash() {
    constexpr std::string_view kSplashScene = "Splash";
    appkit::Storyboard& own = appkit::Storyboard::define("SplashShots");
    if (!own.hasScene(kSplashScene)) {
        own.scene(std::string(kSplashScene), [] { return new SplashViewController; })
            .scene(std::string(SplashViewController::kLoginStoryboardID),
                   [] { return router::instantiate(SplashViewController::kLoginStoryboardID); });
    }
    auto controller = openMainWindow();
    if (!controller) return controller;
    auto* splash = qobject_cast<appkit::ViewController*>(own.instantiateController(kSplashScene));
    if (splash) controller->setContentViewController(splash);
    return controller;
}

QImage splash(Context&) {
    auto controller = openOnSplash();
    return controller ? renderWindow(*controller->window()) : QImage();
}

QImage afterSplash(Context&) {
    auto controller = openOnSplash();
    if (!controller) return {};
    if (auto* s = qobject_cast<SplashViewController*>(controller->contentViewController())) s->showLogin();
    return renderWindow(*controller->window());
}

QImage quitSheet(Context&) {
    auto controller = openMainWindow();
    if (!controller) return {};
    AppDelegate::Collaborators c;
    c.engine = std::make_shared<ConnectedEngine>();
    AppDelegate delegate(std::move(c));
    delegate.applicationShouldTerminate();
    QImage image = renderWindow(*controller->window());
    if (auto* sheet = controller->window()->attachedSheet()) controller->window()->endSheet(sheet);
    return image;
}

const Registration shots({
    {"splash", "default", splash},
    {"main-window", "after-splash", afterSplash},
    {"main-window", "quit-sheet", quitSheet},
});

}  // namespace
}  // namespace morvex::shots
