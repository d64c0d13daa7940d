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
using PasswordAnswer = SignInRecords::PasswordAnswer;
constexpr auto kPasswordHeaderFields = coding::fieldTable(coding::lenient("response_code", &PasswordAnswer::Header::responseCode),
                                                          coding::lenient("message", &PasswordAnswer::Header::message));
// A body that does not decode is dropped here and, without a response code, reported below.
constexpr auto kPasswordAnswerFields = coding::fieldTable(coding::lenient("header", &PasswordAnswer::header),
                                                          coding::lenient("body", &PasswordAnswer::body));
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

void from_json(const nlohmann::json& j, SignInRecords::PasswordAnswer::Header& v) { kPasswordHeaderFields.decode(j, v); }

void from_json(const nlohmann::json& j, SignInRecords::PasswordAnswer& v) {
    if (!j.is_object()) coding::throwWrongType("answer", "object", j);
    kPasswordAnswerFields.decode(j, v);
    if (v.body || v.responseCode()) return;
    // Without a code to report, the body's own failure is the answer's.
    if (const auto* body = coding::member(j, "body"); body && body->is_object())
        v.body = body->get<SignInRecords::PasswordResponseModel>();
    coding::throwMissingKey("body");
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
