// The about page: its version, the product link with the application's query items, the way back
// to the dashboard, its update check, and the line spacing of its text.
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "alerts/AlertTestSupport.h"
#include "alerts/BaseViewController.h"
#include "appkit/Application.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "model/BundleInfo.h"
#include "model/WebLink.h"
#include "ui/preferences/AboutViewController.h"

namespace morvex {
namespace {

class AboutPageTest : public test::AlertTest {
protected:
    int versionChecks = 0;

    struct Stage {
        appkit::Application app;
        appkit::Window window{QSize(688, 460)};
        AboutViewController* page;
        explicit Stage(AboutViewController::VersionCheck check) : page(new AboutViewController(std::move(check))) {
            window.setContentViewController(page);
            window.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        }
    };
    AboutViewController::VersionCheck recordingCheck() {
        return [this](std::function<void(std::optional<Error>)>) { ++versionChecks; };
    }
};

void click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

TEST_F(AboutPageTest, ShowsTheVersionOpensTheProductPageAndGoesBackToTheDashboard) {
    Stage stage(recordingCheck());
    AboutViewController& page = *stage.page;
    EXPECT_EQ(page.versionLabel()->text().toStdString(), infoShortVersionString());
    EXPECT_FALSE(page.versionLabel()->text().isEmpty());

    click(page.readMoreButton());
    ASSERT_EQ(opened.size(), 1u);
    const std::string product = urlString(WebLink::Product);
    EXPECT_EQ(opened[0].rfind(product + "?", 0), 0u) << opened[0];
    for (const char* item : {"version=", "platform=", "utm_medium=", "utm_source=", "utm_campaign=", "theme=", "locale="})
        EXPECT_NE(opened[0].find(item), std::string::npos) << item;

    std::vector<std::int64_t> pages;
    auto token = NotificationCenter::defaultCenter().addObserver(
        BaseViewController::appShowControllerNotification, [&](const Notification& n) {
            if (const auto* p = std::any_cast<std::int64_t>(&n.object)) pages.push_back(*p);
        });
    click(page.backButton());
    EXPECT_EQ(pages, (std::vector<std::int64_t>{BaseViewController::dashboardPage}));
}

TEST_F(AboutPageTest, TheUpdateCheckAsksOnlyWithNoTunnelUp) {
    Stage stage(recordingCheck());
    vpn->status = zevu::rawValue(zevu::ZevuVPNState::Connected);
    click(stage.page->checkForUpdateButton());
    EXPECT_EQ(versionChecks, 0);
    EXPECT_EQ(presenter->last().message, localized("update.check.alert.disconnect"));

    vpn->status = zevu::rawValue(zevu::ZevuVPNState::Disconnected);
    click(stage.page->checkForUpdateButton());
    EXPECT_EQ(versionChecks, 1);
    EXPECT_EQ(presenter->last().title, localized("update.check.alert.title"));
}

TEST_F(AboutPageTest, LineSpacingAppliesWhenSetAndOnlyToTheTextHeldThen) {
    appkit::Application app;
    SpaceTextView field;
    field.setFixedWidth(200);
    const QString text = QStringLiteral("one two three four five six seven eight nine ten eleven twelve thirteen");
    field.setText(text);
    EXPECT_EQ(field.spaceBetweenLines(), 15.0);
    const int plain = field.heightForWidth(200);

    field.setSpaceBetweenLines(15);
    EXPECT_GT(field.heightForWidth(200), plain + 15) << "at least one more line gap of 15";
    EXPECT_NE(field.text(), text) << "the text carries the spacing now";

    field.setText(text);  // other code sets the text again: plain spacing
    EXPECT_EQ(field.heightForWidth(200), plain);
}

}  // namespace
}  // namespace morvex
