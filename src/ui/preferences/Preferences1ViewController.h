#pragma once
// Which is which: this is the preferences page inside the main window (scene
// "PreferencesPageViewController"); the separate preferences window's content is PreferencesViewController.
//
// The preferences as a page of the main window. On the left, five links (General, Protocol,
// Advanced, Language, About) each load a fresh page from its storyboard into the detail area; on
// the right, under the VPN / App switch, the VPN settings and the app settings pages stand on top
// of each other and cross-fade (0.3 s) when the switch changes. Three panels slide in over the
// whole page when the pages ask for them by notification: the language and protocol panels from
// the right (their offset goes from 700 to 0), the location panel from the left by 345 over a
// dimming blocker, which closes it when clicked.
//
// Notifications (default centre, heard synchronously on the posting thread, which is the main
// thread for every poster): "openLanguagesViewController" / "dismissLanguagesViewController",
// "openProtocolsViewController" / "dismissProtocolsViewController", "openSettingsLocation" /
// "dismissSettingsLocation" (closing through it posts "countriesOpenedFrom" with the object
// {"from": "Dashboard"}), "SettingsSegmentedControlSwitch" and "switchedToDashboard".
//
// Pages are scenes of their own storyboards; a scene that is not registered leaves its place empty.
// The settings pages and the panels' pages stay for the page's lifetime, so each is told it
// appears again whenever it comes back into view (the switch, Back from a detail page, a panel
// sliding in or out, the preferences cleared) and re-reads its stores then. The location panel's
// picker is made only when that panel is first opened.
//
// Threads: main thread only.
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"

class QAbstractButton;
class QLabel;
class QStackedWidget;
class QVariantAnimation;

namespace morvex {

class CustomSegmentedControl;
class SupportButton;

// True while the location panel of the preferences page is open; the VPN settings page ignores
// its protocol and location actions meanwhile. Main thread only.
inline bool isSettingsLocationOpen = false;

inline constexpr std::string_view kOpenLanguagesViewControllerNotification = "openLanguagesViewController";
inline constexpr std::string_view kDismissLanguagesViewControllerNotification = "dismissLanguagesViewController";
inline constexpr std::string_view kOpenProtocolsViewControllerNotification = "openProtocolsViewController";
inline constexpr std::string_view kDismissProtocolsViewControllerNotification = "dismissProtocolsViewController";
inline constexpr std::string_view kOpenSettingsLocationNotification = "openSettingsLocation";
inline constexpr std::string_view kDismissSettingsLocationNotification = "dismissSettingsLocation";
inline constexpr std::string_view kSwitchedToDashboardNotification = "switchedToDashboard";
inline constexpr std::string_view kCountriesOpenedFromNotification = "countriesOpenedFrom";

// The dimming view behind the location panel: its colour at `alpha`, and a click closes the panel.
class SettingsLocationBlocker : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal alpha READ alpha WRITE setAlpha)
public:
    explicit SettingsLocationBlocker(QWidget* parent = nullptr);
    qreal alpha() const { return alpha_; }
    void setAlpha(qreal alpha);
    QColor color;  // none: no background
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    qreal alpha_ = 1;
};

class Preferences1ViewController : public appkit::ViewController {
    Q_OBJECT
public:
    struct PreferencesPage {
        std::string titleKey;
        std::string storyboard;
        std::string scene;
    };
    // General, Protocols, Advanced, Languages, About, by index.
    static const std::array<PreferencesPage, 5>& pages();

    static constexpr int kPanelHiddenOffset = 700;
    static constexpr int kLocationPanelWidth = 345;
    static constexpr int kAnimationMilliseconds = 300;

    explicit Preferences1ViewController(QObject* parent = nullptr);
    ~Preferences1ViewController() override;

    // Outlets.
    QPointer<QWidget> containerView;  // the detail page's place
    std::array<QPointer<SupportButton>, 5> tabButtons;  // btn_general … btn_about
    QPointer<QWidget> containerViewAppSettings, containerViewVPNSettings;
    QPointer<QWidget> languagesPanel, protocolsPanel, settingsLocationPanel;
    QPointer<SettingsLocationBlocker> viewSettingsLocationBlocker;
    QPointer<CustomSegmentedControl> segmentedControl;
    QPointer<QAbstractButton> backButton;

    // The offsets of the panels: 0 shown, 700 hidden (language, protocol); 0 hidden, -345 shown
    // (location).
    int constraintLanguageController() const { return languageOffset_; }
    int constraintProtocolsController() const { return protocolsOffset_; }
    int constraintSettingsLocationLeft() const { return locationOffset_; }

    appkit::ViewController* detailViewController() const { return detail_; }
    bool isShowingFirstView() const { return isShowingFirstView_; }
    // Whether the detail page (rather than the two settings pages) is shown.
    bool isShowingDetail() const;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidAppear() override;
    void viewWillDisappear() override;
    void viewDidDisappear() override;

    // The five links' action: loads page `index` and marks its link.
    void tabTapped(int index);
    void showPage(std::string_view storyboard, std::string_view identifier);
    void selectTab(int index);
    void toggleSettingsContainers();
    void onSettingsLocationBlocker();

private:
    void openLanguages();
    void closeLanguages();
    void openProtocols();
    void closeProtocols();
    void openSettingsLocation();
    void closeSettingsLocation();
    void switchSegmentedControl(const Notification& notification);
    void switchedToDashboard();
    void showSettings();
    void resetTabButtons();
    // Colours of the application's appearance; again whenever it changes.
    void restyle();
    void layoutPanels();
    // Animates one offset to `to` in 0.3 s, then runs `done`.
    void animateOffset(int& offset, QPointer<QVariantAnimation>& running, int to, std::function<void()> done = {});
    void fade(QWidget* container, qreal to, std::function<void()> done = {});
    std::vector<appkit::ViewController*> shownChildren() const;
    // Makes the scene's page and puts it in `place` for good; null when the scene is not there.
    appkit::ViewController* embed(QWidget* place, std::string_view storyboard, std::string_view scene);
    // The embedded page in `place`, if any.
    appkit::ViewController* pageIn(const QWidget* place) const;
    // Tells a page that comes into view again, so it re-reads its stores (while the page is shown).
    void reappear(appkit::ViewController* page);
    // Every embedded page in view now re-reads its stores.
    void refreshVisiblePages();

    int languageOffset_ = kPanelHiddenOffset;
    int protocolsOffset_ = kPanelHiddenOffset;
    int locationOffset_ = 0;
    QPointer<QVariantAnimation> languageAnimation_, protocolsAnimation_, locationAnimation_;
    QPointer<appkit::ViewController> detail_;
    std::vector<QPointer<appkit::ViewController>> embedded_;  // the settings pages and the panels' pages
    QPointer<QStackedWidget> content_;
    QPointer<QWidget> settingsArea_, detailArea_;
    QPointer<QWidget> sidebar_;
    QPointer<QLabel> title_;
    bool isShowingFirstView_ = true;
    int selectedTab_ = -1;
    bool shown_ = false;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
