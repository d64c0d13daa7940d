// The login page: the loading state it opens in, the sign-in controls beside the first
// promotional page, the spinner of a sign-in under way, and the second page.
#include "Shots.h"

#include "appkit/Window.h"
#include "ui/login/LoginViewController.h"

namespace morvex::shots {
namespace {

// The page in a main-sized window, which owns it; nothing is signed in, so no request is made.
struct LoginWindow {
    appkit::Window window{QSize(760, 500)};
    LoginViewController* screen = new LoginViewController;
    LoginWindow() {
        window.setContentViewController(screen);
        window.show();
        settle();
    }
};

QImage loading(Context&) {
    LoginWindow w;
    return renderWindow(w.window);
}

QImage idle(Context&) {
    LoginWindow w;
    w.screen->revealLoginView();
    settle();
    return renderWindow(w.window);
}

QImage signingIn(Context&) {
    LoginWindow w;
    w.screen->revealLoginView();
    w.screen->setRequestInProcess(true);
    w.screen->showActivity(true);
    settle();
    return renderWindow(w.window);
}

QImage secondPage(Context&) {
    LoginWindow w;
    w.screen->revealLoginView();
    w.screen->advancePage();
    settle();
    return renderWindow(w.window);
}

const Registration shots({
    {"login", "loading", loading},
    {"login", "idle", idle},
    {"login", "signing-in", signingIn},
    {"login", "carousel-page-2", secondPage},
});

}  // namespace
}  // namespace morvex::shots
