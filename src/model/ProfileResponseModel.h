#pragma once
// The account profile the back end returns for "/user/profile", and the add-on and dedicated-IP
// records that the user record also stores.
//
// Each record names its JSON keys in its to_json/from_json. Encoding writes keys in the order the
// records list them (into nlohmann::ordered_json; nlohmann::json sorts them). Core identity and
// billing fields are required; the loose ones are read leniently (see api/JsonCoding.h).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace morvex {

struct PaymentGateway {
    std::string name;
    std::int64_t recurringGateway = 0;
    std::int64_t autoRecurring = 0;
    std::optional<std::string> subscriptionId;
    std::string sku;

    friend bool operator==(const PaymentGateway&, const PaymentGateway&) = default;
};

void to_json(nlohmann::json& j, const PaymentGateway& v);
void to_json(nlohmann::ordered_json& j, const PaymentGateway& v);
void from_json(const nlohmann::json& j, PaymentGateway& v);

// An add-on of the account. Only ever made from the back end's answer or a stored copy, so there is
// no empty constructor; bound views read its four texts.
class ActiveAddon {
public:
    ActiveAddon(std::string slug, std::string title, std::string expiry, std::string status)
        : slug(std::move(slug)), title(std::move(title)), expiry(std::move(expiry)), status(std::move(status)) {}

    std::string slug;
    std::string title;
    std::string expiry;
    std::string status;

    friend bool operator==(const ActiveAddon&, const ActiveAddon&) = default;
};

struct DedicatedIPHost {
    std::string dns;
    std::string serverProtocol;
    std::string serverType;
    std::string portNumber;  // text, as the back end sends it

    friend bool operator==(const DedicatedIPHost&, const DedicatedIPHost&) = default;
};

void to_json(nlohmann::json& j, const DedicatedIPHost& v);
void to_json(nlohmann::ordered_json& j, const DedicatedIPHost& v);
void from_json(const nlohmann::json& j, DedicatedIPHost& v);

struct DedicatedIPDetail {
    std::string ip;
    std::string iso;
    std::vector<DedicatedIPHost> hosts;

    friend bool operator==(const DedicatedIPDetail&, const DedicatedIPDetail&) = default;
};

void to_json(nlohmann::json& j, const DedicatedIPDetail& v);
void to_json(nlohmann::ordered_json& j, const DedicatedIPDetail& v);
void from_json(const nlohmann::json& j, DedicatedIPDetail& v);

struct ProfileResponseModel {
    std::string clientName;
    std::string email;
    std::string phoneNumber;
    std::string signupDate;
    std::string billingCycle;
    std::string expiryDate;
    std::string status;
    std::string vpnUsername;
    std::optional<std::int64_t> trial;
    std::optional<std::int64_t> gracePeriod;
    std::optional<std::int64_t> graceDaysRemaining;
    std::optional<std::int64_t> desiredOutcomeAchieved;
    std::optional<std::int64_t> renewalInvoiceGenerated;
    std::optional<std::int64_t> hostingID;
    // Always present after decoding: the id as decimal text, or empty text when the back end's value
    // was no integer.
    std::optional<std::string> client_id;
    std::optional<bool> passwordManager;
    std::string clientType;
    PaymentGateway paymentGateway;
    std::optional<std::vector<ActiveAddon>> activeAddons;
    std::optional<std::vector<ActiveAddon>> addons;
    std::optional<std::string> billingPlan;
    std::optional<std::string> referralLink;
    std::optional<std::string> gracePeriodExpiry;
    std::optional<DedicatedIPDetail> dedicatedIPDetail;

    friend bool operator==(const ProfileResponseModel&, const ProfileResponseModel&) = default;
};

void to_json(nlohmann::json& j, const ProfileResponseModel& v);
void to_json(nlohmann::ordered_json& j, const ProfileResponseModel& v);
void from_json(const nlohmann::json& j, ProfileResponseModel& v);

}  // namespace morvex

// ActiveAddon has no empty constructor, so nlohmann builds it through its serializer.
template <>
struct nlohmann::adl_serializer<morvex::ActiveAddon> {
    static morvex::ActiveAddon from_json(const nlohmann::json& j);
    static void to_json(nlohmann::json& j, const morvex::ActiveAddon& v);
    static void to_json(nlohmann::ordered_json& j, const morvex::ActiveAddon& v);
};
