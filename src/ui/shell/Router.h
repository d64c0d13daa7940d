#pragma once
// How one screen opens another without knowing its class: show a page of the main window, make a
// scene to embed (or an empty page while the scene is not registered), and present a scene as a
// sheet or in a window of its own. Scenes are named by identifier in a storyboard (the main one
// unless said otherwise); a page that takes input is reached through its PageInputs.h interface
// with `inputOf`.
//
// Threads: main thread.
#include <functional>
#include <string_view>

#include "appkit/ViewController.h"
#include "ui/shell/MainStoryboard.h"
#include "viewmodels/MainTab.h"

namespace morvex::router {

// Asks the tab bar to show the page ("AppShowController").
void showTab(MainTab tab);

// A new controller of the scene, owned by the caller; null when the storyboard or the scene is not
// registered or the scene is not a view controller.
appkit::ViewController* instantiate(std::string_view identifier, std::string_view storyboard = kMainStoryboard);

// The scene's controller to embed, or an empty page while the scene is not registered.
appkit::ViewController* embed(std::string_view identifier, std::string_view storyboard = kMainStoryboard);

// Presents the scene as a sheet on the presenter's window; `prepare` sees the controller first.
// False (and nothing made) when the scene is missing or the presenter has no window.
bool presentAsSheet(appkit::ViewController& presenter, std::string_view identifier,
                    std::string_view storyboard = kMainStoryboard,
                    const std::function<void(appkit::ViewController&)>& prepare = {});

// Shows the scene in a window of its own. False when the scene is missing.
bool presentAsWindow(std::string_view identifier, std::string_view storyboard = kMainStoryboard,
                     const std::function<void(appkit::ViewController&)>& prepare = {});

// The page's input of that kind, or null when the page does not take it.
template <class Input>
Input* inputOf(appkit::ViewController* page) {
    return dynamic_cast<Input*>(page);
}

}  // namespace morvex::router
