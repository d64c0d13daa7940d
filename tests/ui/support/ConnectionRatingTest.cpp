// The connection rating form on a sheet, driven by clicks and typing: the checks before sending,
// the ticket the fake service gets, the analytics of each outcome, the end of the sheet after an
// accepted ticket and the sheet that stays, text and all, after a failed one.
#include <QTest>
#include <gtest/gtest.h>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "appkit/Application.h"
#include "appkit/Window.h"
#include "model/ServiceHosts.h"
#include "state/User.h"
#include "ui/support/ConnectionRating.h"

namespace morvex::test {
namespace {

using Reason = DislikeReasoner::Reason;
using Action = Reason::Action;

constexpr const char* kTicketPath = "/MorvexVPN/ticket/create";

const std::vector<Reason> kReasons{
    {"Slow speed", "Pages load slowly", "Which sites were slow?", false, Action::SwitchServer, "slow"},
    {"Something else", "", "Tell us what happened", true, Action::LiveChat, "other"},
};

class ConnectionRatingTest : public AlertTest {
protected:
    fake::FakeService service;
    Networking networking{nullptr};
    std::unique_ptr<appkit::Application> app;
    std::unique_ptr<appkit::Window> window;
    appkit::ViewController* host = nullptr;
    QPointer<ConnectionRating> form;
    std::optional<std::vector<Reason>> reasons = kReasons;
    int switchServerShown = 0;
    std::vector<int> finished;

    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        app = std::make_unique<appkit::Application>();
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        host = new appkit::ViewController;
        window->setContentViewController(host);
        window->show();
    }
    void TearDown() override {
        window.reset();
        flushDeferredDeletes();
        app.reset();
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }

    void open() {
        ZevuTypes::ConnectionInfo info;
        info.connectedIp = "198.51.100.7";
        info.selectedProtocol = "Automatic";
        info.dialedProtocol = "IKEV";
        ConnectionRating::Collaborators c{
            {[info] { return info; }, tracker(), &networking, [] { return std::string("acct-7f3e"); }},
            [this] { return reasons; },
            [this] { ++switchServerShown; }};
        form = new ConnectionRating(std::move(c));
        QObject::connect(form, &ConnectionRating::finished, [this](int response) { finished.push_back(response); });
        ASSERT_TRUE(host->presentAsSheet(form));
        ASSERT_NE(window->attachedSheet(), nullptr);
    }
    void choose(int index) { QTest::mouseClick(form->optionButtons().at(static_cast<std::size_t>(index)), Qt::LeftButton, {}, QPoint(8, 8)); }
    void type(const QString& text) { QTest::keyClicks(form->messageBox(), text); }
    void send() { QTest::mouseClick(form->submitButton(), Qt::LeftButton); }
    std::string shownError() const { return form->errorLabel()->isHidden() ? std::string() : form->errorLabel()->text().toStdString(); }
};

TEST_F(ConnectionRatingTest, NothingIsSentUntilAReasonIsChosenAndARequiredCommentGiven) {
    open();
    ASSERT_EQ(form->optionButtons().size(), 2u);
    send();
    EXPECT_EQ(shownError(), localized("connection.rating.error.no.option.selected"));

    choose(1);
    EXPECT_EQ(shownError(), "") << "a choice clears the error";
    EXPECT_EQ(form->messageBox()->placeholderText().toStdString(), "Tell us what happened");
    type("   ");
    send();
    EXPECT_EQ(shownError(), localized("connection.rating.error.no.comment")) << "blanks are no comment";

    choose(0);
    EXPECT_EQ(shownError(), "");
    EXPECT_EQ(form->messageBox()->placeholderText().toStdString(), "Which sites were slow?");
    EXPECT_TRUE(service.requestsTo(kTicketPath).empty());
    EXPECT_NE(window->attachedSheet(), nullptr) << "the sheet stays open";
    EXPECT_TRUE(analytics->tracked.empty());
}

TEST_F(ConnectionRatingTest, AnAcceptedTicketIsReportedAndEndsTheSheet) {
    struct Case {
        const char* what;
        int reason;
        QString comment;
        std::string message;  // the ticket's text
        int switchServer;     // alerts shown afterwards
    };
    const std::vector<Case> cases{
        {"optional comment left empty", 0, "", "[Slow speed]", 1},
        {"required comment given", 1, "DNS fails", "[Something else] DNS fails", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        service.clearRequests();
        analytics->tracked.clear();
        finished.clear();
        switchServerShown = 0;
        open();
        choose(c.reason);
        type(c.comment);
        send();
        ASSERT_TRUE(waitUntil([&] { return !finished.empty(); }));
        const auto tickets = service.requestsTo(kTicketPath);
        ASSERT_EQ(tickets.size(), 1u);
        EXPECT_EQ(tickets[0].json(), (nlohmann::json{{"message", c.message}, {"uuid", "acct-7f3e"}}));
        EXPECT_EQ(eventNames(), std::vector<std::string>{"app_feedback_session"});
        const Dictionary p = event("app_feedback_session");
        EXPECT_EQ(p.at("reason"), Value(kReasons[static_cast<std::size_t>(c.reason)].title));
        EXPECT_EQ(p.at("comment"), Value(c.comment.toStdString()));
        EXPECT_EQ(p.at("submit"), Value(true));
        EXPECT_EQ(p.at("server_ip"), Value("198.51.100.7"));
        EXPECT_EQ(p.at("dialed_protocol_name"), Value("IKEV"));
        EXPECT_EQ(p.at("server_dns"), Value(""));
        EXPECT_EQ(p.at("type"), Value("rating"));
        EXPECT_EQ(finished, std::vector<int>{1});
        EXPECT_EQ(window->attachedSheet(), nullptr);
        EXPECT_EQ(switchServerShown, c.switchServer);
        flushDeferredDeletes();
    }
}

TEST_F(ConnectionRatingTest, AFailedTicketKeepsTheSheetAndTheCommentSaysSoAndCanBeSentAgain) {
    const std::vector<std::pair<const char*, fake::Answer>> failures{
        {"dropped connection", fake::Answer::dropped()},
        {"HTTP 500", fake::Answer::plain(500, "down")},
        {"undecodable answer", fake::Answer::malformed()},
    };
    open();
    choose(1);
    type("DNS fails");
    for (const auto& [what, answer] : failures) {
        SCOPED_TRACE(what);
        service.clearRequests();
        analytics->tracked.clear();
        service.failNext(kTicketPath, answer);
        send();
        ASSERT_TRUE(waitUntil([&] { return !form->requestInProcess(); }));
        EXPECT_EQ(service.requestsTo(kTicketPath).size(), 1u);
        EXPECT_EQ(form->messageBox()->toPlainText(), "DNS fails") << "the comment stays";
        EXPECT_TRUE(form->optionButtons().at(1)->isChecked()) << "and so does the choice";
        EXPECT_EQ(shownError(), localized("api.unknown.error.message"));
        EXPECT_TRUE(form->submitButton()->isEnabled());
        EXPECT_NE(window->attachedSheet(), nullptr);
        EXPECT_TRUE(finished.empty());
        EXPECT_EQ(eventNames(), std::vector<std::string>{"app_fail_feedback_session"});
        EXPECT_EQ(switchServerShown, 0);
    }
    // Sending again, now accepted, files the same ticket and ends the sheet.
    service.clearRequests();
    send();
    ASSERT_TRUE(waitUntil([&] { return !finished.empty(); }));
    ASSERT_EQ(service.requestsTo(kTicketPath).size(), 1u);
    EXPECT_EQ((*service.requestsTo(kTicketPath)[0].json())["message"], "[Something else] DNS fails");
    EXPECT_EQ(finished, std::vector<int>{1});
    EXPECT_EQ(window->attachedSheet(), nullptr);
}

TEST_F(ConnectionRatingTest, TheTicketCarriesTheStoredAccountIdentity) {
    User().setUuid(std::string("7c1e2f40-uuid"));
    EXPECT_EQ(ConnectionRatingModel::defaults().customerId(), "7c1e2f40-uuid");
    User().setUuid(std::nullopt);
    EXPECT_EQ(ConnectionRatingModel::defaults().customerId(), "");
}

TEST_F(ConnectionRatingTest, CancellingReportsTheChoiceSoFarAndSendsNothing) {
    open();
    QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(finished, std::vector<int>{0});
    EXPECT_EQ(window->attachedSheet(), nullptr);
    EXPECT_EQ(eventNames(), std::vector<std::string>{"app_feedback_session"});
    EXPECT_EQ(event("app_feedback_session").at("reason"), Value(""));
    EXPECT_EQ(event("app_feedback_session").at("submit"), Value(false));
    EXPECT_TRUE(service.requestsTo(kTicketPath).empty());
    EXPECT_EQ(switchServerShown, 0);
}

TEST_F(ConnectionRatingTest, WithoutAListOfReasonsTheFormOffersNoChoice) {
    reasons.reset();
    open();
    EXPECT_TRUE(form->optionButtons().empty());
    send();
    EXPECT_EQ(shownError(), localized("connection.rating.error.no.option.selected"));
}

}  // namespace
}  // namespace morvex::test
