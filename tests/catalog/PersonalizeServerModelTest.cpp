#include <gtest/gtest.h>

#include "catalog/PersonalizeServerModel.h"
#include "state/User.h"
#include "support/TestSupport.h"

using namespace morvex;
using Server = ZevuDataFetcherTypes::Server;

namespace {

class PersonalizeServerModelTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        test::TempConfigTest::SetUp();
        User().setVpnUsername("U");
        model.emplace();
        model->preservedPreference.setEnablePersonaliseServer(true);
        connectTo("DE");
    }
    void connectTo(const std::string& code) {
        AppPreferences::LastConnection last;
        last.server = std::make_shared<Server>("7", "Berlin", ZevuDataFetcherTypes::ServerType::City, code);
        AppPreferences().setLastConnection(last);
    }
    std::vector<std::pair<std::string, bool>> entries(const std::string& code) {
        std::vector<std::pair<std::string, bool>> out;
        auto ratings = PreservedPreferences().personalizeServer();
        if (ratings && ratings->contains(code))
            for (const auto& e : ratings->at(code)) out.emplace_back(e.identifier, e.liked);
        return out;
    }
    std::optional<PersonalizeServerModel> model;
};

using Entries = std::vector<std::pair<std::string, bool>>;

TEST_F(PersonalizeServerModelTest, ARatingReplacesTheEarlierOneOfTheSameServerAndMovesToTheEnd) {
    model->recordFeedback("x", true);
    model->recordFeedback("x", false);
    EXPECT_EQ(entries("DE"), (Entries{{"x", false}}));

    model->recordFeedback("y", true);
    model->recordFeedback("x", true);
    EXPECT_EQ(entries("DE"), (Entries{{"y", true}, {"x", true}}));
}

TEST_F(PersonalizeServerModelTest, RatingsAreKeptPerLocationCode) {
    model->recordFeedback("a", true);
    connectTo("FR");
    model->recordFeedback("b", false);
    EXPECT_EQ(entries("DE"), (Entries{{"a", true}}));
    EXPECT_EQ(entries("FR"), (Entries{{"b", false}}));
    EXPECT_FALSE(model->isLastServerLiked());
}

TEST_F(PersonalizeServerModelTest, NothingIsRecordedWithoutPersonalisationConnectionOrIdentifier) {
    model->recordFeedback("", true);
    EXPECT_FALSE(PreservedPreferences().personalizeServer());

    model->preservedPreference.setEnablePersonaliseServer(false);
    model->recordFeedback("x", true);
    EXPECT_FALSE(PreservedPreferences().personalizeServer());

    model->preservedPreference.setEnablePersonaliseServer(true);
    AppPreferences().setLastConnection(std::nullopt);
    model->recordFeedback("x", true);
    EXPECT_FALSE(PreservedPreferences().personalizeServer());
    EXPECT_FALSE(model->isLastServerLiked());
}

TEST_F(PersonalizeServerModelTest, LastServerLikedAnswersFromTheFirstEntryOnly) {
    EXPECT_FALSE(model->isLastServerLiked());
    model->recordFeedback("a", true);
    model->recordFeedback("b", false);
    EXPECT_TRUE(model->isLastServerLiked());
    model->recordFeedback("a", false);  // "b" is first now
    EXPECT_FALSE(model->isLastServerLiked());
}

TEST_F(PersonalizeServerModelTest, AnUnreadableStoreStartsAFreshDictionary) {
    UserDefaults::standard().set(Value(Bytes{0x62, 0x70, 0x6c, 0x69, 0x73, 0x74}), "U.personalizeServer");
    model->recordFeedback("x", true);
    EXPECT_EQ(entries("DE"), (Entries{{"x", true}}));
}

}  // namespace
