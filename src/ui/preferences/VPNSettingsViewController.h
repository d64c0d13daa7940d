#pragma once
// The "VPN" page of the preferences: auto-connect on launch with the location it uses, the
// internet kill switch, and the way to the protocol page. It sits in the preferences container
// beside the app settings page. Every appearance re-reads the stored values (the container calls
// it whenever the page comes into view again), and clearing the preferences shows at once. A kill
// switch that cannot be turned on shows Off with the reason under it.
#include <QPointer>
#include <QVariantAnimation>
#include <memory>
#include <string_view>

#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/GeneralModel.h"
#include "viewmodels/KillSwitchModel.h"
#include "ui/preferences/Preferences1ViewController.h"
#include "ui/preferences/SettingsPageWidgets.h"

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace morvex {

class AutoConnectLocationView;
class CustomView;

class VPNSettingsViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardName = "Preferences";
    static constexpr std::string_view kStoryboardID = "VPNSettingsViewController";
    // Answered by the preferences container, which slides the protocol page in.
    static constexpr std::string_view kOpenProtocolsNotification = kOpenProtocolsViewControllerNotification;
    // Heights of the auto-connect box: off, on, on with a specific location.
    static constexpr int kAutoConnectClosedHeight = 55;
    static constexpr int kAutoConnectOpenHeight = 113;
    static constexpr int kAutoConnectLocationHeight = 131;
    // Seconds before an appearance fills the auto-connect row from the stores.
    static constexpr double kFillDelay = 0.25;

    explicit VPNSettingsViewController(QObject* parent = nullptr);
    VPNSettingsViewController(GeneralModel generalModel, KillSwitchModel killSwitch, QObject* parent = nullptr);
    ~VPNSettingsViewController() override;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    // Inside the preferences page, "Change" slides in the page's location panel (which reports the
    // choice as it closes); elsewhere it opens the picker as a sheet.
    bool opensLocationPanel = false;

    // Actions.
    void onAutoConnect();
    void onLocationDropDown();
    void locationSelectionChanged();
    void changeLocation();
    void onKillSwitch();
    void openProtocolsettings();
    void runtimeSupportClicked();

    // The stored auto-connect location; setting it shows its flag and stores it (null removes).
    ZevuDataFetcherTypes::ServerPtr autoConnectLocation() const;
    void setAutoConnectLocation(const ZevuDataFetcherTypes::ServerPtr& server);

    // The height the auto-connect box is at or on its way to.
    int autoConnectBoxHeight() const { return autoConnectHeight_; }
    // The height the stored values ask for.
    int targetAutoConnectHeight() const;

    GeneralModel& generalModel() { return generalModel_; }
    KillSwitchModel& killSwitchModel() { return killSwitch_; }

private:
    void scrollToTop();
    void animateAutoConnectBox();
    void rebuildDropDown();
    void setAutoConnectToggle(bool on);
    void setKillSwitchToggle(bool on);
    void showKillSwitchOutcome(KillSwitchModel::Outcome outcome, const std::string& why);
    // The switches, the auto-connect choice and location as stored.
    void presentStoredValues();
    // Shows the localized text of `key` under the kill switch; empty hides it.
    void showKillSwitchReason(const std::string& key);
    void preferencesCleared();
    void closeSettingsLocation(const Notification& notification);

    GeneralModel generalModel_;
    KillSwitchModel killSwitch_;

    QPointer<QScrollArea> scrollView_;
    QPointer<CustomView> viewAutoConnect_;
    QPointer<QComboBox> autoConnectDropDown_;
    QPointer<QWidget> dropRow_;
    QPointer<QWidget> locationRow_;
    QPointer<AutoConnectLocationView> locationView_;
    QPointer<QWidget> viewConnectionProtocol_;
    QPointer<QWidget> runtimeSupportRow_;
    LabelledToggle autoConnect_;
    LabelledToggle killSwitchToggle_;
    QPointer<QLabel> killSwitchReason_;
    int autoConnectHeight_ = kAutoConnectClosedHeight;
    QPointer<QVariantAnimation> heightAnimation_;
    ObserverToken dismissObserver_;
    ObserverToken refreshObserver_;
};

// The runtime libraries the application needs beside the system (Qt 6): whether they are there,
// and the page that offers them.
bool runtimeSupportInstalled();
inline constexpr std::string_view kRuntimeSupportURL = "https://packages.debian.org/bookworm/libqt6widgets6";

}  // namespace morvex
