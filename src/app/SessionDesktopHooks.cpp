#include "app/SessionDesktopHooks.h"

#include "appkit/Application.h"
#include "appkit/Storyboard.h"
#include "appkit/UserNotifications.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "ui/preferences/PreferencesWindowController.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

void installSessionDesktop() {
    SessionDesktop desktop;
    desktop.closePreferencesWindows = [] {
        for (appkit::Window* window : appkit::Application::shared().windows()) {
            auto* controller = dynamic_cast<appkit::WindowController*>(window ? window->delegate() : nullptr);
            if (!controller) continue;
            // The preferences window is a scene of the main storyboard; other preference windows
            // come from the preferences storyboard.
            const bool preferences = qobject_cast<PreferencesWindowController*>(controller) ||
                                     (controller->storyboard() && controller->storyboard()->name() == kPreferencesStoryboard);
            if (preferences) window->close();
        }
    };
    desktop.removeDeliveredNotifications = [] { appkit::UserNotificationCenter::current().removeAllDeliveredNotifications(); };
    SessionDesktop::install(std::move(desktop));
}

}  // namespace morvex
