#include "ui/dashboard/ConnectButtonController.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "appkit/Colors.h"
#include "appkit/Storyboard.h"
#include "foundation/BundleResources.h"
#include "state/AppPreferences.h"
#include "ui/dashboard/CursorChangingView.h"
#include "viewmodels/MainThreadObserver.h"
#include "ui/kit/PreferencesSegue.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

ConnectButtonController::ConnectButtonController(QObject* parent)
    : ConnectButtonController(new ConnectButtonModel, BaseViewController(), parent) {}

ConnectButtonController::ConnectButtonController(ConnectButtonModel* model, BaseViewController gate, QObject* parent)
    : ViewController(parent), model_(model), gate_(std::move(gate)) {
    model_->setParent(this);
}

ConnectButtonController::~ConnectButtonController() { observers_.clear(); }

void ConnectButtonController::prepareForSegue(appkit::StoryboardSegue& segue, const std::any&) {
    if (segue.identifier() == seguePreferences) selectPreferencesTab(segue, kPreferencesProtocolTab);
}

void ConnectButtonController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("ConnectButtonView"));
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto* button = new QPushButton(view);
    button->setObjectName(QStringLiteral("buttonConnect"));
    button->setAccessibleName(QStringLiteral("btn_connect"));
    button->setFlat(true);
    button->setFixedSize(kAnimationSide, kAnimationSide);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    buttonConnect_ = button;
    layout->addWidget(button, 0, Qt::AlignHCenter);

    auto* status = new QLabel(view);
    status->setObjectName(QStringLiteral("labelStatus"));
    status->setAlignment(Qt::AlignCenter);
    QPalette palette = status->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    status->setPalette(palette);
    labelStatus_ = status;
    layout->addWidget(status, 0, Qt::AlignHCenter);
    setView(view);
}

void ConnectButtonController::viewDidLoad() {
    ViewController::viewDidLoad();
    auto* area = new CursorChangingView(buttonConnect_);
    area->setObjectName(QStringLiteral("connectAnimation"));
    area->setGeometry(0, 0, kAnimationSide, kAnimationSide);
    animationView_ = area;
    model_->delegate = this;

    statusBinding_ = appkit::bindProperty<std::string>(connectionStatus, [this](const std::string& text) {
        if (labelStatus_) labelStatus_->setText(QString::fromStdString(text));
    });
    connect(buttonConnect_, &QAbstractButton::clicked, this, &ConnectButtonController::connectButtonClicked);

    // Whatever the real state, the button starts as disconnected; the first report or refresh
    // puts the right animation in place.
    play(ConnectButtonModel::disconnectedAnimation);
    connectionStatus = std::string();

    observers_.push_back(dashboard::observeOnMainThread(AppPreferences::preferencesNotification, this,
                                                        [this](const Notification&) { refreshFromCurrentStatus(); }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::stateNotification, this, [this](const Notification& n) {
        if (const auto* info = n.objectAs<ZevuTypes::ConnectionInfo>()) show(info->state, info->connectionId);
    }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::sdkInitializedNotification, this,
                                                        [this](const Notification&) { refreshFromCurrentStatus(); }));
}

void ConnectButtonController::connectButtonClicked() {
    model_->connectButtonClicked([this] { return gate_.accountStatusCheck(); });
}

void ConnectButtonController::show(ZevuConnectionState state, const std::optional<std::string>& connectionId) {
    if (const auto animation = model_->animationFor(state, connectionId)) play(*animation);
    if (const auto text = ConnectButtonModel::statusTextFor(state)) connectionStatus = *text;
}

void ConnectButtonController::refreshFromCurrentStatus() {
    const Zevu zevu = MorvexVPNService::makeZevu();
    const int status = zevu.zevuManager ? zevu.zevuManager->getCurrentVPNStatus() : 0;
    show(connectionStateFromVPNStatus(status), zevu.currentConnectionInfo().connectionId);
}

void ConnectButtonController::playNamed(std::string_view name, appkit::LoopMode mode,
                                        appkit::AnimationPlayer::Completion completion) {
    if (!animationView_) return;
    animationView_->setAnimation(appkit::LottieAnimation::animationNamed(name));
    animationView_->setContentMode(appkit::ContentMode::ScaleAspectFit);
    animationView_->setLoopMode(mode);
    playing_ = std::string(name);
    animationView_->play(std::move(completion));
    if (buttonConnect_) buttonConnect_->setToolTip(QString());
}

void ConnectButtonController::play(const ConnectButtonModel::Animation& animation) {
    QPointer<ConnectButtonController> self(this);
    const std::string_view loop = animation.loop;
    playNamed(animation.start, appkit::LoopMode::PlayOnce, [self, loop](bool finished) {
        // A start that a newer animation interrupted never reaches its loop.
        if (finished && self) self->playNamed(loop, appkit::LoopMode::Loop, {});
    });
}

}  // namespace morvex
