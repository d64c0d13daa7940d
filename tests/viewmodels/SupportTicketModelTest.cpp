// The support ticket against the fake service: the ten parameters as the stores hold them, the
// ticket number kept after an accepted send and left alone after a failed one, the member-area
// link, and lengths counted as the user sees characters.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "api/Networking.h"
#include "model/ServiceHosts.h"
#include "state/AppPreferences.h"
#include "viewmodels/SupportTicketModel.h"

namespace morvex {
namespace {

constexpr const char* kRoute = "/MorvexVPN/ticket/create";

class SupportTicketModelTest : public test::AlertTest {
protected:
    fake::FakeService service;
    Networking networking{nullptr};

    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
    }
    void TearDown() override {
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }

    SupportTicketModel model() {
        SupportTicketModel m;
        m.networkingManager = SupportTicketModel::through(networking);
        return m;
    }
    // Sends and answers whether the service accepted the ticket.
    bool send(const SupportTicketModel& m) {
        std::optional<bool> accepted;
        int calls = 0;
        m.submitTicket([&](bool ok) {
            ++calls;
            accepted = ok;
        });
        EXPECT_TRUE(test::waitUntil([&] { return accepted.has_value(); }));
        test::settleRequests();
        EXPECT_EQ(calls, 1);
        return accepted.value_or(false);
    }
};

TEST_F(SupportTicketModelTest, TheTicketCarriesTheTenValuesAsStoredAndTheMessageUnchanged) {
    struct Case {
        const char* name;
        bool signedIn;
        std::optional<std::string> language;
        nlohmann::json account;  // client_id, username, email, locale as sent
    };
    const std::vector<Case> cases = {
        {"signed in, English", true, "en", {{"client_id", "42"}, {"username", "morvex0s1"}, {"email", "alex@example.com"}, {"locale", "en"}}},
        {"nobody, no language", false, std::nullopt, {{"client_id", ""}, {"username", ""}, {"email", ""}, {"locale", "de"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.clearRequests();
        User user;
        user.setClientId(c.signedIn ? std::optional<std::string>("42") : std::nullopt);
        user.setVpnUsername(c.signedIn ? std::optional<std::string>("morvex0s1") : std::nullopt);
        user.setEmail(c.signedIn ? std::optional<std::string>("alex@example.com") : std::nullopt);
        if (c.language) UserDefaults::standard().set(Value(*c.language), AppPreferences::Key::preferredLanguageCode);
        else UserDefaults::standard().removeObject(AppPreferences::Key::preferredLanguageCode);

        SupportTicketModel m = model();
        m.message = "  \n  the tunnel drops\n ";
        EXPECT_TRUE(send(m));
        const auto requests = service.requestsTo(kRoute);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, "POST");
        const auto body = requests[0].json();
        ASSERT_TRUE(body && body->is_object());
        EXPECT_EQ(body->size(), 10u) << body->dump();
        for (const auto& [key, value] : body->items()) EXPECT_TRUE(value.is_string()) << key;
        EXPECT_EQ((*body)["message"], "  \n  the tunnel drops\n ") << "sent as written, blanks and all";
        EXPECT_EQ((*body)["subject"], "Support ticket from MorvexVPN Mac.");
        EXPECT_EQ((*body)["device_type"], "mac");
        for (const auto& [key, value] : c.account.items()) EXPECT_EQ((*body)[key], value) << key;
        EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d+$").match(QString::fromStdString((*body)["os_version"])).hasMatch())
            << (*body)["os_version"];
        EXPECT_TRUE(QRegularExpression("^\\S+ \\(\\S+\\)$").match(QString::fromStdString((*body)["app_version"])).hasMatch())
            << (*body)["app_version"];
    }
}

TEST_F(SupportTicketModelTest, OnlyAnAcceptedSendStoresTheTicketNumber) {
    struct Case {
        const char* name;
        fake::Answer answer;
        bool accepted;
        std::string stored;
    };
    const std::vector<Case> cases = {
        {"number", fake::Answer::envelope({{"result", "success"}, {"tid", "12345"}}), true, "12345"},
        {"no number", fake::Answer::envelope({{"result", "success"}, {"id", 7}}), true, ""},
        {"refused", fake::Answer::envelope(nlohmann::json::object(), 500, "Server error"), false, "earlier"},
        {"not JSON", fake::Answer::malformed(), false, "earlier"},
        {"connection dropped", fake::Answer::dropped(), false, "earlier"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        User().setSupportTicketNo(std::string("earlier"));
        service.failNext(kRoute, c.answer);
        EXPECT_EQ(send(model()), c.accepted);
        EXPECT_EQ(User().supportTicketNo(), std::optional<std::string>(c.stored));
    }
}

TEST_F(SupportTicketModelTest, TheMemberAreaLinkNamesTheAccountAndAddsTheUuidForAnEmailLogIn) {
    struct Case {
        std::optional<std::string> method;
        bool uuidSent;
    };
    for (const auto& c : std::vector<Case>{{"username", false}, {"email", true}, {std::nullopt, false}, {"apple", false}}) {
        SCOPED_TRACE(c.method.value_or("<none>"));
        User user;
        user.setVpnUsername(std::string("morvex0s1"));
        user.setUuid(std::string("4f0c2a9e-0000-4000-8000-000000000042"));
        user.setLoginMethod(c.method);
        const auto link = model().memberAreaURL();
        ASSERT_TRUE(link);
        EXPECT_NE(link->find("/applinks/tickets?"), std::string::npos) << *link;
        EXPECT_NE(link->find("sUsername=morvex0s1"), std::string::npos) << *link;
        EXPECT_EQ(link->find("uuid=4f0c2a9e") != std::string::npos, c.uuidSent) << *link;
    }
}

TEST_F(SupportTicketModelTest, LengthsCountCharactersAsTheUserSeesThem) {
    const QString accented = QString::fromUtf8("e\u0301");                       // e and a combining acute
    const QString family = QString::fromUtf8("\U0001F468\u200D\U0001F469\u200D\U0001F467");  // one emoji sequence
    EXPECT_EQ(SupportTicketModel::perceivedLength(accented + family + "ab"), 4);
    EXPECT_EQ(SupportTicketModel::perceivedPrefix(accented + family + "ab", 2), accented + family);
    EXPECT_EQ(SupportTicketModel::perceivedPrefix("abc", 5), "abc");
    EXPECT_EQ(SupportTicketModel::perceivedLength(""), 0);
}

}  // namespace
}  // namespace morvex
