#pragma once
// Pictures of the screens in named states, rendered offscreen for people to look at without a
// desktop: `./dev shots` writes build/shots/<screen>-<state>.png. Each screen adds its states in a
// file of its own here (a static Registration), rendering against the fake service and the
// simulated SDK with fixed data, so the same tree gives the same pictures.
#include <QImage>
#include <QSize>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace morvex {
class DashboardViewController;
}

namespace morvex::appkit {
class Window;
class WindowController;
}
namespace morvex::fake {
class FakeService;
}

namespace morvex::shots {

struct Context {
    fake::FakeService& service;
};

struct Shot {
    std::string screen;
    std::string state;
    std::function<QImage(Context&)> render;
};

std::vector<Shot>& registry();

struct Registration {
    explicit Registration(std::vector<Shot> shots);
};

// The window as the screen shows it: its content, and the sheet attached to it (if any) hung
// from its top edge, the way the desktop draws it.
QImage renderWindow(appkit::Window& window);
// The main storyboard's window controller, its window shown, as the application opens it.
std::unique_ptr<appkit::WindowController> openMainWindow();
// The signed-in main content in `window` (light) on its dashboard page, with nothing
// reaching the desktop (no status menu, no extension requests, no migration check). Null when
// the page shown is not the dashboard.
DashboardViewController* showDashboardIn(appkit::Window& window);
// Lets settle see every running animation (call once, before any screen is made).
void watchAnimations();
// Runs the loop for `milliseconds` (for answers of the fake service and the simulated SDK, which
// keep their own time; none by default), runs everything the main thread has to do, then waits for
// the end of every transition on screen (fades, slides, an animation played once), so no picture
// catches one half-way.
void settle(int milliseconds = 0);
// Runs the loop until `done` holds (an answer from the fake service, a page shown), at most
// `timeoutMs`; then settles. Answers `done()`.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000);

}  // namespace morvex::shots
