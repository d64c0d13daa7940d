#pragma once
// The preferences window: a window-controller scene of the main storyboard whose content is the
// tab view of the preference pages (PreferencesViewController). Screens open it through their
// "seguePreferences" segue and pick a page in prepareForSegue; logging out closes every window
// of this class.
//
// Threads: main thread only.
#include "appkit/WindowController.h"

namespace morvex {

class PreferencesWindowController : public appkit::WindowController {
    Q_OBJECT
public:
    explicit PreferencesWindowController(QObject* parent = nullptr);

    void windowDidLoad() override;
};

}  // namespace morvex
