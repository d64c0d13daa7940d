#include "model/SignInRecords.h"

#include "model/FieldTable.h"

namespace morvex {

SignInRecords::VPNAccount::VPNAccount(std::string username, std::string status, std::string billingCycle,
                                           std::string paymentGateway, std::string expiryDate,
                                           std::string expiryReason, const std::string& /*hostingId*/)
    : username(std::move(username)),
      status(std::move(status)),
      billingCycle(std::move(billingCycle)),
      paymentGateway(std::move(paymentGateway)),
      expiryDate(std::move(expiryDate)),
      expiryReason(std::move(expiryReason)) {}

namespace {
using VPNAccount = SignInRecords::VPNAccount;
constexpr auto kVPNAccountFields = coding::fieldTable(
    coding::required("vpnusername", &VPNAccount::username), coding::required("status", &VPNAccount::status),
    coding::required("billingCycle", &VPNAccount::billingCycle),
    coding::required("paymentGateway", &VPNAccount::paymentGateway), coding::required("expiry", &VPNAccount::expiryDate),
    coding::required("expiryReason", &VPNAccount::expiryReason));
constexpr auto kPasswordFields = coding::fieldTable(coding::required("password", &SignInRecords::PasswordResponseModel::secret));
constexpr auto kMigrateTokenFields =
    coding::fieldTable(coding::required("token", &SignInRecords::MigrateTokenResponseModel::token),
                       coding::required("refreshToken", &SignInRecords::MigrateTokenResponseModel::refreshToken));
}  // namespace

void to_json(nlohmann::json& j, const SignInRecords::VPNAccount& v) { kVPNAccountFields.encode(j, v); }
void to_json(nlohmann::ordered_json& j, const SignInRecords::VPNAccount& v) { kVPNAccountFields.encode(j, v); }

void from_json(const nlohmann::json& j, SignInRecords::VPNAccount& v) {
    kVPNAccountFields.decode(j, v);
    v.isSelected = false;  // a stored account is never the picked one
}

void from_json(const nlohmann::json& j, SignInRecords::PasswordResponseModel& v) { kPasswordFields.decode(j, v); }

void from_json(const nlohmann::json& j, SignInRecords::PasswordAnswer& v) {
    v = {};
    if (!j.is_object()) coding::throwWrongType("answer", "object", j);
    if (auto header = j.find("header"); header != j.end() && header->is_object()) {
        if (auto code = header->find("response_code"); code != header->end() && code->is_number_integer())
            v.responseCode = code->get<int>();
        if (auto message = header->find("message"); message != header->end() && message->is_string())
            v.message = message->get<std::string>();
    }
    if (auto body = j.find("body"); body != j.end() && body->is_object()) {
        try {
            v.body = body->get<SignInRecords::PasswordResponseModel>();
        } catch (const std::exception&) {
            if (!v.responseCode) throw;
        }
    }
    if (!v.body && !v.responseCode) coding::throwMissingKey("body");
}

void from_json(const nlohmann::json& j, SignInRecords::MigrateTokenResponseModel& v) { kMigrateTokenFields.decode(j, v); }

void from_json(const nlohmann::json& j, SignInRecords::MigrateToEmailResponseModel& v) {
    if (auto m = j.find("migrated"); m != j.end()) v.migrated = *m;
}

std::string LoginError::description() const {
    switch (kind) {
        case Kind::NotMigrated: return "NotMigrated";
        case Kind::UnableToFetchPassword: return "UnableToFetchPassword(" + (error ? error->localizedDescription() : std::string()) + ")";
        case Kind::UnableToDecryptPassword: return "UnableToDecryptPassword(" + text + ")";
        case Kind::ApiError: return "ApiError(" + text + ")";
        case Kind::MultipleUsernames: return "MultipleUsernames";
        case Kind::NoUsername: return "NoUsername";
        case Kind::InvalidCredentials: return "InvalidCredentials";
    }
    return {};
}

}  // namespace morvex
