// The root of the main window at launch: a signed-in start reaching the main content, a forced
// update reaching the update page, and the update page's own states (offered, downloading,
// forced).
#include "Shots.h"

#include <limits>

#include "FakeService.h"
#include "app/InitialViewController.h"
#include "ui/shell/MainStoryboard.h"
#include "app/UpdateViewController.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "model/BundleInfo.h"
#include "session/LoginModel.h"
#include "session/UserAuthentication.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "flows/MorvexVPNService.h"

namespace morvex::shots {
namespace {

InitialViewController* rootOf(appkit::WindowController& controller) {
    return qobject_cast<InitialViewController*>(controller.contentViewController());
}

// Waits (running the loop) until the root shows `page`, at most a few seconds.
bool waitForPage(InitialViewController& root, InitialViewController::Page page) {
    return waitFor([&] { return root.selectedPage() == page; }, 5000);
}

void signOut() {
    User user;
    user.setLoggedIn(false);
    user.setVpnUsername(std::nullopt);
    user.setVpnPassword(std::nullopt);
}

// A user who signed in on an earlier run: a VPN account with its password in the keychain.
void storeSignedInUser() {
    User user;
    user.setVpnUsername(std::string("morvex0s1234567"));
    user.setVpnPassword(std::string("sample-password"));
    user.setIsUserNotMigratedToFA(false);
    user.setIsUserNotMigratedToEmail(false);
    user.setStatus(User::Status::Active);
    user.setLoggedIn(true);
}

// What the sign-in page does for a signed-in start: resume the session against the service and
// finish the sign-in once it holds.
void resumeAsTheSignInPageDoes() {
    auto model = std::make_shared<LoginModel>(PreservedPreferences(), User(), MorvexVPNService::makeEventTracker(), UserAuthentication());
    model->resumeSignedInUser([model](UserAuthentication::AppLaunchCase outcome) {
        if (outcome.kind == UserAuthentication::AppLaunchCase::Kind::Authenticated) UserAuthentication().finishSignIn();
    });
}

QImage signedInStart(Context&) {
    storeSignedInUser();
    auto controller = openMainWindow();
    InitialViewController* root = controller ? rootOf(*controller) : nullptr;
    if (!root) return {};
    resumeAsTheSignInPageDoes();
    if (!waitForPage(*root, InitialViewController::Page::MainContent)) return {};
    QImage image = renderWindow(*controller->window());
    signOut();
    return image;
}

QImage forcedUpdate(Context& context) {
    // The service offers a version newer than the running one.
    context.service.route("GET", "/MorvexVPN/app/latest/version/mac",
                          fake::Answer::bodyOnly({{"device", "linux"},
                                                               {"version", "9.0.0"},
                                                               {"release_note_url", ""},
                                                               {"download_url", context.service.baseURL() + "/downloads/morvexvpn_9.0.0_amd64.deb"}}));
    auto controller = openMainWindow();
    InitialViewController* root = controller ? rootOf(*controller) : nullptr;
    const bool shown = root && waitForPage(*root, InitialViewController::Page::Update);
    QImage image = shown ? renderWindow(*controller->window()) : QImage();
    // The next shots run against a service whose version is the running one again.
    context.service.route("GET", "/MorvexVPN/app/latest/version/mac",
                          fake::Answer::bodyOnly({{"device", "linux"}, {"version", infoShortVersionString()},
                                                  {"release_note_url", ""}, {"download_url", ""}}));
    AppPreferences().setUpdateAvailable(std::nullopt);
    return image;
}

// The update page alone in the main window, in a given state.
QImage updatePage(const std::function<void(UpdateModel&)>& state) {
    auto controller = openMainWindow();
    InitialViewController* root = controller ? rootOf(*controller) : nullptr;
    UpdateViewController* page = root ? root->updateController() : nullptr;
    if (!page) return {};
    page->fill(false, {"9.0.0", "", std::string("https://example.invalid/morvexvpn_9.0.0_amd64.deb")});
    state(page->model());
    root->selectPage(InitialViewController::Page::Update);
    return renderWindow(*controller->window());
}

QImage offered(Context&) {
    return updatePage([](UpdateModel&) {});
}

QImage downloading(Context&) {
    return updatePage([](UpdateModel& m) {
        m.downloading = true;
        m.downloadProgress = 0.42;
        m.timeRemaining = UpdateModel::remainingText(95).value_or("");
    });
}

QImage forced(Context&) {
    return updatePage([](UpdateModel& m) { m.forceUpdate = true; });
}

const Registration shots({
    {"shell", "signed-in-start", signedInStart},
    {"shell", "forced-update", forcedUpdate},
    {"update", "offered", offered},
    {"update", "downloading", downloading},
    {"update", "forced", forced},
});

}  // namespace
}  // namespace morvex::shots
