#include "vpn/ConnectAttemptProperties.h"

namespace morvex {

Dictionary connectAttemptProperties(const AppPreferences& app, const PreservedPreferences& prefs,
                                    const std::optional<std::string>& firstFilterNasIdentifier) {
    const auto record = app.lastConnection();
    const auto server = record ? record->server : nullptr;
    const std::optional<std::string> code = server ? std::optional(server->code) : std::nullopt;

    bool filteredRequested = false;
    if (code) {
        if (auto ratings = prefs.personalizeServer()) {
            auto it = ratings->find(*code);
            if (it != ratings->end() && !it->second.empty()) filteredRequested = it->second.front().liked;
        }
    }
    auto text = [&](auto member) -> std::string { return record ? std::string(rawValue((*record).*member)) : ""; };
    const auto domains = prefs.connectOnDemandMatchDomains();

    return Dictionary{
        {"selected_protocol_name",
         prefs.automaticProtocol() ? std::string("Automatic") : std::string(rawValue(prefs.selectedProtocol()))},
        {"connect_via", text(&AppPreferences::LastConnection::connectVia)},
        {"selected_interface", text(&AppPreferences::LastConnection::selectedInterface)},
        {"selected_interface_screen", text(&AppPreferences::LastConnection::selectedInterfaceScreen)},
        {"connection_initiated_by", text(&AppPreferences::LastConnection::connectionInitiatedBy)},
        {"iks_enabled", prefs.enableIKS()},
        {"auto_reconnect", prefs.autoReconnectOnConnectionDrop()},
        {"on_demand_vpn", prefs.onDemandRulesEnabled()},
        {"on_demand_domains_enabled", domains && !domains->empty()},
        {"personalise_server_selection_enabled", prefs.enablePersonaliseServer()},
        {"is_filtered_server", "false"},
        {"is_filtered_server_requested", filteredRequested},
        {"selected_location", server ? server->name : std::string()},
        {"nas_identifier", firstFilterNasIdentifier.value_or("None")},
        {"included_nas_identifiers", prefs.likedServers(code)},
        {"excluded_nas_identifiers", prefs.dislikedServers(code)},
        {"connect_to_fallback", prefs.connectToFallback()},
    };
}

}  // namespace morvex
