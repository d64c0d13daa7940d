#pragma once
// Sign-in and the records it keeps about the signed-in customer.
#include <string>

#include <nlohmann/json.hpp>

namespace morvex {

class UserAuthentication {
public:
    // One VPN account (VPN user name) of the signed-in customer, as sign-in stores it in the
    // per-user account list, the account chooser lists it and the session save takes it.
    // `isSelected` is the chooser's mark and is never part of the JSON.
    class VPNAccount {
    public:
        VPNAccount() = default;
        // The hosting identifier is accepted for the callers' convenience and not kept.
        VPNAccount(std::string username, std::string status, std::string billingCycle, std::string paymentGateway,
                   std::string expiryDate, std::string expiryReason, const std::string& hostingId = {});

        std::string username;
        std::string status;
        std::string billingCycle;
        std::string paymentGateway;
        std::string expiryDate;
        std::string expiryReason;
        bool isSelected = false;

        friend bool operator==(const VPNAccount&, const VPNAccount&) = default;
    };
};

// Keys "vpnusername", "status", "billingCycle", "paymentGateway", "expiry", "expiryReason"; all six
// are written, and all six are required when reading.
void to_json(nlohmann::json& j, const UserAuthentication::VPNAccount& v);
void to_json(nlohmann::ordered_json& j, const UserAuthentication::VPNAccount& v);
void from_json(const nlohmann::json& j, UserAuthentication::VPNAccount& v);

}  // namespace morvex
