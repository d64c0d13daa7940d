#include "model/WebLink.h"

#include "model/ServiceHosts.h"

namespace morvex {

std::string WebHosts::signInServer() { return hosts::signInBaseURL().toString(QUrl::FullyEncoded).toStdString(); }
std::string WebHosts::appsHost() { return hosts::kAppsHost; }
std::string WebHosts::webSite() { return "https://morvexvpn.com"; }
std::string WebHosts::webSiteWWW() { return "https://www.morvexvpn.com"; }
std::string WebHosts::helpSite() { return "https://help.morvexvpn.com"; }

namespace {
constexpr const char* kXSite = "https://x.com";
constexpr const char* kInstagramSite = "https://www.instagram.com";
constexpr const char* kRedditSite = "https://www.reddit.com";
constexpr const char* kGroupSite = "https://www.morvexgroup.com";
constexpr const char* kAppStoreHost = "apps.apple.com";
constexpr const char* kStorePurchaseHost = "buy.itunes.apple.com";

std::string authorize(bool dark) {
    return WebHosts::signInServer() + "/realms/MorvexVPN/protocol/openid-connect/auth?" + (dark ? "mode=dark&" : "") +
           "client_id=apps&response_type=code&redirect_uri=zarnapp://" + WebHosts::appsHost() + "/callback";
}
}  // namespace

std::string urlString(WebLink link) {
    const std::string web = WebHosts::webSite();
    const std::string www = WebHosts::webSiteWWW();
    const std::string help = WebHosts::helpSite();
    switch (link) {
        case WebLink::SignInAuthorize: return authorize(false);
        case WebLink::SignInAuthorizeDark: return authorize(true);
        case WebLink::Home: return web + "/";
        case WebLink::HelpStart: return help + "/morvexvpn/ukp.aspx?donelr=1";
        case WebLink::X: return std::string(kXSite) + "/morvexvpn1?t=mvpn&s=21";
        case WebLink::Instagram: return std::string(kInstagramSite) + "/morvexvpn/?hl=en";
        case WebLink::HomeTagged: return web + "?tag=0";
        case WebLink::Blog: return web + "/blog/";
        case WebLink::PricingGerman: return web + "/preise/";
        case WebLink::PricingEnglish: return web + "/en/preise/";
        case WebLink::ChatName: return "Slack";
        case WebLink::PageNotFound: return www + "/us/en/page_not_found";
        case WebLink::AndroidTV: return web + "/android-tv/";
        case WebLink::AppleTV: return web + "/apple-tv/";
        case WebLink::InviteFriend: return web + "/invite-friend/";
        case WebLink::Android: return web + "/android/";
        case WebLink::IOS: return web + "/ios/";
        case WebLink::DownloadsGerman: return web + "/downloads/";
        case WebLink::DownloadsEnglish: return web + "/en/downloads/";
        case WebLink::Chrome: return web + "/chrome/";
        case WebLink::Firefox: return web + "/firefox/";
        case WebLink::FireTVStick: return web + "/firestick-vpn/";
        case WebLink::Product: return www + "/us/en/home/products/morvexvpn";
        case WebLink::SupportGerman: return web + "/support/";
        case WebLink::SupportEnglish: return web + "/en/support/";
        case WebLink::FeedbackAppLink: return web + "/applinks/feedback";
        case WebLink::ForgotPasswordAppLink: return web + "/applinks/forgotpassword";
        case WebLink::AutoLoginAppLink: return web + "/applinks/autologin";
        case WebLink::TermsAndConditions: return www + "/us/en/legal/service-terms-and-conditions/";
        case WebLink::PrivacyPolicy: return std::string(kGroupSite) + "/en-gb/about/privacy/";
        case WebLink::RefundPolicy: return web + "/refund-policy/";
        case WebLink::Reddit: return std::string(kRedditSite) + "/r/morvexvpn/";
        case WebLink::HelpArticleLight: return help + "/morvexvpn/ukp.aspx?pid=10&app=vw&vw=1&solutionid=4289&mode=light";
        case WebLink::HelpArticleDark: return help + "/morvexvpn/ukp.aspx?pid=10&app=vw&vw=1&solutionid=4289&mode=dark";
        case WebLink::WebSiteRoot: return web;
        case WebLink::AppStoreSubscriptions: return std::string("itms-apps://") + kAppStoreHost + "/account/subscriptions";
        case WebLink::AppStoreBilling: return std::string("https://") + kAppStoreHost + "/account/billing";
        case WebLink::StoreManageSubscriptions:
            return std::string("https://") + kStorePurchaseHost + "/WebObjects/MZFinance.woa/wa/manageSubscriptions";
        case WebLink::ReviewAppLink: return web + "/applinks/trustpilot";
    }
    return {};
}

}  // namespace morvex
