#pragma once
// The left tab bar of the main window: a button per page and an icon per main page, hover
// tracking over the tabs, and the password-manager add-on's two properties. A click, or a page
// request from elsewhere ("AppShowController"), becomes "OpenViewController", which switches the
// page. The bar is 72 wide and white with a hairline on its right; each tab is a 44 × 44 hit area
// with a 20 × 20 icon, on a brand-blue pill while selected; settings sits at the bottom. The
// notifications tab carries the unread count ("UserPreferences.unreadNotificationCount") in a red
// badge while it is above 0.
#include <QPointer>
#include <QPushButton>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "viewmodels/MainTab.h"
#include "viewmodels/TabsModel.h"
#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"

class QLabel;

namespace morvex {

class AppMainViewController;

class TabsViewController : public appkit::ViewController {
    Q_OBJECT
public:
    // The badge counts the notices of `notices` (by default the shared store's main context).
    explicit TabsViewController(ManagedObjectContext* notices = nullptr, QObject* parent = nullptr);
    ~TabsViewController() override;

    AppMainViewController* delegate = nullptr;  // the main content; set by its segue
    QPointer<QPushButton> currentlySelectedTab;

    // Tab buttons; each one's "tag" property is its page's number.
    QPointer<QPushButton> dashboardTab, locationTab, supportTab, profileTab, referFriendTab, setupOtherDevicesTab,
        notificationsTab, preferencesTab, menuTab;
    // Icons, in TabsModel::kIcons order (dashboard, locations, devices, profile, support,
    // notifications, settings).
    std::array<QPointer<QLabel>, TabsModel::kIconCount> icons;
    // The hover views (the tabs themselves), in the same order; their object names are the hover
    // notifications' identifiers.
    std::array<QPointer<QWidget>, TabsModel::kIconCount> hoverViews;
    // The unread count on the notifications tab.
    QPointer<QLabel> badge;

    appkit::Observable<bool> hidePinvaultAddon{true};
    appkit::Observable<bool> isPinvaultLocked{true};
    TabsModel model;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    // "PreferencesSegue": the preferences open on their protocol page (index 1) unless both tunnel
    // extensions are activated.
    void prepareForSegue(appkit::StoryboardSegue& segue, const std::any& sender) override;
    static constexpr std::string_view kPreferencesSegue = "PreferencesSegue";

    // The action of every tab button (other parts select a tab through it too).
    void tabClicked(QPushButton* button);
    // The menu button: the application menu beside it.
    void openApplicationMenu();
    void showControllerNotification(const Notification& notification);
    void passwordManagerChanged();
    void mouseEntered(const std::string& hoverViewId);
    void mouseExited(const std::string& hoverViewId);
    // The tab button of a page; null for the pages without one.
    QPushButton* buttonFor(MainTab page) const;
    // The image names the icons show now.
    TabsModel::IconImages shownIconImages() const { return shownIcons_; }
    // Counts the unread notices again and shows the count.
    void refreshBadge();
    // Shows the unread count the user record keeps.
    void showBadge(std::int64_t count);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showIcons(const TabsModel::IconImages& images);
    void refreshAddonProperties();
    void placeBadge();

    TabsModel::IconImages shownIcons_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
