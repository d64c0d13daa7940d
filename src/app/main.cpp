// The application's entry point: notes the launch time, makes the application object, registers
// the storyboards and transformers, opens the main storyboard's window and runs the loop.
#include <QApplication>
#include <QTimer>

#include "app/AppDelegate.h"
#include "ui/kit/QtAlertPresenter.h"
#include "app/SessionDesktopHooks.h"
#include "app/StatusMenu.h"
#include "app/StatusMenuOptionsHandler.h"
#include "app/Storyboards.h"
#include "alerts/AlertServices.h"
#include "app/ThemeNotifier.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "appkit/Workspace.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/ProcessHardening.h"
#include "foundation/RunningApplications.h"
#include "model/Version.h"
#include "session/OAuthService.h"
#include "ui/kit/ValueTransformers.h"
#include "ui/notifications/NotificationsInbox.h"
#include "flows/MorvexVPNService.h"

int main(int argc, char** argv) {
    morvex::appLaunchStartTime = morvex::absoluteTimeNow();
    morvex::hardenProcess();
    // No shared GL context at start (Qt::AA_ShareOpenGLContexts): it loads the GL driver into every
    // run for the sake of a web view most runs never open. The web engine renders without it.
    QApplication qtApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MorvexVPN"));
    QApplication::setDesktopFileName(QStringLiteral("morvexvpn"));
    morvex::appkit::Application application;

    // One instance per session: the launcher and the other processes find it by its bus name.
    if (auto identifier = morvex::Bundle::main().bundleIdentifier()) {
        auto announced = morvex::RunningApplications::announce(*identifier);
        if (!announced && announced.error().code == morvex::RunningApplications::alreadyRunning) {
            // A second launch brings the running instance's window up (with a status item and a
            // hidden window it is otherwise reachable only through the item).
            auto asked = morvex::RunningApplications::askToShow(*identifier);
            morvex::log::print(asked ? "MorvexVPN is already running in this session: its window is shown."
                                     : "MorvexVPN is already running in this session. " + asked.error().localizedDescription());
            return asked ? 0 : 1;
        }
        if (announced) {
            auto answering = morvex::RunningApplications::answerShowRequests(*identifier, [] {
                morvex::showMainWindow();
                auto* window = morvex::appkit::Application::shared().firstWindow();
                morvex::log::print(window && window->isVisible() ? "[Application] window shown at a second launch's request"
                                                                 : "[Application] a second launch asked for the window, but there is none");
            });
            if (!answering) morvex::log::print(answering.error().localizedDescription());
        }
    }

    morvex::OAuthService::shared();  // the API client signs its requests through it
    morvex::log::print(morvex::applicationVersionLine());
    morvex::registerStoryboards();
    morvex::registerValueTransformers();
    morvex::installCurrentThemeName();

    // Alerts show as sheets of the desktop layer, open links in the browser and quit through the
    // application (which asks before leaving a tunnel up).
    auto alerts = std::make_shared<morvex::QtAlertPresenter>();
    morvex::AlertServices services;
    services.presenter = alerts;
    services.openURL = [](const std::string& url) { morvex::appkit::Workspace::shared().openURL(url); };
    services.terminate = [&application] { application.terminate(); };
    // The sign-out asks first while a tunnel is up; it closes the preferences windows and clears
    // the shown notifications through the desktop hooks.
    services.logout = [] { morvex::MorvexVPNService::logoutWithDefaults(); };
    morvex::AlertServices::install(std::move(services));
    morvex::installSessionDesktop();
    morvex::AppDelegate::Collaborators collaborators;
    collaborators.alerts = alerts;
    morvex::AppDelegate delegate(std::move(collaborators));
    application.setDelegate(&delegate);
    application.terminateOnSignals();

    // The language is settled before the first window is made, so the login window speaks the
    // language of the sign-in window and of every alert after it.
    delegate.applicationWillFinishLaunching();
    auto* board = morvex::appkit::Storyboard::named(morvex::kMainStoryboard);
    auto* mainWindow = qobject_cast<morvex::appkit::WindowController*>(board ? board->instantiateInitialController() : nullptr);
    if (mainWindow) {
        mainWindow->setParent(&application);
        mainWindow->showWindow();
    }
    // What the first window does not need is made once it is up, before the loop runs, so it acts
    // on every event from the start without holding back the first paint.
    // The in-app notifications: the push entry points act from now on, whether or not their page
    // is ever opened, and the list is fetched for a signed-in user.
    morvex::NotificationsInbox notifications;
    notifications.install();
    // The menu options (update check, support, log out) and the core services they rely on:
    // reachability and analytics now; the SDK is set up by the delegate's launch just after, and
    // again with the rest each time sign-in asks.
    morvex::StatusMenuOptionsHandler::Hooks menuHooks;
    menuHooks.setUpSDKAtCreation = false;
    morvex::StatusMenuOptionsHandler menuOptions(std::move(menuHooks));
    menuOptions.install();
    morvex::ThemeNotifier::shared();
    // The icon is an SVG, and reading one loads the SVG engine: it is set once the first window is
    // up, and every window takes it then.
    QTimer::singleShot(0, &qtApplication, [] { QApplication::setWindowIcon(morvex::appkit::imageNamed("AppIcon")); });
    return application.run();
}
