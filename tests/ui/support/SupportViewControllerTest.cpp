// The support page against the fake service: the hub and the bug-report form in its content area,
// and what "ShowFAQ" (the application menu's FAQ and ticket entries) brings into it.
#include <QTest>
#include <gtest/gtest.h>

#include "app/FakeServiceAppTest.h"
#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "api/Networking.h"
#include "viewmodels/MainTab.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "model/ServiceHosts.h"
#include "session/UserAuthentication.h"
#include "ui/support/SupportViewController.h"

namespace morvex {
namespace {

constexpr const char* kRoute = "/MorvexVPN/ticket/create";
using Subtype = SupportViewController1::TransitionSubtype;

class SupportViewControllerTest : public test::FakeServiceAppTest {
protected:
    void SetUp() override {
        FakeServiceAppTest::SetUp();
        open();
    }
    void TearDown() override {
        window.reset();
        test::flushDeferredDeletes();
        FakeServiceAppTest::TearDown();
    }
    void open() {
        window = std::make_unique<appkit::Window>(QSize(688, 500));
        page = new SupportViewController1;
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
    // The bug report's own texts from the string table, not the ticket form's.
    ASSERT_TRUE(test::waitUntil([&] { return form->lblTitle->text() == "Report a Bug"; }));
    EXPECT_EQ(form->lblBtnTitle->text(), "Report");
    EXPECT_EQ(form->lblSubtitle2->text(), "Describe the bug:");
    EXPECT_EQ(form->textViewMessage->placeholderText().toStdString(), localized("support.bug.placeholder"));

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

// The application menu posts "ShowFAQ" just before it shows the support page: whatever the content
// area showed, true brings the hub with its FAQ page up and false the ticket form.
TEST_F(SupportViewControllerTest, ShowFAQOpensTheFAQInTheHubOrTheTicketFormInTheContentArea) {
    NotificationCenter::defaultCenter().post(kShowFAQNotification, false);
    ASSERT_TRUE(test::waitUntil([&] { return page->shownChild() && page->shownChild() == page->submitTicketNewViewController; }));
    EXPECT_TRUE(page->submitTicketNewViewController->view()->isVisible());

    NotificationCenter::defaultCenter().post(kShowFAQNotification, true);
    ASSERT_TRUE(test::waitUntil([&] { return page->shownChild() == page->getHelpViewController && page->getHelpViewController->isPageShown(); }));
    EXPECT_TRUE(page->getHelpViewController->webViewWindow()->isVisible()) << "the FAQ is where the user sees it";

    NotificationCenter::defaultCenter().post(kShowFAQNotification);
    EXPECT_EQ(page->shownChild(), page->getHelpViewController) << "no object: nothing";
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
