#include "ui/preferences/AppSettingsViewController.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVariantAnimation>
#include <QVBoxLayout>
#include <map>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "ui/kit/QtAlertPresenter.h"
#include "appkit/Application.h"
#include "appkit/Images.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "foundation/LoginItem.h"
#include "foundation/UserDefaults.h"
#include "model/BundleInfo.h"
#include "state/AppPreferences.h"
#include "state/LanguageManager.h"
#include "ui/kit/PopupManager.h"
#include "viewmodels/GeneralModel.h"
#include "ui/preferences/AppSettingsStyle.h"
#include "flows/MorvexVPNService.h"
#include "zevu/ZevuCore.h"

namespace morvex {

namespace {

using namespace app_settings;

// The drop-down's items in order, each with the appearance choice it stands for (the one setting
// the general page shows too).
constexpr struct {
    std::string_view titleKey;
    GeneralModel::Appearance choice;
} kThemes[] = {{"appearance.system.default", GeneralModel::Appearance::System},
               {"appearance.dark", GeneralModel::Appearance::Dark},
               {"appearance.light", GeneralModel::Appearance::Light}};

// A card that runs `clicked` when the pointer is released over it.
class ClickableCard : public CustomView {
public:
    using CustomView::CustomView;
    std::function<void()> clicked;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        CustomView::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clicked) clicked();
    }
};

bool isTunnelUpOrComingUp(int status) {
    return status == zevu::rawValue(zevu::ZevuVPNState::Connected) ||
           status == zevu::rawValue(zevu::ZevuVPNState::Connecting);
}

int vpnStatus() {
    const auto& vpn = AlertServices::installed().vpn;
    return vpn ? vpn->getCurrentVPNStatus() : zevu::rawValue(zevu::ZevuVPNState::Disconnected);
}

QString text(std::string_view key) { return QString::fromStdString(localized(key)); }

// A 44-high row inside a card: a title on the left, what `fill` adds on the right.
QHBoxLayout* rowLayout(QWidget* row) {
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(16, 0, 16, 0);
    line->setSpacing(10);
    return line;
}

}  // namespace

AppSettingsViewController::Collaborators AppSettingsViewController::defaults() {
    Collaborators c;
    c.setLoginItem = [](std::string_view identifier, bool enabled) { return SMLoginItemSetEnabled(identifier, enabled); };
    c.versionCheck = [](std::function<void(std::optional<Error>)> completion) {
        MorvexVPNService::checkForUpdate(false, AppPreferences(), [completion](MorvexVPNService::VersionCheckResult result) {
            completion(result ? std::nullopt : std::optional<Error>(result.error()));
        });
    };
    return c;
}

AppSettingsViewController::AppSettingsViewController(Collaborators collaborators, QObject* parent)
    : ViewController(parent), c_(std::move(collaborators)) {
    const Collaborators fallback = defaults();
    if (!c_.setLoginItem) c_.setLoginItem = fallback.setLoginItem;
    if (!c_.versionCheck) c_.versionCheck = fallback.versionCheck;
}

AppSettingsViewController::~AppSettingsViewController() {
    lifetime_.end();
    observers_.clear();
}

void AppSettingsViewController::loadView() {
    auto* page = new PageView;
    page->setObjectName(QStringLiteral("AppSettingsView"));
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(page);
    scroll->setObjectName(QStringLiteral("appSettingsScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    outer->addWidget(scroll);

    auto* document = new QWidget;
    document->setObjectName(QStringLiteral("appSettingsDocument"));
    auto* column = new QVBoxLayout(document);
    column->setContentsMargins(20, 16, 20, 20);
    column->setSpacing(10);
    scroll->setWidget(document);

    // Appearance: a header that opens and closes the section, the drop-down inside.
    viewAppearance_ = card(document);
    viewAppearance_->setObjectName(QStringLiteral("viewAppearance"));
    viewAppearance_->setFixedHeight(kAppearanceClosedHeight);
    auto* appearanceColumn = new QVBoxLayout(viewAppearance_);
    appearanceColumn->setContentsMargins(0, 0, 0, 0);
    appearanceColumn->setSpacing(0);
    auto* header = new ClickableCard(viewAppearance_);
    header->setObjectName(QStringLiteral("appearanceHeader"));
    header->setCursor(Qt::PointingHandCursor);
    header->setFixedHeight(kAppearanceClosedHeight);
    header->clicked = [this] { togglePreferencesView(); };
    appearanceHeader_ = header;
    auto* headerLine = rowLayout(header);
    headerLine->addWidget(label(text("settings.app.appearance"), 14, QFont::Normal, "HeadingText", header));
    headerLine->addStretch(1);
    lblSelectedTheme_ = label(QString(), 13, QFont::Normal, "TabText", header);
    lblSelectedTheme_->setObjectName(QStringLiteral("lblSelectedTheme"));
    headerLine->addWidget(lblSelectedTheme_);
    imgAppearanceArrow_ = new QLabel(header);
    imgAppearanceArrow_->setObjectName(QStringLiteral("imgAppearanceArrow"));
    imgAppearanceArrow_->setFixedSize(16, 16);
    imgAppearanceArrow_->setPixmap(appkit::imageNamed("arrow_detail_down", QSize(16, 16)));
    headerLine->addWidget(imgAppearanceArrow_);
    appearanceColumn->addWidget(header);
    themeRow_ = new QWidget(viewAppearance_);
    themeRow_->setObjectName(QStringLiteral("themeRow"));
    auto* themeLine = rowLayout(themeRow_);
    themeLine->setContentsMargins(16, 0, 16, 12);
    themeLine->addWidget(label(text("settings.app.theme"), 13, QFont::Normal, "TabText", themeRow_));
    themeLine->addStretch(1);
    themeDropDown_ = new QComboBox(themeRow_);
    themeDropDown_->setObjectName(QStringLiteral("themeDropDown"));
    themeDropDown_->setFocusPolicy(Qt::NoFocus);
    themeDropDown_->setMinimumWidth(160);
    themeLine->addWidget(themeDropDown_);
    appearanceColumn->addWidget(themeRow_);
    themeRow_->hide();
    column->addWidget(viewAppearance_);

    // Language: opens the languages panel.
    auto* language = new ClickableCard(document);
    language->setBackgroundColor(ThemedColor::colorNamed("BottomColor", Qt::white));
    language->setCornerRadius(12);
    language->setObjectName(QStringLiteral("viewLanguage"));
    language->setCursor(Qt::PointingHandCursor);
    language->setFixedHeight(44);
    language->clicked = [this] { openLanguages(); };
    viewLanguage_ = language;
    auto* languageLine = rowLayout(language);
    languageLine->addWidget(label(text("settings.app.language"), 14, QFont::Normal, "HeadingText", language));
    languageLine->addStretch(1);
    lblLanguage_ = label(QString(), 13, QFont::Normal, "TabText", language);
    lblLanguage_->setObjectName(QStringLiteral("lblLanguage"));
    languageLine->addWidget(lblLanguage_);
    auto* chevron = new QLabel(language);
    chevron->setPixmap(appkit::imageNamed("settingsRowChevron", QSize(16, 16)));
    languageLine->addWidget(chevron);
    column->addWidget(language);

    // The three switches.
    auto switchRow = [&](std::string_view titleKey, const char* name, QPointer<QPushButton>& button,
                         QPointer<QLabel>& caption, void (AppSettingsViewController::*action)()) {
        CustomView* row = card(document);
        row->setObjectName(QString::fromLatin1(name));
        row->setFixedHeight(44);
        auto* line = rowLayout(row);
        auto* title = label(text(titleKey), 14, QFont::Normal, "HeadingText", row);
        title->setWordWrap(true);
        line->addWidget(title, 1);
        caption = label(QString(), 13, QFont::Normal, "TabText", row);
        line->addWidget(caption);
        button = makeSwitch(row);
        line->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, action] { (this->*action)(); });
        column->addWidget(row);
    };
    switchRow("settings.app.launch.at.login", "viewLaunchApp", btnLaunchOnStartUp_, lblStartOnLaunchStatus_,
              &AppSettingsViewController::launchOnStartup);
    btnLaunchOnStartUp_->setObjectName(QStringLiteral("btnLaunchOnStartUp"));
    lblStartOnLaunchStatus_->setObjectName(QStringLiteral("lblStartOnLaunchStatus"));
    switchRow("settings.app.show.notifications", "viewNotification", btnShowNotification_, lblShowNotificationStatus_,
              &AppSettingsViewController::showNotificationAction);
    btnShowNotification_->setObjectName(QStringLiteral("btnShowNotification"));
    lblShowNotificationStatus_->setObjectName(QStringLiteral("lblShowNotificationStatus"));
    switchRow("settings.app.auto.update", "viewUpdateAutomatically", btnAutoUpdate_, lblAutoUpdateStatus_,
              &AppSettingsViewController::autoUpdateAction);
    btnAutoUpdate_->setObjectName(QStringLiteral("btnAutoUpdate"));
    lblAutoUpdateStatus_->setObjectName(QStringLiteral("lblAutoUpdateStatus"));

    // Version, its update check, and the download area an installer download would show.
    CustomView* versionRow = card(document);
    versionRow->setObjectName(QStringLiteral("viewAppVersion"));
    auto* versionColumn = new QVBoxLayout(versionRow);
    versionColumn->setContentsMargins(0, 0, 0, 0);
    versionColumn->setSpacing(0);
    auto* versionLineHost = new QWidget(versionRow);
    versionLineHost->setFixedHeight(44);
    auto* versionLine = rowLayout(versionLineHost);
    versionLine->addWidget(label(text("settings.app.version"), 14, QFont::Normal, "HeadingText", versionLineHost));
    versionLabel_ = label(QString::fromStdString(infoShortVersionString()), 13, QFont::Normal, "TabText", versionLineHost);
    versionLabel_->setObjectName(QStringLiteral("versionLabel"));
    versionLine->addWidget(versionLabel_);
    versionLine->addStretch(1);
    btnCheckForUpdate_ = textButton(text("settings.app.check.update"), "ThemeColor", versionLineHost);
    btnCheckForUpdate_->setObjectName(QStringLiteral("btnCheckForUpdate"));
    connect(btnCheckForUpdate_, &QPushButton::clicked, this, [this] { startDownload(); });
    versionLine->addWidget(btnCheckForUpdate_);
    versionColumn->addWidget(versionLineHost);
    viewDownloading_ = new CustomView(versionRow);
    viewDownloading_->setObjectName(QStringLiteral("viewDownloading"));
    auto* downloadLine = rowLayout(viewDownloading_);
    downloadLine->addWidget(label(text("update.calculating"), 13, QFont::Normal, "TabText", viewDownloading_), 1);
    auto* cancel = textButton(text("cancel"), "ThemeColor", viewDownloading_);
    cancel->setObjectName(QStringLiteral("btnCancelDownload"));
    connect(cancel, &QPushButton::clicked, this, [this] { cancelClicked(); });
    downloadLine->addWidget(cancel);
    viewDownloading_->hide();
    versionColumn->addWidget(viewDownloading_);
    column->addWidget(versionRow);

    // Reset.
    CustomView* clearRow = card(document);
    clearRow->setObjectName(QStringLiteral("viewClearPreferences"));
    clearRow->setFixedHeight(44);
    auto* clearLine = rowLayout(clearRow);
    btnClearPreferences_ = textButton(text("settings.app.clear.preferences"), "Error", clearRow, false);
    btnClearPreferences_->setObjectName(QStringLiteral("btnClearPreferences"));
    btnClearPreferences_->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; padding: 0; text-align: left; }"));
    connect(btnClearPreferences_, &QPushButton::clicked, this, [this] { onClearPreferences(); });
    clearLine->addWidget(btnClearPreferences_);
    clearLine->addStretch(1);
    column->addWidget(clearRow);
    column->addStretch(1);

    page->restyle = [this] { restyle(); };
    setView(page);
}

void AppSettingsViewController::restyle() {
    if (!isViewLoaded()) return;
    restyleTexts(view());
    // The drop-down draws in the page's colours, so it stays readable in dark.
    if (themeDropDown_) {
        const QColor text = ThemedColor::colorNamed("HeadingText", Qt::black).resolve(themeDropDown_);
        const QColor ground = ThemedColor::colorNamed("BottomColor", Qt::white).resolve(themeDropDown_);
        const QColor border = ThemedColor::colorNamed("Separator", Qt::lightGray).resolve(themeDropDown_);
        const QString arrow = QString::fromStdString((Bundle::main().resourcePath() / "Images" / "arrow_detail_down.svg").string());
        themeDropDown_->setStyleSheet(QStringLiteral("QComboBox { color: %1; background: %2; border: 1px solid %3; "
                                                     "border-radius: 6px; padding: 3px 8px; }"
                                                     "QComboBox::drop-down { border: none; width: 22px; }"
                                                     "QComboBox::down-arrow { image: url(\"%4\"); width: 12px; height: 12px; }"
                                                     "QComboBox QAbstractItemView { color: %1; background: %2; "
                                                     "selection-background-color: %3; }")
                                          .arg(text.name(), ground.name(), border.name(), arrow));
    }
}

void AppSettingsViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    isAppearanceOpened_ = false;
    // The drop-down: each item carries its appearance choice; the stored choice picks the item.
    themeDropDown_->clear();
    for (const auto& theme : kThemes) themeDropDown_->addItem(text(theme.titleKey), static_cast<int>(theme.choice));
    presentTheme();
    connect(themeDropDown_, qOverload<int>(&QComboBox::activated), this, [this](int) { dropdownSelectionChanged(); });

    auto& centre = NotificationCenter::defaultCenter();
    observers_.push_back(centre.addObserver("NetworkReachabilityChangedNotification",
                                            [this](const Notification& n) { networkReachabilityChanged(n.object); }));
    observers_.push_back(centre.addObserver(PreservedPreferences::preferencesRefreshedNotification,
                                            [this](const Notification&) { preferencesCleared(); }));
    // The general page changes the same appearance setting.
    observers_.push_back(centre.addObserver(AppPreferences::preferencesNotification, [this](const Notification&) { presentTheme(); }));
    observers_.push_back(centre.addObserver(languageDidChangeNotification, [this](const Notification&) {
        if (lblLanguage_) lblLanguage_->setText(languageName(storedLanguageCode()));
    }));
    restyle();
}

void AppSettingsViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    // Each visit starts at the top of the page.
    if (auto* scroll = view()->findChild<QScrollArea*>(QStringLiteral("appSettingsScroll"))) scroll->verticalScrollBar()->setValue(0);
    presentTheme();
    lblLanguage_->setText(languageName(storedLanguageCode()));
    presentSwitches();
    restyle();
}

void AppSettingsViewController::presentTheme() {
    if (!themeDropDown_) return;
    selectTheme(static_cast<int>(GeneralModel().appearance()));
    lblSelectedTheme_->setText(themeDropDown_->currentText());
}

void AppSettingsViewController::presentSwitches() {
    const PreservedPreferences preferences;
    presentSwitch(btnLaunchOnStartUp_, lblStartOnLaunchStatus_, preferences.launchOnStartUp());
    presentSwitch(btnShowNotification_, lblShowNotificationStatus_, preferences.allowVPNNotifications());
    presentSwitch(btnAutoUpdate_, lblAutoUpdateStatus_, preferences.automaticallyCheckForUpdate());
}

bool AppSettingsViewController::autoUpdate() const { return PreservedPreferences().automaticallyCheckForUpdate(); }
void AppSettingsViewController::setAutoUpdate(bool value) { PreservedPreferences().setAutomaticallyCheckForUpdate(value); }
bool AppSettingsViewController::showNotifications() const { return PreservedPreferences().allowVPNNotifications(); }
void AppSettingsViewController::setShowNotifications(bool value) { PreservedPreferences().setAllowVPNNotifications(value); }

bool AppSettingsViewController::startOnLaunch() {
    const bool value = PreservedPreferences().launchOnStartUp();
    presentSwitch(btnLaunchOnStartUp_, lblStartOnLaunchStatus_, value);
    return value;
}

void AppSettingsViewController::setStartOnLaunch(bool value) {
    PreservedPreferences().setLaunchOnStartUp(value);
    presentSwitch(btnLaunchOnStartUp_, lblStartOnLaunchStatus_, value);
}

void AppSettingsViewController::togglePreferencesView() {
    // Opens a closed section and closes an open one; the arrow points where the next click goes.
    isAppearanceOpened_ = !isAppearanceOpened_;
    const int from = viewAppearance_->height();
    const int to = isAppearanceOpened_ ? kAppearanceOpenHeight : kAppearanceClosedHeight;
    imgAppearanceArrow_->setPixmap(appkit::imageNamed(isAppearanceOpened_ ? "arrow_detail_up" : "arrow_detail_down", QSize(16, 16)));
    if (isAppearanceOpened_) themeRow_->show();
    if (sectionAnimation_) sectionAnimation_->stop();
    auto* animation = new QVariantAnimation(this);
    sectionAnimation_ = animation;
    animation->setDuration(300);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setStartValue(from);
    animation->setEndValue(to);
    QPointer<CustomView> section = viewAppearance_;
    connect(animation, &QVariantAnimation::valueChanged, this, [section](const QVariant& v) {
        if (section) section->setFixedHeight(v.toInt());
    });
    const bool opened = isAppearanceOpened_;
    connect(animation, &QVariantAnimation::finished, this, [this, section, to, opened] {
        if (!section) return;
        section->setFixedHeight(to);
        if (!opened && !isAppearanceOpened_) themeRow_->hide();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void AppSettingsViewController::openLanguages() { NotificationCenter::defaultCenter().post(openLanguagesNotification); }

void AppSettingsViewController::launchOnStartup() {
    const bool on = btnLaunchOnStartUp_->isChecked();
    if (c_.setLoginItem(infoLauncherBundleIdentifier(), on)) {
        PreservedPreferences().setLaunchOnStartUp(on);
        presentSwitchLook(btnLaunchOnStartUp_, lblStartOnLaunchStatus_, on);
        return;
    }
    // Nothing changed: the switch, its image and its caption keep showing the stored value.
    presentSwitch(btnLaunchOnStartUp_, lblStartOnLaunchStatus_, !on);
    Alert().showCritical(localized("alert.title.error"), localized("settings.preference-not-changed.alert.message"));
}

void AppSettingsViewController::showNotificationAction() {
    const bool on = btnShowNotification_->isChecked();
    setShowNotifications(on);
    presentSwitchLook(btnShowNotification_, lblShowNotificationStatus_, on);
}

void AppSettingsViewController::autoUpdateAction() {
    const bool on = btnAutoUpdate_->isChecked();
    presentSwitchLook(btnAutoUpdate_, lblAutoUpdateStatus_, on);
    setAutoUpdate(on);
}

void AppSettingsViewController::checkForUpdate(
    const std::function<void(std::function<void(std::optional<Error>)>)>& versionCheck, const Lifetime& owner) {
    if (isTunnelUpOrComingUp(vpnStatus())) {
        Alert().showUpdateNeedsDisconnect();
        return;
    }
    auto* message = new QLabel(text("update.check.alert.message"));
    message->setObjectName(QStringLiteral("updateView"));
    message->setWordWrap(true);
    Alert().showAccessory(localized("update.check.alert.title"), std::make_shared<QtAlertAccessory>(message));
    versionCheck(owner.guard([](std::optional<Error> error) {
        if (!error) return;
        // A failed check is never reported as "up to date": the user sees what went wrong.
        Alert().dismissSheet();
        Alert().showError(*error);
    }));
}

void AppSettingsViewController::startDownload() { checkForUpdate(c_.versionCheck, lifetime_); }

void AppSettingsViewController::stopDownload() { PreservedPreferences().setIsInstallNow(false); }

void AppSettingsViewController::cancelClicked() {
    QPointer<CustomView> area = viewDownloading_;
    auto* fade = new QVariantAnimation(this);
    fade->setDuration(300);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QVariantAnimation::finished, this, [this, area] {
        if (area) area->hide();
        stopDownload();
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void AppSettingsViewController::networkReachabilityChanged(const std::any& object) {
    const auto* info = std::any_cast<std::map<std::string, bool>>(&object);
    if (!info) return;
    const auto it = info->find("reachable");
    if (it == info->end() || it->second) return;
    if (!PreservedPreferences().isInstallNow()) return;
    stopDownload();
    Alert().showInfo(localized("no.internet"), localized("download.interrupted"));
}

void AppSettingsViewController::onClearPreferences() {
    appkit::Window* window = this->window();
    if (isTunnelUpOrComingUp(vpnStatus()))
        PopupManager::shared().showClearPreferencesConnected(window);
    else
        PopupManager::shared().showClearPreferences(PreservedPreferences(), window);
}

void AppSettingsViewController::onThemeDropDown() { themeDropDown_->showPopup(); }

void AppSettingsViewController::dropdownSelectionChanged() {
    const int index = themeDropDown_->currentIndex();
    if (index < 0) return;
    applyTheme(themeDropDown_->itemData(index).toInt());
}

void AppSettingsViewController::selectTheme(int tag) {
    const int index = themeDropDown_->findData(tag);
    if (index >= 0) themeDropDown_->setCurrentIndex(index);
}

void AppSettingsViewController::applyTheme(int choice) {
    if (choice < 0 || choice > 2) return;
    QPointer<AppSettingsViewController> self = this;
    QMetaObject::invokeMethod(this, [self, choice] {
        if (!self) return;
        self->selectTheme(choice);
        self->view()->updateGeometry();
    }, Qt::QueuedConnection);
    GeneralModel().chooseAppearance(static_cast<GeneralModel::Appearance>(choice));
    presentTheme();
    restyle();
}

void AppSettingsViewController::preferencesCleared() {
    PreservedPreferences preferences;
    preferences.setLaunchOnStartUp(true);
    preferences.setAutomaticallyCheckForUpdate(true);
    presentSwitch(btnLaunchOnStartUp_, lblStartOnLaunchStatus_, true);
    presentSwitch(btnAutoUpdate_, lblAutoUpdateStatus_, true);
    preference_.setReconnectOnLaunch(false);
    setShowNotifications(preferences.allowVPNNotifications());
    presentSwitch(btnShowNotification_, lblShowNotificationStatus_, true);
    AppPreferences().defaults().set(false, AppPreferences::Key::hideFromDock);
    // Also resets the chosen protocol and announces the change.
    preferences.setAutomaticProtocol(true);
    // The appearance goes back to following the desktop.
    GeneralModel().chooseAppearance(GeneralModel::Appearance::System);
    presentTheme();
}

}  // namespace morvex
