// The support page against the fake service: the hub and the bug-report form in its content area,
// the inline ticket form's refusals, cuts and sends, the panes that "ShowFAQ" picks, and what
// signing in or out clears.
#include <QTest>
#include <gtest/gtest.h>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "api/Networking.h"
#include "viewmodels/MainTab.h"
#include "appkit/Window.h"
#include "model/ServiceHosts.h"
#include "session/UserAuthentication.h"
#include "ui/support/SupportViewController.h"

namespace morvex {
namespace {

constexpr const char* kRoute = "/MorvexVPN/ticket/create";
using Subtype = SupportViewController1::TransitionSubtype;

class SupportViewControllerTest : public test::AlertTest {
protected:
    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        open();
    }
    void TearDown() override {
        window.reset();
        test::flushDeferredDeletes();
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }
    void open() {
        window = std::make_unique<appkit::Window>(QSize(688, 500));
        page = new SupportViewController1;
        page->model.networkingManager = SupportTicketModel::through(networking);
        window->setContentViewController(page);
        window->show();
        ASSERT_TRUE(test::waitUntil([&] { return page->view()->isVisible(); }));
    }
    // The bug-report form through the hub's route, once it shows.
    SubmitTicketNewViewController* openBugReport() {
        QTest::mouseClick(page->getHelpViewController->routeButton(GetHelpViewController::ReportBug), Qt::LeftButton);
        EXPECT_TRUE(test::waitUntil([&] { return page->shownChild() && page->shownChild() == page->submitTicketNewViewController; }));
        return page->submitTicketNewViewController;
    }
    std::vector<std::string> shownTitles() const {
        std::vector<std::string> titles;
        for (const auto& s : presenter->shown) titles.push_back(s.alert.title);
        return titles;
    }
    void waitForSend(std::size_t requests) {
        ASSERT_TRUE(test::waitUntil([&] { return service.requestsTo(kRoute).size() == requests && !page->submitting.value(); }));
        test::settleRequests();
    }

    fake::FakeService service;
    Networking networking{nullptr};
    appkit::Application app;
    std::unique_ptr<appkit::Window> window;
    SupportViewController1* page = nullptr;
};

TEST_F(SupportViewControllerTest, TheHubEntersFromTheLeftTheBugReportFromTheRightAndBackBringsTheSameHub) {
    GetHelpViewController* hub = page->getHelpViewController;
    ASSERT_NE(hub, nullptr);
    EXPECT_EQ(page->shownChild(), hub);
    EXPECT_EQ(page->lastTransition(), Subtype::FromLeft);
    EXPECT_EQ(hub->parentController, page);
    EXPECT_TRUE(hub->view()->isVisible());

    SubmitTicketNewViewController* form = openBugReport();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(page->lastTransition(), Subtype::FromRight);
    EXPECT_FALSE(hub->view()->isVisible());
    ASSERT_TRUE(test::waitUntil([&] { return form->lblTitle->text() == "Report A Bug"; }));
    EXPECT_EQ(form->lblBtnTitle->text(), "Report");
    EXPECT_EQ(form->lblSubtitle2->text(), "Describe the bug: ");
    EXPECT_TRUE(form->textViewMessage->placeholderText().startsWith("Please include steps to reproduce the bug"));

    QTest::mouseClick(form->backButton, Qt::LeftButton);
    EXPECT_EQ(page->shownChild(), hub) << "the hub is made once and kept";
    EXPECT_EQ(page->lastTransition(), Subtype::FromLeft);
    EXPECT_TRUE(hub->view()->isVisible());
    EXPECT_EQ(page->submitTicketNewViewController, form) << "kept while the page shows";
}

TEST_F(SupportViewControllerTest, LeavingThePageBringsTheHubBackAndTheNextReportUsesANewForm) {
    QPointer<SubmitTicketNewViewController> first = openBugReport();
    ASSERT_TRUE(first);
    NotificationCenter::defaultCenter().post(kOpenViewControllerNotification, MainTab::Support1);
    EXPECT_EQ(page->submitTicketNewViewController, first) << "the support page itself keeps the form";

    NotificationCenter::defaultCenter().post(kOpenViewControllerNotification, MainTab::Profile);
    window->hide();  // the page goes off screen as the other page comes
    EXPECT_EQ(page->shownChild(), page->getHelpViewController) << "the form's going brings the hub back";
    EXPECT_EQ(page->submitTicketNewViewController, nullptr);
    test::flushDeferredDeletes();
    EXPECT_FALSE(first) << "the form let go of is deleted once off screen";

    window->show();
    SubmitTicketNewViewController* second = openBugReport();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->textViewMessage->toPlainText().isEmpty());
    // Other objects change nothing.
    NotificationCenter::defaultCenter().post(kOpenViewControllerNotification);
    EXPECT_EQ(page->submitTicketNewViewController, second);
}

TEST_F(SupportViewControllerTest, TheInlineFormRefusesBlanksSendsTextAsTypedAndReportsTheOutcome) {
    struct Case {
        const char* name;
        QString text;
        std::optional<fake::Answer> answer;  // none: the usual answer with "T-1001"
        std::size_t requests;
        std::optional<std::string> sent;
        std::optional<std::string> error;
        std::vector<std::string> alerts;
    };
    const std::string failed = localized("api.unknown.error.message");
    const std::vector<Case> cases = {
        {"blanks", "  \n\t ", std::nullopt, 0, std::nullopt, "Message can not be empty.", {}},
        {"accepted", "  it drops\n", std::nullopt, 1, "  it drops\n", std::nullopt, {localized("submit.ticket.popup.title")}},
        {"refused", "hello", fake::Answer::envelope(nlohmann::json::object(), 500, "error"), 1, "hello", failed, {}},
        {"dropped", "hello", fake::Answer::dropped(), 1, "hello", failed, {}},
        {"HTTP 500", "hello", fake::Answer::plain(500, "down"), 1, "hello", failed, {}},
        {"undecodable", "hello", fake::Answer::malformed(), 1, "hello", failed, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.clearRequests();
        presenter->shown.clear();
        if (c.answer) service.failNext(kRoute, *c.answer);
        page->textViewMessage->setPlainText(c.text);
        QTest::mouseClick(page->submitButton, Qt::LeftButton);
        if (c.requests) {
            EXPECT_TRUE(page->submitting.value());
            EXPECT_FALSE(page->submitButton->isEnabled());
            waitForSend(c.requests);
            // Emptied only once the service took it; a failure keeps the user's words.
            EXPECT_EQ(page->textViewMessage->toPlainText(), c.error ? c.text : QString());
            EXPECT_TRUE(page->submitButton->isEnabled());
            EXPECT_FALSE(page->textViewMessage->isReadOnly());
        }
        const auto requests = service.requestsTo(kRoute);
        ASSERT_EQ(requests.size(), c.requests);
        if (c.sent) {
            EXPECT_EQ((*requests[0].json())["message"], *c.sent);
        }
        EXPECT_EQ(page->errorMessage.value(), c.error);
        EXPECT_EQ(page->errorLabel->isVisible(), c.error.has_value());
        EXPECT_EQ(shownTitles(), c.alerts);
    }
    // A new text clears the error.
    page->textViewMessage->setPlainText("x");
    EXPECT_EQ(page->errorMessage.value(), std::nullopt);
}

TEST_F(SupportViewControllerTest, TypingPastTheLimitCutsTheTextBackAndWarnsOnce) {
    page->textViewMessage->setPlainText(QString(1500, 'a'));
    EXPECT_TRUE(presenter->shown.empty()) << "1500 characters are allowed";
    page->textViewMessage->moveCursor(QTextCursor::End);
    QTest::keyClick(page->textViewMessage, Qt::Key_B);
    EXPECT_EQ(page->textViewMessage->toPlainText(), QString(1500, 'a'));
    EXPECT_EQ(shownTitles(), std::vector<std::string>{localized("warning")});
    EXPECT_EQ(page->model.message, std::string(1500, 'a'));
}

TEST_F(SupportViewControllerTest, ShowFAQPicksThePaneAndHighlightsItsButton) {
    EXPECT_EQ(page->selectedPane(), 1);
    NotificationCenter::defaultCenter().post(kShowFAQNotification, true);
    EXPECT_EQ(page->selectedPane(), 0);
    EXPECT_FALSE(page->faqView->isHidden());
    EXPECT_TRUE(page->supportTicketView->isHidden());
    EXPECT_TRUE(page->liveChatView->isHidden());
    EXPECT_EQ(page->btn_faq->currentColor(), page->btn_faq->selectedColor().value());
    EXPECT_EQ(page->btn_support->currentColor(), page->btn_support->deselectedColor().value());

    NotificationCenter::defaultCenter().post(kShowFAQNotification, false);
    EXPECT_EQ(page->selectedPane(), 1);
    EXPECT_FALSE(page->supportTicketView->isHidden());
    EXPECT_EQ(page->btn_support->currentColor(), page->btn_support->selectedColor().value());
    EXPECT_EQ(page->btn_faq->currentColor(), page->btn_faq->deselectedColor().value());

    NotificationCenter::defaultCenter().post(kShowFAQNotification);
    EXPECT_EQ(page->selectedPane(), 1) << "no object: nothing";
}

TEST_F(SupportViewControllerTest, SigningInOrOutAndSwitchingTheAccountClearTheMessageAndTheError) {
    for (std::string_view name : {UserLoggedInChangedNotification, VPNAccountDidChangeNotification}) {
        SCOPED_TRACE(name);
        page->errorMessage = std::string("Message can not be empty.");
        page->textMessage = std::string("draft");
        NotificationCenter::defaultCenter().post(name, true);
        EXPECT_EQ(page->errorMessage.value(), std::nullopt);
        EXPECT_EQ(page->textMessage.value(), std::nullopt);
    }
}

TEST_F(SupportViewControllerTest, TheBugReportSendsOnlyWordsKeepsThemOnFailureAndShowsTheNumberOnlyWhenAccepted) {
    SubmitTicketNewViewController* form = openBugReport();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return form->submitBackdropAlpha() == 0.4; })) << "nothing to send yet";
    EXPECT_FALSE(form->submitButton->isEnabled());

    form->textViewMessage->setPlainText(" \n ");
    ASSERT_TRUE(test::waitUntil([&] { return form->submitButton->isEnabled(); }));
    EXPECT_EQ(form->submitBackdropAlpha(), 1.0);
    QTest::mouseClick(form->submitButton, Qt::LeftButton);
    test::settleRequests();
    EXPECT_TRUE(form->activityIndicator->isHidden()) << "blanks alone are not sent";
    EXPECT_TRUE(service.requestsTo(kRoute).empty()) << "blanks alone are not sent, and no message says so";
    EXPECT_TRUE(presenter->shown.empty());
    EXPECT_TRUE(form->errorLabel->isHidden());

    const std::vector<std::pair<const char*, fake::Answer>> failures{
        {"dropped connection", fake::Answer::dropped()},
        {"HTTP 500", fake::Answer::plain(500, "down")},
        {"undecodable answer", fake::Answer::malformed()},
    };
    form->textViewMessage->setPlainText("crash on wake");
    for (const auto& [what, answer] : failures) {
        SCOPED_TRACE(what);
        service.clearRequests();
        service.failNext(kRoute, answer);
        ASSERT_TRUE(test::waitUntil([&] { return form->submitButton->isEnabled(); }));
        QTest::mouseClick(form->submitButton, Qt::LeftButton);
        ASSERT_TRUE(test::waitUntil([&] { return form->errorLabel->isVisible(); }));
        EXPECT_EQ(service.requestsTo(kRoute).size(), 1u);
        EXPECT_EQ(form->errorLabel->text().toStdString(), localized("api.unknown.error.message"));
        EXPECT_EQ(form->textViewMessage->toPlainText(), "crash on wake") << "the user's words stay";
        EXPECT_FALSE(form->textViewMessage->isReadOnly());
        ASSERT_TRUE(test::waitUntil([&] { return form->submitButton->isEnabled(); })) << "and can be sent again";
        EXPECT_EQ(form->submitBackdropAlpha(), 1.0);
        EXPECT_TRUE(presenter->shown.empty());
    }

    service.clearRequests();
    QTest::mouseClick(form->submitButton, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return !presenter->shown.empty(); }));
    EXPECT_EQ((*service.requestsTo(kRoute).at(0).json())["message"], "crash on wake");
    EXPECT_EQ(shownTitles(), std::vector<std::string>{localized("submit.ticket.popup.title")});
    EXPECT_NE(presenter->last().message.value_or("").find("T-1001"), std::string::npos) << presenter->last().message.value_or("");
    EXPECT_TRUE(form->textViewMessage->toPlainText().isEmpty()) << "emptied once accepted";
    EXPECT_TRUE(form->errorLabel->isHidden());
}

}  // namespace
}  // namespace morvex
