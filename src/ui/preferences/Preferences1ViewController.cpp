#include "ui/preferences/Preferences1ViewController.h"
#include "ui/preferences/VPNSettingsViewController.h"

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "appkit/Application.h"
#include "appkit/Colors.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "foundation/Bundle.h"
#include "foundation/Value.h"
#include "ui/kit/CustomButtons.h"
#include "ui/kit/CustomSegmentedControl.h"
#include "ui/kit/Fonts.h"
#include "ui/preferences/LanguagesViewController.h"
#include "ui/preferences/ProtocolsViewController.h"
#include "state/PreservedPreferences.h"

namespace morvex {

namespace {

// The page draws in the application's appearance (it lives in the main window, which follows it).
appkit::Appearance look() { return appkit::Application::shared().effectiveAppearance(); }

QColor color(std::string_view name, QColor fallback = Qt::black) { return appkit::colorNamed(name, look(), fallback); }

// The page's root: it places the panels, which lie over the layout, whenever it changes size.
class PanelHostView : public QWidget {
public:
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (onResize) onResize();
    }
};

// A new controller of the scene, or null when the storyboard or the scene is not there.
appkit::ViewController* instantiatePage(std::string_view storyboard, std::string_view identifier) {
    const appkit::Storyboard* board = appkit::Storyboard::named(storyboard);
    QObject* made = board ? board->instantiateController(identifier) : nullptr;
    if (auto* page = qobject_cast<appkit::ViewController*>(made)) return page;
    delete made;
    return nullptr;
}

// A plain view filled by one page (or left empty).
QWidget* makePlace(QWidget* parent, const char* name) {
    auto* place = new QWidget(parent);
    place->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return place;
}

void fill(QWidget* place, appkit::ViewController* page) {
    if (!place || !page) return;
    place->layout()->addWidget(page->view());
}

void setOpacity(QWidget* view, qreal opacity) {
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(view);
        view->setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

}  // namespace

// ---- SettingsLocationBlocker

SettingsLocationBlocker::SettingsLocationBlocker(QWidget* parent) : QWidget(parent) {}

void SettingsLocationBlocker::setAlpha(qreal alpha) {
    alpha_ = alpha;
    update();
}

void SettingsLocationBlocker::paintEvent(QPaintEvent*) {
    if (!color.isValid()) return;
    QColor shown = color;
    shown.setAlphaF(color.alphaF() * alpha_);
    QPainter(this).fillRect(rect(), shown);
}

void SettingsLocationBlocker::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (onClick) onClick();
}

// ---- Preferences1ViewController

const std::array<Preferences1ViewController::PreferencesPage, 5>& Preferences1ViewController::pages() {
    static const std::array<PreferencesPage, 5> table{{
        {"preferences.window.tab.general", "General", "GeneralStoryboardID"},
        {"preferences.window.tab.protocol", "Protocols", "ProtocolStoryboardID"},
        {"preferences.window.tab.advanced", "AdvancedPreferences", "AdvancedStoryboardID"},
        {"preferences.window.tab.language", "Languages", "LanguagesStoryboardID"},
        {"preferences.window.tab.about", "About", "AboutVCStoryboardID"},
    }};
    return table;
}

Preferences1ViewController::Preferences1ViewController(QObject* parent) : ViewController(parent) {}

Preferences1ViewController::~Preferences1ViewController() {
    observers_.clear();
    for (QPointer<QVariantAnimation>* running : {&languageAnimation_, &protocolsAnimation_, &locationAnimation_})
        if (*running) (*running)->stop();
}

bool Preferences1ViewController::isShowingDetail() const {
    return content_ && detailArea_ && content_->currentWidget() == detailArea_;
}

void Preferences1ViewController::loadView() {
    auto* root = new PanelHostView;
    root->setObjectName(QStringLiteral("Preferences1View"));
    root->setAutoFillBackground(true);

    auto* row = new QHBoxLayout(root);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    // The links to the pages.
    auto* sidebar = new QWidget(root);
    sidebar->setObjectName(QStringLiteral("PreferencesSidebar"));
    sidebar->setFixedWidth(160);
    sidebar->setAttribute(Qt::WA_StyledBackground, true);
    sidebar_ = sidebar;
    auto* links = new QVBoxLayout(sidebar);
    links->setContentsMargins(12, 20, 12, 20);
    links->setSpacing(4);
    auto* title = new QLabel(QString::fromStdString(localized("preferences.window.title")), sidebar);
    title->setObjectName(QStringLiteral("PreferencesTitle"));
    // A title longer than the sidebar ("Einstellungen") steps down in size rather than being cut.
    const int titleWidth = 160 - 2 * 12;
    int titleSize = 20;
    while (titleSize > 15 &&
           QFontMetrics(systemFont(titleSize, QFont::Bold)).horizontalAdvance(title->text()) > titleWidth)
        --titleSize;
    title->setFont(systemFont(titleSize, QFont::Bold));
    title_ = title;
    links->addWidget(title);
    links->addSpacing(12);
    for (int i = 0; i < int(tabButtons.size()); ++i) {
        auto* button = new SupportButton(sidebar);
        button->setObjectName(QStringLiteral("PreferencesLink%1").arg(i));
        button->setText(QString::fromStdString(localized(pages()[std::size_t(i)].titleKey)));
        button->setFont(systemFont(13));
        button->setFixedHeight(32);
        button->setCursor(Qt::PointingHandCursor);
        button->setSelectedColor(ThemedColor::colorNamed("ThemeFill"));
        button->setRound(8);
        button->setRoundCorners(true);
        connect(button, &QAbstractButton::clicked, this, [this, i] { tabTapped(i); });
        links->addWidget(button);
        tabButtons[std::size_t(i)] = button;
    }
    links->addStretch(1);
    row->addWidget(sidebar);
    resetTabButtons();

    content_ = new QStackedWidget(root);
    content_->setObjectName(QStringLiteral("PreferencesContent"));

    // The VPN and app settings, one over the other under their switch.
    settingsArea_ = new QWidget(content_);
    settingsArea_->setObjectName(QStringLiteral("PreferencesSettingsArea"));
    auto* settingsColumn = new QVBoxLayout(settingsArea_);
    settingsColumn->setContentsMargins(0, 16, 0, 0);
    settingsColumn->setSpacing(8);
    segmentedControl = new CustomSegmentedControl(settingsArea_);
    segmentedControl->setObjectName(QStringLiteral("PreferencesSegmentedControl"));
    segmentedControl->setFixedSize(240, 40);
    settingsColumn->addWidget(segmentedControl, 0, Qt::AlignHCenter);
    auto* stack = new QWidget(settingsArea_);
    auto* cell = new QGridLayout(stack);
    cell->setContentsMargins(0, 0, 0, 0);
    containerViewVPNSettings = makePlace(stack, "containerViewVPNSettings");
    containerViewAppSettings = makePlace(stack, "containerViewAppSettings");
    cell->addWidget(containerViewVPNSettings, 0, 0);
    cell->addWidget(containerViewAppSettings, 0, 0);
    settingsColumn->addWidget(stack, 1);
    content_->addWidget(settingsArea_);

    // A page chosen from the links, with the way back to the settings.
    detailArea_ = new QWidget(content_);
    detailArea_->setObjectName(QStringLiteral("PreferencesDetailArea"));
    auto* detailColumn = new QVBoxLayout(detailArea_);
    detailColumn->setContentsMargins(0, 8, 0, 0);
    detailColumn->setSpacing(0);
    auto* back = new QPushButton(appkit::imageNamed("PreferencesBackArrow"),
                                 QString::fromStdString(localized("preferences.page.back")), detailArea_);
    back->setObjectName(QStringLiteral("PreferencesBack"));
    back->setFlat(true);
    back->setCursor(Qt::PointingHandCursor);
    back->setFocusPolicy(Qt::NoFocus);
    connect(back, &QPushButton::clicked, this, [this] { showSettings(); });
    backButton = back;
    detailColumn->addWidget(back, 0, Qt::AlignLeft);
    containerView = makePlace(detailArea_, "containerView");
    detailColumn->addWidget(containerView, 1);
    content_->addWidget(detailArea_);
    row->addWidget(content_, 1);

    // The panels, over everything.
    viewSettingsLocationBlocker = new SettingsLocationBlocker(root);
    viewSettingsLocationBlocker->setObjectName(QStringLiteral("viewSettingsLocationBlocker"));
    viewSettingsLocationBlocker->onClick = [this] { onSettingsLocationBlocker(); };
    viewSettingsLocationBlocker->hide();
    settingsLocationPanel = makePlace(root, "settingsLocationPanel");
    languagesPanel = makePlace(root, "languagesPanel");
    protocolsPanel = makePlace(root, "protocolsPanel");
    for (QWidget* panel : {settingsLocationPanel.data(), languagesPanel.data(), protocolsPanel.data()})
        panel->setAutoFillBackground(true);
    root->onResize = [this] { layoutPanels(); };
    setView(root);
    restyle();
    // A new choice of appearance is made on this very page: it follows at once.
    connect(&appkit::Application::shared(), &appkit::Application::effectiveAppearanceChanged, this, [this] { restyle(); });
}

void Preferences1ViewController::restyle() {
    if (!isViewLoaded()) return;
    QPalette palette = view()->palette();
    palette.setColor(QPalette::Window, color("WindowBackground", QColor(246, 246, 246)));
    palette.setColor(QPalette::WindowText, color("HeadingText"));
    view()->setPalette(palette);
    for (QWidget* panel : {settingsLocationPanel.data(), languagesPanel.data(), protocolsPanel.data()})
        if (panel) panel->setPalette(palette);
    if (sidebar_)
        sidebar_->setStyleSheet(QStringLiteral("#PreferencesSidebar { background: %1; border-right: 1px solid %2; }")
                                    .arg(color("BottomColor", Qt::white).name(), color("Separator", Qt::lightGray).name()));
    if (title_) title_->setStyleSheet(QStringLiteral("color: %1;").arg(color("HeadingText").name()));
    if (backButton)
        backButton->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; padding: 4px 12px; font-size: 13px; text-align: left; }")
                                      .arg(color("ThemeColor").name()));
    if (isShowingDetail()) selectTab(selectedTab_);
    else resetTabButtons();
    if (viewSettingsLocationBlocker) {
        const QColor blocker = appkit::colorNamed("AppSettingsLocationBGBlockerColor", look(), QColor());
        viewSettingsLocationBlocker->color = blocker;
        viewSettingsLocationBlocker->update();
    }
}

void Preferences1ViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    auto& center = NotificationCenter::defaultCenter();
    const auto on = [&](std::string_view name, std::function<void(const Notification&)> block) {
        observers_.push_back(center.addObserver(name, std::move(block)));
    };
    on(kOpenLanguagesViewControllerNotification, [this](const Notification&) { openLanguages(); });
    on(kDismissLanguagesViewControllerNotification, [this](const Notification&) { closeLanguages(); });
    on(kOpenProtocolsViewControllerNotification, [this](const Notification&) { openProtocols(); });
    on(kDismissProtocolsViewControllerNotification, [this](const Notification&) { closeProtocols(); });
    on(kOpenSettingsLocationNotification, [this](const Notification&) { openSettingsLocation(); });
    on(kDismissSettingsLocationNotification, [this](const Notification&) { closeSettingsLocation(); });
    on(kSettingsSegmentedControlSwitchNotification, [this](const Notification& n) { switchSegmentedControl(n); });
    on(kSwitchedToDashboardNotification, [this](const Notification&) { switchedToDashboard(); });

    // The pages that live here for good: the two settings pages and the panels'.
    const struct {
        QWidget* place;
        const char* storyboard;
        const char* scene;
    } embeds[] = {
        {containerViewVPNSettings, "Preferences", "VPNSettingsViewController"},
        {containerViewAppSettings, "Preferences", "AppSettingsViewController"},
        {languagesPanel, "Languages", "LanguagesStoryboardID"},
        {protocolsPanel, "Protocols", "ProtocolStoryboardID"},
    };
    // The location panel's picker is made when the panel is first asked for: it loads the
    // countries whenever it appears, which is wasted while nothing opens the panel.
    for (const auto& e : embeds) embed(e.place, e.storyboard, e.scene);
    // In their panels the language and protocol pages have a way back: the panel slides out.
    if (auto* languages = qobject_cast<LanguagesViewController*>(pageIn(languagesPanel))) languages->showsBackButton = true;
    if (auto* protocols = qobject_cast<ProtocolsViewController*>(pageIn(protocolsPanel))) protocols->showsBackButton = true;
    // The VPN settings choose their auto-connect location in this page's own panel.
    if (auto* vpn = qobject_cast<VPNSettingsViewController*>(pageIn(containerViewVPNSettings))) vpn->opensLocationPanel = true;

    // The embedded pages show what is stored whatever changed it meanwhile.
    observers_.push_back(center.addObserver(PreservedPreferences::preferencesRefreshedNotification, [this](const Notification&) {
        // After the pages' own handlers (they write the cleared defaults first).
        QTimer::singleShot(0, this, [this] { refreshVisiblePages(); });
    }));

    // The app settings start in front; the switch's first segment (VPN) brings the VPN settings.
    setOpacity(containerViewAppSettings, 1);
    setOpacity(containerViewVPNSettings, 0);
    containerViewVPNSettings->hide();
    toggleSettingsContainers();

    viewSettingsLocationBlocker->setAlpha(0);
    layoutPanels();
}

appkit::ViewController* Preferences1ViewController::embed(QWidget* place, std::string_view storyboard,
                                                          std::string_view scene) {
    appkit::ViewController* page = instantiatePage(storyboard, scene);
    if (!page) return nullptr;
    page->setParent(this);
    fill(place, page);
    embedded_.emplace_back(page);
    return page;
}

appkit::ViewController* Preferences1ViewController::pageIn(const QWidget* place) const {
    if (!place) return nullptr;
    for (const auto& page : embedded_)
        if (page && page->isViewLoaded() && page->view()->parentWidget() == place) return page;
    return nullptr;
}

void Preferences1ViewController::reappear(appkit::ViewController* page) {
    if (!page || !shown_) return;
    page->viewWillAppear();
    page->viewDidAppear();
}

void Preferences1ViewController::refreshVisiblePages() {
    if (!shown_) return;
    if (!isShowingDetail()) reappear(pageIn(isShowingFirstView_ ? containerViewAppSettings : containerViewVPNSettings));
    if (languageOffset_ == 0) reappear(pageIn(languagesPanel));
    if (protocolsOffset_ == 0) reappear(pageIn(protocolsPanel));
}

std::vector<appkit::ViewController*> Preferences1ViewController::shownChildren() const {
    std::vector<appkit::ViewController*> out;
    for (const auto& page : embedded_)
        if (page) out.push_back(page);
    if (detail_) out.push_back(detail_);
    return out;
}

void Preferences1ViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    for (auto* page : shownChildren()) page->viewWillAppear();
}

void Preferences1ViewController::viewDidAppear() {
    ViewController::viewDidAppear();
    shown_ = true;
    for (auto* page : shownChildren()) page->viewDidAppear();
}

void Preferences1ViewController::viewWillDisappear() {
    ViewController::viewWillDisappear();
    for (auto* page : shownChildren()) page->viewWillDisappear();
}

void Preferences1ViewController::viewDidDisappear() {
    ViewController::viewDidDisappear();
    shown_ = false;
    for (auto* page : shownChildren()) page->viewDidDisappear();
}

void Preferences1ViewController::tabTapped(int index) {
    if (index < 0 || index >= int(pages().size())) return;
    const PreferencesPage& page = pages()[std::size_t(index)];
    showPage(page.storyboard, page.scene);
    selectTab(index);
}

void Preferences1ViewController::showPage(std::string_view storyboard, std::string_view identifier) {
    if (detail_) {
        if (shown_) {
            detail_->viewWillDisappear();
            detail_->viewDidDisappear();
        }
        if (detail_->isViewLoaded()) detail_->view()->setParent(nullptr);
        detail_->deleteLater();
        detail_ = nullptr;
    }
    // Each click makes the page afresh, so it shows the stored values of that moment.
    appkit::ViewController* page = instantiatePage(storyboard, identifier);
    if (!page) return;
    page->setParent(this);
    // Here the detail area's own Back returns to the settings; a page's way back out of its
    // panel would act on nothing.
    if (auto* protocols = qobject_cast<ProtocolsViewController*>(page)) protocols->showsBackButton = false;
    if (auto* languages = qobject_cast<LanguagesViewController*>(page)) languages->showsBackButton = false;
    detail_ = page;
    for (QWidget* old : containerView->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) old->deleteLater();
    fill(containerView, page);
    content_->setCurrentWidget(detailArea_);
    if (shown_) {
        page->viewWillAppear();
        page->viewDidAppear();
    }
}

void Preferences1ViewController::resetTabButtons() {
    for (SupportButton* button : tabButtons) {
        if (!button) continue;
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, color("TabText"));
        button->setPalette(palette);
        button->setCurrentColor(button->deselectedColor().value_or(ThemedColor()));
    }
}

void Preferences1ViewController::selectTab(int index) {
    selectedTab_ = index;
    resetTabButtons();
    if (index < 0 || index >= int(tabButtons.size()) || !tabButtons[std::size_t(index)]) return;
    SupportButton* button = tabButtons[std::size_t(index)];
    button->setCurrentColor(button->selectedColor().value_or(ThemedColor()));
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, Qt::white);
    button->setPalette(palette);
}

void Preferences1ViewController::showSettings() {
    const bool wasDetail = isShowingDetail();
    content_->setCurrentWidget(settingsArea_);
    resetTabButtons();
    // Back from a page that may have changed what the settings show.
    if (wasDetail) reappear(pageIn(isShowingFirstView_ ? containerViewAppSettings : containerViewVPNSettings));
}

void Preferences1ViewController::fade(QWidget* container, qreal to, std::function<void()> done) {
    if (!container->graphicsEffect()) setOpacity(container, 1);
    auto* animation = new QPropertyAnimation(container->graphicsEffect(), "opacity", container);
    animation->setDuration(kAnimationMilliseconds);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setEndValue(to);
    if (done) connect(animation, &QAbstractAnimation::finished, this, std::move(done));
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void Preferences1ViewController::toggleSettingsContainers() {
    QPointer<QWidget> current = isShowingFirstView_ ? containerViewAppSettings : containerViewVPNSettings;
    QPointer<QWidget> next = isShowingFirstView_ ? containerViewVPNSettings : containerViewAppSettings;
    next->show();
    next->raise();
    fade(current, 0, [current] {
        if (current) current->hide();
    });
    fade(next, 1);
    isShowingFirstView_ = !isShowingFirstView_;
}

void Preferences1ViewController::switchSegmentedControl(const Notification& notification) {
    const auto* section = notification.info<std::string>("section");
    if (!section || (*section != "app" && *section != "vpn")) return;
    // The switch posts only when its selection changes, so the container follows it by toggling.
    const bool wasDetail = isShowingDetail();
    toggleSettingsContainers();
    showSettings();
    // The page coming into view shows what is stored now (showSettings did it already when
    // coming back from a detail page).
    if (!wasDetail) reappear(pageIn(isShowingFirstView_ ? containerViewAppSettings : containerViewVPNSettings));
}

void Preferences1ViewController::layoutPanels() {
    if (!isViewLoaded()) return;
    const QRect all = view()->rect();
    // The offsets run from the hidden constant to 0; on a page wider than that constant a panel
    // parked at it would still cover the page's right edge, so the way is scaled to the width.
    const auto slide = [&all](int offset) { return all.translated(offset * all.width() / kPanelHiddenOffset, 0); };
    if (languagesPanel) languagesPanel->setGeometry(slide(languageOffset_));
    if (protocolsPanel) protocolsPanel->setGeometry(slide(protocolsOffset_));
    if (settingsLocationPanel)
        settingsLocationPanel->setGeometry(-kLocationPanelWidth - locationOffset_, 0, kLocationPanelWidth, all.height());
    if (viewSettingsLocationBlocker) viewSettingsLocationBlocker->setGeometry(all);
    // Later panels lie over earlier ones; the blocker under the location panel.
    for (QWidget* w : {static_cast<QWidget*>(viewSettingsLocationBlocker.data()), settingsLocationPanel.data(),
                       languagesPanel.data(), protocolsPanel.data()})
        if (w) w->raise();
}

void Preferences1ViewController::animateOffset(int& offset, QPointer<QVariantAnimation>& running, int to,
                                               std::function<void()> done) {
    if (running) running->stop();
    auto* animation = new QVariantAnimation(this);
    animation->setDuration(kAnimationMilliseconds);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setStartValue(offset);
    animation->setEndValue(to);
    int* target = &offset;
    connect(animation, &QVariantAnimation::valueChanged, this, [this, target](const QVariant& value) {
        *target = value.toInt();
        layoutPanels();
    });
    connect(animation, &QAbstractAnimation::finished, this, [this, target, to, done = std::move(done)] {
        *target = to;
        layoutPanels();
        if (done) done();
    });
    running = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void Preferences1ViewController::openLanguages() {
    reappear(pageIn(languagesPanel));
    animateOffset(languageOffset_, languageAnimation_, 0);
}
void Preferences1ViewController::closeLanguages() {
    animateOffset(languageOffset_, languageAnimation_, kPanelHiddenOffset);
}
void Preferences1ViewController::openProtocols() {
    reappear(pageIn(protocolsPanel));
    animateOffset(protocolsOffset_, protocolsAnimation_, 0);
}
void Preferences1ViewController::closeProtocols() {
    animateOffset(protocolsOffset_, protocolsAnimation_, kPanelHiddenOffset);
}

void Preferences1ViewController::openSettingsLocation() {
    if (!pageIn(settingsLocationPanel)) {
        reappear(embed(settingsLocationPanel, "Preferences", "SettingsLocationViewController"));
        layoutPanels();
    }
    viewSettingsLocationBlocker->show();
    isSettingsLocationOpen = true;
    auto* fadeIn = new QPropertyAnimation(viewSettingsLocationBlocker, "alpha", viewSettingsLocationBlocker);
    fadeIn->setDuration(kAnimationMilliseconds);
    fadeIn->setEndValue(1.0);
    fadeIn->start(QAbstractAnimation::DeleteWhenStopped);
    animateOffset(locationOffset_, locationAnimation_, -kLocationPanelWidth);
    layoutPanels();
}

void Preferences1ViewController::closeSettingsLocation() {
    auto* fadeOut = new QPropertyAnimation(viewSettingsLocationBlocker, "alpha", viewSettingsLocationBlocker);
    fadeOut->setDuration(kAnimationMilliseconds);
    fadeOut->setEndValue(0.0);
    fadeOut->start(QAbstractAnimation::DeleteWhenStopped);
    animateOffset(locationOffset_, locationAnimation_, 0, [this] {
        viewSettingsLocationBlocker->hide();
        isSettingsLocationOpen = false;
        NotificationCenter::defaultCenter().post(kCountriesOpenedFromNotification, Dictionary{{"from", Value("Dashboard")}});
    });
}

void Preferences1ViewController::onSettingsLocationBlocker() {
    auto* fadeOut = new QPropertyAnimation(viewSettingsLocationBlocker, "alpha", viewSettingsLocationBlocker);
    fadeOut->setDuration(kAnimationMilliseconds);
    fadeOut->setEndValue(0.0);
    fadeOut->start(QAbstractAnimation::DeleteWhenStopped);
    animateOffset(locationOffset_, locationAnimation_, 0, [this] {
        viewSettingsLocationBlocker->hide();
        // The panel is closed however it closed: the VPN settings page must not keep ignoring its
        // actions.
        isSettingsLocationOpen = false;
    });
}

void Preferences1ViewController::switchedToDashboard() {
    QTimer::singleShot(0, this, [this] {
        if (locationAnimation_) locationAnimation_->stop();
        viewSettingsLocationBlocker->setAlpha(0);
        locationOffset_ = 0;
        layoutPanels();
        viewSettingsLocationBlocker->hide();
        isSettingsLocationOpen = false;
    });
}

}  // namespace morvex
