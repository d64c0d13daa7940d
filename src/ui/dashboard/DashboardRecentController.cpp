#include "ui/dashboard/DashboardRecentController.h"

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

DashboardRecentController::DashboardRecentController(DashboardRecentModel::Collaborators c, QObject* parent)
    : ViewController(parent), accountGate(defaultGate), model_(std::move(c)) {}

DashboardRecentController::~DashboardRecentController() { observers_.clear(); }

void DashboardRecentController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("DashboardRecentView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* caption = text("lblRecentCaption", view, 12, QFont::Normal, "TabText");
    caption->setText(QString::fromStdString(localized("dashboard.recent.title")));
    column->addWidget(caption);
    tile_ = tileButton("recentTile", view);
    tile_->setAccessibleName(QStringLiteral("btn_recent_location"));
    auto* inside = new QVBoxLayout(tile_);
    inside->setContentsMargins(0, 0, 0, 0);
    cell_ = new RecentsCellView(tile_);
    inside->addWidget(cell_);
    column->addWidget(tile_);
    connect(tile_, &QPushButton::clicked, this, [this] { recentClicked(); });
    setView(view);
}

void DashboardRecentController::viewDidLoad() {
    ViewController::viewDidLoad();
    observers_.push_back(dashboard::observeOnMainThread(PreservedPreferences::preferencesRefreshedNotification, this,
                                                        [this](const Notification&) { recent_ = model_.firstRecent(); }));
}

void DashboardRecentController::viewWillAppear() {
    ViewController::viewWillAppear();
    show(model_.firstRecent());
}

void DashboardRecentController::show(const ZevuDataFetcherTypes::ServerPtr& server) {
    recent_ = server;
    view();
    cell_->configure(server);
}

void DashboardRecentController::recentClicked() {
    if (accountGate && !accountGate()) return;
    if (!recent_) return;
    model_.dial(recent_);
}

}  // namespace morvex
