#pragma once
// The profile page of the main window: the signed-in account's e-mail, VPN user name,
// subscription type and status, billing cycle and expiry date, the account's add-ons, the
// member-area and switch-account buttons, and the logout button.
//
// The page's state is the set of fields below; the view only shows them (`refreshView`). Each
// appearance resets the fields to the "---" placeholder and asks the service for the profile
// again; an account switch asks again without the reset; a sign-out blanks the texts. While the
// request is under way a line above the fields says so; a failed request leaves what is shown and
// puts a message with a retry button in that line.
//
// Threads: main thread only. The request layer answers on the main queue.
#include <QPointer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "appkit/ViewController.h"
#include "foundation/Lifetime.h"
#include "foundation/NotificationCenter.h"
#include "session/ProfileModel.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QToolButton;
class QVBoxLayout;
class QWidget;

namespace morvex {

class CustomView;

class ProfileViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardID = "ProfileViewController";
    // The text of a value not known yet.
    static constexpr std::string_view kPlaceholder = "---";

    // With the default collaborators (the shared API client and the standard stores), or the
    // model given.
    explicit ProfileViewController(QObject* parent = nullptr);
    explicit ProfileViewController(std::unique_ptr<ProfileModel> model, QObject* parent = nullptr);
    ~ProfileViewController() override;

    // What the page shows.
    std::string email{kPlaceholder};
    std::string username{kPlaceholder};
    std::string subscriptionType{kPlaceholder};
    std::string subscriptionStatus{kPlaceholder};
    std::string expiry{kPlaceholder};
    std::optional<std::string> expiryTextColor;  // a colour name; none: the caption's default
    std::string billingCycle{kPlaceholder};
    bool loadingProfile = false;
    // The failure of the last request, in the user's language; none while loading or after success.
    std::optional<std::string> loadError;
    bool hidePinvaultAddon = false;
    bool hideAddonsTableView = false;
    int vpnAccountCount = 0;
    bool hideMemberAreaButton = false;
    bool showAddonsSection = false;
    std::optional<std::string> expiryReason;
    std::optional<std::string> gracePeriodMessage;
    std::optional<std::string> subscriptionStatusMessage;
    std::vector<ActiveAddon> activeAddonsContent;
    // The caption before the expiry date and its colour name.
    std::string expiryCaption;
    std::string expiryCaptionColor{"TabText"};
    // Tool tips of the user name and e-mail boxes.
    std::string usernameToolTip;
    std::string emailToolTip;

    // False while the user name is the placeholder or empty.
    bool showCopyUsername() const;

    ProfileModel& model() { return *model_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    void logoutClicked();
    void memberAreaClicked();
    void switchAccountClicked();
    void copyUsernameClicked();
    void loggedInPreferenceChanged();
    void vpnAccountDidChange();
    void resetProfileFields();
    void clearProfileFields();
    void fetchProfile();
    void applyProfile(const Result<ProfileResponseModel>& result);
    // Shows the fields in the view (when it is loaded).
    void refreshView();

    // The widgets, for tests and pictures.
    QPointer<CustomView> usernameView;
    QPointer<CustomView> emailView;
    QPointer<QLabel> lblExpire;
    QPointer<QPushButton> logoutButton;
    QPointer<QPushButton> memberAreaButton;
    QPointer<QPushButton> switchAccountButton;
    QPointer<QToolButton> copyUsernameButton;
    QPointer<QTableWidget> addonsTable;
    QPointer<QWidget> addonsSection;
    QPointer<QWidget> pinvaultOffer;
    // The loading line: "Loading…", or the failure and its retry button.
    QPointer<QWidget> statusRow;
    QPointer<QLabel> statusLabel;
    QPointer<QPushButton> retryButton;

private:
    void recomputeMemberAreaButton();
    QLabel* valueLabel(const char* name) const;

    std::unique_ptr<ProfileModel> model_;
    std::vector<ObserverToken> observers_;
    // Answers of a page that is gone are dropped.
    Lifetime lifetime_;
};

}  // namespace morvex
