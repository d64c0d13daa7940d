#include "ui/dashboard/ConnectionStateViewController.h"

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

ConnectionStateViewController::ConnectionStateViewController(appkit::ViewController* connection,
                                                             appkit::ViewController* troubleshoot,
                                                             appkit::UserNotificationCenter* notifications, QObject* parent)
    : ViewController(parent), connection_(connection), troubleshoot_(troubleshoot), notifications_(notifications) {
    if (connection_) connection_->setParent(this);
    if (troubleshoot_) troubleshoot_->setParent(this);
}

ConnectionStateViewController::~ConnectionStateViewController() { observers_.clear(); }

void ConnectionStateViewController::loadView() {
    stack_ = new QStackedWidget;
    stack_->setObjectName(QStringLiteral("ConnectionStateView"));
    stack_->addWidget(connection_ ? connection_->view() : new QWidget);
    stack_->addWidget(troubleshoot_ ? troubleshoot_->view() : new QWidget);
    setView(stack_);
}

int ConnectionStateViewController::selectedTabViewItemIndex() const { return stack_ ? stack_->currentIndex() : 0; }

void ConnectionStateViewController::setSelectedTabViewItemIndex(int index) {
    view();
    if (index < 0 || index >= stack_->count() || index == stack_->currentIndex()) return;
    // The pages hear that they leave and come, as the pages of a tab view do: the troubleshooting
    // page checks the account when it comes.
    appkit::ViewController* pages[] = {connection_.data(), troubleshoot_.data()};
    appkit::ViewController* leaving = pages[stack_->currentIndex()];
    appkit::ViewController* coming = pages[index];
    if (leaving) leaving->viewWillDisappear();
    if (coming) coming->viewWillAppear();
    stack_->setCurrentIndex(index);
    if (leaving) leaving->viewDidDisappear();
    if (coming) coming->viewDidAppear();
}

void ConnectionStateViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::stateNotification, this, [this](const Notification& n) {
        const auto* info = infoOf(n);
        if (!info) return;
        const auto reaction = model_.reactTo(*info);
        if (reaction.page) setSelectedTabViewItemIndex(static_cast<int>(*reaction.page));
        if (reaction.notification) {
            appkit::UserNotificationCenter& centre = notifications_ ? *notifications_ : appkit::UserNotificationCenter::current();
            postConnectionNotification(centre, *reaction.notification);
        }
    }));
    observers_.push_back(dashboard::observeOnMainThread(requestTroubleshootNotification, this, [this](const Notification& n) {
        utcProperties_.reset();
        std::optional<AppError> error;
        // The connection panel sends its request as a UserInfo (the error is an AppError value);
        // a plain Dictionary carries the properties alone.
        if (const auto* request = n.objectAs<UserInfo>()) {
            if (auto it = request->find("utcProperties"); it != request->end())
                if (const auto* properties = std::any_cast<Dictionary>(&it->second)) utcProperties_ = *properties;
            if (auto it = request->find("error"); it != request->end()) {
                if (const auto* value = std::any_cast<AppError>(&it->second)) error = *value;
                else if (const auto* shared = std::any_cast<std::shared_ptr<const AppError>>(&it->second); shared && *shared)
                    error = **shared;
            }
        } else if (const auto* object = n.objectAs<Dictionary>()) {
            if (auto it = object->find("utcProperties"); it != object->end())
                if (const auto* properties = it->second.get<Dictionary>()) utcProperties_ = *properties;
        }
        constexpr int troubleshootPage = static_cast<int>(ConnectionStateModel::Page::Troubleshoot);
        auto* input = router::inputOf<TroubleshootInput>(troubleshoot_.data());
        if (input) {
            input->setUtcProperties(utcProperties_);
            input->setError(std::move(error));
        }
        // A request while the page is up is for another attempt: the page looks again, as if it
        // came anew (for the same connection it keeps what it shows).
        if (input && selectedTabViewItemIndex() == troubleshootPage) troubleshoot_->viewWillAppear();
        else setSelectedTabViewItemIndex(troubleshootPage);
    }));
    observers_.push_back(dashboard::observeOnMainThread(dismissTroubleshootNotification, this, [this](const Notification&) {
        setSelectedTabViewItemIndex(static_cast<int>(ConnectionStateModel::Page::Connection));
    }));
    observers_.push_back(dashboard::observeOnMainThread(passwordChangedNotification, this, [](const Notification& n) {
        const auto* changed = n.objectAs<bool>();
        if (!changed || !*changed) return;
        Alert().showPasswordChanged(AppScreen::Dashboard, MorvexVPNService::makeEventTracker());
    }));
}

}  // namespace morvex
