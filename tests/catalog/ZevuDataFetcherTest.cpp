// The location fetcher over the simulated SDK: recents and favourites with every stored copy,
// latency merging, country loading and the country connect and dedicated-IP naming.
#include "CatalogTestSupport.h"

namespace morvex::test {
namespace {

class ZevuDataFetcherTest : public CatalogTest {
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

TEST_F(ZevuDataFetcherTest, RecentsKeepThreeNewestFirstWithOneEntryPerId) {
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
        fetcher().addToRecents(make(c.added));
        EXPECT_EQ(ids(PreservedPreferences().recents()), c.expected) << "adding " << c.added;
    }
}

TEST_F(ZevuDataFetcherTest, FavouriteEditsReachEveryStoredCopyAndAnnounceTheList) {
    listen(ZevuDataFetcherTypes::favoritesUpdatedNotification);
    listen(AppPreferences::recommendedServerUpdatedNotification);
    auto f = fetcher();
    setRecommended(make("DE", "Germany"));
    AppPreferences().setLastConnection(record(make("DE", "Germany")));
    PreservedPreferences().setRecents(ServerList{make("FR"), make("DE", "Germany")});

    f.addToFavorites(make("DE", "Germany"), ZevuDataFetcher::FavoriteSource::Location);
    f.addToFavorites(make("DE", "Germany"), ZevuDataFetcher::FavoriteSource::Recent);  // appended again
    f.addToFavorites(make("FR"), ZevuDataFetcher::FavoriteSource::Connected);
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

TEST_F(ZevuDataFetcherTest, AZeroLatencyKeepsTheOldOneAndReportsTheSilentDataCentres) {
    auto f = fetcher();
    auto paris = make("7", "Paris", Type::City);
    paris->latency = 40;
    auto lyon = make("8", "Lyon", Type::City);
    zevu::ZevuCity answerParis;
    answerParis.cityId = 7;
    answerParis.latency = 0;
    answerParis.data_centers = std::vector<zevu::ZevuDatacenters>(3);
    (*answerParis.data_centers)[0].dataCenterId = 70;
    (*answerParis.data_centers)[1].dataCenterId = 71;
    (*answerParis.data_centers)[1].latency = 12;
    (*answerParis.data_centers)[2].dataCenterId = 72;
    zevu::ZevuCity answerLyon;
    answerLyon.cityId = 8;
    answerLyon.latency = 25;
    zevu::ZevuCity stranger;
    stranger.cityId = 99;
    stranger.latency = 5;

    ServerList result;
    f.applyCityLatencies({answerParis, stranger, answerLyon}, {paris, lyon}, nullptr,
                         [&](ServerList r) { result = std::move(r); });
    EXPECT_EQ(ids(result), (std::vector<std::string>{"7", "8"})) << "answers without a Server are dropped";
    EXPECT_EQ(paris->latency, 40);
    EXPECT_EQ(lyon->latency, 25);
    EXPECT_EQ(event("app_fail_ping"), (Dictionary{{"location", "Paris"},
                                                  {"data_centers", Value(Array{Value("70"), Value("72")})},
                                                  {"connection_state", "Disconnected"}}));
    EXPECT_EQ(event("app_ping_time"), (Dictionary{{"type", "City"}}));
    EXPECT_FALSE(PreservedPreferences().defaults().object(PreservedPreferences::perUserKey("countries")))
        << "the city pass stores no country list";

    zevu::ZevuCountry france = sdkCountry("FR", "France");
    france.latency = 30;
    f.applyCountryLatencies({france}, {make("FR", "France")}, nullptr, [](ServerList) {});
    EXPECT_TRUE(PreservedPreferences().defaults().object(PreservedPreferences::perUserKey("countries")))
        << "the country pass stores its result";
    EXPECT_EQ(event("app_ping_time"), (Dictionary{{"type", "Country"}}));
}

TEST_F(ZevuDataFetcherTest, LoadedCountriesOfferTheSelectedProtocolAndCarryTheTableAndFavourites) {
    auto f = fetcher();
    PreservedPreferences().setFavorites(ServerList{make("AT"), make("42", "Vienna", Type::City)});
    auto at = sdkCountry("AT", "Austria", {"IPSEC", "IKEV"});
    zevu::ZevuCity vienna;
    vienna.cityId = 42;
    vienna.name = "Vienna";
    vienna.country = "AT";
    at.cities = std::vector{vienna};
    auto noProtocols = sdkCountry("BE", "Belgium");
    noProtocols.protocols.reset();
    auto emptyProtocols = sdkCountry("CH", "Switzerland", {});
    auto wireGuardOnly = sdkCountry("DK", "Denmark", {"WireGuard"});
    auto noCities = sdkCountry("AE", "United Arab Emirates");
    const std::vector cached{at, noProtocols, emptyProtocols, wireGuardOnly, noCities};
    cacheCountries(cached);

    ServerList loaded;
    std::optional<Error> failure;
    f.loadCountries(cached, [&](ServerList s, std::optional<Error> e) {
        loaded = std::move(s);
        failure = std::move(e);
    });
    ASSERT_FALSE(failure);
    EXPECT_EQ(ids(loaded), (std::vector<std::string>{"AT", "AE"}));
    const auto& austria = *loaded[0];
    EXPECT_TRUE(austria.favorite);
    EXPECT_EQ(austria.priority, 880) << "from the built-in table";
    EXPECT_TRUE(austria.p2p);
    ASSERT_TRUE(austria.servers);
    EXPECT_EQ((*austria.servers)[0]->id, "42");
    EXPECT_TRUE((*austria.servers)[0]->favorite);
    EXPECT_FALSE(loaded[1]->servers) << "a country without cities has none";
    EXPECT_EQ(ZevuDataFetcher::makeZevuCities(*austria.servers)[0].cityId, 42);
    EXPECT_EQ(event("app_location_load_time"), (Dictionary{{"type", "Country"}}));
}

TEST_F(ZevuDataFetcherTest, AFailedCountryFetchReachesTheCompletionAndALaterLoadRuns) {
    auto f = fetcher();
    zevu::ZevuTestAPI::failCountryRequests(Error("Zevu", 5000, "no catalogue"));
    int calls = 0;
    std::optional<Error> failure;
    f.loadCountries({}, [&](ServerList, std::optional<Error> e) {
        ++calls;
        failure = std::move(e);
    });
    ASSERT_TRUE(waitUntil([&] { return calls > 0; }));
    ASSERT_TRUE(failure);
    EXPECT_TRUE(f.cachedCountries().empty()) << "the cache is left as it was";

    zevu::ZevuTestAPI::failCountryRequests(std::nullopt);
    ServerList loaded;
    f.loadCountries({}, [&](ServerList s, std::optional<Error> e) {
        ++calls;
        if (!e) loaded = std::move(s);
    });
    ASSERT_TRUE(waitUntil([&] { return calls > 1; }));
    EXPECT_FALSE(loaded.empty());
    EXPECT_FALSE(f.cachedCountries().empty()) << "the fetched list is cached";
}

TEST_F(ZevuDataFetcherTest, TheCatalogueResolvesAChosenCountryFromItsCacheOrFromTheServerItself) {
    auto f = fetcher();
    // Nothing cached: the country is made from the Server, for the SDK to resolve.
    auto made = f.resolveCountry(*make("DE", "Germany"));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->country, "DE");
    EXPECT_EQ(made->name, "Germany");
    EXPECT_EQ(made->iso_code, "DE");
    // A cache answers with its own record, and without the country with none.
    cacheCountries({sdkCountry("FR", "France"), sdkCountry("DE", "Deutschland")});
    auto cached = f.resolveCountry(*make("DE", "Germany"));
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->name, "Deutschland");
    EXPECT_FALSE(f.resolveCountry(*make("JP", "Japan")));
}

TEST_F(ZevuDataFetcherTest, AnEmptyCacheDialsTheChosenCountryOnceAndAnswersOnce) {
    // The recommended location is elsewhere: it must not be dialled instead of, or after, the choice.
    zevu::ZevuLocation elsewhere;
    elsewhere.country = sdkCountry("JP", "Japan");
    zevu::ZevuTestAPI::setRecommendedLocationAnswer(std::optional(elsewhere));
    auto z = engine();
    Outcome outcome;
    z.connectToLocation(make("DE", "Germany"), ZevuTypes::ConnectVia::Country,
                        ZevuTypes::SelectedInterfaceScreen::Location, ZevuTypes::ConnectionInitiatedBy::User,
                        ZevuTypes::SelectedInterface::List, false, true, outcome.handler());
    ASSERT_TRUE(waitUntil([&] { return outcome.calls > 0; }));
    settleWithSdk();
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_FALSE(outcome.lastCode());
    auto details = zevu::ZevuManager::sharedInstance()->zevuConnectionDetails();
    ASSERT_TRUE(details);
    EXPECT_EQ(details->country, std::optional<std::string>("Germany"));
}

TEST_F(ZevuDataFetcherTest, ACacheWithoutTheChosenCountryDialsNothing) {
    cacheCountries({sdkCountry("FR", "France")});
    auto z = engine();
    Outcome outcome;
    z.connectToLocation(make("DE", "Germany"), ZevuTypes::ConnectVia::Country,
                        ZevuTypes::SelectedInterfaceScreen::Location, ZevuTypes::ConnectionInitiatedBy::User,
                        ZevuTypes::SelectedInterface::List, false, true, outcome.handler());
    settleWithSdk();
    EXPECT_EQ(outcome.calls, 0);
    EXPECT_FALSE(zevu::ZevuManager::sharedInstance()->zevuConnectionDetails());
    EXPECT_FALSE(AppPreferences().lastConnection());
}

TEST_F(ZevuDataFetcherTest, ADedicatedIPIsNamedOnlyAfterItsOwnCountry) {
    zevu::ZevuLocation elsewhere;
    elsewhere.country = sdkCountry("JP", "Japan");
    zevu::ZevuTestAPI::setRecommendedLocationAnswer(std::optional(elsewhere));
    struct Case {
        const char* what;
        std::vector<zevu::ZevuCountry> cache;
        std::string expected;
    };
    auto nameless = sdkCountry("DE", "");
    nameless.name.reset();
    const std::vector<Case> cases{
        {"empty cache: the country Server's own name", {}, "Deutschland"},
        {"cached country", {sdkCountry("FR", "France"), sdkCountry("DE", "Germany")}, "Germany"},
        {"cached country without a name: the host", {nameless}, "dip.example"},
    };
    for (const auto& c : cases) {
        cacheCountries(c.cache);
        auto dedicated = make("DE", "Deutschland", Type::DedicatedIp);
        dedicated->host = "dip.example";
        PreservedPreferences().setDedicatedIpApiError(Error("API", 1, "stale"));
        fetcher().nameDedicatedServer(dedicated, dedicated);
        settleWithSdk();  // any recommended-location answer lands before this returns
        auto stored = PreservedPreferences().dedicatedServer();
        ASSERT_TRUE(stored) << c.what;
        EXPECT_EQ(stored->name, c.expected) << c.what;
    }
}

TEST_F(ZevuDataFetcherTest, AMeasurementNeverUndoesAFavouriteEditMadeWhileItRan) {
    zevu::ZevuTestAPI::setPingTimeout(std::chrono::milliseconds(50));
    auto f = fetcher();
    auto paris = make("7", "Paris", Type::City);
    paris->favorite = true;
    auto lyon = make("8", "Lyon", Type::City);
    PreservedPreferences().setFavorites(ServerList{make("7", "Paris", Type::City)});

    ServerList result;
    bool onMain = false;
    f.measureCities({paris, lyon}, [&](ServerList r) {
        onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
        result = std::move(r);
    });
    // While the SDK measures, the user removes Paris (through another copy) and adds Lyon.
    f.removeFromFavorites(make("7", "Paris", Type::City));
    f.addToFavorites(make("8", "Lyon", Type::City), ZevuDataFetcher::FavoriteSource::Location);
    ASSERT_TRUE(waitUntil([&] { return !result.empty(); }));
    EXPECT_TRUE(onMain);
    EXPECT_EQ(ids(PreservedPreferences().favorites()), (std::vector<std::string>{"8"}));
    EXPECT_FALSE(paris->favorite) << "the row follows the favourites as they are now";
    EXPECT_TRUE(lyon->favorite);
}

}  // namespace
}  // namespace morvex::test
