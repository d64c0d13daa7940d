#include "session/SwitchAccountModel.h"

namespace morvex {

SwitchAccountModel::SwitchAccountModel(NetworkingProtocol* networkingManager_, PreservedPreferences preference_,
                                       User userPreference_, std::shared_ptr<UserAuthentication> userAuthentication_,
                                       std::optional<UserAuthentication::VPNAccount> selectedAccount_)
    : networkingManager(networkingManager_),
      preference(std::move(preference_)),
      userPreference(std::move(userPreference_)),
      userAuthentication(std::move(userAuthentication_)),
      selectedAccount(std::move(selectedAccount_)) {}

std::vector<UserAuthentication::VPNAccount> SwitchAccountModel::userAccounts() const { return preference.vpnAccounts(); }

void SwitchAccountModel::setUserAccounts(const std::vector<UserAuthentication::VPNAccount>& accounts) {
    preference.setVpnAccounts(accounts);
}

}  // namespace morvex
