// The protocol page's model on the simulated SDK: when a pick is stored at once and when it waits
// for the reconnect question, which question or popup is shown, what each answer does, and the
// combined system-extension state with its live-chat event.
#include "EngineTestSupport.h"

#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "vpn/ProtocolsModel.h"

namespace morvex::test {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;

struct RecordingPage : ProtocolsModelDelegate {
    std::vector<VPNProtocol> shown;
    std::shared_ptr<AlertWindow> window;
    void selectedProtocolChanged(VPNProtocol protocol) override { shown.push_back(protocol); }
    std::shared_ptr<AlertWindow> alertWindow() const override { return window; }
};

class ProtocolsModelTest : public EngineTest {
protected:
    RecordingPage page;
    std::vector<ZevuDataFetcherTypes::ServerPtr> requested;
    ObserverToken observer;

    void SetUp() override {
        EngineTest::SetUp();
        PreservedPreferences prefs;
        prefs.setAutomaticProtocol(false);
        prefs.setSelectedProtocol(VPNProtocol::IKEv2);
        observer = NotificationCenter::defaultCenter().addObserver(
            ZevuTypes::connectionRequestedNotification, [this](const Notification& n) {
                if (auto* s = n.objectAs<ZevuDataFetcherTypes::ServerPtr>()) requested.push_back(*s);
            });
    }

    std::unique_ptr<ProtocolsModel> model() {
        auto m = std::make_unique<ProtocolsModel>(PreservedPreferences(), AppPreferences(), engine(), tracker());
        m->delegate = &page;
        return m;
    }
    static ZevuDataFetcherTypes::ServerPtr offering(std::string id, Type type,
                                                     std::optional<std::vector<VPNProtocol>> protocols) {
        auto s = server(std::move(id), "Oslo", type);
        s->protocols = std::move(protocols);
        return s;
    }
    // A tunnel up, with `last` as the stored last connection (none: nothing stored).
    void connectedWithLast(const ZevuDataFetcherTypes::ServerPtr& last) {
        connectTunnel();
        AppPreferences().setLastConnection(last ? std::optional(record(last)) : std::nullopt);
    }
    static VPNProtocol stored() { return PreservedPreferences().selectedProtocol(); }
};

TEST_F(ProtocolsModelTest, WithoutATunnelUpAPickIsStoredAtOnceWithoutAQuestion) {
    auto m = model();
    m->selectProtocol(VPNProtocol::UDP);
    EXPECT_EQ(stored(), VPNProtocol::UDP);
    EXPECT_EQ(page.shown, std::vector<VPNProtocol>{VPNProtocol::UDP});

    // Connecting counts as not connected here.
    zevu::ZevuCountry c;
    c.country = "AT";
    zevu::ZevuManager::sharedInstance()->connectWithProperties(zevu::ZevuProperties::initWithCountry(c, std::nullopt),
                                                              nullptr, nullptr);
    ASSERT_EQ(sdkStatus(), zevu::rawValue(zevu::ZevuVPNState::Connecting));
    m->selectProtocol(VPNProtocol::WireGuard);
    EXPECT_EQ(stored(), VPNProtocol::WireGuard);
    EXPECT_TRUE(delayed.empty());
    EXPECT_TRUE(presenter->shown.empty());
}

TEST_F(ProtocolsModelTest, WhileConnectedTheStoredProtocolAgainIsStoredAndShownWithoutAQuestion) {
    connectedWithLast(offering("NO", Type::Country, std::nullopt));
    auto m = model();
    m->selectProtocol(VPNProtocol::IKEv2);
    EXPECT_EQ(page.shown, std::vector<VPNProtocol>{VPNProtocol::IKEv2});
    EXPECT_TRUE(delayed.empty());
    EXPECT_TRUE(presenter->shown.empty());
}

TEST_F(ProtocolsModelTest, WhileConnectedWithNoLastConnectionAPickIsStoredNotLost) {
    connectedWithLast(nullptr);
    auto m = model();
    m->selectProtocol(VPNProtocol::UDP);
    runDelayed();
    EXPECT_EQ(stored(), VPNProtocol::UDP);
    EXPECT_EQ(page.shown, std::vector<VPNProtocol>{VPNProtocol::UDP});
    EXPECT_TRUE(presenter->shown.empty());
}

TEST_F(ProtocolsModelTest, WhileConnectedAPickWaitsForTheAnswerAndConsentReconnectsToTheLastLocation) {
    const auto oslo = offering("NO", Type::Country, std::vector{VPNProtocol::IKEv2});
    connectedWithLast(oslo);
    auto m = model();
    m->selectProtocol(VPNProtocol::UDP);
    EXPECT_EQ(stored(), VPNProtocol::IKEv2) << "nothing is stored before the answer";
    ASSERT_EQ(delayed.size(), 1u);
    EXPECT_DOUBLE_EQ(delayed[0].first, 0.1);
    EXPECT_TRUE(presenter->shown.empty());
    runDelayed();

    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().message, localized("alert.protocol.change.reconnect.not.supported.message"));
    presenter->press(0);
    EXPECT_EQ(stored(), VPNProtocol::UDP);
    EXPECT_EQ(page.shown, std::vector<VPNProtocol>{VPNProtocol::UDP});
    ASSERT_EQ(delayed.size(), 1u);
    EXPECT_DOUBLE_EQ(delayed[0].first, 0.2);
    EXPECT_TRUE(requested.empty());
    runDelayed();
    // An unsupported protocol still reconnects to that server.
    ASSERT_EQ(requested.size(), 1u);
    EXPECT_EQ(requested[0]->id, "NO");

}

TEST_F(ProtocolsModelTest, DecliningKeepsTheOldProtocolAndShowsItAgain) {
    connectedWithLast(offering("NO", Type::Country, std::nullopt));
    auto m = model();
    m->selectProtocol(VPNProtocol::TCP);
    runDelayed();
    presenter->press(1);
    EXPECT_EQ(stored(), VPNProtocol::IKEv2);
    EXPECT_EQ(page.shown, std::vector<VPNProtocol>{VPNProtocol::IKEv2});
    EXPECT_TRUE(delayed.empty());
}

TEST_F(ProtocolsModelTest, TheQuestionNamesWhatTheLastServerOffersOrGivesWayToThePopup) {
    struct Case {
        const char* what;
        ZevuDataFetcherTypes::ServerPtr last;
        VPNProtocol picked;
        const char* messageKey;  // null: the dedicated-IP popup instead
    };
    const std::vector<Case> cases{
        {"IKEv2-only server, UDP", offering("NO", Type::Country, std::vector{VPNProtocol::IKEv2}), VPNProtocol::UDP,
         "alert.protocol.change.reconnect.not.supported.message"},
        {"server offering UDP", offering("NO", Type::Country, std::vector{VPNProtocol::IKEv2, VPNProtocol::UDP}),
         VPNProtocol::UDP, "alert.protocol.change.reconnect.message"},
        {"server without a list", offering("NO", Type::City, std::nullopt), VPNProtocol::WireGuard,
         "alert.protocol.change.reconnect.message"},
        {"dedicated IP, WireGuard", offering("DIP", Type::DedicatedIp, std::nullopt), VPNProtocol::WireGuard, nullptr},
        {"dedicated IP, IPSec", offering("DIP", Type::DedicatedIp, std::nullopt), VPNProtocol::IPSec, nullptr},
        {"dedicated IP, UDP", offering("DIP", Type::DedicatedIp, std::nullopt), VPNProtocol::UDP,
         "alert.protocol.change.reconnect.message"},
    };
    connectTunnel();
    auto m = model();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        presenter->shown.clear();
        AppPreferences().setLastConnection(record(c.last));
        std::vector<bool> answers;
        m->confirmProtocolChange(c.picked, [&](bool a) { answers.push_back(a); });
        ASSERT_EQ(presenter->shown.size(), 1u);
        if (c.messageKey) {
            EXPECT_EQ(presenter->last().title, localized("alert.protocol.change.reconnect.title"));
            EXPECT_EQ(presenter->last().message, localized(c.messageKey));
            continue;
        }
        EXPECT_EQ(presenter->last().title, localized("alert.dedicated.protocol.not.supported.title"));
        ASSERT_TRUE(presenter->last().message);
        EXPECT_NE(presenter->last().message->find(std::string(title(c.picked))), std::string::npos);
        presenter->press(0);
        EXPECT_TRUE(answers.empty()) << "the popup never answers the caller";
        EXPECT_TRUE(delayed.empty());
        EXPECT_EQ(stored(), VPNProtocol::IKEv2);
    }
}

TEST_F(ProtocolsModelTest, NothingIsAskedWithoutALastConnectionOrForTheStoredProtocolUnderAutomaticChoice) {
    auto m = model();
    int answers = 0;
    AppPreferences().setLastConnection(std::nullopt);
    m->confirmProtocolChange(VPNProtocol::UDP, [&](bool) { ++answers; });
    AppPreferences().setLastConnection(record(offering("NO", Type::Country, std::nullopt)));
    PreservedPreferences().setAutomaticProtocol(true);  // stores IPSec
    m->confirmProtocolChange(VPNProtocol::IPSec, [&](bool) { ++answers; });
    EXPECT_TRUE(presenter->shown.empty());
    EXPECT_EQ(answers, 0);
    // Switching to automatic choice with another protocol stored does ask.
    m->confirmProtocolChange(VPNProtocol::UDP, [&](bool) { ++answers; });
    EXPECT_EQ(presenter->shown.size(), 1u);
}

TEST_F(ProtocolsModelTest, TheQuestionGoesOnThePagesWindowOrTheMainWindowWhenThePageHasNone) {
    connectedWithLast(offering("NO", Type::Country, std::nullopt));
    auto m = model();
    page.window = std::make_shared<TestWindow>();
    m->confirmProtocolChange(VPNProtocol::UDP, {});
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().window, page.window);

    page.window = nullptr;
    m->confirmProtocolChange(VPNProtocol::UDP, {});
    m->delegate = nullptr;
    m->confirmProtocolChange(VPNProtocol::UDP, {});
    ASSERT_EQ(presenter->shown.size(), 3u);
    EXPECT_EQ(presenter->shown[1].alert.window, nullptr);
    EXPECT_EQ(presenter->shown[2].alert.window, nullptr);
}

TEST_F(ProtocolsModelTest, APageThatClosedHearsNothingAndReconnectsNothing) {
    connectedWithLast(offering("NO", Type::Country, std::nullopt));
    auto m = model();
    m->selectProtocol(VPNProtocol::UDP);
    m.reset();
    runDelayed();
    EXPECT_TRUE(presenter->shown.empty());

    m = model();
    m->confirmProtocolChange(VPNProtocol::UDP, {});
    m.reset();
    presenter->press(0);
    runDelayed();
    EXPECT_TRUE(requested.empty());
}

TEST_F(ProtocolsModelTest, ExtensionStatesCombineToTheHigherUnlessEitherIsMissing) {
    using S = SystemExtensionStatus;
    struct Case {
        std::int64_t openVPN;
        std::int64_t wireGuard;
        S combined;
        const char* text;
    };
    const std::vector<Case> cases{
        {1, 3, S::AwaitingApproval, "UserApprovalRequired"},
        {3, 1, S::AwaitingApproval, "UserApprovalRequired"},
        {1, 1, S::Activated, "Installed"},
        {2, 1, S::OtherCompletion, "RebootRequired"},
        {4, 2, S::Failed, "Error"},
        {0, 4, S::NotRecorded, "NotInstalled"},
        {3, 0, S::NotRecorded, "NotInstalled"},
        {9, 1, S::NotRecorded, "NotInstalled"},
    };
    auto m = model();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.openVPN) + "/" + std::to_string(c.wireGuard));
        AppPreferences app;
        app.defaults().set(Value(c.openVPN), AppPreferences::Key::openVPNSystemExtensionStatus);
        app.defaults().set(Value(c.wireGuard), AppPreferences::Key::wgSystemExtensionStatus);
        EXPECT_EQ(m->systemExtensionStatus(), c.combined);
        EXPECT_EQ(ProtocolsModel::systemExtensionStatusText(m->systemExtensionStatus()), c.text);
    }
}

TEST_F(ProtocolsModelTest, TheLiveChatEventCarriesTheFailedExtensionsCode) {
    struct Case {
        std::int64_t openVPN;
        std::int64_t wireGuard;
        std::int64_t code;
    };
    const std::vector<Case> cases{{4, 4, 11}, {1, 4, 22}, {3, 1, 0}};
    auto m = model();
    AppPreferences app;
    app.defaults().set(Value(std::int64_t{11}), AppPreferences::Key::openVPNSystemExtensionErrorCode);
    app.defaults().set(Value(std::int64_t{22}), AppPreferences::Key::wgSystemExtensionErrorCode);
    for (const auto& c : cases) {
        app.defaults().set(Value(c.openVPN), AppPreferences::Key::openVPNSystemExtensionStatus);
        app.defaults().set(Value(c.wireGuard), AppPreferences::Key::wgSystemExtensionStatus);
        m->trackExtensionLiveChat("OVPN", tracker());
        EXPECT_EQ(event("app_click_live_chat_extension"),
                  (Dictionary{{"extension_type", Value("OVPN")},
                              {"error_code", Value(c.code)},
                              {"error_message", Value(std::string(ProtocolsModel::systemExtensionStatusText(
                                                    m->systemExtensionStatus())))},
                              {"selected_interface", Value("Preferences")},
                              {"selected_interface_screen", Value("Protocol")}}));
    }
}

TEST_F(ProtocolsModelTest, OnlyTheConnectErrorsAUserCanActOnShowAnAlert) {
    const std::vector<std::pair<int, bool>> cases{{-1002, true}, {-1001, true}, {-1000, true}, {5043, true},
                                                  {5104, true},  {5129, true},  {998, false},  {1111, false},
                                                  {-999, false}, {-1003, false}};
    for (const auto& [code, shows] : cases) {
        SCOPED_TRACE(code);
        presenter->shown.clear();
        alertOnConnectError(Error("test", code, "message"));
        EXPECT_EQ(presenter->shown.size(), shows ? 1u : 0u);
    }
    presenter->shown.clear();
    alertOnConnectError(std::nullopt);
    EXPECT_TRUE(presenter->shown.empty());
}

}  // namespace
}  // namespace morvex::test
