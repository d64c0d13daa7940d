#include "ui/preferences/VPNSettingsViewController.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "ui/kit/QtAlertPresenter.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "ui/preferences/AutoConnectLocationView.h"

namespace morvex {

namespace {

// A drop-down that opens only when its page allows it (not while the location panel is open).
class AutoConnectDropDown : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<bool()> mayOpen;
    void showPopup() override {
        if (mayOpen && !mayOpen()) return;
        QComboBox::showPopup();
    }
};


}  // namespace

bool runtimeSupportInstalled() { return QDir(QLibraryInfo::path(QLibraryInfo::PluginsPath)).exists(); }

VPNSettingsViewController::VPNSettingsViewController(QObject* parent)
    : VPNSettingsViewController(GeneralModel(), KillSwitchModel(PreservedPreferences(), EventTracker()), parent) {}

VPNSettingsViewController::VPNSettingsViewController(GeneralModel generalModel, KillSwitchModel killSwitch,
                                                     QObject* parent)
    : ViewController(parent), generalModel_(std::move(generalModel)), killSwitch_(std::move(killSwitch)) {}

VPNSettingsViewController::~VPNSettingsViewController() = default;

void VPNSettingsViewController::loadView() {
    const auto [root, scroll, document, column] = makeSettingsScrollPage("VPNSettingsView", nullptr, 30);
    scrollView_ = scroll;

    // Auto-connect on launch: the switch, then the choice of location, then the location itself.
    auto* box = settingsCard(document, "viewAutoConnect");
    viewAutoConnect_ = box;
    box->setFixedHeight(kAutoConnectClosedHeight);
    auto* boxColumn = new QVBoxLayout(box);
    boxColumn->setContentsMargins(16, 0, 16, 0);
    boxColumn->setSpacing(0);
    auto* header = new QWidget(box);
    header->setFixedHeight(kAutoConnectClosedHeight);
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->addWidget(settingsTitle(header, "autoConnectTitle", localized("preferences.autoconnect.launch")), 1);
    autoConnect_ = labelledToggle(header, "btnAutoConnect", headerRow);
    boxColumn->addWidget(header);

    auto* dropRow = new QWidget(box);
    dropRow->setObjectName(QStringLiteral("autoConnectDropDownRow"));
    dropRow->setFixedHeight(kAutoConnectOpenHeight - kAutoConnectClosedHeight);
    auto* dropLayout = new QHBoxLayout(dropRow);
    dropLayout->setContentsMargins(0, 0, 0, 16);
    auto* drop = new AutoConnectDropDown(dropRow);
    drop->setObjectName(QStringLiteral("autoConnectDropDown"));
    drop->setFixedHeight(30);
    drop->mayOpen = [] { return !isSettingsLocationOpen; };
    autoConnectDropDown_ = drop;
    dropLayout->addWidget(drop, 1);
    dropRow_ = dropRow;
    boxColumn->addWidget(dropRow);

    auto* locRow = new QWidget(box);
    locRow->setObjectName(QStringLiteral("autoConnectLocationRow"));
    locRow->setFixedHeight(kAutoConnectLocationHeight - kAutoConnectOpenHeight + 8);
    auto* locLayout = new QHBoxLayout(locRow);
    locLayout->setContentsMargins(2, 0, 0, 8);
    locationView_ =
        new AutoConnectLocationView(*this, generalModel_.preference, {.flagSide = 18, .nameAsTitle = false}, locRow);
    locLayout->addWidget(locationView_);
    connect(locationView_, &AutoConnectLocationView::changeClicked, this, [this] { changeLocation(); });
    locationRow_ = locRow;
    boxColumn->addWidget(locRow);
    boxColumn->addStretch(1);
    // Closed until the stored values say otherwise.
    dropRow->setVisible(false);
    locRow->setVisible(false);
    column->addWidget(box);

    // The internet kill switch.
    auto* ks = settingsCard(document, "viewKillSwitch");
    auto* ksRow = new QHBoxLayout(ks);
    ksRow->setContentsMargins(16, 14, 16, 14);
    auto* ksTexts = new QVBoxLayout;
    ksTexts->setSpacing(4);
    ksTexts->addWidget(settingsTitle(ks, "killSwitchTitle", localized("preferences.killswitch.title")));
    ksTexts->addWidget(settingsCaption(ks, "killSwitchMessage", localized("preferences.killswitch.message")));
    // Why the switch could not be turned on, until the next try.
    auto* reason = settingsCaption(ks, "killSwitchReason", "");
    reason->setProperty("role", QStringLiteral("error"));
    reason->hide();
    killSwitchReason_ = reason;
    ksTexts->addWidget(reason);
    ksRow->addLayout(ksTexts, 1);
    ksRow->addSpacing(16);
    killSwitchToggle_ = labelledToggle(ks, "btnkillSwitch", ksRow);
    column->addWidget(ks);

    // The way to the protocol page.
    auto* protocol = settingsCard(document, "viewConnectionProtocol");
    viewConnectionProtocol_ = protocol;
    auto* protocolRow = new QHBoxLayout(protocol);
    protocolRow->setContentsMargins(16, 14, 16, 14);
    auto* protocolTexts = new QVBoxLayout;
    protocolTexts->setSpacing(4);
    protocolTexts->addWidget(settingsTitle(protocol, "protocolTitle", localized("preferences.protocol.title")));
    protocolTexts->addWidget(settingsCaption(protocol, "protocolMessage", localized("preferences.protocol.message")));
    protocolRow->addLayout(protocolTexts, 1);
    auto* open = new QPushButton(protocol);
    open->setObjectName(QStringLiteral("openProtocolSettings"));
    open->setProperty("role", QStringLiteral("toggle"));
    open->setFlat(true);
    open->setCursor(Qt::PointingHandCursor);
    open->setFocusPolicy(Qt::NoFocus);
    open->setIcon(appkit::imageNamed("settings_chevron_right"));
    open->setIconSize(QSize(16, 16));
    open->setFixedSize(28, 28);
    protocolRow->addWidget(open);
    column->addWidget(protocol);

    // Shown only when the runtime libraries are missing.
    auto* runtime = settingsCard(document, "viewRuntimeSupport");
    auto* runtimeRow = new QHBoxLayout(runtime);
    runtimeRow->setContentsMargins(16, 12, 16, 12);
    runtimeRow->addWidget(settingsCaption(runtime, "runtimeSupportMessage", localized("preferences.runtime.support.message")), 1);
    auto* download = settingsLink(runtime, "runtimeSupportButton", localized("preferences.runtime.support.button"));
    runtimeRow->addWidget(download);
    runtimeSupportRow_ = runtime;
    runtime->setVisible(!runtimeSupportInstalled());
    column->addWidget(runtime);
    column->addStretch(1);

    connect(autoConnect_.toggle, &QPushButton::clicked, this, [this] { onAutoConnect(); });
    connect(drop, &QComboBox::activated, this, [this](int) { locationSelectionChanged(); });
    connect(killSwitchToggle_.toggle, &QPushButton::clicked, this, [this] { onKillSwitch(); });
    connect(open, &QPushButton::clicked, this, [this] { openProtocolsettings(); });
    connect(download, &QPushButton::clicked, this, [this] { runtimeSupportClicked(); });

    setView(root);
}

void VPNSettingsViewController::viewDidLoad() {
    scrollToTop();
    auto& center = NotificationCenter::defaultCenter();
    QPointer<VPNSettingsViewController> self(this);
    // Tokens die with the page, so a notification after it has gone reaches nothing.
    dismissObserver_ = center.addObserver(kDismissSettingsLocationNotification, [self](const Notification& n) {
        if (self) self->closeSettingsLocation(n);
    });
    refreshObserver_ = center.addObserver(PreservedPreferences::preferencesRefreshedNotification,
                                          [self](const Notification&) {
                                              if (self) self->preferencesCleared();
                                          });
}

void VPNSettingsViewController::viewWillAppear() {
    scrollToTop();
    presentStoredValues();
    QPointer<VPNSettingsViewController> self(this);
    DispatchQueue::main().asyncAfter(kFillDelay, [self] {
        if (!self) return;
        self->setAutoConnectToggle(self->generalModel_.preference.reconnectOnLaunch());
        self->setAutoConnectLocation(self->generalModel_.preference.autoConnectServer());
    });
    animateAutoConnectBox();
}

void VPNSettingsViewController::presentStoredValues() {
    const auto& prefs = generalModel_.preference;
    if (autoConnect_.toggle) autoConnect_.set(prefs.reconnectOnLaunch());
    if (locationView_) locationView_->showStored();
    rebuildDropDown();
    if (killSwitchToggle_.toggle) killSwitchToggle_.set(killSwitch_.isEnabled());
    if (killSwitch_.isEnabled()) showKillSwitchReason({});
}

void VPNSettingsViewController::showKillSwitchReason(const std::string& key) {
    if (!killSwitchReason_) return;
    killSwitchReason_->setText(key.empty() ? QString() : qtext(localized(key)));
    killSwitchReason_->setVisible(!key.empty());
}

void VPNSettingsViewController::scrollToTop() {
    if (scrollView_) scrollView_->verticalScrollBar()->setValue(0);
}

int VPNSettingsViewController::targetAutoConnectHeight() const {
    const auto& prefs = generalModel_.preference;
    if (!prefs.reconnectOnLaunch()) return kAutoConnectClosedHeight;
    return prefs.autoConnectVia() == PreservedPreferences::AutoConnectVia::Location ? kAutoConnectLocationHeight
                                                                                     : kAutoConnectOpenHeight;
}

void VPNSettingsViewController::animateAutoConnectBox() {
    const int target = targetAutoConnectHeight();
    autoConnectHeight_ = target;
    if (!viewAutoConnect_) return;
    if (heightAnimation_) heightAnimation_->stop();
    // Rows beyond the box's height are hidden once it has shrunk, shown before it grows.
    auto showRows = [this](int height) {
        if (dropRow_) dropRow_->setVisible(height > kAutoConnectClosedHeight);
        if (locationRow_) locationRow_->setVisible(height > kAutoConnectOpenHeight);
    };
    const int from = viewAutoConnect_->height();
    if (target > from) showRows(target);
    auto* animation = new QVariantAnimation(this);
    animation->setDuration(300);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setStartValue(from);
    animation->setEndValue(target);
    QPointer<CustomView> box = viewAutoConnect_;
    connect(animation, &QVariantAnimation::valueChanged, this, [box](const QVariant& v) {
        if (box) box->setFixedHeight(v.toInt());
    });
    connect(animation, &QVariantAnimation::finished, this, [this, target, showRows] {
        if (viewAutoConnect_) viewAutoConnect_->setFixedHeight(target);
        showRows(target);
    });
    heightAnimation_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void VPNSettingsViewController::rebuildDropDown() {
    if (!autoConnectDropDown_) return;
    autoConnectDropDown_->clear();
    const auto titles = GeneralModel::autoConnectMenuTitles();
    for (std::size_t i = 0; i < titles.size(); ++i)
        autoConnectDropDown_->addItem(qtext(titles[i]), static_cast<int>(i));
    const int index = autoConnectDropDown_->findText(qtext(generalModel_.autoConnectTitle()));
    autoConnectDropDown_->setCurrentIndex(index < 0 ? 0 : index);
}

void VPNSettingsViewController::setAutoConnectToggle(bool on) {
    if (autoConnect_.toggle) autoConnect_.set(on);
    generalModel_.preference.setReconnectOnLaunch(on);
}

void VPNSettingsViewController::setKillSwitchToggle(bool on) {
    if (killSwitchToggle_.toggle) killSwitchToggle_.set(on);
    generalModel_.preference.setEnableIKS(on);
}

void VPNSettingsViewController::onAutoConnect() {
    if (isSettingsLocationOpen) {
        // The click turned the switch; put it back.
        autoConnect_.set(generalModel_.preference.reconnectOnLaunch());
        return;
    }
    setAutoConnectToggle(!generalModel_.preference.reconnectOnLaunch());
    animateAutoConnectBox();
}

void VPNSettingsViewController::onLocationDropDown() {
    if (isSettingsLocationOpen || !autoConnectDropDown_) return;
    autoConnectDropDown_->showPopup();
}

void VPNSettingsViewController::locationSelectionChanged() {
    if (!autoConnectDropDown_ || autoConnectDropDown_->currentIndex() < 0) return;
    const QString title = autoConnectDropDown_->currentText();
    const auto via = generalModel_.storeAutoConnectTitle(title.toStdString());
    if (via == PreservedPreferences::AutoConnectVia::Location && locationView_) locationView_->takeDefaultIfNone();
    animateAutoConnectBox();
    view()->updateGeometry();
}

void VPNSettingsViewController::changeLocation() {
    if (opensLocationPanel) {
        if (!isSettingsLocationOpen) NotificationCenter::defaultCenter().post(kOpenSettingsLocationNotification);
        return;
    }
    if (locationView_) locationView_->chooseLocation();
}

void VPNSettingsViewController::onKillSwitch() {
    if (!killSwitch_.mayChange()) {
        setKillSwitchToggle(killSwitch_.isEnabled());
        Alert().showIKSCannotChange(window() ? QtAlertPresenter::alertWindow(window()) : nullptr);
        return;
    }
    const bool on = killSwitchToggle_.toggle && killSwitchToggle_.toggle->isChecked();
    showKillSwitchReason({});
    setKillSwitchToggle(on);
    log::print(std::string("Status of Kill Switch: ") + (killSwitch_.isEnabled() ? "true" : "false"));
    if (!on) {
        killSwitch_.turnOff();
        return;
    }
    QPointer<VPNSettingsViewController> self(this);
    killSwitch_.turnOn([self](KillSwitchModel::Outcome outcome, const std::string& why) {
        if (self) self->showKillSwitchOutcome(outcome, why);
    });
}

void VPNSettingsViewController::showKillSwitchOutcome(KillSwitchModel::Outcome outcome, const std::string& why) {
    // The switch shows what the store now holds: Off, with the reason beside it, when the helper
    // could not be had.
    if (killSwitchToggle_.toggle) killSwitchToggle_.set(killSwitch_.isEnabled());
    showKillSwitchReason(outcome == KillSwitchModel::Outcome::NotInstalled ? why : std::string());
}

void VPNSettingsViewController::openProtocolsettings() {
    if (isSettingsLocationOpen) return;
    NotificationCenter::defaultCenter().post(kOpenProtocolsNotification);
}

void VPNSettingsViewController::runtimeSupportClicked() {
    if (auto open = AlertServices::installed().openURL) open(std::string(kRuntimeSupportURL));
}

ZevuDataFetcherTypes::ServerPtr VPNSettingsViewController::autoConnectLocation() const {
    return generalModel_.preference.autoConnectServer();
}

void VPNSettingsViewController::setAutoConnectLocation(const ZevuDataFetcherTypes::ServerPtr& server) {
    if (locationView_) locationView_->setLocation(server);
    else generalModel_.preference.setAutoConnectServer(server);
}

void VPNSettingsViewController::closeSettingsLocation(const Notification& notification) {
    if (const auto* server = notification.info<ZevuDataFetcherTypes::ServerPtr>("server"); server && *server)
        setAutoConnectLocation(*server);
}

void VPNSettingsViewController::preferencesCleared() {
    // A cleared key becomes an explicit false, so every reader agrees on it.
    auto& prefs = generalModel_.preference;
    prefs.setEnablePing(prefs.enablePing());
    prefs.setEnablePersonaliseServer(prefs.enablePersonaliseServer());
    prefs.setEnableIKS(prefs.enableIKS());
    // The page stays in the container: it shows the cleared values at once.
    if (!isViewLoaded()) return;
    presentStoredValues();
    animateAutoConnectBox();
}

}  // namespace morvex
