#pragma once
// The cancel pane of the bottom pane, shown while a tunnel is coming up.
#include <QLabel>
#include <QPushButton>
#include <QPointer>
#include <QStackedWidget>
#include <memory>
#include <vector>

#include "appkit/UserNotifications.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/DashboardPaneModels.h"
#include "viewmodels/DashboardRecentModel.h"
#include "ui/kit/CustomButtons.h"
#include "ui/kit/RecentsCellView.h"

namespace morvex {

class DashboardCancelController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit DashboardCancelController(DashboardCancelModel::Collaborators c = DashboardCancelModel::defaults(),
                                       QObject* parent = nullptr);
    CustomButton* cancelButton() const { return button_; }
    void loadView() override;
    void cancelConnectionClicked();

private:
    DashboardCancelModel model_;
    QPointer<CustomButton> button_;
};

}  // namespace morvex
