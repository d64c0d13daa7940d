// Latency measurement over the simulated SDK: merging an answer into the Servers measured and
// their stored copies, and a measurement never undoing a favourite edit made while it ran.
#include <QCoreApplication>
#include <QThread>

#include "CatalogTestSupport.h"

namespace morvex::test {
namespace {

using LocationLatenciesTest = CatalogTest;

TEST_F(LocationLatenciesTest, AZeroLatencyKeepsTheOldOneAndReportsTheSilentDataCentres) {
    auto f = latencies();
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


TEST_F(LocationLatenciesTest, AMeasurementNeverUndoesAFavouriteEditMadeWhileItRan) {
    zevu::ZevuTestAPI::setPingTimeout(std::chrono::milliseconds(50));
    auto f = latencies();
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
    saved().removeFromFavorites(make("7", "Paris", Type::City));
    saved().addToFavorites(make("8", "Lyon", Type::City), SavedLocations::FavoriteSource::Location);
    ASSERT_TRUE(waitUntil([&] { return !result.empty(); }));
    EXPECT_TRUE(onMain);
    EXPECT_EQ(ids(PreservedPreferences().favorites()), (std::vector<std::string>{"8"}));
    EXPECT_FALSE(paris->favorite) << "the row follows the favourites as they are now";
    EXPECT_TRUE(lyon->favorite);
}


}  // namespace
}  // namespace morvex::test
