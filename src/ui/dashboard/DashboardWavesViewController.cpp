#include "ui/dashboard/DashboardWavesViewController.h"

#include "ui/dashboard/CursorChangingView.h"
#include "viewmodels/MainThreadObserver.h"

namespace morvex {

DashboardWavesViewController::DashboardWavesViewController(QObject* parent) : ViewController(parent) {}

DashboardWavesViewController::~DashboardWavesViewController() { observers_.clear(); }

void DashboardWavesViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("DashboardWavesView"));
    view->setFixedSize(kSide, kSide);
    view->setAttribute(Qt::WA_TranslucentBackground);
    setView(view);
}

void DashboardWavesViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    auto* area = new CursorChangingView(view());
    area->setObjectName(QStringLiteral("wavesAnimation"));
    area->setGeometry(0, 0, kSide, kSide);
    // No animation is given yet; the area stays empty rather than showing the missing picture.
    area->setVisible(false);
    animationView_ = area;
    // The reports are heard and change nothing.
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::stateNotification, this, [](const Notification&) {}));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::sdkInitializedNotification, this, [](const Notification&) {}));
}

}  // namespace morvex
