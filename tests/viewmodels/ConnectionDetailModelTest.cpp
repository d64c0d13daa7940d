// The connection details card's model: traffic as the card writes it, and the port-forwarding
// policy from the service's answer or failure, applied on the main thread.
#include <gtest/gtest.h>

#include <QThread>
#include <thread>

#include "viewmodels/ConnectionDetailModel.h"
#include "ui/dashboard/DashboardTestSupport.h"

namespace morvex {
namespace {

using Response = ConnectionDetailModel::PortForwardingResponseModel;

class ConnectionDetailModelTest : public test::AlertTest {
protected:
    std::vector<nlohmann::json> asked;
    ConnectionDetailModel::PortForwardingCompletion pending;

    bool addon = false;

    std::unique_ptr<ConnectionDetailModel> makeModel(bool migrated = true) {
        User user;
        user.setIsUserNotMigratedToFA(!migrated);
        user.setVpnUsername(std::string("morvex0s1"));
        ConnectionDetailModel::Collaborators c;
        c.user = user;
        c.eventTracker = tracker();
        c.requestPortForwarding = [this](const nlohmann::json& parameters, auto completion) {
            asked.push_back(parameters);
            pending = std::move(completion);
        };
        c.hasPortForwardingAddon = [this] { return addon; };
        c.openURL = [this](const std::string& url) { opened.push_back(url); };
        return std::make_unique<ConnectionDetailModel>(std::move(c));
    }
    static Result<Response> answer(const nlohmann::json& body) {
        try {
            return body.get<Response>();
        } catch (const std::exception& e) {
            return std::unexpected(Error("DecodingError", 4865, e.what()));
        }
    }
    static nlohmann::json body(std::string status, bool open, bool blocked, std::string ports = "8080, 51820") {
        return {{"open_all_ports", open},   {"block_all_ports", blocked}, {"block_all_ports_except", !open && !blocked},
                {"ports", ports},           {"status", status},          {"expiry_date", "2027-01-31"}};
    }
};

TEST_F(ConnectionDetailModelTest, TrafficIsScaledByPowersOfTwoAndWrittenWithTwoDecimalsAtMost) {
    struct Case {
        std::uint64_t in, out;
        const char *dataIn, *inUnit, *dataOut, *outUnit;
    };
    const std::vector<Case> cases = {
        {1024, 0, "1", "KB", "0", "B"},
        {1'234'567, 2048, "1.18", "MB", "2", "KB"},
        {1'572'864, 5'000'000, "1.5", "MB", "4.77", "MB"},
        {1ull << 40, 900, "1", "TB", "900", "B"},
        {3ull << 30, 1ull << 40, "3", "GB", "1", "TB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        auto model = makeModel();
        model->applyTraffic({c.in, c.out});
        EXPECT_EQ(model->dataIn.value(), c.dataIn);
        EXPECT_EQ(model->dataInUnit.value(), c.inUnit);
        EXPECT_EQ(model->dataOut.value(), c.dataOut);
        EXPECT_EQ(model->dataOutUnit.value(), c.outUnit);
    }
}

TEST_F(ConnectionDetailModelTest, UnderOneKilobyteReceivedTheCardKeepsWhatItShows) {
    auto model = makeModel();
    model->applyTraffic({1023, 5000});
    EXPECT_EQ(model->dataIn.value(), "0");
    EXPECT_EQ(model->dataInUnit.value(), "KB");
    EXPECT_EQ(model->dataOut.value(), "0");
    model->applyTraffic({4096, 10});
    model->applyTraffic({10, 1ull << 30});
    EXPECT_EQ(model->dataIn.value(), "4");
    EXPECT_EQ(model->dataOutUnit.value(), "B");
}

TEST_F(ConnectionDetailModelTest, TheAnswerDecidesThePolicyShown) {
    struct Case {
        const char* name;
        nlohmann::json body;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"expired, even with all open", body("expired", true, false), localized("connection.details.port.forwarding.failed.to.load")},
        {"disabled", body("disabled", false, false), localized("connection.details.port.forwarding.failed.to.load")},
        {"all open", body("active", true, true), localized("connection.details.port.forwarding.all.opened")},
        {"all blocked", body("active", false, true), localized("connection.details.port.forwarding.all.blocked")},
        {"ports as received", body("active", false, false, " 22 ,8080-8090"), " 22 ,8080-8090"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        analytics->tracked.clear();
        auto model = makeModel();
        model->loadPortForwardingStatus();
        EXPECT_TRUE(model->loadingPortForwardingStatus.value());
        ASSERT_TRUE(pending);
        pending(answer(c.body));
        EXPECT_EQ(model->portForwardingStatus.value(), c.shown);
        EXPECT_TRUE(model->portForwardingStatusUpdated.value());
        EXPECT_FALSE(model->loadingPortForwardingStatus.value());
        EXPECT_EQ(eventNames(), std::vector<std::string>{"app_view_firewall_policies"});
    }
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), (nlohmann::json{{"username", "morvex0s1"}, {"uuid", ""}, {"addon_status", "port_forwarding"}}));
}

TEST_F(ConnectionDetailModelTest, AnAnswerThatDoesNotDecodeIsAFailureNotAPolicy) {
    auto unknownStatus = body("paused", true, false);
    auto missingPorts = body("active", false, false);
    missingPorts.erase("ports");
    auto wrongType = body("active", false, false);
    wrongType["open_all_ports"] = "yes";
    for (const auto& b : {unknownStatus, missingPorts, wrongType}) EXPECT_FALSE(answer(b).has_value()) << b.dump();
}

TEST_F(ConnectionDetailModelTest, ATransportFailureOffersARetryAndKeepsTheTextWhileAnUnusableAnswerShowsTheFailure) {
    auto model = makeModel();
    model->loadPortForwardingStatus();
    pending(answer(body("active", true, false)));
    const std::string before = model->portForwardingStatus.value();

    model->retry();
    EXPECT_EQ(analytics->count("app_click_retry_firewall_policies"), 1);
    EXPECT_TRUE(model->loadingPortForwardingStatus.value());
    pending(std::unexpected(Error("NSURLErrorDomain", -1009, "The Internet connection appears to be offline.")));
    EXPECT_EQ(model->portForwardingStatus.value(), before);
    EXPECT_FALSE(model->portForwardingStatusUpdated.value());
    EXPECT_FALSE(model->loadingPortForwardingStatus.value());
    const Dictionary failed = event("app_fail_get_firewall_policies");
    EXPECT_EQ(failed.at("api_error_code"), Value(-1009));
    EXPECT_EQ(failed.at("reason"), Value("The Internet connection appears to be offline."));

    model->retry();
    pending(std::unexpected(Error("MorvexVPNError", 0, "unusable")));
    EXPECT_EQ(model->portForwardingStatus.value(), localized("connection.details.port.forwarding.failed.to.load"));
    EXPECT_TRUE(model->portForwardingStatusUpdated.value());
}

TEST_F(ConnectionDetailModelTest, AUserNotYetMovedToTheNewSignInNeverCausesARequest) {
    auto model = makeModel(/*migrated=*/false);
    model->loadPortForwardingStatus();
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(model->portForwardingStatus.value(), localized("connection.details.port.forwarding.failed.to.load"));
    EXPECT_FALSE(model->loadingPortForwardingStatus.value());
}

TEST_F(ConnectionDetailModelTest, AnAnswerFromAnotherThreadIsAppliedOnTheMainThread) {
    auto model = makeModel();
    Qt::HANDLE appliedOn = nullptr;
    auto watch = model->portForwardingStatus.observe([&](const std::string&) { appliedOn = QThread::currentThreadId(); });
    model->loadPortForwardingStatus();
    std::thread client([&] { pending(answer(body("active", true, false))); });
    client.join();
    EXPECT_EQ(appliedOn, nullptr) << "applied on the client's thread";
    ASSERT_TRUE(test::waitUntil([&] { return appliedOn != nullptr; }));
    EXPECT_EQ(appliedOn, QThread::currentThreadId());
    EXPECT_EQ(model->portForwardingStatus.value(), localized("connection.details.port.forwarding.all.opened"));

    // An answer after the card has gone is dropped.
    model->loadPortForwardingStatus();
    auto late = std::move(pending);
    model.reset();
    std::thread(std::move(late), answer(body("active", true, false))).join();
    test::drain();  // the hop to the main thread finds no model
}

TEST_F(ConnectionDetailModelTest, ThePortForwardingButtonGoesToTheMemberPageOnlyWithTheAddOn) {
    for (bool has : {true, false}) {
        SCOPED_TRACE(has);
        addon = has;
        analytics->tracked.clear();
        opened.clear();
        makeModel()->buyPortForwarding();
        if (has) {
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_EQ(eventNames(), std::vector<std::string>{"app_click_addon"});
            EXPECT_NE(opened[0].find("/applinks/portforwarding?"), std::string::npos) << opened[0];
            EXPECT_NE(opened[0].find("sUsername=morvex0s1"), std::string::npos) << opened[0];
        } else {
            EXPECT_EQ(eventNames(), std::vector<std::string>{"app_click_addon_details"});
            EXPECT_TRUE(opened.empty()) << "the card shows the add-on's page in its dialog";
        }
        EXPECT_EQ(analytics->tracked.back().second.at("addon"), Value("Port Forwarding"));
    }
}

}  // namespace
}  // namespace morvex
