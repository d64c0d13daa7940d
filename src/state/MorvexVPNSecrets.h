#pragma once
// The application's fixed secret values. They come from the bundle's resource
// "MorvexVPNSecrets.json" (development values in the source tree; a release build supplies its
// own file). Stateless: every read looks the file up afresh; a missing value reads as "".
#include <string>
#include <string_view>

namespace morvex {

class MorvexVPNSecrets {
public:
    std::string sdkSecretKey() const { return value("sdkSecretKey"); }
    std::string analyticsToken() const { return value("analyticsToken"); }
    std::string requestTokenSalt() const { return value("requestTokenSalt"); }
    std::string identityLinkSalt() const { return value("identityLinkSalt"); }
    std::string aesGCMKey() const { return value("aesGCMKey"); }
    std::string aesGCMIV() const { return value("aesGCMIV"); }
    // Base64 of the PKCS#1 DER form of the RSA key that opens the VPN password answers.
    std::string passwordKey() const { return value("passwordKey"); }
    std::string oauthClientId() const { return value("oauthClientId"); }
    std::string oauthClientSecret() const { return value("oauthClientSecret"); }
    std::string domainFrontingKey() const { return value("domainFrontingKey"); }
    std::string domainFrontingIV() const { return value("domainFrontingIV"); }
    std::string firebaseAPIKey() const { return value("firebaseAPIKey"); }
    std::string firebaseAppID() const { return value("firebaseAppID"); }
    std::string liveChatAppID() const { return value("liveChatAppID"); }

private:
    static std::string value(std::string_view name);
};

}  // namespace morvex
