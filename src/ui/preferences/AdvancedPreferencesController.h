#pragma once
// The "Advanced" page of the preferences: the second kill-switch toggle (the same stored value and
// the same firewall calls as the VPN page) with a short-lived line saying whether the helper could
// be installed, the ping and personalised-server switches, and clearing the preferences. A kill
// switch that cannot be turned on shows Off with the reason under it until the next try.
#include <QPointer>
#include <QScrollArea>
#include <cstdint>
#include <memory>
#include <string_view>

#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/GeneralModel.h"
#include "viewmodels/KillSwitchModel.h"
#include "ui/preferences/SettingsPageWidgets.h"

class QLabel;

namespace morvex {

// The page's stores, its VPN status and its analytics.
struct AdvancedPreferencesModel {
    AppPreferences appPreferences;
    PreservedPreferences preservedPreferences;
    EventTracker eventTracker;
    KillSwitchFirewall firewall = KillSwitchFirewall::shared();
    std::shared_ptr<VPNControl> vpn;  // null: the installed alert services' control
};

// A scroll view whose content stays put under the wheel and touches: the page scrolls only by
// its scroll bar, so a wheel turn over a switch never moves it away from the pointer.
class CustomScrollView : public QScrollArea {
    Q_OBJECT
public:
    using QScrollArea::QScrollArea;

protected:
    void wheelEvent(QWheelEvent* event) override;
    bool viewportEvent(QEvent* event) override;
};

class AdvancedPreferencesController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardName = "AdvancedPreferences";
    static constexpr std::string_view kStoryboardID = "AdvancedStoryboardID";
    // Posted with the new Bool when the ping switch changes; the location lists follow it.
    static constexpr std::string_view kEnablePingChangedNotification = "EnablePingChangedNotification";
    static constexpr int kHelperToolLineHeight = 14;
    static constexpr double kHelperToolLineSeconds = 2.0;

    explicit AdvancedPreferencesController(QObject* parent = nullptr);
    explicit AdvancedPreferencesController(AdvancedPreferencesModel model, QObject* parent = nullptr);
    ~AdvancedPreferencesController() override;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    // Actions.
    void iKSValueChanged();
    void enablePingValueChanged();
    void personaliseServerValueChanged();
    void runtimeSupportClicked();
    void clearPreferencesBtnClicked();
    void clearAllPreferences() { clearPreferencesBtnClicked(); }

    // The height of the helper-tool line (0: hidden).
    int helperToolHeight() const { return helperToolHeight_; }

    AdvancedPreferencesModel& model() { return model_; }

private:
    void showKillSwitch(bool on);
    void showHelperToolLine(bool installed);
    // Shows the localized text of `key` under the kill switch; empty hides it.
    void showKillSwitchReason(const std::string& key);
    void preferencesCleared();

    AdvancedPreferencesModel model_;
    KillSwitchModel killSwitch_;
    GeneralModel clearing_;
    int helperToolHeight_ = 0;

    QPointer<CustomScrollView> scrollView_;
    QPointer<SettingsToggle> btnHelperTool_;
    QPointer<SettingsToggle> btnPing_;
    QPointer<SettingsToggle> btnPersonalise_;
    QPointer<QLabel> labelHelpertoolStatus_;
    QPointer<QLabel> killSwitchReason_;
    // Each result line shown counts up; a hiding step of an earlier line does nothing.
    std::uint64_t helperToolLine_ = 0;
    ObserverToken refreshObserver_;
};

}  // namespace morvex
