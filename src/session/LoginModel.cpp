#include "session/LoginModel.h"

#include <algorithm>
#include <cctype>

#include "alerts/Alert.h"
#include "model/JsonCoding.h"
#include "model/WebLink.h"

namespace morvex {

LoginModel::LoginModel(PreservedPreferences preference_, User userPreference_, EventTracker eventTracker_,
                       UserAuthentication userAuthentication_,
                       std::shared_ptr<InvalidCredentialsHandlerProtcol> invalidCredentialsHandler_)
    : preference(std::move(preference_)),
      userPreference(std::move(userPreference_)),
      eventTracker(std::move(eventTracker_)),
      invalidCredentialsHandler(std::move(invalidCredentialsHandler_)),
      userAuthentication(std::move(userAuthentication_)) {}

void LoginModel::setShowPassword(bool value) {
    showPassword_ = value;
    if (changed) changed();
}
void LoginModel::setUsername(std::optional<std::string> value) {
    username_ = std::move(value);
    if (changed) changed();
}
void LoginModel::setPassword(std::optional<std::string> value) {
    password_ = std::move(value);
    if (changed) changed();
}

void LoginModel::loadRememberedCredentials() {
    if (auto name = userPreference.loginUsername()) setUsername(*name);
    if (auto password = userPreference.loginPassword()) setPassword(*password);
}

std::string LoginModel::pricingPageURL() const {
    std::string code = UserDefaults::standard().string(AppPreferences::Key::preferredLanguageCode).value_or("de");
    std::ranges::transform(code, code.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return urlString(code == "de" ? WebLink::PricingGerman : WebLink::PricingEnglish);
}

void LoginModel::setBusy(bool busy) {
    if (!delegate) return;
    delegate->setRequestInProcess(busy);
    delegate->setAuthenticationEnabled(!busy);
    delegate->refresh();
}

void LoginModel::resumeSignedInUser(std::function<void(UserAuthentication::AppLaunchCase)> completion) {
    if (!userPreference.loggedIn()) {
        completion({UserAuthentication::AppLaunchCase::Kind::NotLoggedIn, std::nullopt, std::nullopt});
        return;
    }
    auto auth = userAuthentication;
    if (userPreference.isUserNotMigratedToFA()) {
        eventTracker.track(AnalyticsEvent::app_request_swap_token);
        auth.migrateToken([auth, completion](Result<UserAuthentication::MigrateTokenResponseModel> result) mutable {
            auth.decideLaunchCase(std::move(result), completion);
        });
    } else if (userPreference.vpnPassword() && !userPreference.isUserNotMigratedToEmail()) {
        auth.checkSession(std::move(completion));
    } else {
        auth.checkMigratedSession(std::move(completion));
    }
}

void LoginModel::continueSignIn(const UserAuthentication::AuthenticationCase& outcome) {
    using Kind = UserAuthentication::AuthenticationCase::Kind;
    switch (outcome.kind) {
        case Kind::NoSubscription:
            userAuthentication.finishSignIn();
            return;
        case Kind::SingleSubscription: {
            auto accounts = preference.vpnAccounts();
            if (accounts.empty()) return;
            const auto account = accounts.front();
            setBusy(true);
            userPreference.setVpnUsername(account.username);
            std::weak_ptr<LoginModel> weak = weak_from_this();
            auto auth = userAuthentication;
            auth.fetchVPNPassword(account.username, std::nullopt, std::nullopt,
                                  [weak, auth, account](UserAuthentication::PasswordResult result) mutable {
                                      auth.saveLoggedInUser(std::move(result), account, [weak](UserAuthentication::PasswordResult saved) {
                                          if (auto self = weak.lock()) self->finishLogin(saved);
                                      });
                                  });
            return;
        }
        case Kind::MultipleSubscription:
            if (delegate) delegate->showAccountPicker();
            return;
        case Kind::UserInfoError:
        case Kind::AuthError:
            return;  // the screen shows its own alerts for these
    }
}

void LoginModel::finishLogin(const UserAuthentication::PasswordResult& result) {
    setBusy(false);
    if (result) {
        userAuthentication.finishSignIn();
        return;
    }
    const auto& error = result.error();
    if (error.fetchCode() == UserAuthentication::notMigratedCode) {
        askMigrationConsent();
        return;
    }
    if (error.kind != LoginError::Kind::UnableToFetchPassword && error.kind != LoginError::Kind::UnableToDecryptPassword) return;
    if (userPreference.clientType() == User::ClientType::empty) Alert().showSubscriptionRequired();
    else userAuthentication.finishSignIn();
}

void LoginModel::askMigrationConsent() {
    setBusy(true);
    std::weak_ptr<LoginModel> weak = weak_from_this();
    Alert().showMigrateConsentFailed(AppScreen::Login, eventTracker, OwnedCallback<bool>(weak, [weak](bool loggedOut) {
                                         if (auto self = weak.lock()) self->handleMigrationConsent(loggedOut);
                                     }));
}

void LoginModel::handleMigrationConsent(bool loggedOut) {
    if (loggedOut) {
        // Signed out: a migration now would store the account's credentials and sign in again.
        setBusy(false);
        return;
    }
    std::weak_ptr<LoginModel> weak = weak_from_this();
    userAuthentication.migrateToEmail([weak](UserAuthentication::MigrationResult result) {
        if (auto self = weak.lock()) self->handleMigrationResult(result);
    });
}

void LoginModel::handleMigrationResult(const UserAuthentication::MigrationResult& result) {
    setBusy(false);
    switch (result.kind) {
        case UserAuthentication::MigrationResult::Kind::Success:
            userPreference.setIsUserNotMigratedToEmail(false);
            userAuthentication.showMigrationCompleteNotification();
            userAuthentication.finishSignIn();
            return;
        case UserAuthentication::MigrationResult::Kind::NoCurrentAccount:
            userPreference.setIsUserNotMigratedToEmail(false);
            return;
        case UserAuthentication::MigrationResult::Kind::Failure:
            userPreference.setIsUserNotMigratedToEmail(true);
            return;
    }
}

// ---- records of the user-name log-in ----

std::string_view rawValue(LoginModel::Method method) { return method == LoginModel::Method::Username ? "username" : "email"; }

std::optional<LoginModel::Method> loginMethodFromRaw(std::string_view text) {
    if (text == "username") return LoginModel::Method::Username;
    if (text == "email") return LoginModel::Method::Email;
    return std::nullopt;
}

void from_json(const nlohmann::json& j, LoginModel::Method& m) {
    if (!j.is_string()) coding::throwWrongType("method", "string", j);
    auto method = loginMethodFromRaw(j.get_ref<const std::string&>());
    if (!method) throw nlohmann::json::other_error::create(501, "unknown log-in method " + j.dump(), &j);
    m = *method;
}

void to_json(nlohmann::json& j, LoginModel::Method m) { j = std::string(rawValue(m)); }

void from_json(const nlohmann::json& j, LoginModel::LoginAPIResponseModel::Username& u) {
    using coding::requiredString;
    u.username = requiredString(j, "username");
    const auto statusText = requiredString(j, "status");
    auto status = userStatusFromRaw(statusText);
    if (!status) throw nlohmann::json::other_error::create(501, "unknown account status \"" + statusText + "\"", &j);
    u.status = *status;
    u.billingCycle = requiredString(j, "billing_cycle");
    u.paymentGateway = requiredString(j, "payment_gateway");
    u.expiryDate = requiredString(j, "expiry_date");
    u.expiryReason = requiredString(j, "expiry_reason");
    u.hostingId = requiredString(j, "hosting_id");
}

void from_json(const nlohmann::json& j, LoginModel::LoginAPIResponseModel& m) {
    const auto& clientId = coding::requiredMember(j, "client_id");
    if (!clientId.is_number_integer()) coding::throwWrongType("client_id", "integer", clientId);
    m.clientId = clientId.get<std::int64_t>();
    m.uuid = coding::requiredString(j, "uuid");
    m.migrated = coding::requiredBool(j, "is_migrated");
    m.method = coding::requiredMember(j, "method").get<LoginModel::Method>();
    const auto& names = coding::requiredMember(j, "vpn_usernames");
    if (!names.is_array()) coding::throwWrongType("vpn_usernames", "array", names);
    m.usernames = names.get<std::vector<LoginModel::LoginAPIResponseModel::Username>>();
    m.firebaseToken = coding::requiredString(j, "token");
}

}  // namespace morvex
