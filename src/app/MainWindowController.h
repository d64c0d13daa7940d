#pragma once
// The controller of the application's one main window: its title, remembered frame, title-bar
// icon, the stored appearance applied to the whole application as the window loads (the window
// follows it, light or dark), and closing turned into hiding, so the application stays in
// the status area.
#include "appkit/WindowController.h"

namespace morvex {

class MainWindowController : public appkit::WindowController {
    Q_OBJECT
public:
    static constexpr const char* kFrameAutosaveName = "MorvexVPNMainWindow";
    static constexpr const char* kTitleBarImage = "Logo_doc";

    explicit MainWindowController(QObject* parent = nullptr);

    void windowWillLoad() override;
    void windowDidLoad() override;
    // Hides the application (minimises the window where the session has no status area to bring
    // it back from) and keeps the window.
    bool windowShouldClose(appkit::Window& window) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool announcedShown_ = false;
};

}  // namespace morvex
