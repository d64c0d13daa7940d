#pragma once
// The account chooser's side of the sign-in: the sheet that lists a customer's VPN accounts tells
// its delegate which one was chosen, or that the user closed it without a choice. The sheet is the
// controller "SwitchAccountVC" of the storyboard "SwitchAccount" and implements AccountChooser.
#include <string>

#include "session/UserAuthentication.h"

namespace morvex {

class AccountSelectionDelegate {
public:
    virtual ~AccountSelectionDelegate() = default;
    virtual void selectAccount(const UserAuthentication::VPNAccount& account) = 0;
    virtual void accountChoiceCancelled() = 0;
};

class AccountChooser {
public:
    virtual ~AccountChooser() = default;
    virtual void setDelegate(AccountSelectionDelegate* delegate) = 0;
    // The notification the chooser posts when it has fetched the accounts.
    virtual void setFetchAccountNotification(std::string name) = 0;
};

}  // namespace morvex
