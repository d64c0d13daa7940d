#include <gtest/gtest.h>
#include <stdlib.h>

#include <QUrl>

#include "model/WebLink.h"

using namespace morvex;

TEST(WebLinkTest, TheDarkSignInLinkOnlyAddsModeFirst) {
    auto light = urlString(WebLink::SignInAuthorize);
    auto dark = urlString(WebLink::SignInAuthorizeDark);
    EXPECT_TRUE(light.ends_with("/realms/MorvexVPN/protocol/openid-connect/auth?client_id=apps&response_type=code"
                                "&redirect_uri=zarnapp://" + WebHosts::appsHost() + "/callback"));
    auto q = light.find('?');
    EXPECT_EQ(dark, light.substr(0, q + 1) + "mode=dark&" + light.substr(q + 1));
}

TEST(WebLinkTest, SiteRootVariantsDifferOnlyInTheirTail) {
    auto root = urlString(WebLink::WebSiteRoot);
    EXPECT_EQ(urlString(WebLink::Home), root + "/");
    EXPECT_EQ(urlString(WebLink::HomeTagged), root + "?tag=0");
    EXPECT_EQ(urlString(WebLink::ChatName), "Slack");
    EXPECT_FALSE(QUrl(QString::fromStdString(urlString(WebLink::ChatName))).isValid() &&
                 !QUrl(QString::fromStdString(urlString(WebLink::ChatName))).scheme().isEmpty());
}

TEST(WebLinkTest, EveryOtherLinkIsAnAbsoluteAddress) {
    for (int i = 0; i < kWebLinkCount; ++i) {
        auto link = static_cast<WebLink>(i);
        if (link == WebLink::ChatName) continue;
        QUrl url(QString::fromStdString(urlString(link)), QUrl::StrictMode);
        EXPECT_TRUE(url.isValid() && !url.host().isEmpty()) << i << " " << urlString(link);
    }
}

TEST(WebLinkTest, SignInFollowsTheServiceOverride) {
    ::setenv("MORVEX_SERVICE_URL", "http://127.0.0.1:4567/", 1);
    auto link = urlString(WebLink::SignInAuthorize);
    ::unsetenv("MORVEX_SERVICE_URL");
    EXPECT_TRUE(link.starts_with("http://127.0.0.1:4567/realms/MorvexVPN/")) << link;
}
