#include "ui/dashboard/ReferAFriendMessageController.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "alerts/BaseViewController.h"
#include "viewmodels/MainTab.h"
#include "foundation/Bundle.h"
#include "state/AppPreferences.h"
#include "ui/kit/DashboardStyle.h"
#include "viewmodels/DashboardText.h"
#include "viewmodels/MainThreadObserver.h"
#include "ui/kit/ConnectionNotification.h"
#include "ui/kit/CustomButtons.h"
#include "ui/kit/Transformers.h"
#include "ui/shell/PageInputs.h"
#include "ui/shell/Router.h"
#include "vpn/AppError.h"
#include "flows/MorvexVPNService.h"
#include "zevu/ZevuCore.h"
#include "ui/dashboard/DashboardPaneParts.h"

namespace morvex {

using namespace dashboard_panes;

ReferAFriendMessageController::ReferAFriendMessageController(EventTracker tracker, QObject* parent)
    : ViewController(parent), model_(std::move(tracker)) {}

ReferAFriendMessageController::ReferAFriendMessageController(QObject* parent)
    : ReferAFriendMessageController(MorvexVPNService::makeEventTracker(), parent) {}

ReferAFriendMessageController::~ReferAFriendMessageController() { observers_.clear(); }

namespace {
// The invitation with its call to action drawn as a link would be.
class BannerLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> clicked;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clicked) clicked();
    }
};
}  // namespace

void ReferAFriendMessageController::loadView() {
    auto* label = new BannerLabel;
    label->setObjectName(QStringLiteral("referAFriendMessage"));
    label->setAccessibleName(QStringLiteral("btn_refer_a_friend_banner"));
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::RichText);
    label->setCursor(Qt::PointingHandCursor);
    label->setFont(dashboard::font(13));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, dashboard::color("HeadingText"));
    label->setPalette(p);
    label->clicked = [this] { messageClicked(); };
    label_ = label;
    setView(label);
}

void ReferAFriendMessageController::viewDidLoad() {
    ViewController::viewDidLoad();
    const auto& rgb = ReferAFriendMessageModel::kCallToActionRGB;
    const QColor cta = QColor::fromRgbF(float(rgb[0]), float(rgb[1]), float(rgb[2]));
    label_->setText(QStringLiteral("%1 <span style=\"color:%2;\">%3</span>")
                        .arg(QString::fromStdString(localized("dashboard.refer.a.friend.message")).toHtmlEscaped(), cta.name(),
                             QString::fromStdString(model_.buttonText()).toHtmlEscaped()));
    observers_.push_back(dashboard::observeOnMainThread(connectionDetailOpenNotification, this, [this](const Notification& n) {
        const auto* open = n.objectAs<bool>();
        if (!open) return;
        model_.applyDetailOpen(*open);
        applyHide();
    }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::stateNotification, this, [this](const Notification& n) {
        const auto* info = infoOf(n);
        if (!info) return;
        model_.applyState(info->state);
        applyHide();
    }));
    applyHide();
}

void ReferAFriendMessageController::applyHide() {
    if (label_) label_->setVisible(!model_.hide);
}

void ReferAFriendMessageController::viewWillAppear() {
    ViewController::viewWillAppear();
    model_.viewWillAppear();
}

void ReferAFriendMessageController::messageClicked() {
    model_.messageClicked();
    router::showTab(MainTab::ReferFriend);
}

}  // namespace morvex
