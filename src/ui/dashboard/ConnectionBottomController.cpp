#include "ui/dashboard/ConnectionBottomController.h"

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
#include "ui/dashboard/DashboardCancelController.h"
#include "ui/dashboard/DashboardFirstController.h"
#include "ui/dashboard/DashboardPaneParts.h"
#include "ui/dashboard/DashboardRecentController.h"

namespace morvex {

using namespace dashboard_panes;

ConnectionBottomController::ConnectionBottomController(Factory factory, std::shared_ptr<VPNControl> vpn, QObject* parent)
    : ViewController(parent), factory_(std::move(factory)), vpn_(std::move(vpn)) {
    if (!factory_) {
        factory_ = [](Component c) -> appkit::ViewController* {
            switch (c) {
            case Component::segueDashboardFirst: return new DashboardFirstController();
            case Component::segueRecent: return new DashboardRecentController();
            case Component::segueCancel: return new DashboardCancelController();
            case Component::None: return nullptr;
            }
            return nullptr;
        };
    }
}

ConnectionBottomController::~ConnectionBottomController() { observers_.clear(); }

int ConnectionBottomController::sdkStatus() const {
    if (vpn_) return vpn_->getCurrentVPNStatus();
    if (auto installed = AlertServices::installed().vpn) return installed->getCurrentVPNStatus();
    return zevu::ZevuManager::sharedInstance()->getCurrentVPNStatus();
}

int ConnectionBottomController::performed(Component c) const {
    auto it = performed_.find(c);
    return it == performed_.end() ? 0 : it->second;
}

void ConnectionBottomController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("ConnectionBottomView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    setView(view);
}

void ConnectionBottomController::viewDidLoad() {
    ViewController::viewDidLoad();
    observers_.push_back(dashboard::observeOnMainThread(PreservedPreferences::preferencesRefreshedNotification, this,
                                                        [this](const Notification&) { show(Component::segueDashboardFirst); }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::stateNotification, this, [this](const Notification& n) {
        const auto* info = infoOf(n);
        if (!info) return;
        if (const auto c = model_.componentForReport(*info)) show(*c);
    }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::sdkInitializedNotification, this, [this](const Notification&) {
        if (sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected)) show(Component::None);
    }));
    show(model_.componentForStatus(sdkStatus()));
}

void ConnectionBottomController::show(Component component) {
    model_.segueToPerform = component;
    QWidget* pane = view();
    // One component at a time: the one shown goes before the next one comes.
    if (shown_) {
        shown_->view()->hide();
        shown_->deleteLater();
        shown_ = nullptr;
    }
    if (component == Component::None) return;
    appkit::ViewController* next = factory_ ? factory_(component) : nullptr;
    if (!next) return;
    next->setParent(this);
    shown_ = next;
    ++performed_[component];
    pane->layout()->addWidget(next->view());
    next->viewWillAppear();
    next->view()->show();
}

}  // namespace morvex
