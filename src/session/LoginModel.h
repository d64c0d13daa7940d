#pragma once
// The model behind the login screen: the fields the screen shows, the remembered credentials, the
// pricing page, and the screen's side of the sign-in continuation and of the e-mail migration.
// Also the records of the older user-name log-in.
//
// Main thread only. The screen is the delegate; the model puts it into its busy state before a
// request and back into its idle state first thing in the request's completion. Completions hold
// the model weakly: a screen closed meanwhile is never called back.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/Lifetime.h"
#include "session/UserAuthentication.h"

namespace morvex {

// The screen as the model drives it.
class LoginModelDelegate {
public:
    virtual ~LoginModelDelegate() = default;
    virtual void setRequestInProcess(bool inProcess) = 0;
    virtual void setAuthenticationEnabled(bool enabled) = 0;
    virtual void refresh() = 0;
    // The customer owns several VPN accounts: the screen lets the user pick one.
    virtual void showAccountPicker() = 0;
};

// Counts refused credentials; nothing consults it yet.
class InvalidCredentialsHandlerProtcol {
public:
    virtual ~InvalidCredentialsHandlerProtcol() = default;
};
class InvalidCredentialsHandler : public InvalidCredentialsHandlerProtcol {
public:
    InvalidCredentialsHandler(int failureCount = 0, int maxFailureCount = 3)
        : failureCount(failureCount), maxFailureCount(maxFailureCount) {}
    int failureCount;
    int maxFailureCount;
};

class LoginModel : public std::enable_shared_from_this<LoginModel> {
public:
    enum class Method { Username, Email };

    // The answer of the user-name log-in ("/user/login/v3"); every key is required.
    struct LoginAPIResponseModel {
        static constexpr bool emptyObjectRepresentable = true;
        struct Username {
            std::string username;
            User::Status status = User::Status::Unknown;
            std::string billingCycle;
            std::string paymentGateway;
            std::string expiryDate;
            std::string expiryReason;
            std::string hostingId;
        };
        std::int64_t clientId = 0;
        std::string uuid;
        bool migrated = false;
        Method method = Method::Email;
        std::vector<Username> usernames;
        std::string firebaseToken;
    };

    // Made with its collaborators (the screen passes `MorvexVPNService`'s usual set).
    LoginModel(PreservedPreferences preference, User userPreference, EventTracker eventTracker,
               UserAuthentication userAuthentication,
               std::shared_ptr<InvalidCredentialsHandlerProtcol> invalidCredentialsHandler =
                   std::make_shared<InvalidCredentialsHandler>());

    // The fields the screen shows; each setter calls `changed` so bound views update.
    bool showPassword() const { return showPassword_; }
    void setShowPassword(bool value);
    const std::optional<std::string>& username() const { return username_; }
    void setUsername(std::optional<std::string> value);
    const std::optional<std::string>& password() const { return password_; }
    void setPassword(std::optional<std::string> value);
    std::function<void()> changed;

    PreservedPreferences preference;
    User userPreference;
    EventTracker eventTracker;
    std::shared_ptr<InvalidCredentialsHandlerProtcol> invalidCredentialsHandler;
    UserAuthentication userAuthentication;
    LoginModelDelegate* delegate = nullptr;  // the screen; not owned

    // The remembered log-in name and password (keychain), where they exist.
    void loadRememberedCredentials();
    // The German pricing page for the in-app language "de" (the default), the English one otherwise.
    std::string pricingPageURL() const;

    // Where a signed-in user goes at start: the old token imported first when it still has to be,
    // else the session check (or the check for a user not yet migrated).
    void resumeSignedInUser(std::function<void(UserAuthentication::AppLaunchCase)> completion);

    // The sign-in continuation after the web sign-in.
    void continueSignIn(const UserAuthentication::AuthenticationCase& outcome);
    void finishLogin(const UserAuthentication::PasswordResult& result);
    // The e-mail migration from the login screen.
    void askMigrationConsent();
    void handleMigrationConsent(bool loggedOut);
    void handleMigrationResult(const UserAuthentication::MigrationResult& result);

private:
    void setBusy(bool busy);

    bool showPassword_ = false;
    std::optional<std::string> username_;
    std::optional<std::string> password_;
};

std::string_view rawValue(LoginModel::Method method);
std::optional<LoginModel::Method> loginMethodFromRaw(std::string_view text);
void from_json(const nlohmann::json& j, LoginModel::Method& m);
void to_json(nlohmann::json& j, LoginModel::Method m);
void from_json(const nlohmann::json& j, LoginModel::LoginAPIResponseModel::Username& u);
void from_json(const nlohmann::json& j, LoginModel::LoginAPIResponseModel& m);

}  // namespace morvex
