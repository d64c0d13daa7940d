#include "app/InitialViewController.h"

#include "alerts/Alert.h"
#include "ui/shell/EmptyPageViewController.h"
#include "app/Storyboards.h"
#include "app/UpdateViewController.h"
#include "ui/shell/WindowMetrics.h"
#include "appkit/Window.h"
#include "appkit/Storyboard.h"
#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "api/Networking.h"
#include "session/ProfileModel.h"
#include "flows/MorvexVPNService.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "ui/kit/ValueTransformers.h"

namespace morvex {

namespace {
using Kind = InitialModel::Status::Kind;
}

InitialViewController::InitialViewController(QObject* parent) : InitialViewController(std::make_unique<InitialModel>(), parent) {}

InitialViewController::InitialViewController(std::unique_ptr<InitialModel> model, QObject* parent)
    : TabViewController(parent), model_(std::move(model)) {
    // The screens' bindings name their transformers; the pages are made after this.
    registerValueTransformers();
}

InitialViewController::~InitialViewController() {
    model_->setDelegate(nullptr);
    observers_.clear();
}

void InitialViewController::loadView() {
    for (std::string_view id : {kSignInPageID, kMainContentPageID, kUpdatePageID}) addPage(id);
    TabViewController::loadView();
}

void InitialViewController::addPage(std::string_view identifier) {
    const appkit::Storyboard* board = storyboard() ? storyboard() : appkit::Storyboard::named(kMainStoryboard);
    QObject* made = board ? board->instantiateController(identifier) : nullptr;
    auto* page = qobject_cast<appkit::ViewController*>(made);
    if (!page) {
        delete made;
        page = new EmptyPageViewController;
        page->setObjectName(QString::fromUtf8(identifier.data(), static_cast<qsizetype>(identifier.size())));
    }
    addChildViewController(page);
}

void InitialViewController::viewDidLoad() {
    TabViewController::viewDidLoad();
    updateController_ = qobject_cast<UpdateViewController*>(pageController(Page::Update));
    NotificationCenter& center = NotificationCenter::defaultCenter();
    QPointer<InitialViewController> self(this);
    observers_.push_back(center.addObserver(remindMeLaterNotification, [self](const Notification&) {
        DispatchQueue::main().async([self] {
            if (self) self->remindLaterClicked();
        });
    }));
    observers_.push_back(center.addObserver(showVPNAccountsNotification, [self](const Notification&) {
        DispatchQueue::main().async([self] {
            if (self) self->switchAccount();
        });
    }));
    model_->setDelegate(this);
}

void InitialViewController::viewWillAppear() {
    TabViewController::viewWillAppear();
    // The window opens at the standard content size; a page may set it again as it appears.
    if (appkit::Window* first = appkit::Application::shared().firstWindow()) first->setContentSize(kMainWindowContentSize);
    if (model_->checkDataStoreVersion()) Alert().showDataStoreUpgraded();
}

void InitialViewController::updateStatus(const InitialModel::Status& status) {
    QPointer<InitialViewController> self(this);
    DispatchQueue::main().async([self, status] {
        if (self) self->applyStatus(status);
    });
}

void InitialViewController::applyStatus(const InitialModel::Status& status) {
    if (selectedPage() == Page::Update) {
        Alert().dismissSheet();
        return;
    }
    switch (status.kind) {
    case Kind::LoggedIn: selectPage(model_->showDashboard() ? Page::MainContent : Page::SignIn); break;
    case Kind::LoggedOut: selectPage(Page::SignIn); break;
    case Kind::AppUptoDate:
        PreservedPreferences().setManuallyCheckForUpdate(false);
        Alert().dismissSheet();
        Alert().showLocalized("update.upto-date.alert.title", "update.upto-date.alert.message");
        break;
    case Kind::ForceUpdateAvailableAndConnected:
        Alert().dismissSheet();
        Alert().showLocalized("update.available.alert.title", "update.available.alert.message");
        break;
    case Kind::UpdateAvailable:
    case Kind::ForceUpdateAvailable: {
        Alert().dismissSheet();
        if (updateController_ && status.info) updateController_->fill(false, *status.info);
        PreservedPreferences preferences;
        if (preferences.automaticallyCheckForUpdate() || preferences.manuallyCheckForUpdate()) selectPage(Page::Update);
        break;
    }
    }
}

void InitialViewController::remindLaterClicked() { selectPage(User().loggedIn() ? Page::MainContent : Page::SignIn); }

void InitialViewController::switchAccount() {
    const int status = model_->vpnStatus();
    if (status == 2 || status == 3) {
        Alert().showLocalized("vpn.connected", "vpn.already-connected");
        return;
    }
    appkit::Storyboard* board = appkit::Storyboard::named(kSwitchAccountStoryboard);
    QObject* made = board ? board->instantiateController(kSwitchAccountSceneID) : nullptr;
    auto* chooser = qobject_cast<appkit::ViewController*>(made);
    if (!chooser) {
        delete made;
        log::print("[InitialViewController] no account chooser to show");
        return;
    }
    if (auto* choosing = dynamic_cast<AccountChooser*>(made)) choosing->setDelegate(this);
    presentAsSheet(chooser);
}

}  // namespace morvex

namespace morvex {

void InitialViewController::accountSelected(const UserAuthentication::VPNAccount& account) {
    UserAuthentication auth;
    User().setVpnUsername(account.username);
    QPointer<InitialViewController> self(this);
    std::weak_ptr<const void> owner = lifetime_.token();
    auth.fetchVPNPassword(account.username, std::nullopt, std::nullopt, [auth, account, self, owner](UserAuthentication::PasswordResult result) mutable {
        auto afterSave = [account, self, owner](const UserAuthentication::PasswordResult& saved) {
            if (saved) {
                ProfileModel(Networking::shared(), User(), MorvexVPNService::makeEventTracker(), PreservedPreferences(),
                             UserAuthentication())
                    .fetchProfile({});
                return;
            }
            const LoginError& failure = saved.error();
            if (failure.kind != LoginError::Kind::UnableToFetchPassword && failure.kind != LoginError::Kind::UnableToDecryptPassword) return;
            const Error error = failure.error.value_or(Error("MorvexVPNError", -1, failure.description()));
            Alert().showVPNPasswordFailed(AppScreen::SwitchAccount, error, MorvexVPNService::makeEventTracker(),
                                          OwnedCallback<>(owner, [self, account] {
                                              if (self) self->accountSelected(account);
                                          }));
        };
        if (result) auth.saveLoggedInUser(std::move(result), account, afterSave);
        else afterSave(result);
    });
}

}  // namespace morvex
