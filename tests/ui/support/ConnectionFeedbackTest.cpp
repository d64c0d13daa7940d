// The in-session feedback on the real dashboard: when the star button and the prompt come and go
// with the connection, what each thumb records, the pause after an answer, and what a thumbs-up
// asks next.
#include <QDate>
#include <QTest>
#include <gtest/gtest.h>

#include "alerts/AlertTestSupport.h"
#include "appkit/Application.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "state/AppPreferences.h"
#include "ui/dashboard/ConnectionComponentsController.h"
#include "ui/dashboard/DashboardTestSupport.h"
#include "ui/dashboard/DashboardViewController.h"
#include "ui/support/ConnectionFeedback.h"
#include "ui/support/ConnectionRating.h"

namespace morvex::test {
namespace {

using State = ZevuConnectionState;

constexpr const char* kBoard = "ConnectionFeedbackTestBoard";

class ConnectionFeedbackTest : public AlertTest {
protected:
    std::unique_ptr<appkit::Application> app;
    std::unique_ptr<appkit::Window> window;
    DashboardViewController* dashboard = nullptr;
    std::vector<FeedbackFollowUp> followUps;
    QPointer<ConnectionRating> form;

    void SetUp() override {
        AlertTest::SetUp();
        User().setVpnUsername("morvex0s1234567");
        appkit::Storyboard& board = appkit::Storyboard::define(kBoard);
        registerFeedbackStoryboards(board);
        board.scene("Dashboard", [] { return new DashboardViewController; })
            .scene(std::string(DashboardFeedbackController::kStoryboardID), [this] {
                auto* prompt = new DashboardFeedbackController(
                    {[] { return ZevuTypes::ConnectionInfo{}; }, AppPreferences(), PreservedPreferences(), tracker(), User()});
                prompt->followUp = [this](FeedbackFollowUp next) { followUps.push_back(next); };
                prompt->makeRatingForm = [this] {
                    form = new ConnectionRating({{{}, tracker(), nullptr, {}}, [] { return std::vector<DislikeReasoner::Reason>{}; }, {}});
                    return form.data();
                };
                return prompt;
            });
        app = std::make_unique<appkit::Application>();
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        dashboard = qobject_cast<DashboardViewController*>(board.instantiateController("Dashboard"));
        ASSERT_TRUE(dashboard);
        window->setContentViewController(dashboard);
        window->show();
        ASSERT_NE(container(), nullptr);
    }
    void TearDown() override {
        window.reset();
        flushDeferredDeletes();
        app.reset();
        AlertTest::TearDown();
    }

    FeedbackContainerController* container() {
        return qobject_cast<FeedbackContainerController*>(dashboard->feedbackContainer());
    }
    DashboardFeedbackController* prompt() { return qobject_cast<DashboardFeedbackController*>(container()->showingController()); }
    void connected(const std::string& id) {
        AppPreferences().setOnGoingConnectionId(id);
        NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, report(State::Connected, id));
    }
    void clickStar() { QTest::mouseClick(container()->feedbackButton(), Qt::LeftButton); }
};

TEST_F(ConnectionFeedbackTest, TheButtonAndThePromptFollowTheConnection) {
    EXPECT_TRUE(container()->hidden());

    connected("c1");
    EXPECT_FALSE(container()->hidden());
    ASSERT_NE(prompt(), nullptr) << "a new connection opens the prompt by itself";
    EXPECT_EQ(prompt()->feedbackText(), localized("connection.feedback.text.desired.outcome"));
    EXPECT_EQ(event("app_view_session_prompt").at("type"), Value("DO"));
    EXPECT_EQ(event("app_view_session_prompt").at("prompt-type"), Value("in-session"));

    connected("c1");
    EXPECT_EQ(prompt(), nullptr) << "a second report withdraws it";
    clickStar();
    EXPECT_NE(prompt(), nullptr) << "the star opens it again";

    // The connection details open in the same corner: the feedback steps aside until they close.
    vpn->status = kSdkConnected;
    NotificationCenter::defaultCenter().post("ConnectionDetailOpen", true);
    EXPECT_EQ(prompt(), nullptr);
    EXPECT_TRUE(container()->hidden());
    NotificationCenter::defaultCenter().post("ConnectionDetailOpen", false);
    EXPECT_FALSE(container()->hidden());

    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, report(State::Disconnected, "c1"));
    EXPECT_EQ(prompt(), nullptr);
    EXPECT_TRUE(container()->hidden());
}

// The prompt and its button share the left column with the recent location's row and the link to
// the connection details: all of them show at once, and none may lie over another.
TEST_F(ConnectionFeedbackTest, ThePromptAndItsButtonLeaveTheRecentLocationAndTheDetailsLinkInSight) {
    connected("c1");
    auto& panel = dashboard->connectionPanel()->model();
    auto s = panel.state.value();
    s.title = State::Connected;
    s.recentlyConnectedName = "Frankfurt, DE";
    s.recentlyConnectedFlag = "de";
    s.recentlyConnectedVisible = true;
    panel.state = s;

    QWidget* page = dashboard->view();
    auto* recent = page->findChild<QWidget*>("recentlyConnectedView");
    auto* details = page->findChild<QWidget*>("connectionDetailsButton");
    ASSERT_TRUE(recent && details);
    ASSERT_TRUE(test::waitUntil([&] {
        return prompt() && prompt()->view()->isVisible() && recent->isVisible() && details->isVisible();
    })) << "the prompt opens with the row and the link on the page";
    const auto rect = [page](const QWidget* w) { return QRect(w->mapTo(page, QPoint(0, 0)), w->size()); };
    const struct {
        const char* name;
        QRect rect;
    } feedback[] = {{"prompt", rect(prompt()->view())}, {"star button", rect(container()->feedbackButton())}};
    for (const auto& f : feedback) {
        EXPECT_FALSE(f.rect.intersects(rect(recent))) << f.name << " over the recent location";
        EXPECT_FALSE(f.rect.intersects(rect(details))) << f.name << " over the details link";
        EXPECT_TRUE(page->rect().contains(f.rect)) << f.name << " inside the page";
    }
    EXPECT_FALSE(rect(prompt()->view()).intersects(rect(container()->feedbackButton())));
}

TEST_F(ConnectionFeedbackTest, WhenTheSDKComesUpWithATunnelAlreadyUpTheButtonShowsIfFeedbackIsDue) {
    AppPreferences().setOnGoingConnectionId("c1");
    vpn->status = kSdkDisconnected;
    NotificationCenter::defaultCenter().post("ZevuSDKInitialized");
    EXPECT_TRUE(container()->hidden());
    vpn->status = kSdkConnected;
    NotificationCenter::defaultCenter().post("ZevuSDKInitialized");
    EXPECT_FALSE(container()->hidden());
    EXPECT_EQ(prompt(), nullptr) << "only the button: the prompt waits for a click";
}

TEST_F(ConnectionFeedbackTest, NothingIsAskedWithoutAConnectionIdOrForARatedConnection) {
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, report(State::Connected));
    EXPECT_TRUE(container()->hidden());
    EXPECT_EQ(prompt(), nullptr);

    AppPreferences().setLastFeedbackConnectionId("c1");
    connected("c1");
    EXPECT_TRUE(container()->hidden());
    EXPECT_EQ(prompt(), nullptr) << "the rated connection is not asked about again";
    EXPECT_EQ(analytics->count("app_view_session_prompt"), 0);
}

TEST_F(ConnectionFeedbackTest, AThumbsUpRatesTheConnectionPausesTheButtonAndTurnsLaterPromptsIntoRatings) {
    test::ManualClock clock;
    connected("c1");
    ASSERT_NE(prompt(), nullptr);
    QTest::mouseClick(prompt()->thumbsUpButton(), Qt::LeftButton);
    EXPECT_EQ(event("app_rate_session").at("rating"), Value("good"));
    EXPECT_EQ(event("app_rate_session").at("type"), Value("DO"));
    EXPECT_EQ(AppPreferences().lastFeedbackConnectionId(), "c1");
    EXPECT_TRUE(PreservedPreferences().desiredOutcomeAchieved());
    EXPECT_EQ(followUps, std::vector<FeedbackFollowUp>{FeedbackFollowUp::none});
    ASSERT_TRUE(waitUntil([&] { return prompt()->viewFeedbackGreetings()->isVisible(); })) << "the thank-you shows";

    clickStar();
    EXPECT_NE(prompt(), nullptr) << "clicks during the pause are ignored";
    clock.advance(std::chrono::milliseconds(FeedbackContainerController::kAnswerPauseMs - 1));
    EXPECT_NE(prompt(), nullptr) << "the pause lasts";
    EXPECT_FALSE(container()->shouldInteract());
    clock.advance(std::chrono::milliseconds(1));
    ASSERT_TRUE(waitUntil([&] { return prompt() == nullptr; }));
    EXPECT_TRUE(container()->hidden());
    EXPECT_TRUE(container()->shouldInteract());

    // The next connection: no prompt by itself any more, and the star asks for a rating.
    connected("c2");
    EXPECT_FALSE(container()->hidden());
    EXPECT_EQ(prompt(), nullptr);
    clickStar();
    ASSERT_NE(prompt(), nullptr);
    EXPECT_EQ(prompt()->feedbackText(), localized("connection.feedback.text.rating"));
    EXPECT_EQ(event("app_view_session_prompt").at("type"), Value("rating"));
}

TEST_F(ConnectionFeedbackTest, AThumbsDownOpensTheRatingFormAndCancellingItStillRatesTheConnection) {
    connected("c1");
    ASSERT_NE(prompt(), nullptr);
    QTest::mouseClick(prompt()->thumbsDownButton(), Qt::LeftButton);
    EXPECT_EQ(event("app_rate_session").at("rating"), Value("bad"));
    ASSERT_TRUE(form);
    ASSERT_NE(window->attachedSheet(), nullptr);
    EXPECT_FALSE(AppPreferences().lastFeedbackConnectionId());

    QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(window->attachedSheet(), nullptr);
    EXPECT_EQ(AppPreferences().lastFeedbackConnectionId(), "c1");
    EXPECT_FALSE(PreservedPreferences().desiredOutcomeAchieved()) << "only a thumbs-up says the outcome was achieved";
    EXPECT_FALSE(container()->shouldInteract()) << "the answer starts the pause";
}

TEST_F(ConnectionFeedbackTest, AThumbsUpLongAfterSigningUpAsksForAStoreRatingThenForAReferral) {
    struct Case {
        const char* what;
        std::optional<int> weeksAgo;  // none: no sign-up date stored
        bool ratedOnStore, referred;
        FeedbackFollowUp next;
    };
    const std::vector<Case> cases{
        {"no sign-up date", std::nullopt, false, false, FeedbackFollowUp::none},
        {"four weeks ago", 4, false, false, FeedbackFollowUp::none},
        {"ten weeks ago", 10, false, false, FeedbackFollowUp::rateOnStore},
        {"rated on the store", 10, true, false, FeedbackFollowUp::referAFriend},
        {"rated and referred", 10, true, true, FeedbackFollowUp::none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        User user;
        user.setSignUpDate(c.weeksAgo ? std::optional<std::string>(
                                            QDate::currentDate().addDays(-7 * *c.weeksAgo).toString("yyyy-MM-dd").toStdString())
                                      : std::nullopt);
        PreservedPreferences preferences;
        preferences.setRatedOnStore(c.ratedOnStore);
        preferences.setReferredAFriend(c.referred);
        DashboardFeedbackModel model({{}, AppPreferences(), preferences, tracker(), user});
        EXPECT_EQ(model.recordGoodRating(), c.next);
    }
}

}  // namespace
}  // namespace morvex::test
