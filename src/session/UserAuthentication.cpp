#include "session/UserAuthentication.h"

#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <cctype>

#include "alerts/Alert.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "session/OAuthService.h"
#include "state/Crypto.h"
#include "zevu/ZevuManager.h"

namespace morvex {

namespace {

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

UserAuthentication::CredentialSink UserAuthentication::sdkCredentialSink() {
    return [](zevu::ZevuCredential credential) {
        if (auto manager = zevu::ZevuManager::sharedInstance()) manager->setZevuCredential(std::move(credential));
    };
}

UserAuthentication::UserAuthentication()
    : UserAuthentication(Networking::shared(), PreservedPreferences(), User(), AppPreferences(), EventTracker(),
                         sdkCredentialSink(), ErrorSender{}, sharedAuth()) {}

UserAuthentication::UserAuthentication(Networking& networkingManager_, PreservedPreferences preference_, User user_,
                                       AppPreferences appPreference_, EventTracker eventTracker_, CredentialSink setCredential_,
                                       ErrorSender sentry_, AuthProtocol* auth_, AppManager& tokenStore_)
    : networkingManager(&networkingManager_),
      preference(std::move(preference_)),
      user(std::move(user_)),
      appPreference(std::move(appPreference_)),
      eventTracker(std::move(eventTracker_)),
      setCredential(std::move(setCredential_)),
      sentry(sentry_),
      auth(auth_),
      tokenStore(&tokenStore_) {}

// ---- sign-in completion ----

std::optional<std::string> UserAuthentication::authorizationCode(const std::string& callbackURL) {
    // Only the item named "code", wherever it stands among the others; never from a fragment.
    const QUrl url(QString::fromStdString(callbackURL));
    if (url.hasFragment()) return std::nullopt;
    std::optional<std::string> code;
    for (const auto& [name, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (name != QStringLiteral("code")) continue;
        if (code) return std::nullopt;  // two codes: neither is taken
        code = value.toStdString();
    }
    if (code && code->empty()) return std::nullopt;
    return code;
}

void UserAuthentication::exchangeAuthorizationCode(const std::string& callbackURL, const std::string& codeVerifier,
                                                   std::function<void(AuthenticationCase)> completion) {
    eventTracker.track(AnalyticsEvent::app_route_web_login);
    const std::optional<std::string> code = authorizationCode(callbackURL);
    if (!code || codeVerifier.empty()) {
        log::print(code ? "Sign-in callback refused: no code verifier" : "Sign-in callback refused: not exactly one code");
        completion({AuthenticationCase::Kind::AuthError,
                    Error(std::string(kOAuth2ErrorDomain), OAuth2ErrorCode::invalidRedirect,
                          "The sign-in callback does not carry exactly one code")});
        return;
    }
    log::print("Exchanging the authorization code");
    auto self = *this;
    requestAuthToken(*code, codeVerifier, [self, completion](Result<TokenResponse> result) mutable {
        self.handleAuthTokenResponse(std::move(result), completion);
    });
}

void UserAuthentication::requestAuthToken(const std::string& code, const std::string& codeVerifier,
                                          Networking::Completion<TokenResponse> completion) {
    nlohmann::json parameters = nlohmann::ordered_json{{"authorization_code", code},
                                                       {"realm", std::string(realm)},
                                                       {"redirect_uri", OAuthService::redirectURI()},
                                                       {"code_verifier", codeVerifier}};
    networkingManager->postAuthToken<TokenResponse>(parameters, std::move(completion));
}

void UserAuthentication::handleAuthTokenResponse(Result<TokenResponse> result,
                                                 std::function<void(AuthenticationCase)> completion) {
    using Kind = AuthenticationCase::Kind;
    if (!result) {
        completion({Kind::UserInfoError, result.error()});
        return;
    }
    const auto& sealed = result->body.code;
    std::optional<std::string> plain = sealed ? decryptAESGCM(*sealed) : std::nullopt;
    if (!plain) {
        log::print("decryptJSON is nil");
        completion({Kind::UserInfoError, Error(std::string(kMorvexVPNErrorDomain), 0, "decryptJSON is nil")});
        return;
    }
    AuthObject tokens;
    try {
        tokens = nlohmann::json::parse(*plain).get<AuthObject>();
    } catch (const std::exception& e) {
        // A token set we cannot read must not leave the screen waiting: it ends the sign-in.
        // Not the reader's message: it quotes the text it stopped at, which is the token set.
        log::print("Token set decoding failed");
        completion({Kind::UserInfoError, decodingError(e)});
        return;
    }
    log::print("Token set decoded");
    tokenStore->saveTokens(tokens, false);
    auto self = *this;
    networkingManager->requestUserProfile<ProfileAnswer>(std::nullopt, [self, completion](Result<ProfileAnswer> answer) mutable {
        self.handleUserProfileResponse(std::move(answer), [completion](Result<ProfileResponseModel> profile) {
            completion(makeAuthenticationCase(profile));
        });
    });
}

void UserAuthentication::handleUserProfileResponse(Result<ProfileAnswer> result,
                                                   std::function<void(Result<ProfileResponseModel>)> completion) {
    if (!result) {
        completion(fail(result.error()));
        return;
    }
    storeSignIn(result->body);
    completion(std::move(result->body));
}

UserAuthentication::AuthenticationCase UserAuthentication::makeAuthenticationCase(const Result<ProfileResponseModel>& result) {
    if (!result) return {AuthenticationCase::Kind::UserInfoError, result.error()};
    return {AuthenticationCase::Kind::SingleSubscription, std::nullopt};
}

void UserAuthentication::storeSignIn(const ProfileResponseModel& profile) {
    user.setLoginUsername(profile.vpnUsername);
    user.setEmail(profile.email);
    user.setUsername(profile.vpnUsername);
    user.setLoginMethod(std::string("email"));
    user.setVpnUsername(profile.vpnUsername);
    // The profile reads a missing or unusable client id as the empty text; the account list's key
    // needs a real one, so both count as none.
    const std::string clientId = profile.client_id.value_or("");
    user.setClientId(clientId.empty() ? std::string("0") : clientId);
    const auto status = userStatusFromRaw(profile.status).value_or(User::Status::Inactive);
    user.setStatus(status);
    user.setDedicatedIPDetail(profile.dedicatedIPDetail.value_or(DedicatedIPDetail{}));
    user.setClientType(clientTypeFromRaw(lowercased(profile.clientType)).value_or(User::ClientType::empty));
    VPNAccount account(profile.vpnUsername, std::string(rawValue(status)), profile.billingCycle, "", profile.expiryDate, "", "0");
    preference.setVpnAccounts(std::vector<VPNAccount>{account});
}

// ---- the VPN password and the session save ----

void UserAuthentication::fetchVPNPassword(const std::string& username, std::optional<std::string> loginVia,
                                          std::optional<std::string> method, PasswordCompletion completion) {
    nlohmann::json parameters = nlohmann::ordered_json{{"username", username}, {"device_type", "mac"}};
    auto self = *this;
    networkingManager->networkRequestDispatcher<PasswordAnswer>(
        Endpoint::Password, parameters, std::nullopt,
        [self, username, loginVia, method, completion](Result<PasswordAnswer> answer) mutable {
            // The route answers a refusal as the gateway's header with its code.
            if (answer && answer->responseCode() && *answer->responseCode() != 200)
                answer = fail(Error(std::string(kMorvexVPNErrorDomain), *answer->responseCode(), answer->message()));
            else if (answer && !answer->body)
                answer = fail(Networking::emptyBodyError());
            if (!answer) {
                const Error& error = answer.error();
                if (error.code == notMigratedCode) self.user.setIsUserNotMigratedToEmail(true);
                self.eventTracker.track(AnalyticsEvent::app_fail_fetch_account_info,
                                        Dictionary{{"login_via", Value(loginVia.value_or("login"))},
                                                   {"username", Value(username)},
                                                   {"method", Value(method.value_or("email"))},
                                                   {"reason", Value(error.localizedDescription())},
                                                   {"code", Value(static_cast<std::int64_t>(error.code))}});
                completion(std::unexpected(LoginError::UnableToFetchPassword(error)));
                return;
            }
            auto password = decryptRSA(answer->body->secret);
            if (!password) {
                completion(std::unexpected(LoginError::UnableToDecryptPassword(password.error().description())));
                return;
            }
            completion(std::move(*password));
            self.user.setIsUserNotMigratedToEmail(false);
        });
}

void UserAuthentication::saveLoggedInUser(PasswordResult result, const VPNAccount& account, PasswordCompletion completion) {
    if (result) {
        storeVPNAccount(account, *result);
        applyVPNCredentials(account, *result);
        auto& center = NotificationCenter::defaultCenter();
        center.post(VPNAccountDidChangeNotification);
        center.post(PreferencesRefreshedNotification);
    }
    completion(std::move(result));
}

void UserAuthentication::storeVPNAccount(const VPNAccount& account, const std::string& password) {
    user.setVpnUsername(account.username);
    user.setVpnPassword(password);
    user.setBillingCycle(account.billingCycle);
    user.setPaymentGateway(account.paymentGateway);
    user.setExpiryDate(account.expiryDate);
    user.setExpiryReason(account.expiryReason);
    if (auto status = userStatusFromRaw(account.status)) user.setStatus(*status);
}

void UserAuthentication::applyVPNCredentials(const VPNAccount& account, const std::string& password) {
    if (setCredential) setCredential(zevu::ZevuCredential(account.username, password));
    eventTracker.identify(user.uuid(), account.username,
                          preference.userTestGroup() == PreservedPreferences::TestGroup::GroupB);
}

void UserAuthentication::finishSignIn() {
    auto& center = NotificationCenter::defaultCenter();
    center.post(ShowDashboardNotification, true);
    center.post(FetchNotificationsNotification);
    user.setLoggedIn(true);
    user.setIsUserNotMigratedToFA(false);
    if (!user.vpnUsername() && preference.vpnAccounts().empty()) {
        Alert().showNoSubscription();
    } else if (user.status() == User::Status::Expired) {
        Alert().showUserExpired(user, preference, ScreenContext::login, eventTracker);
    } else if (user.status() == User::Status::Disabled) {
        Alert().showUserDisabled(preference);
    }
}

// ---- launch check and migrations ----

std::vector<UserAuthentication::VPNAccount> UserAuthentication::currentAccounts() const {
    std::vector<VPNAccount> matching;
    const auto name = user.vpnUsername();
    if (!name) return matching;
    for (const auto& account : preference.vpnAccounts())
        if (account.username == *name) matching.push_back(account);
    return matching;
}

void UserAuthentication::fetchAndSaveAccount(const VPNAccount& account, PasswordCompletion completion) {
    user.setVpnUsername(account.username);
    auto self = *this;
    fetchVPNPassword(account.username, std::nullopt, std::nullopt, [self, account, completion](PasswordResult result) mutable {
        self.saveLoggedInUser(std::move(result), account, completion);
    });
}

void UserAuthentication::migrateToken(Networking::Completion<MigrateTokenResponseModel> completion) {
    nlohmann::json parameters = nlohmann::ordered_json{
        {"uuid", user.uuid()},
        {"username", user.vpnUsername().value_or("")},
        {"token", appPreference.apiKeychainValue(rawValue(AccessTokenScope::Authorization))}};
    auto self = *this;
    networkingManager->postImportToken<MigrateTokenResponseModel>(
        parameters, [self, completion](Result<MigrateTokenResponseModel> result) mutable {
            if (result) {
                if (self.auth) {
                    auto& client = self.auth->oauth();
                    client.accessToken = result->token;
                    client.refreshToken = result->refreshToken;
                }
                // The request signer reads the session's tokens, not the client's: keep them there too.
                AuthObject tokens;
                tokens.accessToken = result->token;
                tokens.refreshToken = result->refreshToken;
                self.tokenStore->saveTokens(tokens, false);
                if (self.auth) {
                    auto tracker = self.eventTracker;
                    self.auth->authorize([tracker](Result<bool> authorized) mutable {
                        if (authorized) return;
                        tracker.track(AnalyticsEvent::app_fail_fetch_user_details,
                                      Dictionary{{"reason", Value(authorized.error().localizedDescription())},
                                                 {"error_code", Value(static_cast<std::int64_t>(authorized.error().code))},
                                                 {"method", Value(std::string("fa_already_logged_in"))},
                                                 {"action", Value(std::string("refresh token"))}});
                    });
                }
            }
            completion(std::move(result));
        });
}

void UserAuthentication::decideLaunchCase(Result<MigrateTokenResponseModel> result, std::function<void(AppLaunchCase)> completion) {
    if (!result) {
        user.setIsUserNotMigratedToFA(true);
        completion({AppLaunchCase::Kind::MigrateToFAError, result.error(), std::nullopt});
        return;
    }
    user.setIsUserNotMigratedToFA(false);
    if (user.vpnPassword() && !user.isUserNotMigratedToEmail()) checkSession(std::move(completion));
    else checkMigratedSession(std::move(completion));
}

void UserAuthentication::checkSession(std::function<void(AppLaunchCase)> completion) {
    using Kind = AppLaunchCase::Kind;
    const bool hasName = user.vpnUsername().has_value();
    if (hasName && !user.vpnPassword()) {
        auto accounts = currentAccounts();
        if (accounts.empty()) {
            completion({Kind::InvalidUserDetails, std::nullopt, std::nullopt});
            return;
        }
        fetchAndSaveAccount(accounts.front(), [completion](PasswordResult result) {
            if (result) completion({Kind::Authenticated, std::nullopt, std::nullopt});
            else completion({Kind::VpnPasswordError, std::nullopt, result.error()});
        });
        return;
    }
    if (!hasName && preference.vpnAccounts().empty()) {
        auto self = *this;
        networkingManager->requestUserProfile<ProfileAnswer>(std::nullopt, [self, completion](Result<ProfileAnswer> answer) mutable {
            self.handleUserProfileResponse(std::move(answer), [self, completion](Result<ProfileResponseModel> profile) {
                if (!profile) completion({Kind::UserInfoError, profile.error(), std::nullopt});
                else if (self.preference.vpnAccounts().empty()) completion({Kind::Payment, std::nullopt, std::nullopt});
                else completion({Kind::Authenticated, std::nullopt, std::nullopt});
            });
        });
        return;
    }
    completion({Kind::Authenticated, std::nullopt, std::nullopt});
}

UserAuthentication::PasswordCheck UserAuthentication::classifyPasswordResult(const PasswordResult& result) {
    using Kind = PasswordCheck::Kind;
    if (result) return {Kind::PasswordFetched, std::nullopt, std::nullopt};
    if (result.error().fetchCode() == notMigratedCode) return {Kind::NotMigrated, result.error().error, std::nullopt};
    if (result.error().kind == LoginError::Kind::UnableToFetchPassword) return {Kind::Failure, result.error().error, std::nullopt};
    return {Kind::Failure, std::nullopt, result.error()};
}

void UserAuthentication::checkMigratedSession(std::function<void(AppLaunchCase)> completion) {
    const auto name = user.vpnUsername();
    if (!name || user.uuid().empty()) {
        checkSession(std::move(completion));
        return;
    }
    auto self = *this;
    fetchVPNPassword(*name, std::nullopt, std::nullopt, [self, completion](PasswordResult result) mutable {
        auto check = classifyPasswordResult(result);
        switch (check.kind) {
            case PasswordCheck::Kind::PasswordFetched:
                self.user.setIsUserNotMigratedToEmail(false);
                self.checkSession(completion);
                return;
            case PasswordCheck::Kind::Failure:
                self.user.setIsUserNotMigratedToEmail(true);
                self.checkSession(completion);
                return;
            case PasswordCheck::Kind::NotMigrated:
                Alert().showMigrateConsentFailed(
                    AppScreen::Splash, self.eventTracker, OwnedCallback<bool>::unowned([self, completion](bool loggedOut) mutable {
                        // After "logout" the session is gone: a migration now would store the
                        // account's credentials again and undo the sign-out.
                        if (loggedOut) {
                            completion({AppLaunchCase::Kind::NotLoggedIn, std::nullopt, std::nullopt});
                            return;
                        }
                        self.migrateToEmail([self, completion](MigrationResult migration) mutable {
                            self.handleLaunchMigrationResult(std::move(migration), completion);
                        });
                    }));
                return;
        }
    });
}

void UserAuthentication::migrateToEmail(std::function<void(MigrationResult)> completion) {
    nlohmann::json parameters = nlohmann::json{{"uuid", user.uuid()}};
    auto self = *this;
    networkingManager->postRequest<MigrateToEmailResponseModel>(
        Endpoint::MigrateToEmail, parameters, std::nullopt,
        [self, completion](Result<MigrateToEmailResponseModel> answer) mutable {
            using Kind = MigrationResult::Kind;
            if (!answer && answer.error().code != alreadyMigratedCode) {
                completion({Kind::Failure, answer.error(), std::nullopt});
                return;
            }
            auto accounts = self.currentAccounts();
            if (accounts.empty()) {
                completion({Kind::NoCurrentAccount, std::nullopt, std::nullopt});
                return;
            }
            self.fetchAndSaveAccount(accounts.front(), [completion](PasswordResult result) {
                if (result) completion({Kind::Success, std::nullopt, std::nullopt});
                else completion({Kind::Failure, std::nullopt, result.error()});
            });
        });
}

void UserAuthentication::handleLaunchMigrationResult(MigrationResult result, std::function<void(AppLaunchCase)> completion) {
    switch (result.kind) {
        case MigrationResult::Kind::Success:
            user.setIsUserNotMigratedToEmail(false);
            showMigrationCompleteNotification();
            checkSession(std::move(completion));
            return;
        case MigrationResult::Kind::NoCurrentAccount:
            user.setIsUserNotMigratedToEmail(true);
            checkSession(std::move(completion));
            return;
        case MigrationResult::Kind::Failure: {
            user.setIsUserNotMigratedToEmail(true);
            Error error = result.error ? *result.error
                                       : Error(std::string(kMorvexVPNErrorDomain), 0,
                                               result.loginError ? result.loginError->description() : std::string());
            completion({AppLaunchCase::Kind::MigrateToEmailError, error, std::nullopt});
            return;
        }
    }
}

void UserAuthentication::showMigrationCompleteNotification() {
    InAppNotice notice{"MigrateToEmail", "Migration Complete",
                       "You can use the app now. Check your email for further details", {}, true};
    eventTracker.track(AnalyticsEvent::app_view_topbar,
                       Dictionary{{"message", Value(notice.message)},
                                  {"primary_cta_title", Value(std::string())},
                                  {"secondary_cta_title", Value(std::string())},
                                  {"persistent", Value(true)}});
    NotificationCenter::defaultCenter().post(ShowNotificationNotification, notice);
}

}  // namespace morvex
