#include "ui/dashboard/DashboardCancelController.h"

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

DashboardCancelController::DashboardCancelController(DashboardCancelModel::Collaborators c, QObject* parent)
    : ViewController(parent), model_(std::move(c)) {}

void DashboardCancelController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("DashboardCancelView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    button_ = new CustomButton(view);
    button_->setObjectName(QStringLiteral("cancelConnectionButton"));
    button_->setAccessibleName(QStringLiteral("btn_cancel_connection"));
    button_->setText(QString::fromStdString(localized("dashboard.cancel.connection")));
    button_->setBackgroundColor(ThemedColor::colorNamed("ThemeFill", QColor(0x47, 0x72, 0xA5)));
    button_->setRoundCorners(true);
    button_->setMinimumHeight(44);
    button_->setFont(dashboard::font(14, QFont::Medium));
    QPalette palette = button_->palette();
    palette.setColor(QPalette::ButtonText, Qt::white);
    button_->setPalette(palette);
    button_->setCursor(Qt::PointingHandCursor);
    column->addWidget(button_);
    connect(button_, &QPushButton::clicked, this, [this] { cancelConnectionClicked(); });
    setView(view);
}

void DashboardCancelController::cancelConnectionClicked() {
    QPointer<CustomButton> button(button_);
    model_.cancelConnectionClicked([button](bool enabled) {
        if (button) button->setEnabled(enabled);
    });
}

}  // namespace morvex
