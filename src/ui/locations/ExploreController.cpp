#include "ui/locations/ExploreController.h"

#include <QHBoxLayout>
#include <QLabel>

#include "ui/shell/WindowMetrics.h"
#include "appkit/Application.h"
#include "appkit/Window.h"
#include "catalog/LocationLists.h"
#include "foundation/Bundle.h"
#include "ui/kit/DashboardStyle.h"
#include "ui/kit/CustomButtons.h"
#include "ui/locations/LocationsCellStyle.h"

namespace morvex {
namespace {

void sizeMainWindow() {
    if (auto* window = appkit::Application::shared().firstWindow()) window->setContentSize(kMainWindowContentSize);
}

}  // namespace

ExploreController::ExploreController(QObject* parent) : ViewController(parent) {}

ExploreController::~ExploreController() { observers_.clear(); }

void ExploreController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("ExploreHeader"));
    auto* line = new QHBoxLayout(view);
    line->setContentsMargins(cellstyle::kSidePadding, 8, cellstyle::kSidePadding - 4, 4);
    line->setSpacing(6);
    auto* title = cellstyle::titleLabel(view, 20);
    title->setObjectName(QStringLiteral("lblExploreTitle"));
    title->setFont(dashboard::font(20, QFont::Bold));
    title->setText(QString::fromStdString(localized("explore.title")));
    lblLastPing_ = cellstyle::titleLabel(view, 12);
    lblLastPing_->setObjectName(QStringLiteral("lblLastPing"));
    lblLastPing_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    cellstyle::setTextColor(lblLastPing_, "TabText");
    btnRefresh_ = cellstyle::iconButton("btnRefreshPing", "LocationsRefreshPing", view);
    btnRefresh_->setToolTip(QString::fromStdString(localized("explore.refresh.ping")));
    line->addWidget(title, 1);
    line->addWidget(lblLastPing_);
    line->addWidget(btnRefresh_);
    connect(btnRefresh_, &QAbstractButton::clicked, this, [this] { refreshPingClicked(); });

    // What the header's controls show follows the three properties.
    bindings_.push_back(showRefreshPingView.observe(
        [this](const bool& show) {
            lblLastPing_->setVisible(show);
            btnRefresh_->setVisible(show);
        },
        true));
    auto showText = [this] {
        const std::string when = lastPing.value().value_or("");
        const std::string text = refreshing.value() ? localized("explore.pinging")
                                                    : localized("explore.last.ping") + " " + when;
        lblLastPing_->setText(QString::fromStdString(text));
    };
    bindings_.push_back(lastPing.observe([showText](const auto&) { showText(); }, true));
    bindings_.push_back(refreshing.observe(
        [this, showText](const bool& busy) {
            btnRefresh_->setEnabled(!busy);
            showText();
        },
        true));
    setView(view);
}

void ExploreController::viewDidLoad() {
    ViewController::viewDidLoad();
    sizeMainWindow();
    auto& center = NotificationCenter::defaultCenter();
    observers_.push_back(center.addObserver(locationNotifications::enablePingChanged,
                                            [this](const Notification& n) { enablePingChanged(n); }));
    observers_.push_back(center.addObserver(locationNotifications::pingedAtChanged, [this](const Notification&) { pingAtChanged(); }));
    // A run that failed or did not ping ends the waiting too, with the old time still shown.
    observers_.push_back(center.addObserver(locationNotifications::pingRunEnded, [this](const Notification&) { pingAtChanged(); }));
}

void ExploreController::viewWillAppear() {
    ViewController::viewWillAppear();
    showRefreshPingView.set(PreservedPreferences().enablePing());
    lastPing.set(model.lastPingText());
    sizeMainWindow();
}

void ExploreController::refreshPingClicked() {
    refreshing.set(true);
    // With no catalogue to hear the request no run starts, and nothing would end the waiting.
    if (NotificationCenter::defaultCenter().post(locationNotifications::refreshPingValues) == 0) pingAtChanged();
}

void ExploreController::enablePingChanged(const Notification& notification) {
    if (const auto* enabled = notification.objectAs<bool>()) showRefreshPingView.set(*enabled);
}

void ExploreController::pingAtChanged() {
    refreshing.set(false);
    lastPing.set(model.lastPingText());
}

}  // namespace morvex
