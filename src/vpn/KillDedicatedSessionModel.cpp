#include "vpn/KillDedicatedSessionModel.h"

namespace morvex {

void from_json(const nlohmann::json&, KillDedicatedSessionModel::Answer&) {}

KillDedicatedSessionModel::KillDedicatedSessionModel(User user_, Networking* networkingManager_)
    : user(std::move(user_)), networkingManager(networkingManager_) {}

void KillDedicatedSessionModel::killSession(Completion completion) const {
    const std::string vpnUsername = User().vpnUsername().value_or("");
    networkingManager->postKillDedicatedSession<Answer>(
        Networking::Parameters{{"vpn_username", vpnUsername}}, [completion = std::move(completion)](Result<Answer> answer) {
            if (!completion) return;
            if (answer) completion(true);
            else completion(std::unexpected(answer.error()));
        });
}

}  // namespace morvex
