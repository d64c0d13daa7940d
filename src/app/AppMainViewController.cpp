#include "app/AppMainViewController.h"

#include <QGridLayout>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QThread>

#include "alerts/Alert.h"
#include "alerts/BaseViewController.h"
#include "foundation/Lifetime.h"
#include "ui/shell/EmptyPageViewController.h"
#include "viewmodels/MainContentModel.h"
#include "app/Storyboards.h"
#include "app/TabsViewController.h"
#include "ui/shell/WindowMetrics.h"
#include "appkit/Application.h"
#include "appkit/Colors.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "session/UserAuthentication.h"
#include "flows/MorvexVPNService.h"
#include "zevu/ExtensionManager.h"

namespace morvex {

namespace {

AppMainViewController::Hooks completed(AppMainViewController::Hooks hooks) {
    if (!hooks.activateExtension)
        hooks.activateExtension = [](const std::string& id) { zevu::ExtensionManager::shared().activate(id); };
    if (!hooks.makeStatusMenu)
        hooks.makeStatusMenu = [] { return std::make_unique<StatusMenu>(AppPreferences(), MorvexVPNService::makeZevu()); };
    if (!hooks.migrationCheck) {
        hooks.migrationCheck = [] {
            UserAuthentication authentication;
            main_content::MigrationCheck::withConsentAlert().run(authentication);
        };
    }
    return hooks;
}

// The tab bar is the main storyboard's scene, where its segue to the preferences window is
// registered; a store of notices of the caller's own (tests, shots) takes one made here.
std::unique_ptr<TabsViewController> makeTabBar(ManagedObjectContext* notices) {
    if (const appkit::Storyboard* board = appkit::Storyboard::named(kMainStoryboard); board && !notices) {
        QObject* made = board->instantiateController(AppMainViewController::kTabBarScene);
        if (auto* bar = qobject_cast<TabsViewController*>(made)) return std::unique_ptr<TabsViewController>(bar);
        delete made;
    }
    return std::make_unique<TabsViewController>(notices);
}

}  // namespace

AppMainViewController::AppMainViewController(QObject* parent) : AppMainViewController(Hooks{}, parent) {}

AppMainViewController::AppMainViewController(Hooks hooks, QObject* parent)
    : ViewController(parent),
      hooks_(completed(std::move(hooks))),
      tabsController_(makeTabBar(hooks_.notices)),
      pages_(std::make_unique<appkit::TabViewController>()) {
    tabsController_->delegate = this;
}

AppMainViewController::~AppMainViewController() { observers_.clear(); }

void AppMainViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("AppMainView"));
    auto* row = new QHBoxLayout(view);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(tabsController_->view());

    bgView = new QWidget(view);
    bgView->setObjectName(QStringLiteral("bgView"));
    bgView->setAutoFillBackground(true);
    auto* area = new QGridLayout(bgView);
    area->setContentsMargins(0, 0, 0, 0);
    mapImgView = new QLabel(bgView);
    mapImgView->setObjectName(QStringLiteral("mapImgView"));
    mapImgView->setAlignment(Qt::AlignCenter);
    mapImgView->setPixmap(appkit::imageNamed("DashboardMap", QSize(560, 420)));
    // Pages are made when first shown; the container holds one per page number.
    for (std::int64_t raw = 0; raw <= rawValue(MainTab::About); ++raw) pages_->addChildViewController(makePage(MainTab(raw)));
    pages_->view()->setObjectName(QStringLiteral("pages"));
    area->addWidget(mapImgView, 0, 0);
    area->addWidget(pages_->view(), 0, 0);
    row->addWidget(bgView, 1);

    for (std::string_view id : main_content::kHoverViewIds) {
        auto* tag = new QLabel(view);
        tag->setObjectName(QString::fromLatin1(id.data(), qsizetype(id.size())).replace(QStringLiteral("HoverView"), QStringLiteral("HoverImg")));
        tag->setAttribute(Qt::WA_TransparentForMouseEvents);
        tag->hide();
        hoverImages.emplace(std::string(id), tag);
    }
    setView(view);
}

void AppMainViewController::viewDidLoad() {
    auto& center = NotificationCenter::defaultCenter();
    observers_.push_back(center.addObserver(UserLoggedInChangedNotification, [this](const Notification& n) { loginChanged(n); }));
    observers_.push_back(center.addObserver(ZevuTypes::stateNotification, [this](const Notification& n) { zevuStateDidChanged(n); }));
    observers_.push_back(center.addObserver(kOpenViewControllerNotification, [this](const Notification& n) { openViewController(n); }));
    observers_.push_back(center.addObserver(kHoverEnteredNotification, [this](const Notification& n) { handleHoverEntered(n); }));
    observers_.push_back(center.addObserver(kHoverExitedNotification, [this](const Notification& n) { handleHoverExited(n); }));
    showPage(MainTab::Dashboard);
    connect(&appkit::Application::shared(), &appkit::Application::effectiveAppearanceChanged, this, [this] { paintBackground(); });
}

void AppMainViewController::viewDidAppear() {
    if (auto* window = appkit::Application::shared().firstWindow()) window->setContentSize(kMainWindowContentSize);
    tabsController_->viewWillAppear();
    pages_->viewDidAppear();
    makeStatusMenuIfNeeded();
    hooks_.migrationCheck();
    for (const std::string& id : main_content::extensionsToActivate(AppPreferences())) hooks_.activateExtension(id);
}

void AppMainViewController::viewDidDisappear() { pages_->viewDidDisappear(); }

void AppMainViewController::makeStatusMenuIfNeeded() {
    if (!statusMenu) statusMenu = hooks_.makeStatusMenu();
}

void AppMainViewController::selectTab(MainTab page) {
    if (QPushButton* button = tabsController_->buttonFor(page)) tabsController_->tabClicked(button);
}

void AppMainViewController::openViewController(const Notification& notification) {
    const auto page = mainTabFromObject(notification.object);
    if (!page) return;
    for (auto& [id, tag] : hoverImages)
        if (tag) tag->hide();
    showPage(*page);
}

void AppMainViewController::paintBackground() {
    if (!bgView) return;
    const auto look = main_content::pageBackground(currentPage_);
    // The look's colours in the application's appearance: the dashboard's ground is the card
    // colour (white in light), every other page's the window background.
    const std::string_view name = currentPage_ == MainTab::Dashboard ? "BottomColor" : "WindowBackground";
    QPalette palette = bgView->palette();
    palette.setColor(QPalette::Window, appkit::colorNamed(name, appkit::Application::shared().effectiveAppearance(),
                                                          QColor(look.red, look.green, look.blue)));
    bgView->setPalette(palette);
    if (mapImgView) {
        mapImgView->setVisible(look.mapVisible);
        // The map is a pale picture made for a white ground; on the dark one it stays a faint hint.
        const bool dark = appkit::Application::shared().effectiveAppearance() == appkit::Appearance::DarkAqua;
        auto* fade = qobject_cast<QGraphicsOpacityEffect*>(mapImgView->graphicsEffect());
        if (dark && !fade) mapImgView->setGraphicsEffect(fade = new QGraphicsOpacityEffect(mapImgView));
        if (fade) fade->setOpacity(dark ? 0.12 : 1.0);
    }
    bgView->update();
}

void AppMainViewController::showPage(MainTab page) {
    currentPage_ = page;
    paintBackground();
    // Asking for the page already shown fades it into itself: the switch looks the same each time.
    // A fade under way ends first, so the page it goes to is the one this one starts from.
    pages_->finishTransition();
    const int index = int(rawValue(page));
    QPointer<appkit::TabViewController> pages(pages_.get());
    pages_->transition(pages_->selectedViewController(), pages_->childViewControllerAt(index),
                       appkit::TabViewController::TransitionOptions::Crossfade, [pages, index] {
                           if (pages) pages->setSelectedTabViewItemIndex(index);
                       });
}

appkit::ViewController* AppMainViewController::makePage(MainTab page) {
    std::string_view identifier;
    for (const auto& scene : kPageScenes)
        if (scene.page == page) identifier = scene.identifier;
    // The page scenes live beside this controller's own scene (the main storyboard when it was
    // made in code).
    auto* board = storyboard() ? storyboard() : appkit::Storyboard::named(kMainStoryboard);
    if (board && !identifier.empty() && board->hasScene(identifier)) {
        QObject* made = board->instantiateController(identifier);
        if (auto* controller = qobject_cast<appkit::ViewController*>(made)) return controller;
        delete made;
    }
    // Until a page's screen is built: the dashboard's slot stays clear over the map, the others
    // show the empty page.
    appkit::ViewController* controller = page == MainTab::Dashboard ? new appkit::ViewController : new EmptyPageViewController;
    controller->setObjectName(QString::fromLatin1(identifier.data(), qsizetype(identifier.size())));
    return controller;
}

void AppMainViewController::zevuStateDidChanged(const Notification& notification) {
    const auto* info = notification.objectAs<ZevuTypes::ConnectionInfo>();
    if (!info || info->state != ZevuConnectionState::Connecting) return;
    if (QThread::currentThread() == thread()) {
        selectTab(MainTab::Dashboard);
        return;
    }
    QMetaObject::invokeMethod(this, [this] { selectTab(MainTab::Dashboard); }, Qt::QueuedConnection);
}

void AppMainViewController::loginChanged(const Notification& notification) {
    const auto* loggedIn = notification.objectAs<bool>();
    if (!loggedIn) return;
    if (!*loggedIn) {
        selectTab(MainTab::Dashboard);
        return;
    }
    makeStatusMenuIfNeeded();
    EventTracker tracker = AlertServices::installed().makeEventTracker();
    selectTab(main_content::pageAfterSignIn(PreservedPreferences(), tracker));
}

void AppMainViewController::layOutHoverImages() {
    if (!isViewLoaded()) return;
    for (std::size_t i = 0; i < tabsController_->hoverViews.size(); ++i) {
        QWidget* tab = tabsController_->hoverViews[i];
        auto it = hoverImages.find(TabsModel::kIcons[i].hoverViewId);
        if (!tab || it == hoverImages.end() || !it->second) continue;
        QLabel* tag = it->second;
        const QRect pill(tab->mapTo(view(), QPoint(0, 0)), tab->size());
        tag->adjustSize();
        tag->move(pill.right() + 1 + 8, pill.center().y() - tag->height() / 2);
        tag->raise();
    }
}

void AppMainViewController::handleHoverEntered(const Notification& notification) {
    const std::string code = main_content::hoverLanguageCode(AppPreferences());
    for (auto& [id, tag] : hoverImages) {
        if (!tag) continue;
        if (auto name = main_content::hoverImageName(id, code)) tag->setPixmap(appkit::imageNamed(*name, QSize(240, 26)));
    }
    layOutHoverImages();
    const auto* id = notification.info<std::string>(std::string(kHoverViewKey));
    if (!id) return;
    auto it = hoverImages.find(*id);
    if (it != hoverImages.end() && it->second) it->second->show();
}

void AppMainViewController::handleHoverExited(const Notification& notification) {
    const auto* id = notification.info<std::string>(std::string(kHoverViewKey));
    if (!id) return;
    auto it = hoverImages.find(*id);
    if (it != hoverImages.end() && it->second) it->second->hide();
}

}  // namespace morvex
