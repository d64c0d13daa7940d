// Recents and favourites over the stores: the three newest recents, and a favourite edit reaching
// every stored copy of the location and announcing the list.
#include "CatalogTestSupport.h"

namespace morvex::test {
namespace {

class SavedLocationsTest : public CatalogTest {
protected:
    std::vector<Notification> posted(std::string_view name) {
        return std::vector<Notification>(notes_[std::string(name)]);
    }
    void listen(std::string_view name) {
        tokens_.push_back(NotificationCenter::defaultCenter().addObserver(
            name, [this](const Notification& n) { notes_[n.name].push_back(n); }));
    }

private:
    std::map<std::string, std::vector<Notification>> notes_;
    std::vector<ObserverToken> tokens_;
};

TEST_F(SavedLocationsTest, RecentsKeepThreeNewestFirstWithOneEntryPerId) {
    struct Case {
        std::vector<std::string> stored;
        std::string added;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {{"A", "B", "C"}, "D", {"D", "A", "B"}},
        {{"A", "B", "C"}, "B", {"B", "A", "C"}},
        {{"A", "A", "B"}, "A", {"A", "B"}},
        {{}, "A", {"A"}},
    };
    for (const auto& c : cases) {
        ServerList stored;
        for (const auto& id : c.stored) stored.push_back(make(id));
        PreservedPreferences().setRecents(stored);
        saved().addToRecents(make(c.added));
        EXPECT_EQ(ids(PreservedPreferences().recents()), c.expected) << "adding " << c.added;
    }
}


TEST_F(SavedLocationsTest, FavouriteEditsReachEveryStoredCopyAndAnnounceTheList) {
    listen(ZevuDataFetcherTypes::favoritesUpdatedNotification);
    listen(AppPreferences::recommendedServerUpdatedNotification);
    auto f = saved();
    setRecommended(make("DE", "Germany"));
    AppPreferences().setLastConnection(record(make("DE", "Germany")));
    PreservedPreferences().setRecents(ServerList{make("FR"), make("DE", "Germany")});

    f.addToFavorites(make("DE", "Germany"), SavedLocations::FavoriteSource::Location);
    f.addToFavorites(make("DE", "Germany"), SavedLocations::FavoriteSource::Recent);  // appended again
    f.addToFavorites(make("FR"), SavedLocations::FavoriteSource::Connected);
    EXPECT_EQ(ids(PreservedPreferences().favorites()), (std::vector<std::string>{"DE", "DE", "FR"}));
    EXPECT_TRUE(AppPreferences().recommendedServer()->favorite);
    EXPECT_TRUE(PreservedPreferences().recents()[1]->favorite) << "the recent entry is replaced in place";
    EXPECT_FALSE(AppPreferences().lastConnection()->server->favorite) << "adding never flags the last connection";
    EXPECT_EQ(event("app_mark_favorite"),
              (Dictionary{{"name", "FR"}, {"type", "Country"}, {"via", "Connected"}}));

    const auto announcedBefore = posted(AppPreferences::recommendedServerUpdatedNotification).size();
    AppPreferences().setLastConnection([] {
        auto r = EngineTest::record(make("DE", "Germany"));
        r.server->favorite = true;
        return r;
    }());
    f.removeFromFavorites(make("DE", "Germany"));
    EXPECT_EQ(ids(PreservedPreferences().favorites()), (std::vector<std::string>{"FR"})) << "every entry of the id goes";
    EXPECT_FALSE(AppPreferences().recommendedServer()->favorite);
    EXPECT_EQ(posted(AppPreferences::recommendedServerUpdatedNotification).size(), announcedBefore + 1);
    EXPECT_FALSE(AppPreferences().lastConnection()->server->favorite) << "removal clears the last connection's flag";
    EXPECT_FALSE(PreservedPreferences().recents()[1]->favorite);

    const auto last = posted(ZevuDataFetcherTypes::favoritesUpdatedNotification).back();
    const auto* info = last.objectAs<UserInfo>();
    ASSERT_NE(info, nullptr);
    EXPECT_FALSE(std::any_cast<bool>(info->at("Added")));
    EXPECT_EQ(std::any_cast<ServerPtr>(info->at("Object"))->id, "DE");
    EXPECT_EQ(ids(std::any_cast<ServerList>(info->at("List"))), (std::vector<std::string>{"FR"}));

    // An id the recommended Server does not have leaves it untouched.
    const auto announced = posted(AppPreferences::recommendedServerUpdatedNotification).size();
    f.removeFromFavorites(make("FR"));
    EXPECT_EQ(posted(AppPreferences::recommendedServerUpdatedNotification).size(), announced);
}


}  // namespace
}  // namespace morvex::test
