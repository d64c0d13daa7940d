#include "ui/preferences/PreferencesViewController.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPropertyAnimation>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "appkit/Application.h"
#include "appkit/Colors.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "ui/preferences/LanguagesViewController.h"
#include "ui/preferences/ProtocolsViewController.h"

namespace morvex {

namespace {

// The size an empty page (a page whose scene is not there) asks for.
constexpr QSize kEmptyPageSize(520, 360);

appkit::ViewController* makePage(const PreferencesViewController::TabItem& item) {
    if (const appkit::Storyboard* board = appkit::Storyboard::named(item.storyboard)) {
        QObject* made = board->instantiateController(item.scene);
        // Tabs of their own here: no panel to go back out of.
        if (auto* protocols = qobject_cast<ProtocolsViewController*>(made)) protocols->showsBackButton = false;
        if (auto* languages = qobject_cast<LanguagesViewController*>(made)) languages->showsBackButton = false;
        if (auto* page = qobject_cast<appkit::ViewController*>(made)) return page;
        delete made;
    }
    auto* empty = new appkit::ViewController;
    empty->setPreferredContentSize(kEmptyPageSize);
    return empty;
}

// The size a page asks of the window: its preferred size, else what its view needs.
QSize naturalSize(appkit::ViewController& page) {
    if (QSize preferred = page.preferredContentSize(); preferred.isValid()) return preferred;
    return page.view()->sizeHint().expandedTo(QSize(320, 200));
}

}  // namespace

const std::vector<PreferencesViewController::TabItem>& PreferencesViewController::tabItems() {
    static const std::vector<TabItem> items{
        {"preferences.window.tab.general", "PreferencesTabGeneral", "General", "GeneralStoryboardID"},
        {"preferences.window.tab.protocol", std::string(kProtocolDotImage), "Protocols", "ProtocolStoryboardID"},
        {"preferences.window.tab.advanced", "PreferencesTabAdvanced", "AdvancedPreferences", "AdvancedStoryboardID"},
        {"preferences.window.tab.language", "PreferencesTabLanguage", "Languages", "LanguagesStoryboardID"},
        {"preferences.window.tab.about", "PreferencesTabAbout", "About", "AboutVCStoryboardID"},
    };
    return items;
}

PreferencesViewController::PreferencesViewController(QObject* parent) : TabViewController(parent) {
    for (const TabItem& item : tabItems()) {
        imageNames_.push_back(item.imageName);
        addChildViewController(makePage(item));
    }
}

PreferencesViewController::~PreferencesViewController() = default;

bool PreferencesViewController::extensionsReady(const AppPreferences& preferences) {
    return preferences.wgSystemExtensionStatus() == SystemExtensionStatus::Activated &&
           preferences.openVPNSystemExtensionStatus() == SystemExtensionStatus::Activated;
}

const std::string& PreferencesViewController::tabImageName(int index) const {
    static const std::string none;
    return index >= 0 && index < int(imageNames_.size()) ? imageNames_[std::size_t(index)] : none;
}

std::string PreferencesViewController::tabLabel(int index) const {
    const auto& items = tabItems();
    return index >= 0 && index < int(items.size()) ? localized(items[std::size_t(index)].labelKey) : std::string();
}

QAbstractButton* PreferencesViewController::tabButton(int index) const {
    return index >= 0 && index < int(buttons_.size()) ? buttons_[std::size_t(index)].data() : nullptr;
}

std::optional<QSize> PreferencesViewController::recordedSize(int index) const {
    auto it = tabViewSizes_.find(index);
    return it == tabViewSizes_.end() ? std::nullopt : std::optional<QSize>(it->second);
}

void PreferencesViewController::loadView() {
    TabViewController::loadView();
    QWidget* stack = view();
    // The pages never hold the window at the largest page's size: the window takes each page's.
    stack->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);

    auto* root = new QWidget;
    root->setObjectName(QStringLiteral("PreferencesView"));
    auto* column = new QVBoxLayout(root);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    tabBar_ = new QWidget(root);
    tabBar_->setObjectName(QStringLiteral("PreferencesTabBar"));
    tabBar_->setFixedHeight(kTabBarHeight);
    tabBar_->setAttribute(Qt::WA_StyledBackground, true);
    auto* row = new QHBoxLayout(tabBar_);
    row->setContentsMargins(12, 4, 12, 4);
    row->setSpacing(4);
    row->addStretch(1);
    group_ = new QButtonGroup(tabBar_);
    group_->setExclusive(true);
    for (int i = 0; i < count(); ++i) {
        auto* button = new QToolButton(tabBar_);
        button->setObjectName(QStringLiteral("PreferencesTab%1").arg(i));
        button->setText(QString::fromStdString(tabLabel(i)));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(24, 24));
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setMinimumWidth(72);
        button->setFixedHeight(kTabBarHeight - 8);
        group_->addButton(button, i);
        row->addWidget(button);
        buttons_.emplace_back(button);
        connect(button, &QToolButton::clicked, this, [this, i] { setSelectedTabViewItemIndex(i); });
    }
    row->addStretch(1);

    column->addWidget(tabBar_);
    column->addWidget(stack, 1);
    setView(root);
    refreshTabButtons();
    applyLook();
}

void PreferencesViewController::viewDidLoad() {
    TabViewController::viewDidLoad();
    // The image changes on the main thread only, and always from the main queue: the stores post
    // the change before they write the status, so reading it at once would see the old one.
    extensionObserver_ = NotificationCenter::defaultCenter().addObserver(
        AppPreferences::extensionStatusChangedNotification, [this](const Notification&) {
            QMetaObject::invokeMethod(this, [this] { updateProtocolTabImage(); }, Qt::QueuedConnection);
        });
}

void PreferencesViewController::viewWillAppear() {
    TabViewController::viewWillAppear();
    updateProtocolTabImage();
    applyLook();
    if (!sizedOnce_) {
        // The page shown first sizes the window as a later selection would.
        sizedOnce_ = true;
        willSelectTabViewItem(selectedTabViewItemIndex());
        didSelectTabViewItem(selectedTabViewItemIndex());
    }
}

void PreferencesViewController::updateProtocolTabImage() {
    constexpr std::size_t protocolTab = 1;
    if (imageNames_.size() <= protocolTab) return;
    imageNames_[protocolTab] = std::string(extensionsReady(AppPreferences()) ? kProtocolImage : kProtocolDotImage);
    refreshTabButtons();
}

void PreferencesViewController::willSelectTabViewItem(int index) {
    TabViewController::willSelectTabViewItem(index);
    if (appkit::ViewController* page = childViewControllerAt(index)) tabViewSizes_[index] = naturalSize(*page);
}

void PreferencesViewController::didSelectTabViewItem(int index) {
    TabViewController::didSelectTabViewItem(index);
    refreshTabButtons();
    appkit::Window* w = isViewLoaded() ? window() : nullptr;
    if (!w) return;
    w->setTitle(tabLabel(index));
    if (auto size = recordedSize(index)) resizeWindowTo(*size);
}

void PreferencesViewController::resizeWindowTo(QSize pageSize) {
    appkit::Window* w = window();
    if (!w) return;
    const QSize content(std::max(pageSize.width(), tabBar_ ? tabBar_->sizeHint().width() : 0),
                        pageSize.height() + kTabBarHeight);
    // Qt measures from the top-left, so keeping the origin keeps the top edge in place.
    const QRect from = w->geometry();
    const QRect to(from.topLeft(), content);
    if (from == to) return;
    if (!w->isVisible()) {
        w->setGeometry(to);
        return;
    }
    auto* animation = new QPropertyAnimation(w, "geometry", w);
    animation->setDuration(kResizeMilliseconds);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void PreferencesViewController::refreshTabButtons() {
    for (int i = 0; i < int(buttons_.size()); ++i) {
        QAbstractButton* button = buttons_[std::size_t(i)];
        if (!button) continue;
        button->setIcon(appkit::imageNamed(tabImageName(i)));
        button->setChecked(i == selectedTabViewItemIndex());
    }
}

void PreferencesViewController::applyLook() {
    if (!tabBar_) return;
    const appkit::Appearance look = appkit::Application::shared().effectiveAppearance();
    const auto hex = [look](std::string_view name, QColor fallback) {
        return appkit::colorNamed(name, look, fallback).name(QColor::HexArgb);
    };
    view()->setStyleSheet(QStringLiteral("#PreferencesView { background: %1; }").arg(hex("WindowBackground", Qt::white)));
    tabBar_->setStyleSheet(QStringLiteral("#PreferencesTabBar { background: %1; border-bottom: 1px solid %2; }"
                                          "QToolButton { color: %3; font-size: 12px; border: none; border-radius: 8px;"
                                          " padding: 4px 6px; background: transparent; }"
                                          "QToolButton:hover { color: %4; }"
                                          "QToolButton:checked { color: %4; background: %5; font-weight: 500; }")
                               .arg(hex("BottomColor", Qt::white), hex("Separator", Qt::lightGray), hex("TabText", Qt::gray),
                                    hex("ThemeColor", Qt::blue), hex("WindowBackground", Qt::white)));
}

}  // namespace morvex
