#pragma once
// Which is which: this is the content of the separate preferences window; the preferences as a
// page of the main window are Preferences1ViewController.
//
// The content of the preferences window: a tab view of the preference pages with a row of tabs
// (icon over label) above them. Page 1 is the protocol page; its tab shows a status dot while
// either tunnel extension is not activated, and follows "ExtensionStatusChanged" (which the engine
// may post from its own thread) on the main thread. The window takes each page's own size when
// its tab is selected, keeping its top edge where it was, and its title is the tab's label.
//
// Pages are scenes of their own storyboards; a page whose scene is not registered leaves an
// empty page in its place.
//
// Threads: main thread only.
#include <QPointer>
#include <QSize>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "appkit/TabViewController.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"

class QAbstractButton;
class QButtonGroup;
class QWidget;

namespace morvex {

class PreferencesViewController : public appkit::TabViewController {
    Q_OBJECT
public:
    struct TabItem {
        std::string labelKey;   // localized
        std::string imageName;  // the protocol tab's is replaced by the status
        std::string storyboard;
        std::string scene;
    };
    // General, protocol, advanced, language, about.
    static const std::vector<TabItem>& tabItems();

    static constexpr std::string_view kProtocolDotImage = "PreferencesProtocolDot";
    static constexpr std::string_view kProtocolImage = "NSAdvanced";
    // The height of the tab row above the pages.
    static constexpr int kTabBarHeight = 64;
    // How long the window takes to reach a page's size.
    static constexpr int kResizeMilliseconds = 200;

    explicit PreferencesViewController(QObject* parent = nullptr);
    ~PreferencesViewController() override;

    // True when both tunnel extensions are activated (the protocol tab then has no dot).
    static bool extensionsReady(const AppPreferences& preferences);

    const std::string& tabImageName(int index) const;
    std::string tabLabel(int index) const;
    QAbstractButton* tabButton(int index) const;
    // The page size recorded for a tab when it was last about to be selected.
    std::optional<QSize> recordedSize(int index) const;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void updateProtocolTabImage();

protected:
    void willSelectTabViewItem(int index) override;
    void didSelectTabViewItem(int index) override;

private:
    void applyLook();
    void refreshTabButtons();
    void resizeWindowTo(QSize pageSize);

    std::vector<std::string> imageNames_;
    std::map<int, QSize> tabViewSizes_;
    QPointer<QWidget> tabBar_;
    std::vector<QPointer<QAbstractButton>> buttons_;
    QButtonGroup* group_ = nullptr;
    bool sizedOnce_ = false;
    ObserverToken extensionObserver_;
};

}  // namespace morvex
