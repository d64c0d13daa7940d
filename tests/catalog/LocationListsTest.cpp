// Searching, filtering and ordering location lists, and the country and city list models over the
// simulated SDK.
#include "CatalogTestSupport.h"

#include "catalog/CitiesControllerModel.h"
#include "catalog/CountriesModel.h"
#include "state/AppManager.h"

namespace morvex::test {
namespace {

using SortKind = LocationSearch::SortKind;

class LocationListsTest : public CatalogTest {
protected:
    std::unique_ptr<CountriesModel> countriesModel() {
        return std::make_unique<CountriesModel>(engine().locationEngine(), fetcher(), PreservedPreferences(), tracker());
    }
    static ServerPtr row(std::string id, std::string name, bool p2p = false, std::int64_t priority = 0,
                         std::int64_t latency = Server::unmeasuredLatency) {
        auto s = make(std::move(id), std::move(name));
        s->p2p = p2p;
        s->priority = priority;
        s->latency = latency;
        return s;
    }
    // United States (P2P), United Kingdom, Zürich-like accented name, Germany (P2P).
    ServerList catalogue{row("US", "United States", true), row("GB", "United Kingdom"), row("CH", "Zürich"),
                         row("DE", "Germany", true)};
};

TEST_F(LocationListsTest, SearchTextIsCleanedWrittenBackAndMatchedAsOneSubstring) {
    auto model = countriesModel();
    model->setCountriesContent(catalogue);
    struct Case {
        std::string typed;
        std::string cleaned;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {"united-states!", "unitedstates", {}},
        {"UNITED STATES", "UNITED STATES", {"US"}},
        {"united states", "united states", {"US"}},
        {"unitedstates", "unitedstates", {}},
        {"zur\"ich", "zurich", {"CH"}},  // accents ignored, the quote cannot break the match
        {"gb", "gb", {"GB"}},            // the code is searched too
        {"-!", "", {"US", "GB", "CH", "DE"}},
    };
    for (const auto& c : cases) {
        model->setSearchingValue(c.typed);
        model->applySearch();
        EXPECT_EQ(model->searchingValue(), c.cleaned) << c.typed;
        EXPECT_EQ(ids(model->content()), c.expected) << c.typed;
    }
}

// The folded keys are made once per location; a location renamed in place, or a list that changed
// under them, is searched by what it says now.
TEST_F(LocationListsTest, SearchKeysAreMadeOncePerLocationAndFollowARename) {
    LocationSearch::Keys keys;
    const std::optional<ServerList> source = catalogue;
    for (const char* typed : {"u", "un", "uni", "zur", "z"}) LocationSearch::search(source, typed, "", &keys);
    EXPECT_EQ(keys.made(), catalogue.size());
    EXPECT_EQ(ids(LocationSearch::search(source, "zurich", "", &keys)), std::vector<std::string>{"CH"});

    catalogue[2]->name = "Genève";
    EXPECT_EQ(ids(LocationSearch::search(source, "zurich", "", &keys)), std::vector<std::string>{});
    EXPECT_EQ(ids(LocationSearch::search(source, "geneve", "", &keys)), std::vector<std::string>{"CH"});
    EXPECT_EQ(keys.made(), catalogue.size() + 1);

    const std::optional<ServerList> reordered = ServerList{catalogue[3], catalogue[2]};
    EXPECT_EQ(ids(LocationSearch::search(reordered, "germ", "", &keys)), std::vector<std::string>{"DE"});
    EXPECT_EQ(ids(LocationSearch::search(reordered, "gen", "(p2p == true)", &keys)), std::vector<std::string>{});
}

TEST_F(LocationListsTest, TheFavouritesTabAndTheP2PFilterNarrowTheirSource) {
    auto model = countriesModel();
    model->setCountriesContent(catalogue);
    PreservedPreferences().setFavorites(ServerList{row("GB", "United Kingdom"), row("DE", "Germany", true)});
    model->showFavorites();
    EXPECT_EQ(model->listItems(), 2);
    for (const auto& item : model->favoriteListItems()) EXPECT_EQ(item.rowType, ListItem::RowType::Favorite);
    model->favoriteSeleceted = true;
    model->setSearchingValue("united");
    model->applySearch();
    EXPECT_EQ(ids(model->content()), (std::vector<std::string>{"GB"})) << "only favourites are searched";

    model->favoriteSeleceted = false;
    model->filterValue[0].status = true;
    model->setSearchingValue("");
    model->applySearch();
    EXPECT_EQ(ids(model->content()), (std::vector<std::string>{"US", "DE"}));
    model->setSearchingValue("united");
    model->applySearch();
    EXPECT_EQ(ids(model->content()), (std::vector<std::string>{"US"}));
}

TEST_F(LocationListsTest, SingleKeySortsAreStableWithUnmeasuredLast) {
    const ServerList servers{row("a", "beta", false, 5, 30), row("b", "Zulu", false, 9),
                             row("c", "alpha", false, 5, 30), row("d", "Alpha", false, 1, 10)};
    struct Case {
        SortKind kind;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {SortKind::ping, {"d", "a", "c", "b"}},          // equal latencies keep their order; never measured last
        {SortKind::popularity, {"b", "a", "c", "d"}},    // equal priorities keep their order
        {SortKind::alphabetical, {"d", "b", "c", "a"}},  // by code point: capitals first
    };
    auto model = countriesModel();
    for (const auto& c : cases) {
        EXPECT_EQ(ids(model->sortedServers(servers, c.kind)), c.expected) << static_cast<int>(c.kind);
        EXPECT_EQ(AppManager::shared().isPingSortingEnabled(), c.kind == SortKind::ping);
    }
    EXPECT_EQ(ids(LocationSearch::arranged(servers, LocationSearch::pingSortDescriptor())),
              (std::vector<std::string>{"d", "c", "a", "b"}))
        << "the bound order breaks ties by priority, then name";
}

TEST_F(LocationListsTest, ThePingOrderNeedsPingingOn) {
    auto model = countriesModel();
    model->updateSortDescriptors(SortKind::ping);
    EXPECT_EQ(model->sortDescriptors(), model->rankSortDescriptor);
    PreservedPreferences().setEnablePing(true);
    model->updateSortDescriptors(SortKind::ping);
    EXPECT_EQ(model->sortDescriptors(), model->pingSortDescriptor);
    model->updateSortDescriptors(SortKind::alphabetical);
    EXPECT_EQ(model->sortDescriptors(), model->nameSortDescriptor);
    EXPECT_EQ(LocationSearch::sortKindFromTag(7), SortKind::alphabetical);
}

TEST_F(LocationListsTest, ALoadWhileOneRunsIsIgnoredAndEachCountryIsFollowedByItsCities) {
    auto model = countriesModel();
    std::vector<bool> first, second;
    model->refreshCountries([&](bool ok) { first.push_back(ok); });
    model->refreshCountries([&](bool ok) { second.push_back(ok); });
    ASSERT_TRUE(waitUntil([&] { return !first.empty(); }));
    settleWithSdk();
    EXPECT_EQ(first, std::vector<bool>{true});
    EXPECT_TRUE(second.empty());
    EXPECT_FALSE(model->fetching());
    const auto& countries = *model->countriesContent();
    ASSERT_FALSE(countries.empty());
    ASSERT_TRUE(countries[0]->servers && !countries[0]->servers->empty());
    const auto& all = *model->contentWithCities();
    EXPECT_EQ(all[1]->id, (*countries[0]->servers)[0]->id) << "the first country's first city follows it";
}

TEST_F(LocationListsTest, WithPingingOnAllCountriesComeBeforeAllCitiesAndTheDedicatedIPIsPingedAfter) {
    zevu::ZevuTestAPI::setPingTimeout(std::chrono::milliseconds(20));
    PreservedPreferences().setEnablePing(true);
    auto dedicated = make("DE", "My IP", Type::DedicatedIp);
    dedicated->ip = "192.0.2.200";
    dedicated->host = "dip.zevu.invalid";
    dedicated->latency = 5;
    PreservedPreferences().setDedicatedServer(dedicated);
    auto model = countriesModel();
    bool done = false;
    model->refreshCountries([&](bool) { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_FALSE(model->fetching());
    const auto& all = *model->contentWithCities();
    const auto firstCity = std::find_if(all.begin(), all.end(), [](const ServerPtr& s) { return s->type == Type::City; });
    ASSERT_NE(firstCity, all.end());
    EXPECT_TRUE(std::all_of(firstCity, all.end(), [](const ServerPtr& s) { return s->type == Type::City; }));
    EXPECT_EQ(static_cast<std::size_t>(firstCity - all.begin()), model->countriesContent()->size());
    EXPECT_TRUE(PreservedPreferences().pingedAt());
    // Nothing answers at that address: the measurement stores "unmeasured" over the old figure.
    EXPECT_TRUE(waitUntil([] { return PreservedPreferences().dedicatedServer()->latency != 5; }));
}

TEST_F(LocationListsTest, AFailedLoadEndsFetchingSoALaterLoadRuns) {
    auto model = countriesModel();
    zevu::ZevuTestAPI::failCountryRequests(Error("Zevu", 5000, "no catalogue"));
    std::vector<bool> answers;
    model->refreshCountries([&](bool ok) { answers.push_back(ok); });
    ASSERT_TRUE(waitUntil([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, std::vector<bool>{false});
    EXPECT_FALSE(model->fetching());

    zevu::ZevuTestAPI::failCountryRequests(std::nullopt);
    model->refreshCountries([&](bool ok) { answers.push_back(ok); });
    ASSERT_TRUE(waitUntil([&] { return answers.size() > 1; }));
    EXPECT_EQ(answers.back(), true);
    EXPECT_TRUE(model->content() && !model->content()->empty());
}

TEST_F(LocationListsTest, AnAccountOrSignInChangeTurnsTheP2PFilterOff) {
    for (auto name : {locationNotifications::vpnAccountDidChange, UserLoggedInChangedNotification}) {
        auto model = countriesModel();
        model->addObservers();
        model->filterValue[0].status = true;
        NotificationCenter::defaultCenter().post(name);
        EXPECT_EQ(model->filterValue, LocationSearch::defaultFilters()) << name;
    }
}

TEST_F(LocationListsTest, FavouriteNotificationsFlagTheShownRowOnly) {
    struct Recorder : ContentUpdateDelegate {
        std::vector<std::string> items;
        void reloadItem(const std::string& id) override { items.push_back(id); }
        void reloadContent() override {}
    };
    auto delegate = std::make_shared<Recorder>();
    CitiesControllerModel cities(engine().locationEngine(), fetcher(), PreservedPreferences(), tracker());
    cities.delegate = delegate;
    cities.addObservers();
    auto vienna = make("42", "Vienna", Type::City);
    cities.setContentWithCities(ServerList{vienna});
    cities.setContent(ServerList{vienna});
    saved().addToFavorites(make("42", "Vienna", Type::City), SavedLocations::FavoriteSource::Location);
    saved().addToFavorites(make("43", "Graz", Type::City), SavedLocations::FavoriteSource::Location);
    EXPECT_TRUE(vienna->favorite);
    EXPECT_EQ(delegate->items, std::vector<std::string>{"42"});
    EXPECT_EQ(cities.sortDescriptors(), cities.nameSortDescriptor);
}

}  // namespace
}  // namespace morvex::test
