// Connecting from the country and city lists over the simulated SDK: the system-extension gate,
// the alert each refusal shows, and the offer to replace a running connection; and the country
// model's dedicated-IP status request against the local fake service.
#include "CatalogTestSupport.h"

#include "FakeService.h"
#include "api/Networking.h"
#include "catalog/CitiesControllerModel.h"
#include "catalog/CountriesModel.h"
#include "model/ServiceHosts.h"

namespace morvex::test {

class ListModelConnectTestBase;

namespace {

struct ProtocolsSheetRecorder : CountriesModelDelegate {
    int shown = 0;
    void showProtocolsAlert() override { ++shown; }
};

// A chosen row: a country for the country list, one of its cities for the city list.
struct ListRow {
    const char* list;
    std::function<ZevuDataFetcherTypes::ServerPtr()> make;
    std::function<void(ListModelConnectTestBase&, const ZevuDataFetcherTypes::ServerPtr&, bool searching)> connect;
};

}  // namespace

class ListModelConnectTestBase : public CatalogTest {
public:
    void SetUp() override {
        CatalogTest::SetUp();
        auto germany = sdkCountry("DE", "Germany");
        zevu::ZevuCity frankfurt;
        frankfurt.cityId = 153;
        frankfurt.name = "Frankfurt";
        frankfurt.country = "DE";
        germany.cities = std::vector{frankfurt};
        cacheCountries({germany, sdkCountry("FR", "France")});
        countries = std::make_unique<CountriesModel>(engine().locationEngine(), fetcher(), PreservedPreferences(), tracker());
        cities = std::make_unique<CitiesControllerModel>(engine().locationEngine(), fetcher(), PreservedPreferences(), tracker());
        countries->countriesDelegate = countriesSheet;
        cities->citiesDelegate = citiesSheet;
    }
    void endTunnel() {
        if (sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected)) return;
        zevu::ZevuManager::sharedInstance()->disconnectVPN();
        ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
    }
    std::vector<std::string> alertTitles() const {
        std::vector<std::string> out;
        for (const auto& s : presenter->shown) out.push_back(s.alert.title);
        return out;
    }

    std::unique_ptr<CountriesModel> countries;
    std::unique_ptr<CitiesControllerModel> cities;
    std::shared_ptr<ProtocolsSheetRecorder> countriesSheet = std::make_shared<ProtocolsSheetRecorder>();
    std::shared_ptr<ProtocolsSheetRecorder> citiesSheet = std::make_shared<ProtocolsSheetRecorder>();
};

namespace {

using Type = ZevuDataFetcherTypes::ServerType;

const std::vector<ListRow>& listRows() {
    static const std::vector<ListRow> rows{
        {"country list", [] { return server("DE", "Germany"); },
         [](ListModelConnectTestBase& t, const ZevuDataFetcherTypes::ServerPtr& s, bool searching) {
             t.countries->connectToListServer(s, searching);
         }},
        {"city list",
         [] {
             auto city = server("153", "Frankfurt", Type::City);
             city->code = "DE";
             return city;
         },
         [](ListModelConnectTestBase& t, const ZevuDataFetcherTypes::ServerPtr& s, bool searching) {
             t.cities->connectCity(s, searching);
         }},
    };
    return rows;
}

using ListModelConnectTest = ListModelConnectTestBase;

TEST_F(ListModelConnectTest, EachRefusalShowsItsAlertFromEitherList) {
    struct Case {
        const char* what;
        std::function<void(ListModelConnectTest&, const ZevuDataFetcherTypes::ServerPtr& chosen)> arrange;
        std::optional<std::string_view> titleKey;  // none: no alert
    };
    const std::vector<Case> cases{
        {"no subscription (998)", [](auto&, auto&) { User().setVpnUsername(std::nullopt); }, "alert.title.error"},
        {"expired (701)", [](auto&, auto&) { User().setStatus(User::Status::Expired); }, "user.expire.popup.title"},
        {"disabled (533)", [](auto&, auto&) { User().setStatus(User::Status::Disabled); }, "user.disable.popup.title"},
        {"password changed (999)", [](auto&, auto&) { PreservedPreferences().setPasswordChanged(true); },
         "alert.password.changed.title"},
        {"offline (-1000) shows nothing", [](ListModelConnectTest& t, auto&) { t.reachable = false; }, std::nullopt},
        {"connected elsewhere (-1001)",
         [](ListModelConnectTest& t, auto&) {
             t.connectTunnel();
             AppPreferences().setLastConnection(record(make("AT", "Austria")));
         },
         "coc.alert.title"},
        {"connected here (-1002)",
         [](ListModelConnectTest& t, const ZevuDataFetcherTypes::ServerPtr& chosen) {
             t.connectTunnel();
             AppPreferences().setLastConnection(record(chosen));
         },
         "coc.same.location.alert.title"},
    };
    for (const auto& row : listRows()) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(row.list) + ": " + c.what);
            endTunnel();
            reachable = true;
            signIn();
            PreservedPreferences().setPasswordChanged(false);
            presenter->shown.clear();
            auto chosen = row.make();
            c.arrange(*this, chosen);
            row.connect(*this, chosen, false);
            settleWithSdk();
            if (c.titleKey) EXPECT_EQ(alertTitles(), std::vector<std::string>{localized(*c.titleKey)});
            else EXPECT_TRUE(presenter->shown.empty());
        }
    }
    EXPECT_EQ(countriesSheet->shown + citiesSheet->shown, 0);
}

TEST_F(ListModelConnectTest, ReplacingARunningConnectionDialsTheChosenRow) {
    for (const auto& row : listRows()) {
        SCOPED_TRACE(row.list);
        endTunnel();
        presenter->shown.clear();
        delayed.clear();
        connectTunnel("FR");
        AppPreferences().setLastConnection(record(make("FR", "France")));
        auto chosen = row.make();
        row.connect(*this, chosen, true);
        ASSERT_EQ(alertTitles(), std::vector<std::string>{localized("coc.alert.title")});
        presenter->press(0);
        ASSERT_EQ(delayed.size(), 1u) << "the new connection follows the old one's end";
        endTunnel();  // what the recorded disconnect stands for
        runDelayed();
        ASSERT_TRUE(waitUntil([&] {
            auto last = AppPreferences().lastConnection();
            return last && last->server && last->server->id == chosen->id &&
                   sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected);
        }));
        const auto last = AppPreferences().lastConnection();
        EXPECT_EQ(last->selectedInterface, ZevuTypes::SelectedInterface::Search);
        EXPECT_EQ(last->selectedInterfaceScreen, ZevuTypes::SelectedInterfaceScreen::Location);
        EXPECT_EQ(last->connectVia, chosen->type == Type::City ? ZevuTypes::ConnectVia::City : ZevuTypes::ConnectVia::Country);
        EXPECT_EQ(alertTitles().size(), 1u) << "the replacement itself is not refused";
    }
}

TEST_F(ListModelConnectTest, AnExtensionNotReadyAsksTheListForTheProtocolsSheetAndConnectsNothing) {
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::WireGuard);
    AppPreferences().setWgSystemExtensionStatus(SystemExtensionStatus::NotRecorded);
    for (const auto& row : listRows()) row.connect(*this, row.make(), false);
    EXPECT_EQ(countriesSheet->shown, 1);
    EXPECT_EQ(citiesSheet->shown, 1);
    // Without a screen to ask, nothing happens at all.
    countries->countriesDelegate.reset();
    cities->citiesDelegate.reset();
    for (const auto& row : listRows()) row.connect(*this, row.make(), false);
    settleWithSdk();
    EXPECT_TRUE(presenter->shown.empty());
    EXPECT_FALSE(AppPreferences().lastConnection());
    EXPECT_EQ(sdkStatus(), zevu::rawValue(zevu::ZevuVPNState::Disconnected));
}

// ---- the dedicated IP's status ----

class DedicatedIPStatusTest : public CatalogTest {
protected:
    void SetUp() override {
        CatalogTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
    }
    void TearDown() override {
        hosts::setServiceURLOverride(std::nullopt);
        CatalogTest::TearDown();
    }
    Result<CountriesModel::DedicatedIPStatusModel> check(const std::string& address) {
        CountriesModel model(networking, engine().locationEngine(), fetcher(), PreservedPreferences(), tracker());
        std::optional<Result<CountriesModel::DedicatedIPStatusModel>> answer;
        int calls = 0;
        model.checkDedicatedIPStatus(address, [&](Result<CountriesModel::DedicatedIPStatusModel> r) {
            ++calls;
            answer = std::move(r);
        });
        EXPECT_TRUE(waitUntil([&] { return calls > 0; }));
        settleWithSdk();
        EXPECT_EQ(calls, 1);
        return answer.value_or(fail(Error("test", 0, "no answer")));
    }
    std::string lastQuery(const std::string& name) const {
        auto requests = service.requestsTo(path);
        if (requests.empty()) return "<no request>";
        auto it = requests.back().query.find(name);
        return it == requests.back().query.end() ? "<missing>" : it->second;
    }

    const std::string path = "/MorvexVPN/status/dedicated/ip";
    fake::FakeService service;
    Networking networking{nullptr};
};

TEST_F(DedicatedIPStatusTest, TheStoredUserAndAddressAreSentAndTheAnswerOrItsErrorHandedBack) {
    auto answer = check("192.0.2.10");
    ASSERT_TRUE(answer) << answer.error().message;
    EXPECT_EQ(answer->connected, std::optional<bool>(false));
    EXPECT_EQ(lastQuery("vpn_username"), "alice");
    EXPECT_EQ(lastQuery("dedicated_ip"), "192.0.2.10");

    service.failNext(path, fake::Answer::bodyOnly({{"connected", true}}));
    EXPECT_EQ(check("192.0.2.10")->connected, std::optional<bool>(true));
    service.failNext(path, fake::Answer::bodyOnly({{"connected", nullptr}}));
    EXPECT_EQ(check("192.0.2.10")->connected, std::nullopt) << "null means the service does not say";
    EXPECT_EQ(nlohmann::json(CountriesModel::DedicatedIPStatusModel{}), nlohmann::json::object())
        << "and is left out when written";

    service.failNext(path, fake::Answer::plain(500, "down"));
    EXPECT_FALSE(check("192.0.2.10"));
    service.failNext(path, fake::Answer::bodyOnly({{"connected", "yes"}}));
    EXPECT_FALSE(check("192.0.2.10")) << "a flag of another type is an error, not a guess";

    User().setVpnUsername(std::nullopt);
    check("198.51.100.4");
    EXPECT_EQ(lastQuery("vpn_username"), "") << "no signed-in user: an empty name";
    EXPECT_EQ(lastQuery("dedicated_ip"), "198.51.100.4");
}

}  // namespace
}  // namespace morvex::test
