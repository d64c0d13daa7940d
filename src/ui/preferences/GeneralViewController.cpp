#include "ui/preferences/GeneralViewController.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "ui/kit/QtAlertPresenter.h"
#include "ui/shell/WindowMetrics.h"
#include "appkit/Application.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "foundation/LoginItem.h"
#include "foundation/Log.h"
#include "model/BundleInfo.h"
#include "ui/preferences/AutoConnectLocationView.h"
#include "ui/preferences/LanguagesController.h"
#include "ui/shell/PageInputs.h"

namespace morvex {

namespace {

// The base colour of the auto-connect captions; a part that is off is drawn at 0.3.
QColor autoConnectLabelColor(bool active) {
    QColor c = QColor::fromRgbF(0.263f, 0.133f, 0.375f);
    c.setAlphaF(active ? 1.0f : 0.3f);
    return c;
}

// The card row of one switch: its title, then the switch at the trailing edge.
SettingsToggle* switchRow(QWidget* card, QVBoxLayout* column, const char* name, const std::string& title) {
    auto* row = new QWidget(card);
    row->setFixedHeight(44);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(settingsTitle(row, (std::string(name) + "Title").c_str(), title), 1);
    auto* toggle = new SettingsToggle(row);
    toggle->setObjectName(QString::fromLatin1(name));
    layout->addWidget(toggle);
    column->addWidget(row);
    return toggle;
}

QVBoxLayout* cardColumn(CustomView* card) {
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(16, 4, 16, 4);
    column->setSpacing(0);
    return column;
}

QComboBox* popup(QWidget* parent, const char* name) {
    auto* p = new QComboBox(parent);
    p->setObjectName(QString::fromLatin1(name));
    p->setFixedHeight(28);
    p->setMinimumWidth(200);
    p->setFocusPolicy(Qt::NoFocus);
    return p;
}

}  // namespace

GeneralViewController::Hooks GeneralViewController::Hooks::defaults() {
    Hooks h;
    h.setLoginItem = [](bool enabled) { return SMLoginItemSetEnabled(infoLauncherBundleIdentifier(), enabled); };
    h.createSleepAssertion = [](appkit::IOPMAssertionID& id) {
        return appkit::IOPMAssertionCreateWithName(appkit::kIOPMAssertionTypePreventUserIdleSystemSleep,
                                                   appkit::kIOPMAssertionLevelOn, kSleepAssertionName, id);
    };
    h.releaseSleepAssertion = [](appkit::IOPMAssertionID id) { return appkit::IOPMAssertionRelease(id); };
    h.chooseLanguage = [](appkit::ViewController& page, std::function<void(long)> done) {
        LanguagesController::beginSheet(page.window(), [done](appkit::ModalResponse response) {
            if (done) done(response);
        });
    };
    return h;
}

std::optional<appkit::IOPMAssertionID>& GeneralViewController::sleepAssertionId() {
    if (auto* holder = dynamic_cast<SleepAssertionHolder*>(appkit::Application::shared().delegate()))
        return holder->heldSleepAssertion();
    static std::optional<appkit::IOPMAssertionID> held;
    return held;
}

GeneralViewController::GeneralViewController(QObject* parent)
    : GeneralViewController(GeneralModel(), Hooks::defaults(), parent) {}

GeneralViewController::GeneralViewController(GeneralModel model, Hooks hooks, QObject* parent)
    : ViewController(parent),
      model_(std::move(model)),
      hooks_(std::move(hooks)),
      colorOption_(autoConnectLabelColor(true)),
      colorLocation_(autoConnectLabelColor(true)) {}

GeneralViewController::~GeneralViewController() = default;

void GeneralViewController::loadView() {
    const auto [root, scroll, document, column] = makeSettingsScrollPage("GeneralView");
    scrollView_ = scroll;
    column->addWidget(settingsPageTitle(document, "generalTitle", localized("preferences.general.title")));

    auto* startCard = settingsCard(document, "startCard");
    auto* startColumn = cardColumn(startCard);
    btnLaunchStartUp_ = switchRow(startCard, startColumn, "btn_launchStartUp", localized("preferences.general.launch.login"));
    column->addWidget(startCard);

    // Auto-connect on launch: the switch, the choice of location, and the location itself.
    auto* box = settingsCard(document, "autoConnectBox");
    autoConnectBox_ = box;
    box->setFixedHeight(kAutoConnectBoxHeight);
    auto* boxColumn = cardColumn(box);
    btnAutoConnect_ = switchRow(box, boxColumn, "btn_autoConnect", localized("preferences.autoconnect.launch"));
    auto* choice = new QWidget(box);
    choice->setObjectName(QStringLiteral("automaticLocationStackView"));
    choice->setFixedHeight(52);
    auto* choiceRow = new QHBoxLayout(choice);
    choiceRow->setContentsMargins(0, 0, 0, 12);
    auto* optionLabel = settingsCaption(choice, "autoConnectOptionLabel", localized("preferences.general.autoconnect.location"));
    optionLabel->setWordWrap(false);
    optionLabel_ = optionLabel;
    choiceRow->addWidget(optionLabel, 1);
    auto* choicePopup = popup(choice, "protocolPopup");
    protocolPopup_ = choicePopup;
    for (const auto& title : GeneralModel::autoConnectMenuTitles()) choicePopup->addItem(qtext(title));
    choiceRow->addWidget(choicePopup);
    automaticLocationStackView_ = choice;
    boxColumn->addWidget(choice);
    auto* location = new QWidget(box);
    location->setObjectName(QStringLiteral("locationPopupStackView"));
    location->setFixedHeight(kAutoConnectBoxLocationHeight - kAutoConnectBoxHeight);
    auto* locationColumn = new QVBoxLayout(location);
    locationColumn->setContentsMargins(0, 0, 0, 14);
    locationColumn->setSpacing(4);
    locationView_ = new AutoConnectLocationView(*this, model_.preference, {.flagSide = 20, .nameAsTitle = true}, location);
    locationColumn->addWidget(locationView_);
    connect(locationView_, &AutoConnectLocationView::changeClicked, this, [this] { changeLocation(); });
    locationColumn->addWidget(settingsCaption(location, "autoConnectLocationMessage",
                                              localized("preferences.general.autoconnect.location.message"), 12));
    locationPopupStackView_ = location;
    boxColumn->addWidget(location);
    boxColumn->addStretch(1);
    column->addWidget(box);

    auto* connectionCard = settingsCard(document, "connectionCard");
    auto* connectionColumn = cardColumn(connectionCard);
    btnAutoConnectWake_ = switchRow(connectionCard, connectionColumn, "btn_autoConnectAfterWake",
                                    localized("preferences.general.autoconnect.wake"));
    btnAutoReconnect_ = switchRow(connectionCard, connectionColumn, "btn_autoReconnect",
                                  localized("preferences.general.reconnect.drop"));
    btnPreventSleep_ = switchRow(connectionCard, connectionColumn, "btn_preventSleep",
                                 localized("preferences.general.prevent.sleep"));
    column->addWidget(connectionCard);

    auto* appCard = settingsCard(document, "appCard");
    auto* appColumn = cardColumn(appCard);
    btnShowNotification_ = switchRow(appCard, appColumn, "btn_showNotification", localized("preferences.general.notifications"));
    btnAutoUpdate_ = switchRow(appCard, appColumn, "btn_autoUpdate", localized("preferences.general.auto.update"));
    btnHideDockIcon_ = switchRow(appCard, appColumn, "btn_HideDockIcon", localized("preferences.general.hide.dock"));
    column->addWidget(appCard);

    auto* lookCard = settingsCard(document, "lookCard");
    auto* lookColumn = cardColumn(lookCard);
    auto* appearanceRow = new QWidget(lookCard);
    appearanceRow->setFixedHeight(44);
    auto* appearanceLayout = new QHBoxLayout(appearanceRow);
    appearanceLayout->setContentsMargins(0, 0, 0, 0);
    appearanceLayout->addWidget(settingsTitle(appearanceRow, "appearanceTitle", localized("preferences.general.appearance")), 1);
    auto* appearance = popup(appearanceRow, "appearancePopup");
    for (const auto& title : GeneralModel::appearanceOptions()) appearance->addItem(qtext(title));
    appearancePopup_ = appearance;
    appearanceLayout->addWidget(appearance);
    lookColumn->addWidget(appearanceRow);
    auto* languageRow = new QWidget(lookCard);
    languageRow->setFixedHeight(44);
    auto* languageLayout = new QHBoxLayout(languageRow);
    languageLayout->setContentsMargins(0, 0, 0, 0);
    languageLayout->addWidget(settingsTitle(languageRow, "languageTitle", localized("preferences.general.language")), 1);
    auto* language = settingsCaption(languageRow, "selectedLanguageName", "");
    language->setWordWrap(false);
    languageName_ = language;
    languageLayout->addWidget(language);
    languageLayout->addSpacing(12);
    auto* changeLanguage = settingsLink(languageRow, "changeLanguage", localized("preferences.change"));
    languageLayout->addWidget(changeLanguage);
    lookColumn->addWidget(languageRow);
    column->addWidget(lookCard);

    auto* clearRow = new QHBoxLayout;
    clearRow->addWidget(settingsCaption(document, "clearPreferencesMessage", localized("preferences.clear.message")), 1);
    auto* clear = settingsButton(document, "clearPreferences", localized("preferences.clear.title"));
    clearRow->addWidget(clear);
    column->addLayout(clearRow);
    column->addStretch(1);

    connect(btnLaunchStartUp_, &QPushButton::clicked, this, [this] { launchOnStartup(); });
    connect(btnAutoConnect_, &QPushButton::clicked, this, [this] { autoConnectOnLaunchValueChanged(); });
    connect(choicePopup, &QComboBox::activated, this,
            [this](int) { setAutoConnectSelectedOption(protocolPopup_->currentText().toStdString()); });
    connect(btnAutoConnectWake_, &QPushButton::clicked, this, [this] { autoConnectAfterWakeChanged(); });
    connect(btnAutoReconnect_, &QPushButton::clicked, this, [this] { autoReconnectChanged(); });
    connect(btnPreventSleep_, &QPushButton::clicked, this, [this] { preventSleepValueChanged(); });
    connect(btnShowNotification_, &QPushButton::clicked, this, [this] { showNotificationAction(); });
    connect(btnAutoUpdate_, &QPushButton::clicked, this, [this] { autoUpdateAction(); });
    connect(btnHideDockIcon_, &QPushButton::clicked, this, [this] { hideDockIconAction(); });
    connect(appearance, &QComboBox::activated, this,
            [this](int) { setAppearanceSelectedOption(appearancePopup_->currentText().toStdString()); });
    connect(changeLanguage, &QPushButton::clicked, this, [this] { changeLanguageClicked(); });
    connect(clear, &QPushButton::clicked, this, [this] { clearPreferencesBtnClicked(); });
    setView(root);
}

void GeneralViewController::viewDidLoad() {
    if (auto* first = appkit::Application::shared().firstWindow()) first->setContentSize(kMainWindowContentSize);
}

void GeneralViewController::viewWillAppear() {
    selectedLanguageName_ = model_.selectedLanguageName();
    if (languageName_) languageName_->setText(qtext(selectedLanguageName_.value_or("")));
    autoConnectSelectedOption();
    refreshAutoConnectRow();
    QPointer<GeneralViewController> self(this);
    refreshObserver_ = NotificationCenter::defaultCenter().addObserver(
        PreservedPreferences::preferencesRefreshedNotification, [self](const Notification&) {
            if (self) self->preferencesCleared();
        });
    const auto& prefs = model_.preference;
    btnLaunchStartUp_->setOn(prefs.launchOnStartUp());
    btnAutoUpdate_->setOn(prefs.automaticallyCheckForUpdate());
    btnAutoConnect_->setOn(prefs.reconnectOnLaunch());
    automaticLocationStackView_->setVisible(prefs.reconnectOnLaunch());
    btnAutoConnectWake_->setOn(prefs.autoConnectFromSleep());
    btnAutoReconnect_->setOn(prefs.autoReconnectOnConnectionDrop());
    btnPreventSleep_->setOn(prefs.preventSleep());
    btnHideDockIcon_->setOn(model_.appPreferences.defaults().boolean(AppPreferences::Key::hideFromDock));
    btnShowNotification_->setOn(prefs.allowVPNNotifications());
    setAutoConnectLocation(autoConnectLocation());
    if (appearancePopup_) appearancePopup_->setCurrentIndex(static_cast<int>(model_.appearance()));
}

void GeneralViewController::viewDidDisappear() {
    refreshObserver_.remove();
    // A specific location chosen but never picked would auto-connect nowhere.
    if (model_.preference.autoConnectVia() == PreservedPreferences::AutoConnectVia::Location && !autoConnectLocation())
        model_.preference.setAutoConnectVia(PreservedPreferences::AutoConnectVia::AutoSelect);
}

void GeneralViewController::refreshAutoConnectRow() {
    const bool on = autoConnectAfterLaunch();
    if (btnAutoConnect_) btnAutoConnect_->setOn(on);
    if (automaticLocationStackView_) automaticLocationStackView_->setVisible(on);
    // While auto-connect is off the box shows its switch row alone.
    if (autoConnectBox_) autoConnectBox_->setFixedHeight(on ? autoConnectBoxHeight_ : kAutoConnectBoxClosedHeight);
    colorOption_ = autoConnectLabelColor(on);
    colorLocation_ = autoConnectLabelColor(on && autoConnectLocationOptionSelected_);
    applyTextColours();
}

void GeneralViewController::applyTextColours() {
    // The captions keep the page's text colour and take the dimming from the row's state.
    if (optionLabel_) optionLabel_->setEnabled(colorOption_.alphaF() > 0.5);
    if (locationView_) locationView_->nameLabel()->setEnabled(colorLocation_.alphaF() > 0.5);
}

void GeneralViewController::setAutoConnectAfterLaunch(bool on) {
    model_.preference.setReconnectOnLaunch(on);
    refreshAutoConnectRow();
}

void GeneralViewController::autoConnectOnLaunchValueChanged() {
    setAutoConnectAfterLaunch(btnAutoConnect_ && btnAutoConnect_->isChecked());
}

std::string GeneralViewController::autoConnectSelectedOption() {
    const auto via = model_.preference.autoConnectVia();
    setAutoConnectLocationOptionSelected(via == PreservedPreferences::AutoConnectVia::Location);
    const std::string title = model_.autoConnectTitle();
    if (protocolPopup_) protocolPopup_->setCurrentText(qtext(title));
    return title;
}

void GeneralViewController::setAutoConnectSelectedOption(const std::optional<std::string>& title) {
    const auto via = model_.storeAutoConnectTitle(title.value_or(""));
    setAutoConnectLocationOptionSelected(via == PreservedPreferences::AutoConnectVia::Location);
    if (protocolPopup_) protocolPopup_->setCurrentText(qtext(model_.autoConnectTitle()));
}

void GeneralViewController::setAutoConnectLocationOptionSelected(bool selected) {
    autoConnectLocationOptionSelected_ = selected;
    if (selected) {
        if (locationView_) locationView_->takeDefaultIfNone();
        else if (!autoConnectLocation()) model_.preference.setAutoConnectServer(defaultAutoConnectLocation());
    }
    autoConnectBoxHeight_ = selected ? kAutoConnectBoxLocationHeight : kAutoConnectBoxHeight;
    if (locationPopupStackView_) locationPopupStackView_->setVisible(selected);
    refreshAutoConnectRow();
}

void GeneralViewController::setAutoConnectLocation(const ZevuDataFetcherTypes::ServerPtr& server) {
    if (locationView_) locationView_->setLocation(server);
    else model_.preference.setAutoConnectServer(server);
}

void GeneralViewController::changeLocation() {
    if (locationView_) locationView_->chooseLocation();
}

void GeneralViewController::showNotChangedAlert() {
    Alert().showCritical(localized("alert.title.error"), localized("settings.preference-not-changed.alert.message"));
}

void GeneralViewController::launchOnStartup() {
    const bool wanted = btnLaunchStartUp_ && btnLaunchStartUp_->isChecked();
    const bool previous = model_.preference.launchOnStartUp();
    if (!hooks_.setLoginItem || !hooks_.setLoginItem(wanted)) {
        btnLaunchStartUp_->setOn(previous);
        showNotChangedAlert();
        return;
    }
    model_.preference.setLaunchOnStartUp(wanted);
    btnLaunchStartUp_->setOn(wanted);
    log::print(std::string("model.startOnLaunch(2): ") + (model_.preference.launchOnStartUp() ? "true" : "false"));
}

void GeneralViewController::preventSleepValueChanged() {
    auto& held = sleepAssertionId();
    if (btnPreventSleep_ && btnPreventSleep_->isChecked()) {
        appkit::IOPMAssertionID id = 0;
        const appkit::IOReturn result =
            hooks_.createSleepAssertion ? hooks_.createSleepAssertion(id) : appkit::kIOReturnError;
        if (result != appkit::kIOReturnSuccess) {
            model_.preference.setPreventSleep(false);
            btnPreventSleep_->setOn(false);
            showNotChangedAlert();
            return;
        }
        // A lock still held from before is given back first, so none is left behind.
        if (held && hooks_.releaseSleepAssertion) hooks_.releaseSleepAssertion(*held);
        held = id;
        model_.preference.setPreventSleep(true);
        btnPreventSleep_->setOn(true);
        return;
    }
    if (held && hooks_.releaseSleepAssertion) hooks_.releaseSleepAssertion(*held);
    held.reset();
    model_.preference.setPreventSleep(false);
    if (btnPreventSleep_) btnPreventSleep_->setOn(false);
}

void GeneralViewController::autoConnectAfterWakeChanged() {
    const bool on = btnAutoConnectWake_ && btnAutoConnectWake_->isChecked();
    model_.preference.setAutoConnectFromSleep(on);
    btnAutoConnectWake_->setOn(on);
}

void GeneralViewController::autoReconnectChanged() {
    const bool on = btnAutoReconnect_ && btnAutoReconnect_->isChecked();
    model_.preference.setAutoReconnectOnConnectionDrop(on);
    btnAutoReconnect_->setOn(on);
}

void GeneralViewController::showNotificationAction() {
    const bool on = btnShowNotification_ && btnShowNotification_->isChecked();
    model_.preference.setAllowVPNNotifications(on);
    btnShowNotification_->setOn(on);
}

void GeneralViewController::autoUpdateAction() {
    const bool on = btnAutoUpdate_ && btnAutoUpdate_->isChecked();
    btnAutoUpdate_->setOn(on);
    model_.preference.setAutomaticallyCheckForUpdate(on);
}

void GeneralViewController::hideDockIconAction() {
    const bool on = btnHideDockIcon_ && btnHideDockIcon_->isChecked();
    model_.appPreferences.defaults().set(on, AppPreferences::Key::hideFromDock);
    if (on) model_.eventTracker.track(AnalyticsEvent::app_hide_dock_icon);
    btnHideDockIcon_->setOn(on);
}

std::string GeneralViewController::appearanceSelectedOption() const {
    return GeneralModel::appearanceTitle(model_.appearance());
}

void GeneralViewController::setAppearanceSelectedOption(std::string_view title) {
    const auto choice = GeneralModel::appearanceFromTitle(title);
    model_.trackTheme(choice);
    model_.chooseAppearance(choice);
}

void GeneralViewController::changeLanguageClicked() {
    if (!window() || !hooks_.chooseLanguage) return;
    // A language change ends in a restart, which would take the tunnel down: as on the languages
    // panel, a tunnel up or coming up gets the notice and nothing changes.
    if (model_.isTunnelBusy()) {
        Alert().showConfirmLanguageChangeConnected(QtAlertPresenter::alertWindow(window()));
        return;
    }
    const auto before = selectedLanguageName_;
    QPointer<GeneralViewController> self(this);
    hooks_.chooseLanguage(*this, [self, before](long response) {
        if (self) self->languageChosen(response, before);
    });
}

void GeneralViewController::languageChosen(long response, const std::optional<std::string>& before) {
    if (response != 1) return;
    selectedLanguageName_ = model_.selectedLanguageName();
    if (languageName_) languageName_->setText(qtext(selectedLanguageName_.value_or("")));
    UserDefaults::standard().set(Value(std::vector<std::string>{model_.preferredLanguageCode()}), "AppleLanguages");
    model_.trackLanguageChange(before.value_or(""), selectedLanguageName_.value_or(""));
    auto alertWindow = window() ? QtAlertPresenter::alertWindow(window()) : nullptr;
    // A tunnel that came up while the list was open: the new language waits for the next start.
    if (model_.isTunnelBusy()) {
        Alert().showConfirmLanguageChangeConnected(std::move(alertWindow));
        return;
    }
    Alert().showChangeLanguage(std::move(alertWindow));
}

void GeneralViewController::clearPreferencesBtnClicked() {
    model_.askToClearPreferences(window() ? QtAlertPresenter::alertWindow(window()) : nullptr);
}

void GeneralViewController::preferencesCleared() {
    auto& prefs = model_.preference;
    prefs.setLaunchOnStartUp(true);
    prefs.setAutomaticallyCheckForUpdate(true);
    if (btnLaunchStartUp_) btnLaunchStartUp_->setOn(true);
    if (btnAutoUpdate_) btnAutoUpdate_->setOn(true);
    setAutoConnectAfterLaunch(prefs.reconnectOnLaunch());
    if (btnPreventSleep_) btnPreventSleep_->setOn(prefs.preventSleep());
    if (btnAutoConnectWake_) btnAutoConnectWake_->setOn(prefs.autoConnectFromSleep());
    if (btnShowNotification_) btnShowNotification_->setOn(prefs.allowVPNNotifications());
    setAutoConnectLocation(nullptr);
    setAutoConnectSelectedOption(localized("general.recommendedlocation.title"));
    if (btnAutoReconnect_) btnAutoReconnect_->setOn(prefs.autoReconnectOnConnectionDrop());
    model_.appPreferences.defaults().set(false, AppPreferences::Key::hideFromDock);
    if (btnHideDockIcon_) btnHideDockIcon_->setOn(false);
}

}  // namespace morvex
