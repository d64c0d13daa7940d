#pragma once
// The "General" page of the preferences: launch at login, auto-connect on launch with the
// location it uses, auto-connect after wake, reconnect on a dropped connection, keeping the
// machine awake, notifications, automatic update checks, hiding from the taskbar, the appearance,
// the interface language and clearing the preferences. Switches store their value at once; the
// actions add the side effects (login item, sleep lock, analytics).
#include <QColor>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "appkit/PowerAssertion.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/GeneralModel.h"
#include "ui/preferences/SettingsPageWidgets.h"

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace morvex {

class AutoConnectLocationView;
class CustomView;

class GeneralViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardName = "General";
    static constexpr std::string_view kStoryboardID = "GeneralStoryboardID";
    // The auto-connect box without and with the location row.
    static constexpr int kAutoConnectBoxHeight = 110;
    static constexpr int kAutoConnectBoxLocationHeight = 190;
    // The box with auto-connect off: its switch row alone.
    static constexpr int kAutoConnectBoxClosedHeight = 52;
    static constexpr std::string_view kSleepAssertionName = "MorvexVPNPreventMacFromSleep";

    // What the page does outside its stores; tests replace them.
    struct Hooks {
        // Registers or removes the login item; false when the desktop refused.
        std::function<bool(bool enabled)> setLoginItem;
        std::function<appkit::IOReturn(appkit::IOPMAssertionID& id)> createSleepAssertion;
        std::function<appkit::IOReturn(appkit::IOPMAssertionID id)> releaseSleepAssertion;
        // Shows the language chooser as a sheet on `window`; `done` hears its response (1: OK).
        std::function<void(appkit::ViewController& page, std::function<void(long response)> done)> chooseLanguage;
        // The desktop ones: the launcher's autostart entry, a logind sleep lock, the language list
        // sheet.
        static Hooks defaults();
    };

    explicit GeneralViewController(QObject* parent = nullptr);
    GeneralViewController(GeneralModel model, Hooks hooks, QObject* parent = nullptr);
    ~GeneralViewController() override;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidDisappear() override;

    // Actions.
    void launchOnStartup();
    void autoConnectOnLaunchValueChanged();
    void changeLocation();
    void preventSleepValueChanged();
    void autoUpdateAction();
    void showNotificationAction();
    void hideDockIconAction();
    void changeLanguageClicked();
    void clearPreferencesBtnClicked();
    void autoConnectAfterWakeChanged();
    void autoReconnectChanged();

    // Properties over the stores.
    bool autoConnectAfterLaunch() const { return model_.preference.reconnectOnLaunch(); }
    void setAutoConnectAfterLaunch(bool on);
    std::string autoConnectSelectedOption();
    void setAutoConnectSelectedOption(const std::optional<std::string>& title);
    bool autoConnectLocationOptionSelected() const { return autoConnectLocationOptionSelected_; }
    void setAutoConnectLocationOptionSelected(bool selected);
    ZevuDataFetcherTypes::ServerPtr autoConnectLocation() const { return model_.preference.autoConnectServer(); }
    void setAutoConnectLocation(const ZevuDataFetcherTypes::ServerPtr& server);
    std::string appearanceSelectedOption() const;
    void setAppearanceSelectedOption(std::string_view title);
    const std::optional<std::string>& selectedLanguageName() const { return selectedLanguageName_; }
    // The colours of the auto-connect row's two captions (dimmed when their part is off).
    const QColor& colorAutoConnectOptionLabel() const { return colorOption_; }
    const QColor& colorAutoConnectLocationLabel() const { return colorLocation_; }
    int autoConnectBoxHeight() const { return autoConnectBoxHeight_; }

    GeneralModel& model() { return model_; }
    // The "prevent sleep" lock this process holds (the application delegate's when there is one).
    static std::optional<appkit::IOPMAssertionID>& sleepAssertionId();

private:
    void refreshAutoConnectRow();
    void preferencesCleared();
    void languageChosen(long response, const std::optional<std::string>& before);
    void showNotChangedAlert();
    void applyTextColours();

    GeneralModel model_;
    Hooks hooks_;
    bool autoConnectLocationOptionSelected_ = false;
    std::optional<std::string> selectedLanguageName_;
    QColor colorOption_;
    QColor colorLocation_;
    int autoConnectBoxHeight_ = kAutoConnectBoxHeight;

    QPointer<QScrollArea> scrollView_;
    QPointer<SettingsToggle> btnLaunchStartUp_;
    QPointer<SettingsToggle> btnAutoConnect_;
    QPointer<SettingsToggle> btnAutoConnectWake_;
    QPointer<SettingsToggle> btnAutoReconnect_;
    QPointer<SettingsToggle> btnPreventSleep_;
    QPointer<SettingsToggle> btnShowNotification_;
    QPointer<SettingsToggle> btnAutoUpdate_;
    QPointer<SettingsToggle> btnHideDockIcon_;
    QPointer<CustomView> autoConnectBox_;
    QPointer<QWidget> automaticLocationStackView_;
    QPointer<QWidget> locationPopupStackView_;
    QPointer<QComboBox> protocolPopup_;
    QPointer<QComboBox> appearancePopup_;
    QPointer<QLabel> optionLabel_;
    QPointer<AutoConnectLocationView> locationView_;
    QPointer<QLabel> languageName_;
    ObserverToken refreshObserver_;
};

}  // namespace morvex
