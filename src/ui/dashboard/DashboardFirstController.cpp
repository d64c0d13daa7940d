#include "ui/dashboard/DashboardFirstController.h"

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

DashboardFirstController::DashboardFirstController(DashboardRecentModel::Collaborators c, QObject* parent)
    : ViewController(parent), accountGate(defaultGate), model_(std::move(c)) {
    updateRecommendedLocation = [] { MorvexVPNService::makeZevu().updateRecommendedLocation(); };
}

DashboardFirstController::~DashboardFirstController() { observers_.clear(); }

void DashboardFirstController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("DashboardFirstView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* caption = text("lblRecommendedCaption", view, 12, QFont::Normal, "TabText");
    caption->setText(QString::fromStdString(localized("general.recommendedlocation.title")));
    column->addWidget(caption);
    tile_ = tileButton("recommendedTile", view);
    tile_->setAccessibleName(QStringLiteral("btn_recommended_location"));
    auto* row = new QHBoxLayout(tile_);
    row->setContentsMargins(16, 8, 16, 8);
    row->setSpacing(10);
    countryImgView_ = new QLabel(tile_);
    countryImgView_->setFixedSize(kFlagSide, kFlagSide);
    countryImgView_->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblName_ = text("lblName", tile_, 14, QFont::Medium, "HeadingText");
    lblName_->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblName_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(countryImgView_);
    row->addWidget(lblName_, 1);
    column->addWidget(tile_);
    connect(tile_, &QPushButton::clicked, this, [this] { recommendedClicked(); });
    setView(view);
}

void DashboardFirstController::viewDidLoad() {
    ViewController::viewDidLoad();
    observers_.push_back(dashboard::observeOnMainThread(PreservedPreferences::preferencesRefreshedNotification, this,
                                                        [this](const Notification&) { reload(); }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::recommendedServerUpdatedNotification, this,
                                                        [this](const Notification&) { reload(); }));
}

void DashboardFirstController::viewWillAppear() {
    ViewController::viewWillAppear();
    if (updateRecommendedLocation) updateRecommendedLocation();
    reload();
}

void DashboardFirstController::reload() {
    recommended_ = AppPreferences().recommendedServer();
    view();
    countryImgView_->clear();
    if (recommended_)
        countryImgView_->setPixmap(dashboard::roundFlag(dashboard::flagImageName(recommended_->code), kFlagSide,
                                                        dashboard::flagBorderColor()));
    lblName_->setText(recommended_ ? QString::fromStdString(dashboard::locationDisplayName(*recommended_))
                                   : QString::fromStdString(localized("recommended")));
}

void DashboardFirstController::recommendedClicked() {
    if (accountGate && !accountGate()) return;
    recommended_ = AppPreferences().recommendedServer();
    if (recommended_) model_.connect(recommended_);
}

}  // namespace morvex
