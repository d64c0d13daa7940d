#include "model/ProfileResponseModel.h"

#include "model/JsonCoding.h"

namespace morvex {

using coding::lenientBool;
using coding::lenientInteger;
using coding::lenientList;
using coding::lenientRecord;
using coding::lenientString;
using coding::requiredString;

namespace {

template <class Json>
void encode(Json& j, const PaymentGateway& v) {
    j = Json::object();
    j["name"] = v.name;
    j["recurring_gateway"] = v.recurringGateway;
    j["auto_recurring"] = v.autoRecurring;
    if (v.subscriptionId) j["subscription_id"] = *v.subscriptionId;
    j["sku"] = v.sku;
}

template <class Json>
void encode(Json& j, const ActiveAddon& v) {
    j = Json::object();
    j["slug"] = v.slug;
    j["title"] = v.title;
    j["expiry"] = v.expiry;
    j["status"] = v.status;
}

template <class Json>
void encode(Json& j, const DedicatedIPHost& v) {
    j = Json::object();
    j["dns"] = v.dns;
    j["protocol"] = v.serverProtocol;
    j["server_type"] = v.serverType;
    j["port_number"] = v.portNumber;
}

template <class Json>
void encode(Json& j, const DedicatedIPDetail& v) {
    j = Json::object();
    j["ip"] = v.ip;
    j["iso"] = v.iso;
    j["hosts"] = v.hosts;
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

void to_json(nlohmann::json& j, const PaymentGateway& v) { encode(j, v); }
void to_json(nlohmann::ordered_json& j, const PaymentGateway& v) { encode(j, v); }
void from_json(const nlohmann::json& j, PaymentGateway& v) {
    v.name = requiredString(j, "name");
    v.recurringGateway = coding::requiredInteger(j, "recurring_gateway");
    v.autoRecurring = coding::requiredInteger(j, "auto_recurring");
    v.subscriptionId = coding::optionalString(j, "subscription_id");
    v.sku = requiredString(j, "sku");
}

void to_json(nlohmann::json& j, const DedicatedIPHost& v) { encode(j, v); }
void to_json(nlohmann::ordered_json& j, const DedicatedIPHost& v) { encode(j, v); }
void from_json(const nlohmann::json& j, DedicatedIPHost& v) {
    v.dns = requiredString(j, "dns");
    v.serverProtocol = requiredString(j, "protocol");
    v.serverType = requiredString(j, "server_type");
    v.portNumber = requiredString(j, "port_number");
}

void to_json(nlohmann::json& j, const DedicatedIPDetail& v) { encode(j, v); }
void to_json(nlohmann::ordered_json& j, const DedicatedIPDetail& v) { encode(j, v); }
void from_json(const nlohmann::json& j, DedicatedIPDetail& v) {
    v.ip = requiredString(j, "ip");
    v.iso = requiredString(j, "iso");
    const auto* hosts = coding::member(j, "hosts");
    if (!hosts) coding::throwMissingKey("hosts");
    if (!hosts->is_array()) coding::throwWrongType("hosts", "array", *hosts);
    v.hosts.clear();
    v.hosts.reserve(hosts->size());
    for (const auto& host : *hosts) v.hosts.push_back(host.get<DedicatedIPHost>());
}

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
