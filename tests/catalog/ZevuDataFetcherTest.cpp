// The location fetcher over the simulated SDK: country loading, the country connect and
// dedicated-IP naming.
#include "CatalogTestSupport.h"

namespace morvex::test {
namespace {

class ZevuDataFetcherTest : public CatalogTest {};

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

}  // namespace
}  // namespace morvex::test
