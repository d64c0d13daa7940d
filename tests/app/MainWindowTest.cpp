// The main window, the splash that opens it, the theme follower and its links, and the
// connection notification.
#include <QDesktopServices>
#include <QImage>
#include <QUrlQuery>
#include <gtest/gtest.h>
#include <vector>

#include "app/MainViewController.h"
#include "app/MainWindowController.h"
#include "app/SplashViewController.h"
#include "app/Storyboards.h"
#include "app/ThemeNotifier.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "model/WebLinks.h"
#include "support/FakeDesktopServices.h"
#include "support/TestSupport.h"
#include "ui/kit/ConnectionNotification.h"
#include "viewmodels/GeneralModel.h"
#include "ui/kit/PreferencesSegue.h"

namespace morvex {

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

namespace {

using MainWindowTest = test::TempConfigTest;

appkit::WindowController* openMainWindow(appkit::Storyboard& board) {
    auto* controller = qobject_cast<appkit::WindowController*>(board.instantiateInitialController());
    if (controller) controller->showWindow();
    return controller;
}

appkit::Storyboard& splashBoard(const std::string& name, std::function<QObject*()> login) {
    appkit::Storyboard& board = appkit::Storyboard::define(name);
    board.scene("Window", [] { return new MainWindowController; }, "Splash")
        .scene("Splash", [] { return new SplashViewController; })
        .initial("Window");
    if (login) board.scene(std::string(SplashViewController::kLoginStoryboardID), login);
    return board;
}

TEST_F(MainWindowTest, TheSignInPageReplacesTheSplashAfterThreeSecondsWhenThereIsOne) {
    appkit::Application app;
    test::ManualClock clock;
    struct Case {
        const char* name;
        std::function<QObject*()> login;
        bool replaced;
    };
    const std::vector<Case> cases = {
        {"SplashWithSignIn", [] { auto* c = new appkit::ViewController; c->setObjectName("login"); return c; }, true},
        {"SplashWithoutSignIn", {}, false},
        {"SplashWithAWindowControllerAsSignIn", [] { return new appkit::WindowController; }, false},
    };
    std::vector<std::unique_ptr<appkit::WindowController>> windows;
    for (const auto& c : cases) windows.emplace_back(openMainWindow(splashBoard(c.name, c.login)));
    for (auto& w : windows) {
        ASSERT_NE(w, nullptr);
        ASSERT_NE(qobject_cast<SplashViewController*>(w->contentViewController()), nullptr);
    }
    EXPECT_EQ(app.firstWindow()->contentSize(), QSize(760, 500));

    clock.advance(std::chrono::milliseconds(2999));
    for (auto& w : windows) {
        EXPECT_NE(qobject_cast<SplashViewController*>(w->contentViewController()), nullptr) << "not before";
    }
    clock.advance(std::chrono::milliseconds(1));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const bool splash = qobject_cast<SplashViewController*>(windows[i]->contentViewController()) != nullptr;
        EXPECT_EQ(!splash, cases[i].replaced);
        if (cases[i].replaced) {
            EXPECT_EQ(windows[i]->contentViewController()->objectName(), "login");
        }
    }
}

TEST_F(MainWindowTest, TheMainWindowIsTitledFollowsTheDesktopWithNoChoiceAndSurvivesItsCloseButton) {
    appkit::Application app;
    std::unique_ptr<appkit::WindowController> controller(openMainWindow(splashBoard("MainWindowClose", {})));
    appkit::Window* window = controller->window();
    EXPECT_EQ(window->title(), "MorvexVPN");
    EXPECT_EQ(window->frameAutosaveName(), "MorvexVPNMainWindow");
    EXPECT_EQ(app.appearance(), std::nullopt) << "nothing chosen: the desktop's look";
    EXPECT_EQ(window->appearance(), std::nullopt) << "no look of its own: it follows the application";
    EXPECT_EQ(window->effectiveAppearance(), app.effectiveAppearance());

    window->performClose();
    test::drain();
    EXPECT_EQ(app.firstWindow(), window);
    EXPECT_TRUE(window->isVisible() || window->isMiniaturized() || app.isHidden());
    EXPECT_FALSE(app.isTerminated());
}

TEST_F(MainWindowTest, AfterARestartWithDarkChosenTheMainAndThePreferencesWindowsDrawDark) {
    registerStoryboards();
    {
        appkit::Application first;
        GeneralModel().chooseAppearance(GeneralModel::Appearance::Dark);  // as both settings pages store it
    }
    appkit::Application app;  // the next start: nothing applied yet
    ASSERT_EQ(app.appearance(), std::nullopt);
    const auto drawsDark = [](appkit::Window* window) {
        window->resize(window->size());
        const QImage picture = window->grab().toImage();
        // A corner of the page's ground, away from any control: the dark WindowBackground.
        return qGray(picture.pixel(4, picture.height() - 4)) < 80;
    };

    std::unique_ptr<appkit::WindowController> main(openMainWindow(*appkit::Storyboard::named(kMainStoryboard)));
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(app.appearance(), appkit::Appearance::DarkAqua);
    EXPECT_EQ(main->window()->effectiveAppearance(), appkit::Appearance::DarkAqua);
    EXPECT_TRUE(drawsDark(main->window())) << "the main window";

    std::unique_ptr<appkit::WindowController> preferences(qobject_cast<appkit::WindowController*>(
        appkit::Storyboard::named(kMainStoryboard)->instantiateController(kPreferencesWindowScene)));
    ASSERT_NE(preferences, nullptr);
    preferences->showWindow();
    EXPECT_EQ(preferences->window()->effectiveAppearance(), appkit::Appearance::DarkAqua);
    EXPECT_TRUE(drawsDark(preferences->window())) << "the preferences window";
}

TEST_F(MainWindowTest, TheThemeNotifierAnnouncesTheAppearanceAtOnceAndOnEveryChange) {
    appkit::Application app;
    std::vector<appkit::Appearance> posted;
    auto observer = NotificationCenter::defaultCenter().addObserver(ThemeNotifier::themeDidChangeNotification, [&](const Notification& n) {
        if (auto* a = n.objectAs<appkit::Appearance>()) posted.push_back(*a);
    });
    ThemeNotifier notifier(app);
    EXPECT_EQ(posted, std::vector<appkit::Appearance>{app.effectiveAppearance()});
    app.setAppearance(appkit::Appearance::DarkAqua);
    EXPECT_EQ(posted.back(), appkit::Appearance::DarkAqua);
    EXPECT_EQ(posted.size(), 2u);
}

TEST_F(MainWindowTest, LinksCarryTheApplicationsThemeAndFeedbackOpensItsPage) {
    appkit::Application app;
    installCurrentThemeName();
    app.setAppearance(appkit::Appearance::DarkAqua);
    EXPECT_EQ(currentThemeName(), "dark");

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("https", &recorder, "open");
    MainViewController feedback;
    EXPECT_TRUE(feedback.submitFeedback());
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(recorder.opened.size(), 1u);
    const QUrl opened = recorder.opened[0];
    EXPECT_EQ(opened.path(), "/applinks/feedback");
    QStringList names;
    for (const auto& item : QUrlQuery(opened).queryItems()) names << item.first;
    EXPECT_EQ(names, (QStringList{"version", "platform", "utm_medium", "utm_source", "utm_campaign", "theme", "locale"}));
    EXPECT_EQ(QUrlQuery(opened).queryItemValue("theme"), "dark");

    app.setAppearance(appkit::Appearance::Aqua);
    EXPECT_EQ(currentThemeName(), "light");
    setCurrentThemeNameProvider({});
}

TEST_F(MainWindowTest, TwoConnectionNotificationsLeaveOneOnTheNotificationService) {
    test::FakeNotificationService service;
    if (!service.available()) GTEST_SKIP() << "needs a private session bus (run through run-test.sh)";
    appkit::UserNotificationCenter centre(QDBusConnection::sessionBus(), "MorvexVPN");
    postConnectionNotification(centre, "VPN connected");
    ASSERT_TRUE(test::waitUntil([&] { return service.notifyCalls() == 1; }));
    postConnectionNotification(centre, "VPN disconnected");
    ASSERT_TRUE(test::waitUntil([&] { return service.notifyCalls() == 2; }));
    auto shown = service.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].summary, "MorvexVPN");
    EXPECT_EQ(shown[0].body, "VPN disconnected");
}

}  // namespace
}  // namespace morvex

#include "MainWindowTest.moc"
