#pragma once
// The protocol page: automatic or manual protocol choice, the protocol of manual mode (IKEv2,
// IPSec, UDP, WireGuard; TCP is never offered), the fallback switch of manual mode, and the
// system-extension panel, which tells which installation step of the tunnel extensions is pending
// and offers the one button that performs it. Choices are stored per user; ProtocolsModel stores a
// picked protocol and, while connected, asks whether to reconnect with it.
//
// Shown as the preferences window's protocol tab and as the preferences page's protocol panel,
// whose back button posts "dismissProtocolsViewController". The panel follows
// "ExtensionStatusChanged" (posted from any thread) on the main thread; "PreferencesRefreshed"
// puts the page back to automatic.
//
// Threads: main thread only.
#include <QColor>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "vpn/ProtocolsModel.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;
class QVariantAnimation;

namespace morvex {

class ProtocolsViewController : public appkit::ViewController, public ProtocolsModelDelegate {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboard = "Protocols";
    static constexpr std::string_view kStoryboardID = "ProtocolStoryboardID";
    static constexpr std::string_view systemExtensionSegue = "installationStepsIdentifier";
    static constexpr int kManualCollapsedHeight = 55;
    static constexpr int kManualExpandedHeight = 120;
    static constexpr int kSystemExtensionHeight = 84;
    static constexpr int kAnimationMilliseconds = 300;
    // The protocol option texts: plum, faint while the protocol is automatic.
    static QColor optionColor(bool manual);

    // What the page reaches outside the application; each defaults to the real one.
    struct Hooks {
        std::function<void()> activateExtension;                      // the SDK installs (no name)
        std::function<void(const std::string& path)> runRebootScript;  // the restart script
        // Asks before the computer restarts; `restart` runs only when the user agrees.
        std::function<void(std::function<void()> restart)> confirmReboot;
        std::function<void(const std::string& url)> openURL;
        std::function<int()> vpnStatus;                               // the SDK's VPN status
        std::function<void(std::function<void()> turnOff, std::function<void()> keepOn)> askAutomaticOff;
        std::function<void(std::function<void()> turnOff, std::function<void()> keepOn)> askFallbackOff;
    };

    explicit ProtocolsViewController(QObject* parent = nullptr);
    ProtocolsViewController(std::unique_ptr<ProtocolsModel> model, Hooks hooks, QObject* parent = nullptr);
    ~ProtocolsViewController() override;

    ProtocolsModel& model() { return *model_; }

    appkit::Observable<QColor> colorsProtocolsOptionLabel{optionColor(false)};
    appkit::Observable<bool> systemExtensionInstalled{false};
    appkit::Observable<std::string> systemExtensionErrorMessage{std::string()};
    appkit::Observable<std::string> systemExtensionButtonTitle{std::string()};

    // Outlets.
    QPointer<QPushButton> systemExtensionButton;
    QPointer<QToolButton> btnAutomatic2, btnManual2;
    QPointer<QComboBox> protocolsDropDown;
    QPointer<QLabel> lblSelectedProtocol;
    QPointer<QToolButton> btnConnectToFallback;
    QPointer<QLabel> lblStatusFallback;
    QPointer<QWidget> viewSystemExtension, viewAutomatic, viewManual, viewFallback;
    QPointer<QLabel> systemExtensionMessage;
    QPointer<QPushButton> backButton;
    bool showsBackButton = true;

    int constraintManaulHeight() const { return manualHeight_; }
    int constraintSystemExtensionHeight() const { return extensionHeight_; }
    // The image an image-drawn button shows now.
    static std::string imageName(const QAbstractButton* button);

    // The key-value properties.
    static const std::vector<std::string>& protocolsList();
    std::string selectedProtocols() const;
    void setSelectedProtocols(const std::optional<std::string>& title);
    bool automaticProtocol() const;
    void setAutomaticProtocol(bool automatic);
    bool connectToFallback() const;
    void setConnectToFallback(bool on);

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void prepareForSegue(appkit::StoryboardSegue& segue, const std::any& sender) override;

    // Actions.
    void automaticValueChanged();
    void manualValueChanged();
    void fallbackValueChanged();
    void onProtocolsDropDown();
    void protocolSelectionChanged();
    void changeSelection(const std::string& senderTitle);
    void onBack();
    void extensionInstallationAction();
    void extensionRebootRequiredAction();
    void extensionApprovalAction();
    void extensionErrorAction();

    void refreshProtocolMode();
    void refreshOptionColors();
    void reloadProtocolsDropDown();
    void updateSystemExtensionView();

    // ProtocolsModelDelegate
    void selectedProtocolChanged(VPNProtocol protocol) override;
    std::shared_ptr<AlertWindow> alertWindow() const override;

private:
    void setManualSectionVisible(bool visible);
    void applyAutomaticChoice(bool accepted);
    void switchToManual();
    void stayAutomatic();
    void showAutomatic();
    void applyFallbackChoice(bool switchOn, bool enabled);
    void preferencesCleared();
    void animateHeight(int& height, QPointer<QVariantAnimation>& running, int to, std::function<void()> done = {});
    void applyLook();
    void applyOptionColor();

    std::unique_ptr<ProtocolsModel> model_;
    Hooks hooks_;
    std::function<void()> extensionAction_;
    int manualHeight_ = kManualCollapsedHeight;
    int extensionHeight_ = kSystemExtensionHeight;
    QPointer<QVariantAnimation> manualAnimation_, extensionAnimation_;
    std::vector<QPointer<QLabel>> optionLabels_;
    std::vector<ObserverToken> observers_;
    std::vector<appkit::Subscription> bindings_;
};

}  // namespace morvex
