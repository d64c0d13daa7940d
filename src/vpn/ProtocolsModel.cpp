#include "vpn/ProtocolsModel.h"

#include <algorithm>
#include <array>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "foundation/Log.h"
#include "zevu/ZevuCore.h"

namespace morvex {

namespace {

constexpr std::array<std::string_view, 5> kStatusTexts{"NotInstalled", "Installed", "RebootRequired",
                                                        "UserApprovalRequired", "Error"};

// Refusals and SDK failures the protocol page shows: busy (-1002, -1001), offline (-1000), an
// attempt already under way (5043), a cancelled one (5104) and 5129.
constexpr std::array<int, 6> kShownConnectErrors{-1002, -1001, -1000, 5043, 5104, 5129};

bool isDedicatedIP(const AppPreferences::LastConnection& record) {
    return record.server && record.server->type == ZevuDataFetcherTypes::ServerType::DedicatedIp;
}

}  // namespace

ProtocolsModel::ProtocolsModel(PreservedPreferences preservedPreference_, AppPreferences appPreferences_, Zevu zevu_,
                               EventTracker eventTracker_)
    : preservedPreference(std::move(preservedPreference_)),
      appPreferences(std::move(appPreferences_)),
      zevu(std::move(zevu_)),
      eventTracker(std::move(eventTracker_)),
      afterDelay([](double seconds, std::function<void()> block) {
          auto services = AlertServices::installed();
          if (services.afterDelay) services.afterDelay(seconds, std::move(block));
      }) {}

void ProtocolsModel::selectProtocol(VPNProtocol protocol) {
    const int status = zevu.zevuManager ? zevu.zevuManager->getCurrentVPNStatus() : 0;
    const bool connected = status == zevu::rawValue(zevu::ZevuVPNState::Connected);
    // With no last connection there is nothing to reconnect to, so no question would come and the
    // pick would be lost: it is stored for the next connection instead.
    if (connected && preservedPreference.selectedProtocol() != protocol && appPreferences.lastConnection()) {
        log::print("[Protocol Selected] " + std::string(rawValue(protocol)));
        afterDelay(0.1, lifetime_.callback<>([this, protocol] {
                            confirmProtocolChange(protocol, [this, protocol](bool accepted) {
                                saveSelectedProtocol(accepted, protocol);
                            });
                        }));
        return;
    }
    preservedPreference.setSelectedProtocol(protocol);
    if (delegate) delegate->selectedProtocolChanged(preservedPreference.selectedProtocol());
}

void ProtocolsModel::saveSelectedProtocol(bool accepted, VPNProtocol protocol) {
    if (accepted) preservedPreference.setSelectedProtocol(protocol);
    if (delegate) delegate->selectedProtocolChanged(preservedPreference.selectedProtocol());
}

std::string_view ProtocolsModel::reconnectMessageKey(const LastConnection& record, VPNProtocol protocol) {
    if (record.server && record.server->protocols &&
        std::ranges::find(*record.server->protocols, protocol) == record.server->protocols->end())
        return "alert.protocol.change.reconnect.not.supported.message";
    return "alert.protocol.change.reconnect.message";
}

void ProtocolsModel::confirmProtocolChange(VPNProtocol protocol, std::function<void(bool)> completion) {
    const auto record = appPreferences.lastConnection();
    if (!record) return;
    const auto messageKey = reconnectMessageKey(*record, protocol);
    const VPNProtocol stored = preservedPreference.selectedProtocol();
    log::print("-- PreSelected Protocol Name: " + std::string(title(stored)));
    log::print("-- Selected Protocol Name: " + std::string(title(protocol)));
    if (preservedPreference.automaticProtocol() && stored == protocol) return;
    if (isDedicatedIP(*record) && (protocol == VPNProtocol::IPSec || protocol == VPNProtocol::WireGuard)) {
        Alert().showDedicatedProtocolWarning(title(protocol));
        return;
    }
    const ConnectionDescription requested{record->connectVia, record->selectedInterface,
                                          ZevuTypes::SelectedInterfaceScreen::ConnectionProtocol,
                                          record->server ? record->server->name : std::string()};
    auto window = delegate ? delegate->alertWindow() : nullptr;
    Alert().showProtocolChangeReconnect(std::move(window), messageKey, requested, EventTracker(),
                                        lifetime_.callback<bool>([this, record = *record, completion](bool accepted) {
                                            scheduleReconnect(accepted, record, completion);
                                        }));
}

void ProtocolsModel::scheduleReconnect(bool accepted, const LastConnection& record,
                                       const std::function<void(bool)>& completion) {
    if (completion) completion(accepted);
    if (!accepted) return;
    afterDelay(0.2, lifetime_.callback<>([this, record] { reconnectWithSelectedProtocol(record); }));
}

void ProtocolsModel::reconnectWithSelectedProtocol(const LastConnection& record) {
    zevu.connectToLocation(record.server, record.connectVia, ZevuTypes::SelectedInterfaceScreen::ConnectionProtocol,
                           ZevuTypes::ConnectionInitiatedBy::User, record.selectedInterface, false, false,
                           alertOnConnectError);
}

SystemExtensionStatus ProtocolsModel::systemExtensionStatus() const {
    const auto openVPN = appPreferences.openVPNSystemExtensionStatus();
    const auto wireGuard = appPreferences.wgSystemExtensionStatus();
    if (!openVPN || !wireGuard || *openVPN == SystemExtensionStatus::NotRecorded ||
        *wireGuard == SystemExtensionStatus::NotRecorded)
        return SystemExtensionStatus::NotRecorded;
    return std::max(*openVPN, *wireGuard);
}

std::string_view ProtocolsModel::systemExtensionStatusText(SystemExtensionStatus status) {
    return kStatusTexts.at(static_cast<std::size_t>(status));
}

void ProtocolsModel::trackExtensionLiveChat(std::string_view extensionType, EventTracker tracker) const {
    std::int64_t errorCode = 0;
    if (appPreferences.openVPNSystemExtensionStatus() == SystemExtensionStatus::Failed)
        errorCode = appPreferences.defaults().integer(AppPreferences::Key::openVPNSystemExtensionErrorCode);
    else if (appPreferences.wgSystemExtensionStatus() == SystemExtensionStatus::Failed)
        errorCode = appPreferences.defaults().integer(AppPreferences::Key::wgSystemExtensionErrorCode);
    tracker.track(AnalyticsEvent::app_click_live_chat_extension,
                  Dictionary{{"extension_type", std::string(extensionType)},
                             {"error_code", errorCode},
                             {"error_message", std::string(systemExtensionStatusText(systemExtensionStatus()))},
                             {"selected_interface", std::string("Preferences")},
                             {"selected_interface_screen", std::string("Protocol")}});
}

void alertOnConnectError(const std::optional<Error>& error) {
    if (!error) return;
    if (std::ranges::find(kShownConnectErrors, error->code) == kShownConnectErrors.end()) return;
    Alert().showError(*error);
}

}  // namespace morvex
