// The refer-a-friend page: reached from the dashboard's banner, it fetches the personal link on
// every appearance, copies the link (or the web site while none has arrived) with a toast, invites
// by e-mail, lists its own copy entry first in the share menu, and keeps the last link when a
// later request fails.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>

#include "AccountScreenFixture.h"
#include "foundation/NotificationCenter.h"
#include "state/PreservedPreferences.h"
#include "ui/account/ReferFriendViewController.h"
#include "ui/dashboard/DashboardViewController.h"
#include "ui/kit/ToastView.h"

namespace morvex {
namespace {

constexpr const char* kLink = "https://morvexvpn.example/r/42";

class ReferFriendScreenTest : public AccountScreenTest {
protected:
    // The page as a click on the dashboard's banner opens it.
    ReferFriendViewController* openFromBanner() {
        if (!content) openMain();
        auto* banner = content->view()->findChild<QLabel*>(QStringLiteral("referAFriendMessage"));
        EXPECT_NE(banner, nullptr) << "the dashboard shows the banner";
        if (banner) QTest::mouseClick(banner, Qt::LeftButton);
        auto* page = qobject_cast<ReferFriendViewController*>(content->currentPageController());
        EXPECT_NE(page, nullptr) << "the banner's page is the refer-a-friend page";
        return page;
    }
    bool linkArrived(ReferFriendViewController* page) {
        return test::waitUntil([&] { return page->referralLink.has_value(); });
    }
    QString clipboard() const { return QApplication::clipboard()->text(); }
    ToastView* toast() const { return window->findChild<ToastView*>(); }
};

TEST_F(ReferFriendScreenTest, TheBannerOpensThePageWhichFetchesAndShowsTheLink) {
    ReferFriendViewController* page = openFromBanner();
    ASSERT_TRUE(page);
    ASSERT_TRUE(linkArrived(page));
    EXPECT_EQ(*page->referralLink, kLink);
    EXPECT_EQ(page->linkLabel->text(), kLink);
    EXPECT_EQ(requestsTo("/refer-a-friend/42"), 1) << "the client id names the customer";
    EXPECT_EQ(PreservedPreferences().referralLink(), kLink) << "kept for the user";
    EXPECT_TRUE(page->lblLearn->text().contains("underline"));

    QTest::mouseClick(page->copyButton, Qt::LeftButton);
    EXPECT_EQ(clipboard(), kLink);
}

TEST_F(ReferFriendScreenTest, BeforeALinkCopyingAndInvitingFallBackToTheWebSite) {
    service.failNext(".*/refer-a-friend/.*", fake::Answer::plain(500));
    ReferFriendViewController* page = openFromBanner();
    ASSERT_TRUE(page);
    ASSERT_TRUE(test::waitUntil([&] { return page->errorMessage.has_value(); }));
    EXPECT_FALSE(page->referralLink);
    EXPECT_EQ(page->linkLabel->text().toStdString(), localized("refer.link.unavailable")) << "no longer loading";
    EXPECT_TRUE(page->errorLabel->isVisible());
    EXPECT_EQ(page->errorLabel->text().toStdString(), *page->errorMessage);
    const Dictionary failure = event("app_fail_refer_a_friend_invite");
    EXPECT_EQ(failure.at("reason"), Value(*page->errorMessage));
    EXPECT_TRUE(failure.count("code"));

    QTest::mouseClick(page->copyButton, Qt::LeftButton);
    EXPECT_EQ(clipboard(), "https://morvexvpn.com/");
    ASSERT_TRUE(toast());
    EXPECT_EQ(toast()->messageLabel()->text().toStdString(), localized("refer.link.copied"));
    const QRect frame = toast()->geometry();
    EXPECT_EQ(frame, ToastTiming::frame(window->contentSize())) << "centred, 20 above the bottom";
    EXPECT_TRUE(test::waitUntil([&] { return toast() == nullptr; })) << "it goes away";

    // The share button reports the click but has nothing to share yet.
    QTest::mouseClick(page->shareButton, Qt::LeftButton);
    EXPECT_EQ(event("app_click_refer_a_friend"),
              (Dictionary{{"selected_interface_screen", "Refer a friend"}, {"selected_interface", "Share button"}, {"initiated_by", "User"}}));
    EXPECT_EQ(page->sharePicker, nullptr);
}

TEST_F(ReferFriendScreenTest, AFailedLaterRequestKeepsTheEarlierLink) {
    ReferFriendViewController* page = openFromBanner();
    ASSERT_TRUE(page);
    ASSERT_TRUE(linkArrived(page));
    service.failNext(".*/refer-a-friend/.*", fake::Answer::plain(500));
    clickTab<ReferFriendViewController>(MainTab::Dashboard);
    page = openFromBanner();
    ASSERT_TRUE(test::waitUntil([&] { return requestsTo("/refer-a-friend/42") == 2 && page->errorMessage.has_value(); }));
    EXPECT_EQ(page->referralLink, kLink);
    EXPECT_EQ(page->linkLabel->text(), kLink);
}

TEST_F(ReferFriendScreenTest, TheShareMenuListsItsCopyEntryFirst) {
    ReferFriendViewController* page = openFromBanner();
    ASSERT_TRUE(page);
    ASSERT_TRUE(linkArrived(page));
    QTest::mouseClick(page->shareButton, Qt::LeftButton);
    ASSERT_TRUE(page->sharePicker);
    const QList<QAction*> entries = page->sharePicker->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text().toStdString(), localized("refer.a.friend.sharing.copylink"));
    EXPECT_FALSE(entries[0]->icon().isNull());
    EXPECT_EQ(entries[1]->text().toStdString(), localized("refer.share.email"));
    QApplication::clipboard()->clear();
    entries[0]->trigger();
    EXPECT_EQ(clipboard(), kLink);
    EXPECT_EQ(toast(), nullptr) << "the menu's copy shows no toast";
    page->sharePicker->close();

    // An empty link is still copied, but gives nothing to share.
    service.route("GET", "/MorvexVPN/refer-a-friend/[^/]*", fake::Answer::envelope({{"url", ""}}));
    clickTab<ReferFriendViewController>(MainTab::Dashboard);
    page = openFromBanner();
    ASSERT_TRUE(test::waitUntil([&] { return page->referralLink == std::optional<std::string>(""); }));
    test::flushDeferredDeletes();
    QTest::mouseClick(page->shareButton, Qt::LeftButton);
    EXPECT_EQ(page->sharePicker, nullptr);
    QApplication::clipboard()->setText("before");
    QTest::mouseClick(page->copyButton, Qt::LeftButton);
    EXPECT_EQ(clipboard(), "");
}

TEST_F(ReferFriendScreenTest, TheInvitationCarriesTheLinkOrTheWebSite) {
    std::vector<std::pair<std::string, std::string>> mails;
    ReferFriendViewController::Hooks hooks;
    hooks.composeMail = [&](const std::string& subject, const std::string& body) {
        mails.emplace_back(subject, body);
        return true;
    };
    auto* page = new ReferFriendViewController(std::make_unique<ReferAFriendModel>(), hooks);
    window = std::make_unique<appkit::Window>(QSize(760, 500));
    window->setContentViewController(page);
    service.failNext(".*/refer-a-friend/.*", fake::Answer::plain(500));
    window->show();
    ASSERT_TRUE(test::waitUntil([&] { return page->errorMessage.has_value(); }));
    QTest::mouseClick(page->emailButton, Qt::LeftButton);
    page->referralLink = kLink;
    QTest::mouseClick(page->emailButton, Qt::LeftButton);
    ASSERT_EQ(mails.size(), 2u);
    const std::string body = localized("refer.mail.body");
    EXPECT_EQ(mails[0], std::make_pair(localized("refer.mail.subject"), body + " https://morvexvpn.com"));
    EXPECT_EQ(mails[1].second, body + " " + kLink);
}

TEST_F(ReferFriendScreenTest, LearnMoreOpensTheRenewalPageAndBackReturnsToTheDashboard) {
    ReferFriendViewController* page = openFromBanner();
    ASSERT_TRUE(page);
    emit page->lblLearn->linkActivated("learn");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].starts_with("https://www.morvexvpn.com/us/en/home/renewal?")) << opened[0];
    EXPECT_NE(opened[0].find("theme="), std::string::npos) << opened[0];

    QTest::mouseClick(page->backButton, Qt::LeftButton);
    EXPECT_EQ(content->currentPage(), MainTab::Dashboard);
}

}  // namespace
}  // namespace morvex
