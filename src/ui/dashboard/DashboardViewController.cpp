#include "ui/dashboard/DashboardViewController.h"

#include <QHBoxLayout>
#include <algorithm>
#include <QPainter>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "app/WindowMetrics.h"
#include "appkit/Images.h"
#include "appkit/Window.h"
#include "ui/dashboard/ConnectButtonController.h"
#include "ui/dashboard/ConnectionComponentsController.h"
#include "ui/dashboard/ConnectionLocationController.h"
#include "ui/dashboard/DashboardStyle.h"
#include "ui/dashboard/DashboardWavesViewController.h"

namespace morvex {

namespace {

// White with the world map behind the panel.
class MapBackground : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        const int side = std::min(width(), height()) - 40;
        if (side <= 0) return;
        const QPixmap map = appkit::imageNamed("DashboardMap", QSize(side, side));
        painter.setOpacity(0.6);
        painter.drawPixmap(QRect(20, (height() - side) / 2, side, side), map);
    }
};

}  // namespace

DashboardViewController::DashboardViewController(QObject* parent)
    : ViewController(parent),
      connectButton_(new ConnectButtonController(this)),
      card_(new ConnectionLocationController(this)),
      waves_(new DashboardWavesViewController(this)) {
    auto* panelModel = new ConnectionComponentsModel(
        ConnectionComponentsController::collaborators(&connectButton_->model(), card_->sharedModel()));
    panel_ = new ConnectionComponentsController(panelModel, this);
}

DashboardViewController::~DashboardViewController() = default;

void DashboardViewController::loadView() {
    auto* view = new MapBackground;
    view->setObjectName(QStringLiteral("DashboardView"));
    auto* row = new QHBoxLayout(view);
    row->setContentsMargins(28, 28, 24, 24);
    row->setSpacing(28);
    row->addWidget(panel_->view(), 1);

    auto* pane = new QWidget(view);
    pane->setObjectName(QStringLiteral("topView"));
    pane->setAttribute(Qt::WA_StyledBackground);
    pane->setFixedWidth(300);
    topView_ = pane;
    auto* inside = new QVBoxLayout(pane);
    inside->setContentsMargins(16, 24, 16, 16);
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
    setView(view);
}

void DashboardViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    applyHeader();
    headerBinding_ = panel_->model().state.observe([this](const ConnectionComponentsModel::PanelState&) { applyHeader(); });
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
}

void DashboardViewController::viewDidDisappear() {
    ViewController::viewDidDisappear();
    panel_->model().closeInfoCard();
}

}  // namespace morvex
