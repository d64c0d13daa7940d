// The post-connection prompt's record and the redial countdown's reconnect.
#include "EngineTestSupport.h"

#include "vpn/ConnectionModel.h"

namespace morvex::test {
namespace {

using FeedbackType = ConnectionModel::Feedback::FeedbackType;

TEST(FeedbackTypeTest, BuildsFromExactlyItsTwoRawTexts) {
    const std::vector<std::pair<std::string, std::optional<FeedbackType>>> cases{
        {"DO", FeedbackType::DO}, {"rating", FeedbackType::Rating}, {"Rating", std::nullopt},
        {"do", std::nullopt},     {"", std::nullopt},               {"rating ", std::nullopt}};
    for (const auto& [raw, expected] : cases) {
        SCOPED_TRACE(raw);
        EXPECT_EQ(ConnectionModel::Feedback::feedbackTypeFromRaw(raw), expected);
        if (expected) {
            EXPECT_EQ(ConnectionModel::Feedback::rawValue(*expected), raw);
        }
    }
}

class FeedbackPromptTest : public TempConfigTest {};

TEST_F(FeedbackPromptTest, AsksForTheOutcomeFirstAndForARatingOnceItWasAchieved) {
    PreservedPreferences prefs;
    auto prompt = ConnectionModel::Feedback::make(prefs);
    EXPECT_EQ(prompt.type, FeedbackType::DO);
    EXPECT_EQ(ConnectionModel::Feedback::text(prompt.type), localized("connection.feedback.text.desired.outcome"));
    EXPECT_EQ(prompt.greetings, localized("connection.rating.greetings.message"));

    prefs.setDesiredOutcomeAchieved(true);
    prompt = ConnectionModel::Feedback::make(prefs);
    EXPECT_EQ(prompt.type, FeedbackType::Rating);
    EXPECT_EQ(ConnectionModel::Feedback::text(prompt.type), localized("connection.feedback.text.rating"));
    EXPECT_NE(ConnectionModel::Feedback::text(FeedbackType::DO), ConnectionModel::Feedback::text(FeedbackType::Rating));
}

class AutoDialModelTest : public EngineTest {};

TEST_F(AutoDialModelTest, TheCountdownsEndRecordsANewAttemptAndDialsTheLastConnectionAgain) {
    connectTunnel();
    zevu::ZevuManager::sharedInstance()->disconnectVPN();
    ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
    AppPreferences().setOnGoingConnectionId("earlier-id");

    AutoDialModel model(engine());
    model.reconnect();
    const auto id = AppPreferences().onGoingConnectionId();
    ASSERT_TRUE(id);
    EXPECT_NE(*id, "earlier-id");
    EXPECT_GT(std::stod(*id), 0.0);  // seconds, as decimal text
    EXPECT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected); }));
}

}  // namespace
}  // namespace morvex::test
