#include "app/TabsViewController.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "viewmodels/MainContentModel.h"
#include "ui/shell/WindowMetrics.h"
#include "appkit/Application.h"
#include "app/AppMainViewController.h"
#include "appkit/Colors.h"
#include "foundation/Bundle.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "appkit/TabViewController.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "session/UserAuthentication.h"
#include "viewmodels/NotificationsListModel.h"
#include "state/AppPreferences.h"

namespace morvex {

namespace {

constexpr int kBarWidth = 72;
constexpr int kTabSize = 44;
constexpr int kIconSize = 20;
constexpr int kBadgeSize = 22;
constexpr const char* kTagProperty = "tag";

QString css(std::string_view colorName) {
    return appkit::colorNamed(colorName, appkit::Application::shared().effectiveAppearance(), Qt::black).name(QColor::HexRgb);
}

}  // namespace

TabsViewController::TabsViewController(ManagedObjectContext* notices, QObject* parent)
    : ViewController(parent), model(User(), EventTracker(), PreservedPreferences(), notices) {}

TabsViewController::~TabsViewController() = default;

void TabsViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("TabBar"));
    view->setFixedWidth(kBarWidth);
    view->setAttribute(Qt::WA_StyledBackground, true);
    const auto paint = [view] {
        view->setStyleSheet(QStringLiteral("#TabBar { background: %1; border-right: 1px solid %2; }")
                                .arg(css("BottomColor"), css("Separator")));
    };
    paint();
    // The bar follows a new appearance at once (it is chosen in the settings beside it).
    connect(&appkit::Application::shared(), &appkit::Application::effectiveAppearanceChanged, view, paint);

    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 20, 1, 20);
    layout->setSpacing(12);

    auto makeTab = [&](MainTab page, const char* name) {
        auto* button = new QPushButton(view);
        button->setObjectName(QString::fromLatin1(name));
        button->setProperty(kTagProperty, QVariant::fromValue<qlonglong>(rawValue(page)));
        button->setFixedSize(kTabSize, kTabSize);
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, button] { tabClicked(button); });
        return button;
    };
    dashboardTab = makeTab(MainTab::Dashboard, "dashboardTab");
    locationTab = makeTab(MainTab::Locations, "locationTab");
    setupOtherDevicesTab = makeTab(MainTab::SetupOtherDevices, "setupOtherDevicesTab");
    profileTab = makeTab(MainTab::Profile, "profileTab");
    supportTab = makeTab(MainTab::Support1, "supportTab");
    notificationsTab = makeTab(MainTab::Notifications, "notificationsTab");
    preferencesTab = makeTab(MainTab::Prefences, "preferencesTab");
    // Pages that other parts open by request; they have no place of their own in the bar.
    referFriendTab = makeTab(MainTab::ReferFriend, "referFriendTab");
    // The menu button opens the application menu (the status item's secondary-click menu), so
    // its entries are there without a status area too.
    menuTab = new QPushButton(view);
    menuTab->setObjectName(QStringLiteral("menuTab"));
    menuTab->setProperty(kTagProperty, QVariant::fromValue<qlonglong>(rawValue(MainTab::Tabs)));
    menuTab->setFixedSize(kTabSize, kTabSize);
    menuTab->setFlat(true);
    menuTab->setCursor(Qt::PointingHandCursor);
    menuTab->setFocusPolicy(Qt::NoFocus);
    menuTab->setToolTip(QString::fromStdString(localized("status.menu.open.menu")));
    menuTab->setIcon(appkit::imageNamed("ic_menutab", QSize(kIconSize, kIconSize)));
    menuTab->setIconSize(QSize(kIconSize, kIconSize));
    menuTab->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; }"));
    connect(menuTab, &QPushButton::clicked, this, [this] { openApplicationMenu(); });
    referFriendTab->hide();

    const std::array<QPushButton*, TabsModel::kIconCount> visible = {
        dashboardTab, locationTab, setupOtherDevicesTab, profileTab, supportTab, notificationsTab, preferencesTab};
    for (std::size_t i = 0; i < visible.size(); ++i) {
        QPushButton* tab = visible[i];
        auto* icon = new QLabel(tab);
        icon->setObjectName(QString::fromLatin1(TabsModel::kIcons[i].hoverViewId.data(), TabsModel::kIcons[i].hoverViewId.size())
                                .replace(QStringLiteral("HoverView"), QStringLiteral("Icon")));
        icon->setAttribute(Qt::WA_TransparentForMouseEvents);
        icon->setGeometry((kTabSize - kIconSize) / 2, (kTabSize - kIconSize) / 2, kIconSize, kIconSize);
        icons[i] = icon;
        // The tab is its own hover view: its identifier is what the hover notifications carry.
        tab->setProperty("hoverViewId", QString::fromLatin1(TabsModel::kIcons[i].hoverViewId.data(),
                                                            TabsModel::kIcons[i].hoverViewId.size()));
        tab->setAttribute(Qt::WA_Hover, true);
        tab->installEventFilter(this);
        hoverViews[i] = tab;
        if (i == visible.size() - 1) {
            layout->addStretch(1);
            layout->addWidget(menuTab, 0, Qt::AlignHCenter);
        }
        layout->addWidget(tab, 0, Qt::AlignHCenter);
    }

    badge = new QLabel(view);
    badge->setObjectName(QStringLiteral("badge"));
    badge->setAlignment(Qt::AlignCenter);
    badge->setFixedSize(kBadgeSize, kBadgeSize);
    badge->setAttribute(Qt::WA_TransparentForMouseEvents);
    badge->setStyleSheet(QStringLiteral("background: %1; color: #FFFFFF; border-radius: %2px; font-size: 15px;")
                             .arg(css("Badge"))
                             .arg(kBadgeSize / 2));
    badge->hide();
    setView(view);
}

void TabsViewController::viewDidLoad() {
    currentlySelectedTab = dashboardTab;
    auto& center = NotificationCenter::defaultCenter();
    observers_.push_back(center.addObserver(kAppShowControllerNotification, [this](const Notification& n) { showControllerNotification(n); }));
    observers_.push_back(center.addObserver(UserPasswordManagerUpdateNotification, [this](const Notification&) { passwordManagerChanged(); }));
    observers_.push_back(center.addObserver(VPNAccountDidChangeNotification, [this](const Notification&) { refreshBadge(); }));
    observers_.push_back(center.addObserver(UserLoggedInChangedNotification, [this](const Notification&) { refreshBadge(); }));
    observers_.push_back(center.addObserver(NotificationCountDidChangeNotification,
                                            [this](const Notification&) { showBadge(model.storedBadgeCount()); }));
    observers_.push_back(center.addObserver(kOnCountryListFromDashboardNotification, [this](const Notification&) {
        if (locationTab) tabClicked(locationTab);
    }));
    showIcons(TabsModel::iconImages(rawValue(MainTab::Dashboard)));
}

void TabsViewController::viewWillAppear() {
    refreshAddonProperties();
    refreshBadge();
    if (auto* window = appkit::Application::shared().firstWindow()) window->setContentSize(kMainWindowContentSize);
}

void TabsViewController::prepareForSegue(appkit::StoryboardSegue& segue, const std::any&) {
    if (segue.identifier() != kPreferencesSegue) return;
    auto* windowController = qobject_cast<appkit::WindowController*>(segue.destinationController());
    auto* pages = windowController ? qobject_cast<appkit::TabViewController*>(windowController->contentViewController()) : nullptr;
    if (pages && main_content::preferencesOpenOnProtocolPage(AppPreferences()))
        pages->setSelectedTabViewItemIndex(main_content::kProtocolPreferencesIndex);
}

QPushButton* TabsViewController::buttonFor(MainTab page) const {
    switch (page) {
        case MainTab::Dashboard: return dashboardTab;
        case MainTab::Locations: return locationTab;
        case MainTab::Support1: return supportTab;
        case MainTab::Profile: return profileTab;
        case MainTab::ReferFriend: return referFriendTab;
        case MainTab::SetupOtherDevices: return setupOtherDevicesTab;
        case MainTab::Prefences: return preferencesTab;
        case MainTab::Tabs: return menuTab;
        case MainTab::Notifications: return notificationsTab;
        case MainTab::About: return nullptr;
    }
    return nullptr;
}

void TabsViewController::openApplicationMenu() {
    if (!delegate || !menuTab) return;
    delegate->makeStatusMenuIfNeeded();
    if (delegate->statusMenu) delegate->statusMenu->popUpApplicationMenu(menuTab->mapToGlobal(QPoint(menuTab->width(), menuTab->height())));
}

void TabsViewController::tabClicked(QPushButton* button) {
    if (!button) return;
    const std::int64_t tag = button->property(kTagProperty).toLongLong();
    const auto page = mainTabFromRaw(tag);
    if (page) NotificationCenter::defaultCenter().post(kOpenViewControllerNotification, *page);
    else NotificationCenter::defaultCenter().post(kOpenViewControllerNotification);
    currentlySelectedTab = button;
    showIcons(TabsModel::iconImages(tag));
}

void TabsViewController::showControllerNotification(const Notification& notification) {
    const auto page = mainTabFromObject(notification.object);
    if (!page || !TabsModel::pageHasTab(*page)) return;
    if (QPushButton* button = buttonFor(*page)) tabClicked(button);
}

void TabsViewController::passwordManagerChanged() { refreshAddonProperties(); }

void TabsViewController::refreshAddonProperties() {
    hidePinvaultAddon.set(model.hidePinvaultAddon());
    isPinvaultLocked.set(model.isPinvaultLocked());
}

void TabsViewController::refreshBadge() { showBadge(model.badgeCount()); }

void TabsViewController::showBadge(std::int64_t count) {
    if (!badge) return;
    if (count < 1 || !notificationsTab) {
        badge->hide();
        return;
    }
    badge->setText(count > 99 ? QStringLiteral("99+") : QString::number(count));
    badge->setFixedSize(std::max(kBadgeSize, badge->sizeHint().width() + 8), kBadgeSize);
    placeBadge();
    badge->show();
    badge->raise();
}

void TabsViewController::placeBadge() {
    if (!badge || !notificationsTab) return;
    // Over the notifications tab's top trailing corner, 10 from the bar's trailing edge; kept
    // there as the bar lays the tab out.
    badge->move(kBarWidth - 10 - badge->width(), notificationsTab->geometry().top() - 6);
}

void TabsViewController::mouseEntered(const std::string& hoverViewId) {
    NotificationCenter::defaultCenter().post(kHoverEnteredNotification, {}, {{std::string(kHoverViewKey), hoverViewId}});
    const std::int64_t selected = currentlySelectedTab ? currentlySelectedTab->property(kTagProperty).toLongLong() : 0;
    showIcons(TabsModel::hoveredIconImages(selected, hoverViewId));
}

void TabsViewController::mouseExited(const std::string& hoverViewId) {
    NotificationCenter::defaultCenter().post(kHoverExitedNotification, {}, {{std::string(kHoverViewKey), hoverViewId}});
    if (!TabsModel::iconIndex(hoverViewId)) return;
    const std::int64_t selected = currentlySelectedTab ? currentlySelectedTab->property(kTagProperty).toLongLong() : 0;
    showIcons(TabsModel::iconImages(selected));
}

bool TabsViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == notificationsTab && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) placeBadge();
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
        const QString id = watched->property("hoverViewId").toString();
        if (!id.isEmpty()) {
            if (event->type() == QEvent::Enter) mouseEntered(id.toStdString());
            else mouseExited(id.toStdString());
        }
    }
    return ViewController::eventFilter(watched, event);
}

void TabsViewController::showIcons(const TabsModel::IconImages& images) {
    shownIcons_ = images;
    const std::int64_t selected = currentlySelectedTab ? currentlySelectedTab->property(kTagProperty).toLongLong() : 0;
    for (std::size_t i = 0; i < icons.size(); ++i) {
        if (!icons[i]) continue;
        icons[i]->setPixmap(appkit::imageNamed(images[i], QSize(kIconSize, kIconSize)));
        if (auto* tab = qobject_cast<QPushButton*>(hoverViews[i].data())) {
            const bool isSelected = rawValue(TabsModel::kIcons[i].page) == selected && images[i] == TabsModel::kIcons[i].selected;
            tab->setStyleSheet(isSelected ? QStringLiteral("QPushButton { background: %1; border: none; border-radius: 12px; }").arg(css("ThemeColor"))
                                          : QStringLiteral("QPushButton { background: transparent; border: none; }"));
        }
    }
}

}  // namespace morvex
