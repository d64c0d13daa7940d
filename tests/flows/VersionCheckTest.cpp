// The latest-version answer: how it decodes, what a success stores and posts, and that a failed
// check stays a failure that stores nothing.
#include <gtest/gtest.h>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "foundation/NotificationCenter.h"
#include "model/BundleInfo.h"
#include "model/ServiceHosts.h"
#include "state/AppManager.h"
#include "flows/MorvexVPNService.h"

namespace morvex::test {
namespace {

TEST(CheckUpdateVersionModelTest, DecodesTheThreeRequiredTextsAndAnOptionalDownloadAddress) {
    struct Case {
        const char* json;
        bool decodes;
        std::optional<std::string> downloadUrl;
    };
    const std::vector<Case> cases{
        {R"({"device":"mac","version":"2.1.0","release_note_url":"https://r","download_url":"https://d"})", true, "https://d"},
        {R"({"device":"mac","version":"2.1.0","release_note_url":"https://r"})", true, std::nullopt},
        {R"({"device":"mac","version":"2.1.0","release_note_url":"https://r","download_url":null,"extra":1})", true, std::nullopt},
        {R"({"device":"mac","release_note_url":"https://r"})", false, std::nullopt},
        {R"({"device":"mac","version":210,"release_note_url":"https://r"})", false, std::nullopt},
        {R"({"device":"mac","version":"2.1.0","release_note_url":"https://r","download_url":5})", false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        auto decoded = decode<CheckUpdateVersionModel>(c.json);
        ASSERT_EQ(decoded.has_value(), c.decodes);
        if (!c.decodes) continue;
        EXPECT_EQ(decoded->version, "2.1.0");
        EXPECT_EQ(decoded->download_url, c.downloadUrl);
        // Writing it back leaves an absent download address out.
        nlohmann::json written = *decoded;
        EXPECT_EQ(written.contains("download_url"), c.downloadUrl.has_value());
    }
}

class VersionCheckTest : public AlertTest {
public:  // table cases arrange through these
    fake::FakeService service;
    Networking networking{nullptr};
    std::vector<VersionCheckAnswer> posted;
    ObserverToken observer;
    AppPreferences::UpdateAvailable earlier{"0.9", "0.9", "https://earlier", "https://earlier/pkg"};

    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        observer = NotificationCenter::defaultCenter().addObserver(
            VersionCheckApiRespondedNotification, [this](const Notification& n) {
                if (auto* answer = n.objectAs<VersionCheckAnswer>()) posted.push_back(*answer);
            });
        AppPreferences().setUpdateAvailable(earlier);
        AppManager::shared().isUpdateControllerAlreadyShown = true;
    }
    void TearDown() override {
        hosts::setServiceURLOverride(std::nullopt);
        AppManager::shared().isUpdateControllerAlreadyShown = true;
        AlertTest::TearDown();
    }

    MorvexVPNService::VersionCheckResult check(bool silent) {
        std::optional<MorvexVPNService::VersionCheckResult> outcome;
        MorvexVPNService::checkForUpdate(silent, AppPreferences(), [&](auto r) { outcome = std::move(r); }, networking);
        EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }));
        return outcome.value_or(std::unexpected(Error("test", -1, "no answer")));
    }
    void answerWith(const nlohmann::json& body) {
        service.route("GET", "/MorvexVPN/app/latest/version/mac", fake::Answer::bodyOnly(body));
    }
};

TEST_F(VersionCheckTest, ASuccessStoresTheOfferPostsItAndReArmsTheUpdateScreen) {
    auto result = check(false);
    ASSERT_TRUE(result) << result.error().localizedDescription();
    EXPECT_EQ(service.requestsTo("/MorvexVPN/app/latest/version/mac").size(), 1u);
    const auto stored = AppPreferences().updateAvailable();
    EXPECT_EQ(stored.availableVersion, "1.0.0");
    EXPECT_EQ(stored.forcedTillVersion, infoShortVersionString());  // the running version
    EXPECT_EQ(stored.releaseNoteURL, "https://morvexvpn.example/release-notes");
    EXPECT_EQ(stored.downloadUrl, "https://morvexvpn.example/MorvexVPN.pkg");
    EXPECT_FALSE(AppManager::shared().isUpdateControllerAlreadyShown);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_FALSE(posted[0].silent);
    EXPECT_EQ(posted[0].version, *result);
}

TEST_F(VersionCheckTest, NoDownloadAddressIsStoredAsEmptyAndPassedOnAbsentAndASilentCheckPostsToo) {
    answerWith({{"device", "mac"}, {"version", "3.0.0"}, {"release_note_url", "https://r"}});
    auto result = check(true);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->download_url, std::nullopt);
    EXPECT_EQ(AppPreferences().updateAvailable().downloadUrl, "");
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(posted[0].silent);
}

TEST_F(VersionCheckTest, AFailedCheckIsAnErrorThatStoresPostsAndReArmsNothing) {
    struct Case {
        const char* what;
        std::function<void(VersionCheckTest&)> arrange;
    };
    const std::vector<Case> cases{
        {"server error", [](VersionCheckTest& t) { t.service.failNext("/MorvexVPN/app/latest/version/mac", fake::Answer::plain(500, "down")); }},
        {"connection dropped",
         [](VersionCheckTest& t) { t.service.failNext("/MorvexVPN/app/latest/version/mac", fake::Answer::dropped()); }},
        {"not JSON", [](VersionCheckTest& t) { t.service.failNext("/MorvexVPN/app/latest/version/mac", fake::Answer::malformed()); }},
        {"no body", [](VersionCheckTest& t) {
             t.service.failNext("/MorvexVPN/app/latest/version/mac", fake::Answer::json({{"header", {{"response_code", 200}}}}));
         }},
        {"an empty body", [](VersionCheckTest& t) { t.answerWith(nlohmann::json::object()); }},
        {"no version", [](VersionCheckTest& t) { t.answerWith({{"device", "mac"}, {"release_note_url", "https://r"}}); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange(*this);
        auto result = check(false);
        EXPECT_FALSE(result.has_value());
        EXPECT_EQ(AppPreferences().updateAvailable(), earlier);
        EXPECT_TRUE(posted.empty());
        EXPECT_TRUE(AppManager::shared().isUpdateControllerAlreadyShown);
    }
}

TEST_F(VersionCheckTest, AFailureHandedInReachesTheCompletionUnchanged) {
    const Error error("NSURLErrorDomain", -1009, "offline");
    std::optional<MorvexVPNService::VersionCheckResult> outcome;
    MorvexVPNService::handleVersionCheck(std::unexpected(error), true, AppPreferences(), [&](auto r) { outcome = r; });
    ASSERT_TRUE(outcome);
    ASSERT_FALSE(outcome->has_value());
    EXPECT_EQ(outcome->error(), error);
}

}  // namespace
}  // namespace morvex::test
