#pragma once
// The "app" half of the preferences: the appearance (light, dark or the system's; the same
// setting the general page shows, "AppPreference.appearance") in a section that opens and closes, the row that opens the languages panel, three switches (launch at
// log-in, show notifications, check for updates automatically), the version with an update
// check, and resetting every setting. The switches go back to their defaults when the stored
// preferences are cleared, and an installer download stops when the network goes away.
//
// Threads: main thread only.
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "appkit/ViewController.h"
#include "foundation/Error.h"
#include "foundation/Lifetime.h"
#include "foundation/NotificationCenter.h"
#include "state/PreservedPreferences.h"
#include "ui/kit/LayerViews.h"

class QVariantAnimation;

namespace morvex {


class AppSettingsViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardName = "Preferences";
    static constexpr std::string_view kStoryboardID = "AppSettingsViewController";
    // Posted (object none) for the pages container to slide the languages panel in.
    static constexpr std::string_view openLanguagesNotification = "openLanguagesViewController";
    // Heights of the appearance section, closed and open.
    static constexpr int kAppearanceClosedHeight = 55;
    static constexpr int kAppearanceOpenHeight = 95;

    struct Collaborators {
        // Registers (true) or removes (false) the login item of that bundle identifier; true when
        // it is in that state afterwards.
        std::function<bool(std::string_view identifier, bool enabled)> setLoginItem;
        // The engine's version check, not silent; the completion hears the failure or none.
        std::function<void(std::function<void(std::optional<Error>)>)> versionCheck;
    };
    static Collaborators defaults();

    // The update check of the settings pages. A tunnel up or coming up gets the disconnect-first
    // warning and no request; otherwise the checking sheet stays up while `versionCheck` asks.
    // A failed check ends the sheet and shows the failure (while `owner` lives); a successful one
    // is answered by whoever shows the update.
    static void checkForUpdate(const std::function<void(std::function<void(std::optional<Error>)>)>& versionCheck,
                               const Lifetime& owner);

    explicit AppSettingsViewController(Collaborators collaborators = defaults(), QObject* parent = nullptr);
    ~AppSettingsViewController() override;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    // The per-user settings behind the switches. Reading startOnLaunch also shows its stored value
    // on its switch; setting it stores and shows.
    bool autoUpdate() const;
    void setAutoUpdate(bool value);
    bool showNotifications() const;
    void setShowNotifications(bool value);
    bool startOnLaunch();
    void setStartOnLaunch(bool value);

    // Actions.
    void togglePreferencesView();
    void openLanguages();
    void launchOnStartup();
    void showNotificationAction();
    void autoUpdateAction();
    void startDownload();
    void cancelClicked();
    void onClearPreferences();
    void onThemeDropDown();
    void dropdownSelectionChanged();
    // Clears the flag that marks a running installer download.
    void stopDownload();

    bool isAppearanceOpened() const { return isAppearanceOpened_; }
    QComboBox* themeDropDown() const { return themeDropDown_; }
    QLabel* lblSelectedTheme() const { return lblSelectedTheme_; }
    QWidget* appearanceSection() const { return viewAppearance_; }
    QWidget* appearanceHeader() const { return appearanceHeader_; }
    QWidget* languageRow() const { return viewLanguage_; }
    QPushButton* btnLaunchOnStartUp() const { return btnLaunchOnStartUp_; }
    QLabel* lblStartOnLaunchStatus() const { return lblStartOnLaunchStatus_; }
    QPushButton* btnShowNotification() const { return btnShowNotification_; }
    QLabel* lblShowNotificationStatus() const { return lblShowNotificationStatus_; }
    QPushButton* btnAutoUpdate() const { return btnAutoUpdate_; }
    QLabel* lblAutoUpdateStatus() const { return lblAutoUpdateStatus_; }
    QPushButton* btnCheckForUpdate() const { return btnCheckForUpdate_; }
    QPushButton* btnClearPreferences() const { return btnClearPreferences_; }
    QLabel* versionLabel() const { return versionLabel_; }
    QWidget* viewDownloading() const { return viewDownloading_; }

private:
    // The drop-down item of that appearance choice (GeneralModel::Appearance).
    void selectTheme(int choice);
    void applyTheme(int choice);
    // The drop-down and its caption show the stored appearance.
    void presentTheme();
    void presentSwitches();
    void restyle();
    void networkReachabilityChanged(const std::any& object);
    void preferencesCleared();

    Collaborators c_;
    PreservedPreferences preference_;
    bool isAppearanceOpened_ = false;
    QPointer<QComboBox> themeDropDown_;
    QPointer<QLabel> lblSelectedTheme_;
    QPointer<QLabel> imgAppearanceArrow_;
    QPointer<CustomView> viewAppearance_;
    QPointer<QWidget> appearanceHeader_;
    QPointer<QWidget> themeRow_;
    QPointer<CustomView> viewLanguage_;
    QPointer<QLabel> lblLanguage_;
    QPointer<QPushButton> btnLaunchOnStartUp_;
    QPointer<QLabel> lblStartOnLaunchStatus_;
    QPointer<QPushButton> btnShowNotification_;
    QPointer<QLabel> lblShowNotificationStatus_;
    QPointer<QPushButton> btnAutoUpdate_;
    QPointer<QLabel> lblAutoUpdateStatus_;
    QPointer<QPushButton> btnCheckForUpdate_;
    QPointer<QPushButton> btnClearPreferences_;
    QPointer<QLabel> versionLabel_;
    QPointer<CustomView> viewDownloading_;
    QPointer<QVariantAnimation> sectionAnimation_;
    std::vector<ObserverToken> observers_;
    Lifetime lifetime_;
};

}  // namespace morvex
