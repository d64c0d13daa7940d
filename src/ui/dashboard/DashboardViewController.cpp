#include "ui/dashboard/DashboardViewController.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <algorithm>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "ui/shell/WindowMetrics.h"
#include "ui/shell/MainStoryboard.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "ui/dashboard/ConnectButtonController.h"
#include "ui/dashboard/ConnectionComponentsController.h"
#include "ui/dashboard/ConnectionDetailAnimationSegue.h"
#include "ui/dashboard/ConnectionDetailController.h"
#include "ui/dashboard/DashboardPanes.h"
#include "ui/dashboard/ConnectionLocationController.h"
#include "ui/kit/DashboardStyle.h"
#include "ui/dashboard/DashboardWavesViewController.h"
#include "ui/kit/NotificationBarController.h"
#include "ui/shell/Router.h"
#include "ui/shell/Scenes.h"

namespace morvex {

namespace {
// Runs `react` whenever the watched widget moves or changes size.
class EventFollower : public QObject {
public:
    EventFollower(QWidget* watched, std::function<void()> react) : QObject(watched), react_(std::move(react)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Move) react_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> react_;
};

// The connection page of the state views: built by the dashboard, shown by the state views.
class ConnectionPage : public appkit::ViewController {
public:
    ConnectionPage(std::function<QWidget*()> build, QObject* parent) : ViewController(parent), build_(std::move(build)) {}
    void loadView() override { setView(build_()); }

private:
    std::function<QWidget*()> build_;
};

// The connect button is its scene of the main storyboard, whose segue opens the preferences
// window; without the scene (a storyboard of a test's own) it is made here.
ConnectButtonController* makeConnectButton(QObject* parent) {
    appkit::ViewController* made = router::instantiate(ConnectButtonController::kStoryboardID);
    auto* button = qobject_cast<ConnectButtonController*>(made);
    if (!button) {
        delete made;
        button = new ConnectButtonController;
    }
    button->setParent(parent);
    return button;
}
}  // namespace

DashboardViewController::DashboardViewController(QObject* parent)
    : ViewController(parent),
      connectButton_(makeConnectButton(this)),
      card_(new ConnectionLocationController(this)),
      waves_(new DashboardWavesViewController(this)),
      bar_(new NotificationBarController(NotificationCenter::defaultCenter(), this)),
      bottom_(new ConnectionBottomController({}, nullptr, this)),
      banner_(new ReferAFriendMessageController(this)) {
    auto* panelModel = new ConnectionComponentsModel(
        ConnectionComponentsController::collaborators(&connectButton_->model(), card_->sharedModel()));
    panel_ = new ConnectionComponentsController(panelModel, this);
}

DashboardViewController::~DashboardViewController() = default;

appkit::ViewController* DashboardViewController::sceneController(std::string_view identifier) {
    return router::instantiate(identifier, storyboard() ? std::string_view(storyboard()->name()) : kMainStoryboard);
}

appkit::ViewController* DashboardViewController::feedbackContainer() const { return feedback_.data(); }

ConnectionDetailController* DashboardViewController::connectionDetail() const { return detail_.data(); }

void DashboardViewController::loadView() {
    // The main content draws the page's ground (white with the world map) behind this view.
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("DashboardView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 8);
    column->setSpacing(0);
    // The troubleshooting page comes from its scene, so it can open the preferences; without the
    // scene the page stays empty.
    auto* troubleshoot = sceneController(scenes::kTroubleshoot);
    states_ = new ConnectionStateViewController(new ConnectionPage([this] { return makeConnectionPage(); }, nullptr),
                                                troubleshoot, nullptr, this);
    column->addWidget(states_->view(), 1);
    column->addWidget(banner_->view());
    setView(view);
    // The notices the panel raises show over the top of the page.
    bar_->installOn(view);
}

QWidget* DashboardViewController::makeConnectionPage() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("DashboardConnectionPage"));
    auto* row = new QHBoxLayout(view);
    // The top leaves room for the notice bar, which lies over the page's first 36 points.
    row->setContentsMargins(28, 48, 24, 24);
    row->setSpacing(20);
    // Long names are cut by the panel's labels, never allowed to push the pane out of the page.
    // As high as its content: the details link follows its last row, not the column's foot.
    panel_->view()->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Maximum);
    // The left column: the panel; right under it, while connected, the link that opens the
    // details card (which slides up inside this column); at the bottom the recent, recommended or
    // cancel tile. The strip left free at the bottom right takes the feedback button and prompt.
    column_ = new ConnectionPage([this] {
        auto* columnView = new QWidget;
        columnView->setObjectName(QStringLiteral("DashboardConnectionColumn"));
        auto* left = new QVBoxLayout(columnView);
        left->setContentsMargins(0, 0, 0, 0);
        left->setSpacing(12);
        left->addWidget(panel_->view());
        auto* details = new QPushButton(QString::fromStdString(localized("connection.details.show")), columnView);
        details->setObjectName(QStringLiteral("connectionDetailsButton"));
        details->setAccessibleName(QStringLiteral("btn_connection_details"));
        details->setCursor(Qt::PointingHandCursor);
        details->setFont(dashboard::font(13, QFont::Medium));
        details->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: transparent; border: none; text-align: left; }")
                                   .arg(dashboard::color("ThemeColor").name()));
        connect(details, &QPushButton::clicked, this, [this] { panel_->model().toggleInfoCard(); });
        detailsButton_ = details;
        left->addWidget(details, 0, Qt::AlignLeft);
        left->addStretch(1);
        bottom_->view()->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        left->addWidget(bottom_->view());
        return columnView;
    }, this);
    column_->view()->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(column_->view(), 1);

    auto* pane = new QWidget(view);
    pane->setObjectName(QStringLiteral("topView"));
    pane->setAttribute(Qt::WA_StyledBackground);
    pane->setFixedWidth(272);
    topView_ = pane;
    auto* inside = new QVBoxLayout(pane);
    inside->setContentsMargins(12, 24, 12, 12);
    inside->setSpacing(12);

    // The waves area sits behind the button, centred under it.
    auto* stage = new QWidget(pane);
    stage->setFixedSize(ConnectButtonController::kAnimationSide, ConnectButtonController::kAnimationSide + 24);
    auto* wavesView = waves_->view();
    wavesView->setParent(stage);
    const int wavesInset = (ConnectButtonController::kAnimationSide - DashboardWavesViewController::kSide) / 2;
    wavesView->move(wavesInset, wavesInset);
    auto* button = connectButton_->view();
    button->setParent(stage);
    button->setGeometry(0, 0, ConnectButtonController::kAnimationSide, ConnectButtonController::kAnimationSide + 24);
    button->raise();
    inside->addWidget(stage, 0, Qt::AlignHCenter);
    inside->addStretch(1);
    inside->addWidget(card_->view());
    row->addWidget(pane);

    // The feedback button sits in the bottom-right corner of the left column, over it, with room
    // to its left for its prompt (the rest of its area lets clicks through). While connected the
    // column's foot is free (the recent location is a row of the panel, the link under it).
    if (auto* feedback = sceneController(scenes::kFeedbackContainer)) {
        feedback->setParent(this);
        feedback_ = feedback;
        QWidget* overlay = feedback->view();
        overlay->setParent(view);
        QWidget* columnView = column_->view();
        auto place = [overlay, columnView] {
            const QRect c = columnView->geometry();
            overlay->move(c.right() + 1 - overlay->width(), c.bottom() + 1 - overlay->height());
            overlay->raise();
        };
        auto* follower = new EventFollower(columnView, place);
        Q_UNUSED(follower);
        place();
    }
    return view;
}

void DashboardViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    applyHeader();
    applyInfoCard(false);
    headerBinding_ = panel_->model().state.observe([this](const ConnectionComponentsModel::PanelState& s) {
        applyHeader();
        applyInfoCard(s.infoCardOpen);
    });
}

void DashboardViewController::applyInfoCard(bool open) {
    if (detailsButton_) {
        const auto title = panel_->model().state.value().title;
        detailsButton_->setVisible(title == ZevuConnectionState::Connected && !open);
    }
    if (open == infoCardShown_) return;
    infoCardShown_ = open;
    if (open) {
        detail_ = new ConnectionDetailController();
        detail_->onClose = [this] { panel_->model().closeInfoCard(); };
        ConnectionDetailAnimationSegue(column_.data(), detail_.data()).perform();
    } else if (detail_) {
        dismissViewController(*detail_);
        detail_ = nullptr;
    }
    NotificationCenter::defaultCenter().post(ReferAFriendMessageController::connectionDetailOpenNotification, open);
}

void DashboardViewController::applyHeader() {
    if (!topView_) return;
    const auto header = panel_->model().state.value().header;
    const bool down = header == ZevuConnectionState::Disconnected || header == ZevuConnectionState::UnableToConnect;
    const QString top = down ? QStringLiteral("#4772A5") : QStringLiteral("#5A6067");
    const QString bottom = down ? QStringLiteral("#8AC0FF") : QStringLiteral("#3E4245");
    topView_->setStyleSheet(
        QStringLiteral("#topView { border-radius: 12px; background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2); }")
            .arg(top, bottom));
}

void DashboardViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    if (appkit::Window* first = appkit::Application::shared().firstWindow()) first->setContentSize(kMainWindowContentSize);
    panel_->viewWillAppear();
    card_->viewWillAppear();
    banner_->viewWillAppear();
}

void DashboardViewController::viewDidDisappear() {
    ViewController::viewDidDisappear();
    panel_->model().closeInfoCard();
}

}  // namespace morvex
