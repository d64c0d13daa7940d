#include "ui/preferences/AdvancedPreferencesController.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "alerts/Alert.h"
#include "ui/kit/QtAlertPresenter.h"
#include "ui/kit/ThemedColor.h"
#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "ui/preferences/VPNSettingsViewController.h"

namespace morvex {

namespace {

SettingsToggle* switchRow(QWidget* card, QVBoxLayout* column, const char* name, const std::string& title,
                          const std::string& caption = {}) {
    auto* row = new QWidget(card);
    row->setMinimumHeight(44);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 8, 0, 8);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(settingsTitle(row, (std::string(name) + "Title").c_str(), title));
    if (!caption.empty()) texts->addWidget(settingsCaption(row, (std::string(name) + "Message").c_str(), caption, 12));
    layout->addLayout(texts, 1);
    layout->addSpacing(16);
    auto* toggle = new SettingsToggle(row);
    toggle->setObjectName(QString::fromLatin1(name));
    layout->addWidget(toggle);
    column->addWidget(row);
    return toggle;
}

}  // namespace

void CustomScrollView::wheelEvent(QWheelEvent* event) { event->accept(); }

bool CustomScrollView::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        event->accept();
        return true;
    default:
        return QScrollArea::viewportEvent(event);
    }
}

AdvancedPreferencesController::AdvancedPreferencesController(QObject* parent)
    : AdvancedPreferencesController(AdvancedPreferencesModel{AppPreferences(), PreservedPreferences(), EventTracker()},
                                    parent) {}

AdvancedPreferencesController::AdvancedPreferencesController(AdvancedPreferencesModel model, QObject* parent)
    : ViewController(parent),
      model_(std::move(model)),
      killSwitch_(model_.preservedPreferences, model_.eventTracker, model_.firewall, model_.vpn),
      clearing_(model_.preservedPreferences, model_.appPreferences, model_.eventTracker, model_.vpn) {}

AdvancedPreferencesController::~AdvancedPreferencesController() = default;

void AdvancedPreferencesController::loadView() {
    auto* wheelless = new CustomScrollView;
    const auto [root, scroll, document, column] = makeSettingsScrollPage("AdvancedPreferencesView", wheelless);
    scrollView_ = wheelless;
    column->addWidget(settingsPageTitle(document, "advancedTitle", localized("preferences.advanced.title")));

    auto* ksCard = settingsCard(document, "killSwitchCard");
    auto* ksColumn = new QVBoxLayout(ksCard);
    ksColumn->setContentsMargins(16, 4, 16, 4);
    ksColumn->setSpacing(0);
    btnHelperTool_ = switchRow(ksCard, ksColumn, "btnHelperTool", localized("preferences.killswitch.title"),
                               localized("preferences.killswitch.message"));
    auto* line = settingsCaption(ksCard, "labelHelpertoolStatus", "", 12);
    line->setWordWrap(false);
    line->setFixedHeight(0);
    labelHelpertoolStatus_ = line;
    ksColumn->addWidget(line);
    // Why the switch could not be turned on; stays until the next try or until it is on.
    auto* reason = settingsCaption(ksCard, "killSwitchReason", "", 12);
    reason->setProperty("role", QStringLiteral("error"));
    reason->setContentsMargins(0, 0, 0, 8);
    reason->hide();
    killSwitchReason_ = reason;
    ksColumn->addWidget(reason);
    column->addWidget(ksCard);

    auto* listsCard = settingsCard(document, "listsCard");
    auto* listsColumn = new QVBoxLayout(listsCard);
    listsColumn->setContentsMargins(16, 4, 16, 4);
    listsColumn->setSpacing(0);
    btnPing_ = switchRow(listsCard, listsColumn, "btnEnablePing", localized("preferences.advanced.ping"));
    btnPersonalise_ = switchRow(listsCard, listsColumn, "btnPersonaliseServer", localized("preferences.advanced.personalise"),
                                localized("preferences.advanced.personalise.message"));
    column->addWidget(listsCard);

    // Shown only when the runtime libraries are missing.
    auto* runtime = settingsCard(document, "runtimeSupportCard");
    auto* runtimeRow = new QHBoxLayout(runtime);
    runtimeRow->setContentsMargins(16, 12, 16, 12);
    runtimeRow->addWidget(settingsCaption(runtime, "runtimeSupportMessage", localized("preferences.runtime.support.message")), 1);
    auto* download = settingsLink(runtime, "swiftRuntimePackageButton", localized("preferences.runtime.support.button"));
    runtimeRow->addWidget(download);
    runtime->setVisible(!runtimeSupportInstalled());
    column->addWidget(runtime);

    auto* clearRow = new QHBoxLayout;
    clearRow->addWidget(settingsCaption(document, "clearPreferencesMessage", localized("preferences.clear.message")), 1);
    auto* clear = settingsButton(document, "clearPreferences", localized("preferences.clear.title"));
    clearRow->addWidget(clear);
    column->addLayout(clearRow);
    column->addStretch(1);

    connect(btnHelperTool_, &QPushButton::clicked, this, [this] { iKSValueChanged(); });
    connect(btnPing_, &QPushButton::clicked, this, [this] { enablePingValueChanged(); });
    connect(btnPersonalise_, &QPushButton::clicked, this, [this] { personaliseServerValueChanged(); });
    connect(download, &QPushButton::clicked, this, [this] { runtimeSupportClicked(); });
    connect(clear, &QPushButton::clicked, this, [this] { clearPreferencesBtnClicked(); });
    setView(root);
}

void AdvancedPreferencesController::viewDidLoad() {
    QPointer<AdvancedPreferencesController> self(this);
    refreshObserver_ = NotificationCenter::defaultCenter().addObserver(
        PreservedPreferences::preferencesRefreshedNotification, [self](const Notification&) {
            if (self) self->preferencesCleared();
        });
}

void AdvancedPreferencesController::viewWillAppear() {
    showKillSwitch(killSwitch_.isEnabled());
    btnPing_->setOn(model_.preservedPreferences.enablePing());
    btnPersonalise_->setOn(model_.preservedPreferences.enablePersonaliseServer());
}

void AdvancedPreferencesController::showKillSwitch(bool on) {
    if (btnHelperTool_) btnHelperTool_->setOn(on);
    if (on) showKillSwitchReason({});
}

void AdvancedPreferencesController::showKillSwitchReason(const std::string& key) {
    if (!killSwitchReason_) return;
    killSwitchReason_->setText(key.empty() ? QString() : qtext(localized(key)));
    killSwitchReason_->setVisible(!key.empty());
}

void AdvancedPreferencesController::iKSValueChanged() {
    const bool wanted = btnHelperTool_ && btnHelperTool_->isChecked();
    if (!killSwitch_.mayChange()) {
        // Put the switch and the store back to where they were before the click.
        model_.preservedPreferences.setEnableIKS(!wanted);
        showKillSwitch(!wanted);
        Alert().showIKSCannotChange(window() ? QtAlertPresenter::alertWindow(window()) : nullptr);
        return;
    }
    showKillSwitchReason({});
    if (!wanted) {
        showKillSwitch(false);
        killSwitch_.turnOff();
        return;
    }
    QPointer<AdvancedPreferencesController> self(this);
    killSwitch_.turnOn([self](KillSwitchModel::Outcome outcome, const std::string& why) {
        if (!self) return;
        self->showKillSwitch(outcome != KillSwitchModel::Outcome::NotInstalled);
        if (outcome != KillSwitchModel::Outcome::AlreadyOn)
            self->showHelperToolLine(outcome == KillSwitchModel::Outcome::Installed);
        if (outcome == KillSwitchModel::Outcome::NotInstalled) self->showKillSwitchReason(why);
    });
}

void AdvancedPreferencesController::showHelperToolLine(bool installed) {
    if (!labelHelpertoolStatus_) return;
    labelHelpertoolStatus_->setText(qtext(localized(installed ? "helpertool.installed" : "helpertool.not.installed")));
    // The text colours of success and failure: the notice bars' green and red do not read as text.
    const QColor colour = ThemedColor::colorNamed(installed ? "Success" : "Error").resolve(labelHelpertoolStatus_.data());
    labelHelpertoolStatus_->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
    helperToolHeight_ = kHelperToolLineHeight;
    labelHelpertoolStatus_->setFixedHeight(kHelperToolLineHeight + 8);
    const std::uint64_t line = ++helperToolLine_;
    QPointer<AdvancedPreferencesController> self(this);
    DispatchQueue::main().asyncAfter(kHelperToolLineSeconds, [self, line] {
        if (!self || self->helperToolLine_ != line) return;
        self->helperToolHeight_ = 0;
        if (self->labelHelpertoolStatus_) self->labelHelpertoolStatus_->setFixedHeight(0);
    });
}

void AdvancedPreferencesController::enablePingValueChanged() {
    const bool on = btnPing_ && btnPing_->isChecked();
    model_.preservedPreferences.setEnablePing(on);
    btnPing_->setOn(on);
    NotificationCenter::defaultCenter().post(kEnablePingChangedNotification, on);
}

void AdvancedPreferencesController::personaliseServerValueChanged() {
    const bool on = btnPersonalise_ && btnPersonalise_->isChecked();
    model_.preservedPreferences.setEnablePersonaliseServer(on);
    btnPersonalise_->setOn(on);
}

void AdvancedPreferencesController::runtimeSupportClicked() {
    if (auto open = AlertServices::installed().openURL) open(std::string(kRuntimeSupportURL));
}

void AdvancedPreferencesController::clearPreferencesBtnClicked() {
    clearing_.askToClearPreferences(window() ? QtAlertPresenter::alertWindow(window()) : nullptr);
}

void AdvancedPreferencesController::preferencesCleared() {
    auto& prefs = model_.preservedPreferences;
    prefs.setEnablePing(prefs.enablePing());
    prefs.setEnablePersonaliseServer(prefs.enablePersonaliseServer());
    prefs.setEnableIKS(prefs.enableIKS());
    if (btnPing_) btnPing_->setOn(prefs.enablePing());
    if (btnPersonalise_) btnPersonalise_->setOn(prefs.enablePersonaliseServer());
    showKillSwitch(prefs.enableIKS());
}

}  // namespace morvex
