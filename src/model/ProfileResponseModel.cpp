#include "model/ProfileResponseModel.h"

#include "model/FieldTable.h"

namespace morvex {

using coding::lenientBool;
using coding::lenientInteger;
using coding::lenientList;
using coding::lenientRecord;
using coding::lenientString;
using coding::requiredString;

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

template <class Json>
void encode(Json& j, const ActiveAddon& v) {
    j = Json::object();
    j["slug"] = v.slug;
    j["title"] = v.title;
    j["expiry"] = v.expiry;
    j["status"] = v.status;
}

template <class Json>
void encode(Json& j, const ProfileResponseModel& v) {
    j = Json::object();
    auto put = [&j](const char* key, const auto& optional) {
        if (optional) j[key] = *optional;
    };
    put("client_id", v.client_id);
    j["client_name"] = v.clientName;
    j["email"] = v.email;
    j["phone_number"] = v.phoneNumber;
    j["signup_date"] = v.signupDate;
    j["billing_cycle"] = v.billingCycle;
    j["expiry_date"] = v.expiryDate;
    put("billing_plan", v.billingPlan);
    j["status"] = v.status;
    j["client_type"] = v.clientType;
    put("hosting_id", v.hostingID);
    j["payment_gateway"] = v.paymentGateway;
    put("active_addons", v.activeAddons);
    put("addons", v.addons);
    put("grace_period", v.gracePeriod);
    put("grace_period_expiry", v.gracePeriodExpiry);
    put("days_remaining", v.graceDaysRemaining);
    put("desired_outcome", v.desiredOutcomeAchieved);
    put("referral_link", v.referralLink);
    put("renewal_invoice_generated", v.renewalInvoiceGenerated);
    put("password_manager", v.passwordManager);
    j["vpn_username"] = v.vpnUsername;
    put("is_trial", v.trial);
    put("dedicated_ip_detail", v.dedicatedIPDetail);
}

// The back end sends the client id as a number or as text; either way it is kept as decimal text,
// and anything that is no integer becomes the empty text.
std::string decodeClientId(const nlohmann::json& j) {
    const auto* value = coding::member(j, "client_id");
    if (!value) return "";
    if (auto integer = coding::asInteger(*value)) return std::to_string(*integer);
    if (value->is_string()) {
        if (auto parsed = coding::parseDecimalInteger(value->get_ref<const std::string&>()))
            return std::to_string(*parsed);
    }
    return "";
}

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

void to_json(nlohmann::json& j, const ProfileResponseModel& v) { encode(j, v); }
void to_json(nlohmann::ordered_json& j, const ProfileResponseModel& v) { encode(j, v); }
void from_json(const nlohmann::json& j, ProfileResponseModel& v) {
    // The order fixes which failure is reported when several required fields are wrong.
    v.client_id = decodeClientId(j);
    v.clientName = requiredString(j, "client_name");
    v.email = requiredString(j, "email");
    v.phoneNumber = requiredString(j, "phone_number");
    v.signupDate = requiredString(j, "signup_date");
    v.billingCycle = requiredString(j, "billing_cycle");
    v.expiryDate = requiredString(j, "expiry_date");
    v.status = requiredString(j, "status");
    v.vpnUsername = requiredString(j, "vpn_username");
    v.trial = lenientInteger(j, "is_trial");
    v.gracePeriod = lenientInteger(j, "grace_period");
    v.graceDaysRemaining = lenientInteger(j, "days_remaining");
    v.desiredOutcomeAchieved = lenientInteger(j, "desired_outcome");
    v.renewalInvoiceGenerated = lenientInteger(j, "renewal_invoice_generated");
    v.hostingID = lenientInteger(j, "hosting_id");
    v.passwordManager = lenientBool(j, "password_manager");
    v.clientType = requiredString(j, "client_type");
    const auto* gateway = coding::member(j, "payment_gateway");
    if (!gateway) coding::throwMissingKey("payment_gateway");
    v.paymentGateway = gateway->get<PaymentGateway>();
    v.activeAddons = lenientList<ActiveAddon>(j, "active_addons");
    v.addons = lenientList<ActiveAddon>(j, "addons");
    v.billingPlan = lenientString(j, "billing_plan");
    v.referralLink = lenientString(j, "referral_link");
    v.gracePeriodExpiry = lenientString(j, "grace_period_expiry");
    v.dedicatedIPDetail = lenientRecord<DedicatedIPDetail>(j, "dedicated_ip_detail");
}

}  // namespace morvex

morvex::ActiveAddon nlohmann::adl_serializer<morvex::ActiveAddon>::from_json(const nlohmann::json& j) {
    using morvex::coding::requiredString;
    auto slug = requiredString(j, "slug");
    auto title = requiredString(j, "title");
    auto expiry = requiredString(j, "expiry");
    auto status = requiredString(j, "status");
    return morvex::ActiveAddon(std::move(slug), std::move(title), std::move(expiry), std::move(status));
}

void nlohmann::adl_serializer<morvex::ActiveAddon>::to_json(nlohmann::json& j, const morvex::ActiveAddon& v) {
    morvex::encode(j, v);
}

void nlohmann::adl_serializer<morvex::ActiveAddon>::to_json(nlohmann::ordered_json& j,
                                                            const morvex::ActiveAddon& v) {
    morvex::encode(j, v);
}
