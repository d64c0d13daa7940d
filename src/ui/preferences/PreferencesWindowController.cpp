#include "ui/preferences/PreferencesWindowController.h"

#include "appkit/Window.h"
#include "foundation/Bundle.h"

namespace morvex {

PreferencesWindowController::PreferencesWindowController(QObject* parent) : WindowController(parent) {}

void PreferencesWindowController::windowDidLoad() {
    WindowController::windowDidLoad();
    // The pages size the window themselves; until the first one has, it carries a neutral title.
    if (appkit::Window* w = window(); w && w->title().empty()) w->setTitle(localized("preferences.window.title"));
}

}  // namespace morvex
