#pragma once
// The model behind the account switcher sheet: the signed-in customer's VPN accounts, read through
// on every access so that a list stored while the sheet is open shows at the next read.
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "alerts/Alert.h"
#include "session/UserAuthentication.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"

namespace morvex {

class NetworkingProtocol;

class SwitchAccountModel {
public:
    // Asks the initial screen to open the account switcher (no object); the account alerts post it.
    static constexpr std::string_view showVPNAccountsNotification = ShowVPNAccountsNotification;

    // Made only with all its collaborators, by the switcher sheet. The API client is the shared
    // one and is not owned.
    SwitchAccountModel(NetworkingProtocol* networkingManager, PreservedPreferences preference, User userPreference,
                       std::shared_ptr<UserAuthentication> userAuthentication,
                       std::optional<UserAuthentication::VPNAccount> selectedAccount = std::nullopt);

    // The stored per-client account list (empty when none); writing stores the list there.
    std::vector<UserAuthentication::VPNAccount> userAccounts() const;
    void setUserAccounts(const std::vector<UserAuthentication::VPNAccount>& accounts);

    NetworkingProtocol* networkingManager;
    PreservedPreferences preference;
    User userPreference;
    std::shared_ptr<UserAuthentication> userAuthentication;
    // The account picked in the table; none until the user picks one.
    std::optional<UserAuthentication::VPNAccount> selectedAccount;
};

}  // namespace morvex
