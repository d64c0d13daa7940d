#include "model/ProfileResponseModel.h"

#include "model/FieldTable.h"

namespace morvex {

namespace {

constexpr auto kPaymentGatewayFields = coding::fieldTable(
    coding::required("name", &PaymentGateway::name), coding::required("recurring_gateway", &PaymentGateway::recurringGateway),
    coding::required("auto_recurring", &PaymentGateway::autoRecurring),
    coding::optional("subscription_id", &PaymentGateway::subscriptionId), coding::required("sku", &PaymentGateway::sku));
constexpr auto kDedicatedIPHostFields = coding::fieldTable(
    coding::required("dns", &DedicatedIPHost::dns), coding::required("protocol", &DedicatedIPHost::serverProtocol),
    coding::required("server_type", &DedicatedIPHost::serverType),
    coding::required("port_number", &DedicatedIPHost::portNumber));
constexpr auto kDedicatedIPDetailFields =
    coding::fieldTable(coding::required("ip", &DedicatedIPDetail::ip), coding::required("iso", &DedicatedIPDetail::iso),
                       coding::required("hosts", &DedicatedIPDetail::hosts));

// The back end sends the client id as a number or as text; either way it is kept as decimal text,
// and anything that is no integer becomes the empty text.
std::optional<std::string> readClientId(const nlohmann::json& j, const char* key) {
    const auto* value = coding::member(j, key);
    if (!value) return "";
    if (auto integer = coding::asInteger(*value)) return std::to_string(*integer);
    if (value->is_string()) {
        if (auto parsed = coding::parseDecimalInteger(value->get_ref<const std::string&>()))
            return std::to_string(*parsed);
    }
    return "";
}

constexpr auto kActiveAddonFields =
    coding::fieldTable(coding::required("slug", &ActiveAddon::slug), coding::required("title", &ActiveAddon::title),
                       coding::required("expiry", &ActiveAddon::expiry), coding::required("status", &ActiveAddon::status));

// In the order the fields are read, which fixes the failure reported when several required fields
// are wrong.
constexpr auto kProfileFields = coding::fieldTable(
    coding::custom("client_id", &ProfileResponseModel::client_id, readClientId),
    coding::required("client_name", &ProfileResponseModel::clientName),
    coding::required("email", &ProfileResponseModel::email),
    coding::required("phone_number", &ProfileResponseModel::phoneNumber),
    coding::required("signup_date", &ProfileResponseModel::signupDate),
    coding::required("billing_cycle", &ProfileResponseModel::billingCycle),
    coding::required("expiry_date", &ProfileResponseModel::expiryDate),
    coding::required("status", &ProfileResponseModel::status),
    coding::required("vpn_username", &ProfileResponseModel::vpnUsername),
    coding::lenient("is_trial", &ProfileResponseModel::trial),
    coding::lenient("grace_period", &ProfileResponseModel::gracePeriod),
    coding::lenient("days_remaining", &ProfileResponseModel::graceDaysRemaining),
    coding::lenient("desired_outcome", &ProfileResponseModel::desiredOutcomeAchieved),
    coding::lenient("renewal_invoice_generated", &ProfileResponseModel::renewalInvoiceGenerated),
    coding::lenient("hosting_id", &ProfileResponseModel::hostingID),
    coding::lenient("password_manager", &ProfileResponseModel::passwordManager),
    coding::required("client_type", &ProfileResponseModel::clientType),
    coding::required("payment_gateway", &ProfileResponseModel::paymentGateway),
    coding::lenient("active_addons", &ProfileResponseModel::activeAddons),
    coding::lenient("addons", &ProfileResponseModel::addons),
    coding::lenient("billing_plan", &ProfileResponseModel::billingPlan),
    coding::lenient("referral_link", &ProfileResponseModel::referralLink),
    coding::lenient("grace_period_expiry", &ProfileResponseModel::gracePeriodExpiry),
    coding::lenient("dedicated_ip_detail", &ProfileResponseModel::dedicatedIPDetail));

}  // namespace

void to_json(nlohmann::json& j, const PaymentGateway& v) { kPaymentGatewayFields.encode(j, v); }
void to_json(nlohmann::ordered_json& j, const PaymentGateway& v) { kPaymentGatewayFields.encode(j, v); }
void from_json(const nlohmann::json& j, PaymentGateway& v) { kPaymentGatewayFields.decode(j, v); }

void to_json(nlohmann::json& j, const DedicatedIPHost& v) { kDedicatedIPHostFields.encode(j, v); }
void to_json(nlohmann::ordered_json& j, const DedicatedIPHost& v) { kDedicatedIPHostFields.encode(j, v); }
void from_json(const nlohmann::json& j, DedicatedIPHost& v) { kDedicatedIPHostFields.decode(j, v); }

void to_json(nlohmann::json& j, const DedicatedIPDetail& v) { kDedicatedIPDetailFields.encode(j, v); }
void to_json(nlohmann::ordered_json& j, const DedicatedIPDetail& v) { kDedicatedIPDetailFields.encode(j, v); }
void from_json(const nlohmann::json& j, DedicatedIPDetail& v) { kDedicatedIPDetailFields.decode(j, v); }

void to_json(nlohmann::json& j, const ProfileResponseModel& v) { kProfileFields.encode(j, v); }
void to_json(nlohmann::ordered_json& j, const ProfileResponseModel& v) { kProfileFields.encode(j, v); }
void from_json(const nlohmann::json& j, ProfileResponseModel& v) { kProfileFields.decode(j, v); }

}  // namespace morvex

morvex::ActiveAddon nlohmann::adl_serializer<morvex::ActiveAddon>::from_json(const nlohmann::json& j) {
    morvex::ActiveAddon addon("", "", "", "");
    morvex::kActiveAddonFields.decode(j, addon);
    return addon;
}

void nlohmann::adl_serializer<morvex::ActiveAddon>::to_json(nlohmann::json& j, const morvex::ActiveAddon& v) {
    morvex::kActiveAddonFields.encode(j, v);
}

void nlohmann::adl_serializer<morvex::ActiveAddon>::to_json(nlohmann::ordered_json& j,
                                                            const morvex::ActiveAddon& v) {
    morvex::kActiveAddonFields.encode(j, v);
}
