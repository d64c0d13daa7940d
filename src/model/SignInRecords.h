#pragma once
// The records of sign-in: the VPN accounts it keeps about the signed-in customer, the outcomes it
// reports, the answers it reads and the failure of the password and migration steps. The sign-in
// coordinator itself (session/UserAuthentication.h) derives from SignInRecords, so these read as
// `SignInRecords::VPNAccount` and the like above this layer.
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/Error.h"

namespace morvex {

// Why a VPN password (or a migration that needs one) could not be had. Only the password request
// and its decryption raise failures; the other cases belong to the older user-name log-in.
struct LoginError {
    enum class Kind { NotMigrated, UnableToFetchPassword, UnableToDecryptPassword, ApiError, MultipleUsernames, NoUsername, InvalidCredentials };
    Kind kind = Kind::InvalidCredentials;
    std::optional<Error> error;       // UnableToFetchPassword: the request's error
    std::string text;                 // UnableToDecryptPassword, ApiError
    std::vector<std::string> texts;   // NotMigrated: three texts

    static LoginError UnableToFetchPassword(Error e) { return {Kind::UnableToFetchPassword, std::move(e), {}, {}}; }
    static LoginError UnableToDecryptPassword(std::string t) { return {Kind::UnableToDecryptPassword, std::nullopt, std::move(t), {}}; }
    static LoginError of(Kind k) { return {k, std::nullopt, {}, {}}; }
    // The code of the request's error for UnableToFetchPassword; nothing otherwise.
    std::optional<int> fetchCode() const {
        if (kind == Kind::UnableToFetchPassword && error) return error->code;
        return std::nullopt;
    }
    // A readable text for logs and alerts.
    std::string description() const;
    friend bool operator==(const LoginError&, const LoginError&) = default;
};

class SignInRecords {
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

    // The outcome of a web sign-in. `error` is set for the two error cases.
    struct AuthenticationCase {
        enum class Kind { UserInfoError, AuthError, NoSubscription, SingleSubscription, MultipleSubscription };
        Kind kind = Kind::UserInfoError;
        std::optional<Error> error;
        friend bool operator==(const AuthenticationCase&, const AuthenticationCase&) = default;
    };

    // The outcome of the launch check of a signed-in user. `error` is set for UserInfoError,
    // MigrateToFAError and MigrateToEmailError, `loginError` for VpnPasswordError.
    struct AppLaunchCase {
        enum class Kind { UserInfoError, VpnPasswordError, MigrateToFAError, MigrateToEmailError, Authenticated, Payment, NotLoggedIn, InvalidUserDetails };
        Kind kind = Kind::NotLoggedIn;
        std::optional<Error> error;
        std::optional<LoginError> loginError;
        friend bool operator==(const AppLaunchCase&, const AppLaunchCase&) = default;
    };

    // The VPN password answer's body: "password", RSA-encrypted and base64-encoded.
    struct PasswordResponseModel {
        std::string secret;
    };
    // What the password route answers: {"body": {...}} on success, or the gateway's header with a
    // response code (1046: the account is not yet tied to an e-mail address) and no usable body.
    struct PasswordAnswer {
        static constexpr bool emptyObjectRepresentable = true;
        // The gateway's header; either field is dropped when it is not of its type.
        struct Header {
            std::optional<int> responseCode;     // "response_code"
            std::optional<std::string> message;  // "message"
        };
        std::optional<Header> header;
        std::optional<PasswordResponseModel> body;

        std::optional<int> responseCode() const { return header ? header->responseCode : std::nullopt; }
        std::string message() const { return header ? header->message.value_or("") : ""; }
    };
    // The old API token exchanged for a session: "token" (access) and "refreshToken".
    struct MigrateTokenResponseModel {
        static constexpr bool emptyObjectRepresentable = true;
        std::string token;
        std::string refreshToken;
    };
    // The e-mail migration's answer; its one field, "migrated", is not consulted.
    struct MigrateToEmailResponseModel {
        static constexpr bool emptyObjectRepresentable = true;
        std::optional<nlohmann::json> migrated;
    };
};

// Keys "vpnusername", "status", "billingCycle", "paymentGateway", "expiry", "expiryReason"; all six
// are written, and all six are required when reading.
void to_json(nlohmann::json& j, const SignInRecords::VPNAccount& v);
void to_json(nlohmann::ordered_json& j, const SignInRecords::VPNAccount& v);
void from_json(const nlohmann::json& j, SignInRecords::VPNAccount& v);
void from_json(const nlohmann::json& j, SignInRecords::PasswordResponseModel& v);
// A "header" with a "response_code" is read whatever the rest holds; "body" only when it decodes.
void from_json(const nlohmann::json& j, SignInRecords::PasswordAnswer::Header& v);
void from_json(const nlohmann::json& j, SignInRecords::PasswordAnswer& v);
void from_json(const nlohmann::json& j, SignInRecords::MigrateTokenResponseModel& v);
void from_json(const nlohmann::json& j, SignInRecords::MigrateToEmailResponseModel& v);

}  // namespace morvex
