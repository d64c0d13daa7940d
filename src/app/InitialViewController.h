#pragma once
// The content of the main window: three pages, of which one shows at a time: the sign-in page,
// the main content and the update page. The pages are scenes of the main storyboard, made by
// their identifiers when the root's view loads, so a screen joins by registering its scene under
// the page's identifier (a scene not registered shows an empty page). The page on show is chosen
// only by the launch model's statuses, "remind me later" on the update page, and `selectPage`.
//
// The root owns the launch model (viewmodels/InitialModel.h), made with the root and so before any page:
// the model registers the value transformers the pages' bindings name.
//
// Threads: main thread, except `updateStatus`, which may come from any thread and hops to the
// main queue before it touches a page.
#include <memory>
#include <string_view>
#include <vector>

#include <QPointer>

#include "foundation/Lifetime.h"
#include "viewmodels/InitialModel.h"
#include "app/UpdateViewController.h"
#include "appkit/TabViewController.h"
#include "foundation/NotificationCenter.h"
#include "session/UserAuthentication.h"
#include "ui/shell/AccountSelection.h"

namespace morvex {

class InitialViewController : public appkit::TabViewController,
                              public InitialModel::Delegate,
                              public AccountSelectionDelegate {
    Q_OBJECT
public:
    // The pages, by their place.
    enum class Page { SignIn = 0, MainContent = 1, Update = 2 };

    // The storyboard identifiers of the three pages' scenes.
    static constexpr std::string_view kSignInPageID = "LoginStoryboardID";
    static constexpr std::string_view kMainContentPageID = "AppMainViewController";
    static constexpr std::string_view kUpdatePageID = "UpdateViewController";
    // Its own scene in the main storyboard.
    static constexpr std::string_view kStoryboardID = "InitialViewController";

    static constexpr std::string_view remindMeLaterNotification = "RemindMeLaterClicked";
    static constexpr std::string_view showVPNAccountsNotification = "ShowVPNAccountsNotification";
    // Where the account chooser comes from.
    static constexpr std::string_view kSwitchAccountStoryboard = "SwitchAccount";
    static constexpr std::string_view kSwitchAccountSceneID = "SwitchAccountVC";

    // With the launch model and its usual collaborators, or with the one given.
    explicit InitialViewController(QObject* parent = nullptr);
    explicit InitialViewController(std::unique_ptr<InitialModel> model, QObject* parent = nullptr);
    ~InitialViewController() override;

    InitialModel& model() { return *model_; }

    Page selectedPage() const { return static_cast<Page>(selectedTabViewItemIndex()); }
    void selectPage(Page page) { setSelectedTabViewItemIndex(static_cast<int>(page)); }
    // The controller of a page (made when the view loads); null before.
    appkit::ViewController* pageController(Page page) const { return childViewControllerAt(static_cast<int>(page)); }
    // The update page's controller when page 2 is an UpdateViewController.
    UpdateViewController* updateController() const { return updateController_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    // InitialModel::Delegate: applied on the main queue.
    void updateStatus(const InitialModel::Status& status) override;
    // What a status does to the pages, alerts and the update page (main thread).
    void applyStatus(const InitialModel::Status& status);

    void remindLaterClicked();
    // Opens the account chooser, or says why not while a tunnel is up.
    void switchAccount();
    // The account chosen in the chooser: its password fetched and the user saved with it, then its
    // profile; a password that could not be fetched or read offers a retry.
    void accountSelected(const UserAuthentication::VPNAccount& account);

    // AccountSelectionDelegate: the chooser this root opened hands its answer here; closing it
    // without a choice changes nothing.
    void selectAccount(const UserAuthentication::VPNAccount& account) override { accountSelected(account); }
    void accountChoiceCancelled() override {}

private:
    void addPage(std::string_view identifier);

    std::unique_ptr<InitialModel> model_;
    QPointer<UpdateViewController> updateController_;
    std::vector<ObserverToken> observers_;
    Lifetime lifetime_;  // owner of alert callbacks
};

}  // namespace morvex
