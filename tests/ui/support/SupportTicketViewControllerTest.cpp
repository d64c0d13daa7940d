// The stand-alone ticket form against the fake service: its send control follows the text, it
// sends the message the text rule kept, and reports the outcome.
#include <QTest>
#include <gtest/gtest.h>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "api/Networking.h"
#include "model/ServiceHosts.h"
#include "session/UserAuthentication.h"
#include "ui/support/SupportTicketViewController.h"

namespace morvex {
namespace {

constexpr const char* kRoute = "/MorvexVPN/ticket/create";

class SupportTicketViewControllerTest : public test::AlertTest {
protected:
    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        form.model.networkingManager = SupportTicketModel::through(networking);
        form.view();
    }
    void TearDown() override {
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }
    void send() {
        const std::size_t before = service.requestsTo(kRoute).size();
        form.submitQuery();
        EXPECT_TRUE(form.submitting.value());
        ASSERT_TRUE(test::waitUntil([&] { return !form.submitting.value(); }));
        EXPECT_EQ(service.requestsTo(kRoute).size(), before + 1);
    }

    fake::FakeService service;
    Networking networking{nullptr};
    appkit::Application app;
    SupportTicketViewController form;
};

TEST_F(SupportTicketViewControllerTest, SendsWhatTheTextRuleKeptAndReportsTheOutcome) {
    EXPECT_FALSE(form.submitButton->isEnabled()) << "nothing to send";
    form.textViewMessage->setPlainText(" \n ");
    EXPECT_FALSE(form.submitButton->isEnabled()) << "blanks alone are not offered";

    // Sent all the same when asked: this form has no blank test of its own.
    send();
    EXPECT_EQ((*service.requestsTo(kRoute).back().json())["message"], " \n ");
    EXPECT_EQ(form.errorMessage.value(), std::nullopt);
    EXPECT_TRUE(form.textViewMessage->toPlainText().isEmpty()) << "an accepted ticket empties the text";
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_NE(presenter->last().message.value_or("").find("T-1001"), std::string::npos);

    form.textViewMessage->setPlainText("no handshake");
    EXPECT_TRUE(form.submitButton->isEnabled());
    service.failNext(kRoute, fake::Answer::plain(503, "down"));
    send();
    EXPECT_EQ(form.errorMessage.value(), localized("api.unknown.error.message"));
    EXPECT_TRUE(form.errorLabel->isVisibleTo(form.view()));
    EXPECT_EQ(form.textViewMessage->toPlainText(), "no handshake") << "a failed ticket keeps the text";
    EXPECT_EQ(presenter->shown.size(), 1u);

    NotificationCenter::defaultCenter().post(VPNAccountDidChangeNotification);
    EXPECT_EQ(form.errorMessage.value(), std::nullopt);
    EXPECT_TRUE(form.textViewMessage->toPlainText().isEmpty());
}

}  // namespace
}  // namespace morvex
