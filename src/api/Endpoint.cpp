#include "api/Endpoint.h"

#include "model/EnumTable.h"

namespace morvex {

namespace {

struct Row {
    Endpoint value;
    std::string_view name;
    std::string_view raw;  // the path
    ServiceHost urlHost;
    AccessTokenScope scope;
    Host kind;
};

using S = AccessTokenScope;
using H = Host;
using U = ServiceHost;

constexpr auto kTable = enumTable<Row>("Endpoint", {
    {Endpoint::Login, "Login", "/user/login/v3", U::API, S::Authorization, H::DialerGateway},
    {Endpoint::Password, "Password", "/vpn/account/password", U::API, S::Authorization, H::FusionAuth},
    {Endpoint::Profile, "Profile", "/user/profile/v3", U::API, S::User, H::DialerGateway},
    {Endpoint::SubmitTicket, "SubmitTicket", "/ticket/create", U::API, S::None, H::DialerGateway},
    {Endpoint::CheckSurvey, "CheckSurvey", "/deviceapi/getAppContent/v3", U::API, S::Device, H::DialerGateway},
    {Endpoint::EmailSignUp, "EmailSignUp", "/user/signup/v3", U::API, S::Authorization, H::DialerGateway},
    {Endpoint::VerifyEmail, "VerifyEmail", "/user/verifyemail/v3", U::API, S::Authorization, H::DialerGateway},
    {Endpoint::RegisterPushToken, "RegisterPushToken", "/push/register/v3", U::API, S::User, H::DialerGateway},
    {Endpoint::PushToken, "PushToken", "/user/device/token", U::API, S::User, H::DialerGateway},
    {Endpoint::RegisterSubscription, "RegisterSubscription", "/subscription/create", U::API, S::Payment, H::DialerGateway},
    {Endpoint::CheckDedicatedIPStatus, "CheckDedicatedIPStatus", "/status/dedicated/ip", U::API, S::User, H::FusionAuth},
    {Endpoint::KillDedicatedIPSession, "KillDedicatedIPSession", "/kill/session/dedicated/ip", U::API, S::User, H::DialerGateway},
    {Endpoint::CheckUpdateMac, "CheckUpdateMac", "/app/latest/version/mac", U::API, S::Device, H::FusionAuth},
    {Endpoint::CheckUpdateiOS, "CheckUpdateiOS", "/app/latest/version/ios", U::API, S::Device, H::FusionAuth},
    {Endpoint::StorePlans, "StorePlans", "/products/plans", U::API, S::Payment, H::DialerGateway},
    {Endpoint::RestoreSubscription, "RestoreSubscription", "/restore/purchase", U::API, S::Payment, H::DialerGateway},
    {Endpoint::PromoOfferSignature, "PromoOfferSignature", "/payment/appstoresignature/v3", U::API, S::Payment, H::DialerGateway},
    {Endpoint::UpdateClientEmail, "UpdateClientEmail", "/user/updateemail/v3", U::API, S::User, H::DialerGateway},
    {Endpoint::GetPublicIpAddress, "GetPublicIpAddress", "/user/ipaddress/v3", U::API, S::User, H::DialerGateway},
    {Endpoint::DedicatedIp, "DedicatedIp", "/user/dedicatedipdetail/v3", U::API, S::User, H::DialerGateway},
    {Endpoint::KillDedicatedSession, "KillDedicatedSession", "/user/killsession/v3", U::API, S::User, H::DialerGateway},
    {Endpoint::DesiredOutcome, "DesiredOutcome", "/user/setdesiredoutcome/v3", U::API, S::User, H::DialerGateway},
    {Endpoint::ReferAFriend, "ReferAFriend", "/refer-a-friend/customer_id", U::API, S::User, H::DialerGateway},
    {Endpoint::PortForwarding, "PortForwarding", "/user/portforwarding/v3", U::API, S::User, H::DialerGateway},
    {Endpoint::FirebaseToken, "FirebaseToken", "/user/firestoretoken/v3", U::API, S::Authorization, H::DialerGateway},
    {Endpoint::AccountStatus, "AccountStatus", "/user/accountstatus/v3", U::API, S::Authorization, H::DialerGateway},
    {Endpoint::OtherDevices, "OtherDevices", "/device/setupotherdevices/v3", U::API, S::Device, H::DialerGateway},
    {Endpoint::ReadNotification, "ReadNotification", "/notification/markread/v3", U::API, S::User, H::DialerGateway},
    {Endpoint::DeleteNotification, "DeleteNotification", "/notification/delete/v3", U::API, S::User, H::DialerGateway},
    {Endpoint::MigrateToEmail, "MigrateToEmail", "/user/migrateemail/v3", U::API, S::Authorization, H::DialerGateway},
    {Endpoint::MigrateToken, "MigrateToken", "/user/importtoken", U::API, S::Authorization, H::DialerGateway},
    {Endpoint::VerifyReceipt, "VerifyReceipt", "/verifyReceipt", U::Receipt, S::None, H::AppleReceipt},
    {Endpoint::DownloadUpdateQA, "DownloadUpdateQA", "/mac-2.0/packages/QA/MorvexVPN.pkg", U::Asset, S::None, H::S3},
    {Endpoint::DownloadUpdateAlpha, "DownloadUpdateAlpha", "/mac-2.0/packages/Alpha/MorvexVPN.pkg", U::Asset, S::None, H::S3},
    {Endpoint::DownloadUpdateBeta, "DownloadUpdateBeta", "/mac-2.0/packages/Beta/MorvexVPN.pkg", U::Asset, S::None, H::S3},
    {Endpoint::DownloadUpdate, "DownloadUpdate", "/MorvexVPN.pkg", U::Asset, S::None, H::S3},
    {Endpoint::UserInfo, "UserInfo", "/oauth2/userinfo", U::API, S::FAUser, H::FusionAuth},
    {Endpoint::UserInfo1, "UserInfo1", "/user/profile", U::API, S::None, H::FusionAuth},
    {Endpoint::authToken, "authToken", "/auth/token", U::API, S::None, H::Token},
    {Endpoint::DownloadRemoteConfig, "DownloadRemoteConfig", "/mac-2.0/assets/v1/remoteconfig", U::Configuration, S::None, H::RemoteConfiguration},
    {Endpoint::Notifications, "Notifications", "/notification/list/v3", U::API, S::User, H::DialerGateway},
});
static_assert(kTable.rows().size() == kEndpointCount);

constexpr auto kScopes = enumTable<AccessTokenScope>("AccessTokenScope", {
    {AccessTokenScope::User, "dialer-api/user"},
    {AccessTokenScope::Authorization, "dialer-api/authorization"},
    {AccessTokenScope::Payment, "dialer-api/payment"},
    {AccessTokenScope::Device, "dialer-api/device"},
    {AccessTokenScope::FAUser, "user"},
    {AccessTokenScope::None, ""},
});

}  // namespace

std::string_view rawValue(AccessTokenScope scope) { return kScopes.raw(scope); }
std::optional<AccessTokenScope> accessTokenScopeFromRaw(std::string_view raw) { return kScopes.fromRaw(raw); }

std::string_view rawValue(Endpoint endpoint) { return kTable.raw(endpoint); }
std::string_view caseName(Endpoint endpoint) { return kTable.row(endpoint).name; }
AccessTokenScope scope(Endpoint endpoint) { return kTable.row(endpoint).scope; }
Host hostKind(Endpoint endpoint) { return kTable.row(endpoint).kind; }
ServiceHost urlHost(Endpoint endpoint) { return kTable.row(endpoint).urlHost; }

std::optional<Endpoint> endpointFromRaw(std::string_view path) { return kTable.fromRaw(path); }

const std::array<Endpoint, kEndpointCount>& allEndpoints() {
    static constexpr std::array<Endpoint, kEndpointCount> all = kTable.cases();
    return all;
}

}  // namespace morvex
