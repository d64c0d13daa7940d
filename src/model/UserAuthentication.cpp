#include "model/UserAuthentication.h"

#include "model/JsonCoding.h"

namespace morvex {

UserAuthentication::VPNAccount::VPNAccount(std::string username, std::string status, std::string billingCycle,
                                           std::string paymentGateway, std::string expiryDate,
                                           std::string expiryReason, const std::string& /*hostingId*/)
    : username(std::move(username)),
      status(std::move(status)),
      billingCycle(std::move(billingCycle)),
      paymentGateway(std::move(paymentGateway)),
      expiryDate(std::move(expiryDate)),
      expiryReason(std::move(expiryReason)) {}

namespace {
template <class Json>
void encode(Json& j, const UserAuthentication::VPNAccount& v) {
    j = Json::object();
    j["vpnusername"] = v.username;
    j["status"] = v.status;
    j["billingCycle"] = v.billingCycle;
    j["paymentGateway"] = v.paymentGateway;
    j["expiry"] = v.expiryDate;
    j["expiryReason"] = v.expiryReason;
}
}  // namespace

void to_json(nlohmann::json& j, const UserAuthentication::VPNAccount& v) { encode(j, v); }
void to_json(nlohmann::ordered_json& j, const UserAuthentication::VPNAccount& v) { encode(j, v); }

void from_json(const nlohmann::json& j, UserAuthentication::VPNAccount& v) {
    using coding::requiredString;
    v.username = requiredString(j, "vpnusername");
    v.status = requiredString(j, "status");
    v.billingCycle = requiredString(j, "billingCycle");
    v.paymentGateway = requiredString(j, "paymentGateway");
    v.expiryDate = requiredString(j, "expiry");
    v.expiryReason = requiredString(j, "expiryReason");
    v.isSelected = false;
}

}  // namespace morvex
