#pragma once
// Sign-in completion, the session save that every sign-in road shares, and the launch check of a
// signed-in user with the migrations of older accounts.
//
// The road of a web sign-in: the callback URL's "code" is exchanged at "/auth/token" together with
// the PKCE verifier of the authorization it answers (the server refuses a code without it), the sealed
// token set is opened and stored (AppManager), the profile is fetched and stored as the current
// user with one VPN account; the login screen's model then fetches and decrypts the VPN password,
// `saveLoggedInUser` keeps it in the keychain and hands the credential to the VPN SDK, and
// `finishSignIn` shows the dashboard.
//
// Main thread only: every step continues in the completion of the request before it. A
// UserAuthentication is a thin object over shared stores; each step's completion holds a copy of
// it, so the object that started a sign-in may go away before the answers come back.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "api/AuthProtocol.h"
#include "api/Envelopes.h"
#include "api/Networking.h"
#include "model/ErrorSender.h"
#include "model/ProfileResponseModel.h"
#include "model/SignInRecords.h"
#include "state/AppManager.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "zevu/ZevuManager.h"

namespace morvex {

// Posted (no object) when the signed-in VPN account changed.
inline constexpr std::string_view VPNAccountDidChangeNotification = "VPNAccountDidChangeNotification";
// Posted (no object) when the stored preferences should be read again.
inline constexpr std::string_view PreferencesRefreshedNotification = "PreferencesRefreshed";
// Asks the shell to show the dashboard; the object is true (a bool).
inline constexpr std::string_view ShowDashboardNotification = "ShowDashboard";
// Asks for the in-app notifications (no object).
inline constexpr std::string_view FetchNotificationsNotification = "FetchNotifications";
// Shows an in-app notice in the notification bar; the object is an InAppNotice.
inline constexpr std::string_view ShowNotificationNotification = "ShowNotification";

// The notification bar's record.
struct InAppNotice {
    std::string identifier;
    std::string title;
    std::string message;
    std::vector<std::string> buttonTitles;
    bool persistent = false;
};

class UserAuthentication : public SignInRecords {
public:
    using ProfileAnswer = HttpResponseModel<ProfileResponseModel>;
    using PasswordResult = std::expected<std::string, LoginError>;
    using PasswordCompletion = std::function<void(PasswordResult)>;

    // The outcome of the e-mail migration.
    struct MigrationResult {
        enum class Kind { Success, NoCurrentAccount, Failure };
        Kind kind = Kind::Failure;
        std::optional<Error> error;            // a failed request
        std::optional<LoginError> loginError;  // a failed password step after the migration
    };
    // The launch's reading of a password request.
    struct PasswordCheck {
        enum class Kind { PasswordFetched, NotMigrated, Failure };
        Kind kind = Kind::Failure;
        std::optional<Error> error;
        std::optional<LoginError> loginError;
    };

    // Back-end codes with a meaning of their own.
    static constexpr int notMigratedCode = 1046;        // the password route: not yet tied to an e-mail
    static constexpr int alreadyMigratedCode = 1422;    // the migration: counts as done
    static constexpr std::string_view realm = "MorvexVPN";

    // Where a signed-in account's VPN credential goes: the one thing sign-in asks of the engine.
    using CredentialSink = std::function<void(zevu::ZevuCredential)>;
    // Hands the credential to the VPN SDK's shared manager.
    static CredentialSink sdkCredentialSink();

    // The usual set: the shared API client and sign-in service, the shared token store, fresh
    // stores, the default tracker and the SDK's manager for the credential.
    UserAuthentication();
    UserAuthentication(Networking& networkingManager, PreservedPreferences preference, User user,
                       AppPreferences appPreference, EventTracker eventTracker, CredentialSink setCredential,
                       ErrorSender sentry, AuthProtocol* auth, AppManager& tokenStore = AppManager::shared());

    Networking* networkingManager;
    PreservedPreferences preference;
    User user;
    AppPreferences appPreference;
    EventTracker eventTracker;
    CredentialSink setCredential;  // none: the credential goes nowhere
    ErrorSender sentry;
    AuthProtocol* auth;  // not owned; none: the import sets no client tokens
    AppManager* tokenStore;

    // ---- sign-in completion ----
    // The entry from the login screen with the sign-in server's callback URL (already checked
    // against the authorization, see OAuth2CodeGrant::readRedirect) and that authorization's PKCE
    // verifier. A URL without exactly one code in its query, or no verifier, ends the sign-in as
    // AuthError (invalidRedirect) and nothing is sent.
    void exchangeAuthorizationCode(const std::string& callbackURL, const std::string& codeVerifier,
                                   std::function<void(AuthenticationCase)> completion);
    // The value of the callback's one query item "code"; nothing when there is none, more than
    // one, an empty one, or the URL carries a fragment.
    static std::optional<std::string> authorizationCode(const std::string& callbackURL);
    void requestAuthToken(const std::string& code, const std::string& codeVerifier,
                          Networking::Completion<TokenResponse> completion);
    // Opens and stores the token set, then fetches and stores the profile.
    void handleAuthTokenResponse(Result<TokenResponse> result, std::function<void(AuthenticationCase)> completion);
    void handleUserProfileResponse(Result<ProfileAnswer> result, std::function<void(Result<ProfileResponseModel>)> completion);
    // The profile as the current user, and a one-account list in place of the stored one.
    void storeSignIn(const ProfileResponseModel& profile);
    static AuthenticationCase makeAuthenticationCase(const Result<ProfileResponseModel>& result);

    // Fetches and decrypts the VPN password of `username`. `loginVia` and `method` only go into the
    // failure event. A refusal with 1046 sets the not-migrated flag; a decrypted password clears it
    // after the completion has run.
    void fetchVPNPassword(const std::string& username, std::optional<std::string> loginVia,
                          std::optional<std::string> method, PasswordCompletion completion);
    // On a password: the account and the password are stored, the credential goes to the VPN SDK
    // and the change is announced. Always hands the result on unchanged.
    void saveLoggedInUser(PasswordResult result, const VPNAccount& account, PasswordCompletion completion);
    void storeVPNAccount(const VPNAccount& account, const std::string& password);
    void applyVPNCredentials(const VPNAccount& account, const std::string& password);
    // The dashboard step: shows the dashboard, marks the user signed in, then the account alert
    // the stored state calls for (no subscription, expired, disabled).
    void finishSignIn();

    // ---- launch check and migrations ----
    void migrateToken(Networking::Completion<MigrateTokenResponseModel> completion);
    void decideLaunchCase(Result<MigrateTokenResponseModel> result, std::function<void(AppLaunchCase)> completion);
    void checkSession(std::function<void(AppLaunchCase)> completion);
    void checkMigratedSession(std::function<void(AppLaunchCase)> completion);
    static PasswordCheck classifyPasswordResult(const PasswordResult& result);
    void migrateToEmail(std::function<void(MigrationResult)> completion);
    void handleLaunchMigrationResult(MigrationResult result, std::function<void(AppLaunchCase)> completion);
    void showMigrationCompleteNotification();

    // The stored accounts whose user name is the stored VPN user name, in list order.
    std::vector<VPNAccount> currentAccounts() const;

private:
    void fetchAndSaveAccount(const VPNAccount& account, PasswordCompletion completion);
};

}  // namespace morvex
