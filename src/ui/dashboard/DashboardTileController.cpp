#include "ui/dashboard/DashboardTileController.h"

#include <QVBoxLayout>

#include "foundation/Bundle.h"
#include "viewmodels/MainThreadObserver.h"
#include "ui/dashboard/DashboardPaneParts.h"

namespace morvex {

using namespace dashboard_panes;

DashboardTileController::DashboardTileController(Tile tile, DashboardRecentModel::Collaborators c, QObject* parent)
    : ViewController(parent), accountGate(defaultGate), spec_(std::move(tile)), model_(std::move(c)) {}

DashboardTileController::~DashboardTileController() { observers_.clear(); }

void DashboardTileController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QString::fromLatin1(spec_.viewName));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* caption = text(spec_.captionName, view, 12, QFont::Normal, "TabText");
    caption->setText(QString::fromStdString(localized(spec_.captionKey)));
    column->addWidget(caption);
    tile_ = tileButton(spec_.cardName, view);
    tile_->setAccessibleName(QString::fromLatin1(spec_.accessibleName));
    auto* inside = new QVBoxLayout(tile_);
    inside->setContentsMargins(0, 0, 0, 0);
    cell_ = new RecentsCellView(tile_);
    inside->addWidget(cell_);
    column->addWidget(tile_);
    connect(tile_, &QPushButton::clicked, this, [this] { tileClicked(); });
    setView(view);
}

void DashboardTileController::viewDidLoad() {
    ViewController::viewDidLoad();
    for (const auto name : spec_.reloadOn)
        observers_.push_back(dashboard::observeOnMainThread(name, this, [this](const Notification&) { reload(); }));
}

void DashboardTileController::viewWillAppear() {
    ViewController::viewWillAppear();
    if (beforeAppearing) beforeAppearing();
    reload();
}

void DashboardTileController::reload() {
    location_ = spec_.location ? spec_.location(model_) : nullptr;
    view();
    cell_->configure(location_);
    if (spec_.title) cell_->lblTitle()->setText(QString::fromStdString(spec_.title(location_)));
}

void DashboardTileController::tileClicked() {
    if (accountGate && !accountGate()) return;
    reload();
    if (location_ && spec_.dial) (model_.*spec_.dial)(location_);
}

}  // namespace morvex
