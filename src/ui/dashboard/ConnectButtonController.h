#pragma once
// The large connect button in the middle of the dashboard: a 200 × 200 animation that shows the
// tunnel down, coming up or up, a click that connects or disconnects (ConnectButtonModel), and the
// status line under it. It follows the engine's state reports, the SDK's set-up and preference
// changes, each brought to the main thread.
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "alerts/BaseViewController.h"
#include "appkit/AnimationView.h"
#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "ui/dashboard/CursorChangingView.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/ConnectButtonModel.h"

#include <QAbstractButton>
#include <QLabel>

namespace morvex {


class ConnectButtonController : public appkit::ViewController, public ConnectButtonModelDelegate {
    Q_OBJECT
public:
    static constexpr int kAnimationSide = 200;
    static constexpr std::string_view kStoryboardID = "ConnectButtonController";
    static constexpr std::string_view seguePreferences = "seguePreferences";

    explicit ConnectButtonController(QObject* parent = nullptr);
    // With a model of the caller's (tests, the shots).
    ConnectButtonController(ConnectButtonModel* model, BaseViewController gate, QObject* parent = nullptr);
    ~ConnectButtonController() override;

    ConnectButtonModel& model() { return *model_; }
    CursorChangingView* animationView() const { return animationView_; }
    QAbstractButton* buttonConnect() const { return buttonConnect_; }
    QLabel* labelStatus() const { return labelStatus_; }
    // The animation started last ("disconnected", "connecting_loop", …).
    const std::string& playingAnimation() const { return playing_; }

    appkit::Observable<std::string> connectionStatus;

    void loadView() override;
    void viewDidLoad() override;
    // "seguePreferences" opens the preferences window on its protocol page.
    void prepareForSegue(appkit::StoryboardSegue& segue, const std::any& sender) override;

    void connectButtonClicked();
    // Shows a state as the engine reports it.
    void show(ZevuConnectionState state, const std::optional<std::string>& connectionId);
    // Shows the state the SDK's status stands for.
    void refreshFromCurrentStatus();

private:
    void play(const ConnectButtonModel::Animation& animation);
    void playNamed(std::string_view name, appkit::LoopMode mode, appkit::AnimationPlayer::Completion completion);

    ConnectButtonModel* model_;
    BaseViewController gate_;
    QPointer<QAbstractButton> buttonConnect_;
    QPointer<QLabel> labelStatus_;
    QPointer<CursorChangingView> animationView_;
    std::string playing_;
    appkit::Subscription statusBinding_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
