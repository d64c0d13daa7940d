// The in-window notice bar: what a posted notice shows, what its buttons do, and the bar on the
// main window clicked as a user would.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>
#include <thread>
#include <vector>

#include "app/Storyboards.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "session/UserAuthentication.h"
#include "support/TestSupport.h"
#include "viewmodels/NotificationBar.h"
#include "ui/kit/NotificationBarController.h"

namespace morvex {
namespace {

using Notice = NotificationBarTypes::Notification;
using Color = NotificationBarTypes::Color;
using Text = NotificationBarModel::Text;

class RecordingDelegate : public NotificationBarDelegate {
public:
    struct Call {
        NotificationBarAction action;
        std::string id;
    };
    std::vector<Call> calls;
    void notificationBarButtonClicked(NotificationBarAction action, const Notice& notice) override {
        calls.push_back({action, notice.id});
    }
};

Notice notice(std::string id, std::string title, std::string message, bool fromExpire = false) {
    Notice n;
    n.id = std::move(id);
    n.title = std::move(title);
    n.message = std::move(message);
    n.isFromExpire = fromExpire;
    return n;
}

TEST(NotificationBarTest, APostedNoticeShowsItsTextButtonsColourAndCloseBox) {
    NotificationCenter centre;
    NotificationBarModel bar(centre);
    struct Case {
        const char* label;
        Notice posted;
        Text text;
        std::optional<std::string> primary;
        std::optional<std::string> secondary;
    };
    Notice expired = notice("UserExpiredNotification", "", "Your subscription has expired.", true);
    expired.primaryButtonTitle = "Renew";
    Notice utc = notice("UtcNotification", "Couldn't connect.", "error.5030");
    utc.primaryButtonTitle = "";
    utc.secondaryButtonTitle = "Troubleshoot";
    utc.color = Color::Yellow;
    utc.closeable = false;
    const std::vector<Case> cases = {
        {"the expired notice has no blank", expired, {"", "Your subscription has expired."}, "Renew", std::nullopt},
        {"no internet has one blank", notice("NoInternetBar", "", "No internet connection."),
         {"", " No internet connection."}, std::nullopt, std::nullopt},
        {"an empty primary title gives no button", utc, {"Couldn't connect.", " error.5030"}, std::nullopt,
         "Troubleshoot"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        centre.post(ShowNotificationBarNotification, c.posted);
        EXPECT_FALSE(bar.hidden.value());
        EXPECT_EQ(bar.message.value(), c.text);
        EXPECT_EQ(bar.primaryButtonTitle.value(), c.primary);
        EXPECT_EQ(bar.secondaryButtonTitle.value(), c.secondary);
        EXPECT_EQ(bar.color.value(), c.posted.color);
        EXPECT_EQ(bar.closeable.value(), c.posted.closeable);
        EXPECT_EQ(bar.isFromExpire.value(), c.posted.isFromExpire);
        ASSERT_TRUE(bar.notificationShowing());
        EXPECT_EQ(bar.notificationShowing()->id, c.posted.id);
    }
}

TEST(NotificationBarTest, EachButtonTellsTheDelegateAndHidesTheBar) {
    NotificationCenter centre;
    NotificationBarModel bar(centre);
    auto delegate = std::make_shared<RecordingDelegate>();
    for (auto action : {NotificationBarAction::primary, NotificationBarAction::secondary, NotificationBarAction::close}) {
        Notice n = notice("NoInternetBar", "", "No internet connection.");
        n.primaryButtonTitle = "Retry";
        n.delegate = delegate;
        centre.post(ShowNotificationBarNotification, n);
        bar.buttonClicked(action);
        ASSERT_FALSE(delegate->calls.empty());
        EXPECT_EQ(delegate->calls.back().action, action);
        EXPECT_EQ(delegate->calls.back().id, "NoInternetBar");
        EXPECT_TRUE(bar.hidden.value());
        EXPECT_EQ(bar.message.value(), std::nullopt);
        EXPECT_EQ(bar.primaryButtonTitle.value(), std::nullopt);
        // The notice stays known after a press.
        EXPECT_TRUE(bar.notificationShowing());
    }
    EXPECT_EQ(delegate->calls.size(), 3u);
}

TEST(NotificationBarTest, AGoneDelegateOrAStrayPostChangesNothingElse) {
    NotificationCenter centre;
    NotificationBarModel bar(centre);
    {
        auto delegate = std::make_shared<RecordingDelegate>();
        Notice n = notice("UtcNotification", "Couldn't connect.", "error.1");
        n.delegate = delegate;
        centre.post(ShowNotificationBarNotification, n);
    }
    bar.buttonClicked(NotificationBarAction::close);  // its delegate is gone: no call, bar hides
    EXPECT_TRUE(bar.hidden.value());

    centre.post(HideNotificationBarNotification);  // nothing shown: stays hidden
    EXPECT_TRUE(bar.hidden.value());
    EXPECT_FALSE(bar.notificationShowing());

    centre.post(ShowNotificationBarNotification, std::string("not a notice"));
    centre.post(ShowNotificationBarNotification);
    EXPECT_TRUE(bar.hidden.value());

    // The sign-in service's migration notice shows green without buttons.
    centre.post(ShowNotificationBarNotification, InAppNotice{"MigrateToEmail", "Migration Complete", "Check your email", {}, true});
    EXPECT_FALSE(bar.hidden.value());
    EXPECT_EQ(bar.color.value(), Color::Green);
    EXPECT_EQ(bar.message.value(), (Text{"Migration Complete", " Check your email"}));
    EXPECT_EQ(bar.primaryButtonTitle.value(), std::nullopt);

    centre.post(HideNotificationBarNotification, 42);  // the object does not matter
    EXPECT_TRUE(bar.hidden.value());
    EXPECT_FALSE(bar.notificationShowing());
}

TEST(NotificationBarTest, ANoticePostedOnAnotherThreadIsShownOnTheMainThread) {
    NotificationCenter centre;
    NotificationBarModel bar(centre);
    std::thread::id shownOn;
    auto watch = bar.hidden.observe([&](const bool& hidden) {
        if (!hidden) shownOn = std::this_thread::get_id();
    });
    std::thread poster([&] { centre.post(ShowNotificationBarNotification, notice("NoInternetBar", "", "x")); });
    poster.join();
    ASSERT_TRUE(test::waitUntil([&] { return !bar.hidden.value(); }));
    EXPECT_EQ(shownOn, std::this_thread::get_id());
}

// How the label's text lays out in the label's own box: the text must lie wholly inside it.
QSizeF laidOut(const QLabel& label) {
    QTextDocument doc;
    doc.setDefaultFont(label.font());
    doc.setDocumentMargin(0);
    doc.setHtml(label.text());
    doc.setTextWidth(label.contentsRect().width());
    return {doc.idealWidth(), doc.size().height()};
}

TEST(NotificationBarTest, TheBarShowsTheWholeMessageWrappingAndGrowingAsItNeeds) {
    const std::string longMessage =
        "The server didn't accept your VPN credentials. Please sign in again, then try another location "
        "if the connection still fails.";
    struct Case {
        const char* label;
        int hostWidth;
        std::string message;
        bool grows;
    };
    const std::vector<Case> cases = {
        {"a short message keeps the usual height", 688, "No internet connection.", false},
        {"a long message beside two buttons wraps within the usual height", 688, longMessage, false},
        {"a longer one on a narrow page makes the bar grow", 480, longMessage + " " + longMessage, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        NotificationCenter centre;
        QWidget host;
        host.resize(c.hostWidth, 500);
        host.show();
        auto* bar = new NotificationBarController(centre);
        bar->installOn(&host);
        Notice n = notice("UtcNotification", "Couldn't connect.", c.message);
        n.primaryButtonTitle = "Troubleshoot";
        n.secondaryButtonTitle = "Try Again";
        centre.post(ShowNotificationBarNotification, n);
        QApplication::processEvents();

        const QRect shown = bar->view()->geometry();
        EXPECT_EQ(shown.width(), c.hostWidth);
        if (c.grows)
            EXPECT_GT(shown.height(), NotificationBarController::kHeight);
        else
            EXPECT_EQ(shown.height(), NotificationBarController::kHeight);
        auto* message = bar->view()->findChild<QLabel*>("message");
        ASSERT_TRUE(message);
        const QSizeF text = laidOut(*message);
        EXPECT_LE(text.width(), message->contentsRect().width() + 0.5) << "the text runs past its label";
        EXPECT_LE(message->minimumSizeHint().width(), message->width()) << "the label is narrower than its text needs";
        EXPECT_LE(text.height(), message->contentsRect().height() + 0.5) << "lines are cut off";
        // The buttons keep their room beside the text.
        auto* primary = bar->view()->findChild<QPushButton*>("primaryButton");
        ASSERT_TRUE(primary && primary->isVisible());
        EXPECT_LE(message->geometry().right(), primary->geometry().left());
    }
}

class NotificationBarOnWindowTest : public test::TempConfigTest {};

TEST_F(NotificationBarOnWindowTest, TheBarOnTheMainWindowTakesAClickToTheDelegate) {
    appkit::Application app;
    registerStoryboards();
    auto* board = appkit::Storyboard::named(kMainStoryboard);
    ASSERT_TRUE(board);
    std::unique_ptr<appkit::WindowController> windowController(
        qobject_cast<appkit::WindowController*>(board->instantiateInitialController()));
    ASSERT_TRUE(windowController);
    windowController->showWindow();
    appkit::Window* window = windowController->window();
    ASSERT_TRUE(window && window->contentViewController());
    QWidget* content = window->contentViewController()->view();

    auto* bar = new NotificationBarController;
    bar->installOn(content);
    EXPECT_FALSE(bar->view()->isVisible());

    auto delegate = std::make_shared<RecordingDelegate>();
    Notice n = notice("UtcNotification", "Couldn't connect.", "error.5030");
    n.primaryButtonTitle = "Troubleshoot";
    n.secondaryButtonTitle = "Retry";
    n.delegate = delegate;
    NotificationCenter::defaultCenter().post(ShowNotificationBarNotification, n);

    ASSERT_TRUE(bar->view()->isVisible());
    EXPECT_EQ(bar->view()->geometry(), QRect(0, 0, content->width(), NotificationBarController::kHeight));
    auto* message = bar->view()->findChild<QLabel*>("message");
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->text().contains("Couldn't connect."));
    auto* secondary = bar->view()->findChild<QPushButton*>("secondaryButton");
    ASSERT_TRUE(secondary && secondary->isVisible());
    EXPECT_EQ(secondary->text(), "Retry");

    QTest::mouseClick(secondary, Qt::LeftButton);
    ASSERT_EQ(delegate->calls.size(), 1u);
    EXPECT_EQ(delegate->calls[0].action, NotificationBarAction::secondary);
    EXPECT_FALSE(bar->view()->isVisible());

    // A notice without buttons shows only the close box, which closes it.
    Notice plain = notice("NoInternetBar", "", "No internet connection.");
    plain.delegate = delegate;
    NotificationCenter::defaultCenter().post(ShowNotificationBarNotification, plain);
    EXPECT_FALSE(bar->view()->findChild<QPushButton*>("primaryButton")->isVisible());
    auto* close = bar->view()->findChild<QToolButton*>("closeButton");
    ASSERT_TRUE(close && close->isVisible());
    QTest::mouseClick(close, Qt::LeftButton);
    ASSERT_EQ(delegate->calls.size(), 2u);
    EXPECT_EQ(delegate->calls[1].action, NotificationBarAction::close);
    EXPECT_FALSE(bar->view()->isVisible());
}

}  // namespace
}  // namespace morvex
