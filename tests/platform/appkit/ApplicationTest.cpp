// The application object's termination, window list and hiding; windows' frames, close decision
// and content life cycle.
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "appkit/Application.h"
#include "appkit/ViewController.h"
#include "appkit/Window.h"
#include "foundation/UserDefaults.h"
#include "support/TestSupport.h"

namespace morvex::appkit {
namespace {

class RecordingDelegate : public ApplicationDelegate {
public:
    TerminateReply reply = TerminateReply::Now;
    int asked = 0;
    int willTerminate = 0;
    TerminateReply applicationShouldTerminate() override {
        ++asked;
        return reply;
    }
    void applicationWillTerminate() override { ++willTerminate; }
};

using ApplicationTest = test::TempConfigTest;

TEST_F(ApplicationTest, TerminationFollowsTheDelegatesAnswerAndTheDeferredReply) {
    struct Case {
        const char* name;
        TerminateReply reply;
        std::optional<bool> later;  // the deferred answer, for Later
        bool terminated;
    };
    const Case cases[] = {
        {"now", TerminateReply::Now, std::nullopt, true},
        {"cancel", TerminateReply::Cancel, std::nullopt, false},
        {"later, then yes", TerminateReply::Later, true, true},
        {"later, then no", TerminateReply::Later, false, false},
        {"later, no answer yet", TerminateReply::Later, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Application app;
        RecordingDelegate delegate;
        delegate.reply = c.reply;
        app.setDelegate(&delegate);
        app.terminate();
        if (c.later) app.replyToApplicationShouldTerminate(*c.later);
        EXPECT_EQ(app.isTerminated(), c.terminated);
        EXPECT_EQ(delegate.willTerminate, c.terminated ? 1 : 0);
    }
}

TEST_F(ApplicationTest, AQuitAskedWhileAnAnswerIsAwaitedIsIgnoredAndAskedAgainAfterANo) {
    Application app;
    RecordingDelegate delegate;
    delegate.reply = TerminateReply::Later;
    app.setDelegate(&delegate);
    app.terminate();
    app.terminate();
    EXPECT_EQ(delegate.asked, 1);
    app.replyToApplicationShouldTerminate(false);
    EXPECT_FALSE(app.isAwaitingTerminationReply());
    app.replyToApplicationShouldTerminate(true);  // nobody waits for it: nothing happens
    EXPECT_FALSE(app.isTerminated());
    app.terminate();
    EXPECT_EQ(delegate.asked, 2);
    app.replyToApplicationShouldTerminate(true);
    EXPECT_TRUE(app.isTerminated());
    EXPECT_EQ(delegate.willTerminate, 1);
}

TEST_F(ApplicationTest, WindowsAreListedInTheOrderTheyWereMadeAndLeaveTheListWhenTheyGo) {
    Application app;
    EXPECT_EQ(app.firstWindow(), nullptr);
    auto first = std::make_unique<Window>();
    Window second;
    EXPECT_EQ(app.windows(), (std::vector<Window*>{first.get(), &second}));
    EXPECT_EQ(app.firstWindow(), first.get());
    first.reset();
    EXPECT_EQ(app.firstWindow(), &second);
}

TEST_F(ApplicationTest, HidingTakesTheVisibleWindowsAwayAndActivatingBringsThemBack) {
    Application app;
    Window shown, neverShown;
    shown.show();
    app.hide();
    EXPECT_TRUE(app.isHidden());
    EXPECT_FALSE(shown.isVisible());
    app.activate();
    EXPECT_FALSE(app.isHidden());
    EXPECT_TRUE(shown.isVisible());
    EXPECT_FALSE(neverShown.isVisible());
}

TEST_F(ApplicationTest, TheEffectiveAppearanceIsTheApplicationsOwnElseTheSystems) {
    Application app;
    std::vector<Appearance> announced;
    QObject::connect(&app, &Application::effectiveAppearanceChanged, [&](Appearance a) { announced.push_back(a); });
    EXPECT_EQ(app.effectiveAppearance(), app.systemAppearance().current());
    app.setAppearance(Appearance::DarkAqua);
    app.setAppearance(Appearance::DarkAqua);
    app.setAppearance(std::nullopt);
    EXPECT_EQ(announced, (std::vector<Appearance>{Appearance::DarkAqua, Appearance::Aqua}));
}

TEST_F(ApplicationTest, AWindowDrawsInTheApplicationsAppearanceUnlessItHasItsOwn) {
    Application app;
    Window follows, light;
    light.setAppearance(Appearance::Aqua);
    for (Window* w : {&follows, &light}) w->resize(40, 40);
    auto background = [](Window& w) { return w.grab().toImage().pixelColor(20, 20).lightness(); };

    app.setAppearance(Appearance::DarkAqua);
    EXPECT_LT(background(follows), 80);
    EXPECT_GT(background(light), 180);
    app.setAppearance(Appearance::Aqua);
    EXPECT_GT(background(follows), 180);
}

class ClosingDelegate : public WindowDelegate {
public:
    bool allow = false;
    int asked = 0;
    bool windowShouldClose(Window&) override {
        ++asked;
        return allow;
    }
};

TEST_F(ApplicationTest, TheWindowDelegateDecidesWhetherTheCloseButtonCloses) {
    Application app;
    Window window;
    ClosingDelegate delegate;
    window.setDelegate(&delegate);
    window.show();
    window.performClose();
    EXPECT_TRUE(window.isVisible());
    delegate.allow = true;
    window.performClose();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(delegate.asked, 2);
}

TEST_F(ApplicationTest, AWindowWithAnAutosaveNameReappearsAtItsLastFrame) {
    Application app;
    const QRect frame(40, 30, 700, 480);
    {
        Window window;
        window.setFrameAutosaveName("TestWindow");
        window.show();
        window.setGeometry(frame);
        window.hide();  // writes the frame
    }
    Window again;
    again.setFrameAutosaveName("TestWindow");
    EXPECT_EQ(again.geometry(), frame);

    Window other;
    other.setFrameAutosaveName("OtherWindow");
    EXPECT_NE(other.geometry(), frame);
}

// Without a window manager nothing places a window: the window itself keeps its title bar and
// as much of it as fits on a screen.
TEST_F(ApplicationTest, AWindowShowsWhollyOnTheScreen) {
    Application app;
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect area = screen->availableGeometry();
    {
        Window first;
        first.resize(300, 200);
        first.show();
        EXPECT_EQ(first.geometry().center(), area.center()) << "a window with no frame of its own opens centred";
    }
    struct Case {
        const char* what;
        QRect remembered;
        QPoint expectedTopLeft;
    };
    const Case cases[] = {
        {"partly above the screen", QRect(area.left() + 40, area.top() - 120, 300, 200), QPoint(area.left() + 40, area.top())},
        {"partly left of it", QRect(area.left() - 90, area.top() + 30, 300, 200), QPoint(area.left(), area.top() + 30)},
        {"partly below its end", QRect(area.left() + 10, area.bottom() - 50, 300, 200),
         QPoint(area.left() + 10, area.bottom() + 1 - 200)},
        {"wholly on it", QRect(area.left() + 20, area.top() + 20, 300, 200), QPoint(area.left() + 20, area.top() + 20)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UserDefaults::standard().set(Value(std::to_string(c.remembered.x()) + " " + std::to_string(c.remembered.y()) + " 300 200"),
                                     "NSWindow Frame PlacedWindow");
        Window window;
        window.setFrameAutosaveName("PlacedWindow");
        window.show();
        EXPECT_EQ(window.geometry().topLeft(), c.expectedTopLeft);
        EXPECT_EQ(window.size(), QSize(300, 200));
    }
}

class LifeCycle : public ViewController {
public:
    explicit LifeCycle(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    void viewDidLoad() override { log_.push_back(name_ + " didLoad"); }
    void viewWillAppear() override { log_.push_back(name_ + " willAppear"); }
    void viewDidAppear() override { log_.push_back(name_ + " didAppear"); }
    void viewWillDisappear() override { log_.push_back(name_ + " willDisappear"); }
    void viewDidDisappear() override { log_.push_back(name_ + " didDisappear"); }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

TEST_F(ApplicationTest, ContentControllersHearLoadAppearAndDisappearInOrder) {
    Application app;
    std::vector<std::string> log;
    Window window;
    auto* first = new LifeCycle("first", log);
    window.setContentViewController(first);
    EXPECT_EQ(log, (std::vector<std::string>{"first didLoad"}));
    window.show();
    QPointer<ViewController> watched(first);
    window.setContentViewController(new LifeCycle("second", log));
    window.hide();
    EXPECT_EQ(log, (std::vector<std::string>{"first didLoad", "first willAppear", "first didAppear",
                                             "first willDisappear", "second didLoad", "second willAppear",
                                             "first didDisappear", "second didAppear", "second willDisappear",
                                             "second didDisappear"}));
    EXPECT_TRUE(test::waitUntil([&] {
        test::flushDeferredDeletes();
        return watched.isNull();
    })) << "the replaced controller is let go";
}

}  // namespace
}  // namespace morvex::appkit
