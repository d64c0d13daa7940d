#pragma once
// The fixed web addresses the application opens or decorates. Host names are deployment settings
// and live together in WebHosts (WebLink.cpp).
#include <string>

namespace morvex {

enum class WebLink {
    SignInAuthorize,          // 0
    SignInAuthorizeDark,      // 1
    Home,                     // 2
    HelpStart,                // 3
    X,                        // 4
    Instagram,                // 5
    HomeTagged,               // 6
    Blog,                     // 7
    PricingGerman,            // 8
    PricingEnglish,           // 9
    ChatName,                 // 10: a plain word, not an address
    PageNotFound,             // 11
    AndroidTV,                // 12
    AppleTV,                  // 13
    InviteFriend,             // 14
    Android,                  // 15
    IOS,                      // 16
    DownloadsGerman,          // 17
    DownloadsEnglish,         // 18
    Chrome,                   // 19
    Firefox,                  // 20
    FireTVStick,              // 21
    Product,                  // 22
    SupportGerman,            // 23
    SupportEnglish,           // 24
    FeedbackAppLink,          // 25
    ForgotPasswordAppLink,    // 26
    AutoLoginAppLink,         // 27
    TermsAndConditions,       // 28
    PrivacyPolicy,            // 29
    RefundPolicy,             // 30
    Reddit,                   // 31
    HelpArticleLight,         // 32
    HelpArticleDark,          // 33
    WebSiteRoot,              // 34
    AppStoreSubscriptions,    // 35
    AppStoreBilling,          // 36
    StoreManageSubscriptions, // 37
    ReviewAppLink,            // 38
};

inline constexpr int kWebLinkCount = 39;

// The link's address text, as it stands (no formatting, no encoding).
std::string urlString(WebLink link);

// The web sites' hosts. The sign-in server and the callback's apps host come from the host table
// (model/ServiceHosts.h), so the authorize link and the OAuth client always name the same server.
struct WebHosts {
    static std::string signInServer();
    static std::string appsHost();
    static std::string webSite();
    static std::string webSiteWWW();
    static std::string helpSite();
};

}  // namespace morvex
