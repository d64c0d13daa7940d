#include <gtest/gtest.h>

#include <QUrl>
#include <QUrlQuery>

#include "model/BundleInfo.h"
#include "model/WebLinks.h"
#include "foundation/UserDefaults.h"
#include "support/TestSupport.h"

using namespace morvex;

namespace {

class WebLinksTest : public test::TempConfigTest {
protected:
    void TearDown() override {
        setCurrentThemeNameProvider(nullptr);
        test::TempConfigTest::TearDown();
    }
    static std::vector<std::pair<std::string, std::string>> items(const std::string& url) {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& [k, v] : QUrlQuery(QUrl(QString::fromStdString(url))).queryItems(QUrl::FullyDecoded))
            out.emplace_back(k.toStdString(), v.toStdString());
        return out;
    }
};

TEST_F(WebLinksTest, AppendsTheSevenItemsAfterTheExistingQuery) {
    const std::string version = appVersionText();
    auto link = webLinkWithQueryItems("https://morvexvpn.com/applinks/addon-details?addon=dedicated-ip");
    EXPECT_EQ(link.rfind("https://morvexvpn.com/applinks/addon-details?addon=dedicated-ip&version=", 0), 0u) << link;
    using Items = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(items(link), (Items{{"addon", "dedicated-ip"},
                                  {"version", version},
                                  {"platform", "mac"},
                                  {"utm_medium", "apps"},
                                  {"utm_source", "mac"},
                                  {"utm_campaign", version},
                                  {"theme", "light"},
                                  {"locale", "de"}}));

    UserDefaults::standard().set(Value("en"), "AppPreference.preferredLanguageCode");
    setCurrentThemeNameProvider([] { return std::string("dark"); });
    auto faq = items(webLinkWithQueryItems("https://help.morvexvpn.com/morvexvpn/ukp.aspx?mode=light"));
    ASSERT_EQ(faq.size(), 8u);
    EXPECT_EQ(faq[0], (std::pair<std::string, std::string>{"mode", "light"}));
    EXPECT_EQ(faq[6], (std::pair<std::string, std::string>{"theme", "dark"}));
    EXPECT_EQ(faq[7], (std::pair<std::string, std::string>{"locale", "en"}));

    EXPECT_EQ(webLinkWithQueryItems("http://[::1"), "http://[::1");
}

}  // namespace
