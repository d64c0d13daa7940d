#pragma once
// The back end's endpoints: each case fixes its path, the host that serves it, the token scope its
// requests carry and how its answers are decoded.
#include <array>
#include <optional>
#include <string_view>

#include "model/ServiceHosts.h"

namespace morvex {

// Token scopes; they also name the keychain items of refreshed tokens.
enum class AccessTokenScope { User, Authorization, Payment, Device, FAUser, None };
std::string_view rawValue(AccessTokenScope scope);
std::optional<AccessTokenScope> accessTokenScopeFromRaw(std::string_view raw);

// The kind of back end that answers an endpoint; decides how the answer is decoded.
enum class Host { DialerGateway, S3, RemoteConfiguration, FusionAuth, Token, AppleReceipt };

enum class Endpoint {
    Login,
    Password,
    Profile,
    SubmitTicket,
    CheckSurvey,
    EmailSignUp,
    VerifyEmail,
    RegisterPushToken,
    PushToken,
    RegisterSubscription,
    CheckDedicatedIPStatus,
    KillDedicatedIPSession,
    CheckUpdateMac,
    CheckUpdateiOS,
    StorePlans,
    RestoreSubscription,
    PromoOfferSignature,
    UpdateClientEmail,
    GetPublicIpAddress,
    DedicatedIp,
    KillDedicatedSession,
    DesiredOutcome,
    ReferAFriend,
    PortForwarding,
    FirebaseToken,
    AccountStatus,
    OtherDevices,
    ReadNotification,
    DeleteNotification,
    MigrateToEmail,
    MigrateToken,
    VerifyReceipt,
    DownloadUpdateQA,
    DownloadUpdateAlpha,
    DownloadUpdateBeta,
    DownloadUpdate,
    UserInfo,
    UserInfo1,
    authToken,
    DownloadRemoteConfig,
    // The signed-in user's in-app notifications (GET; the gateway envelope's body holds
    // "notifications", a list). Numbered after the others, so every older number stays.
    Notifications,
};

inline constexpr int kEndpointCount = 41;

// The path.
std::string_view rawValue(Endpoint endpoint);
std::optional<Endpoint> endpointFromRaw(std::string_view path);
// The case's name as written above.
std::string_view caseName(Endpoint endpoint);
AccessTokenScope scope(Endpoint endpoint);
Host hostKind(Endpoint endpoint);
ServiceHost urlHost(Endpoint endpoint);
// Every case, in order.
const std::array<Endpoint, kEndpointCount>& allEndpoints();

}  // namespace morvex
