#include "viewmodels/AutoDialModel.h"

#include "alerts/Alert.h"
#include "foundation/Bundle.h"

namespace morvex {

AutoDialModel::AutoDialModel() : AutoDialModel(AlertServices::installed().vpn, AppPreferences()) {}

AutoDialModel::AutoDialModel(std::shared_ptr<VPNControl> vpn, AppPreferences appPreferences)
    : vpn_(std::move(vpn)), appPreferences_(std::move(appPreferences)) {}

std::string AutoDialModel::countdownText() const {
    std::string format = localized("alert.iks.UTC.counter.message %@");
    // Filled by substitution, never by a printf-style formatter: a stray directive stays text.
    if (auto at = format.find("%@"); at != std::string::npos) format.replace(at, 2, std::to_string(start_));
    return format;
}

AutoDialModel::Tick AutoDialModel::tick(const SheetEnder& endSheet) {
    if (stopped_) return Tick::Stopped;
    if (start_ != end_) {
        --start_;
        return Tick::Counting;
    }
    stopped_ = true;
    if (!endSheet || !endSheet()) return Tick::Stopped;
    appPreferences_.setOnGoingConnectionId(connectionIdNow());
    if (vpn_) {
        vpn_->setDoCheckInternetConnectivity(false);
        vpn_->reconnectVPN();
    }
    return Tick::Reconnected;
}

}  // namespace morvex
