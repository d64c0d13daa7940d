// Observable properties, the transformer registry, the Lottie player's runs and completions, and
// the watch on whether a widget can be seen.
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "appkit/AnimationView.h"
#include "appkit/Application.h"
#include "appkit/Bindings.h"
#include "appkit/OnScreenWatch.h"
#include "support/TestSupport.h"

namespace morvex::appkit {
namespace {

TEST(BindingsTest, ObserversHearEverySetUntilTheirSubscriptionGoes) {
    Observable<int> count(1);
    std::vector<int> first, second;
    auto a = count.observe([&](const int& v) { first.push_back(v); }, true);
    {
        auto b = count.observe([&](const int& v) { second.push_back(v); });
        count = 2;
    }
    count = 3;
    a.cancel();
    count = 4;
    EXPECT_EQ(first, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(second, (std::vector<int>{2}));
    EXPECT_EQ(count.value(), 4);
}

TEST(BindingsTest, ABindingPassesValuesThroughItsNamedTransformer) {
    ValueTransformers::removeAll();
    ValueTransformers::setValueTransformer("TestNotEmpty", [](const std::any& v) {
        const auto* text = std::any_cast<std::string>(&v);
        return std::any(text && !text->empty());
    });
    EXPECT_EQ(ValueTransformers::names(), std::vector<std::string>{"TestNotEmpty"});

    Observable<std::string> text;
    std::vector<bool> enabled;
    auto binding = bindProperty<std::string>(text, "TestNotEmpty", [&](const std::any& v) { enabled.push_back(std::any_cast<bool>(v)); });
    text = "hello";
    text = "";
    EXPECT_EQ(enabled, (std::vector<bool>{false, true, false}));

    int calls = 0;
    auto unknown = bindProperty<std::string>(text, "NoSuchTransformer", [&](const std::any&) { ++calls; });
    text = "x";
    EXPECT_FALSE(unknown.active());
    EXPECT_EQ(calls, 0);
    ValueTransformers::removeAll();
}

// One second (30 frames at 30 per second) of a red square on a 100 × 100 canvas.
constexpr const char* kSquare = R"({"v":"5.5.2","fr":30,"ip":0,"op":30,"w":100,"h":100,"nm":"square","ddd":0,
"assets":[],"layers":[{"ddd":0,"ind":1,"ty":4,"nm":"s","sr":1,"ks":{"o":{"a":0,"k":100},"r":{"a":0,"k":0},
"p":{"a":0,"k":[50,50,0]},"a":{"a":0,"k":[0,0,0]},"s":{"a":0,"k":[100,100,100]}},"ao":0,"shapes":[
{"ty":"rc","d":1,"s":{"a":0,"k":[40,40]},"p":{"a":0,"k":[0,0]},"r":{"a":0,"k":0},"nm":"r"},
{"ty":"fl","c":{"a":0,"k":[1,0,0,1]},"o":{"a":0,"k":100},"r":1,"nm":"f"}],"ip":0,"op":30,"st":0,"bm":0}]})";

class AnimationPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        square = LottieAnimation::fromData(kSquare, "test-square");
        ASSERT_NE(square, nullptr);
        player.setAnimation(square);
    }
    std::shared_ptr<LottieAnimation> square;
    AnimationPlayer player;
    std::vector<bool> completions;
    AnimationPlayer::Completion record() {
        return [this](bool finished) { completions.push_back(finished); };
    }
};

TEST_F(AnimationPlayerTest, APlayOnceRunFinishesAtItsEndAndHearsTrueOnce) {
    EXPECT_DOUBLE_EQ(square->duration(), 1.0);
    player.play(record());
    player.advance(0.5);
    EXPECT_TRUE(completions.empty());
    EXPECT_EQ(player.currentFrame(), 15u);
    player.advance(0.6);
    player.advance(1.0);
    EXPECT_EQ(completions, std::vector<bool>{true});
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.currentFrame(), 29u);
}

TEST_F(AnimationPlayerTest, ASupersededRunHearsFalseAndTheNewRunCarriesOn) {
    struct Case {
        const char* name;
        std::function<void(AnimationPlayer&)> supersede;
    };
    const Case cases[] = {
        {"played again", [](AnimationPlayer& p) { p.play(); }},
        {"stopped", [](AnimationPlayer& p) { p.stop(); }},
        {"given another animation", [](AnimationPlayer& p) { p.setAnimation(LottieAnimation::fromData(kSquare, "other")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        completions.clear();
        player.setAnimation(square);
        player.play(record());
        player.advance(0.4);
        c.supersede(player);
        player.advance(2.0);
        EXPECT_EQ(completions, std::vector<bool>{false});
    }
}

TEST_F(AnimationPlayerTest, ALoopingRunNeverFinishesOnItsOwn) {
    player.setLoopMode(LoopMode::Loop);
    player.play(record());
    player.advance(2.5);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_EQ(player.currentFrame(), 15u);
    EXPECT_TRUE(completions.empty());
    player.play();
    EXPECT_EQ(completions, std::vector<bool>{false});
}

TEST_F(AnimationPlayerTest, AChainedRunStartedFromACompletionPlays) {
    player.play([this](bool finished) {
        completions.push_back(finished);
        player.setLoopMode(LoopMode::Loop);
        player.play(record());
    });
    player.advance(1.5);
    EXPECT_EQ(completions, std::vector<bool>{true});
    EXPECT_TRUE(player.isPlaying());
}

TEST_F(AnimationPlayerTest, FramesAreDrawnFittedInTheMiddleOfTheBounds) {
    QImage canvas(200, 100, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    player.paint(painter, QRectF(0, 0, 200, 100), ContentMode::ScaleAspectFit);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(100, 50), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(20, 50), QColor(Qt::white)) << "fitted: nothing drawn beside the square canvas";
}

TEST_F(AnimationPlayerTest, ALoopsFramesAreDrawnOnceAndReusedEveryRound) {
    player.setLoopMode(LoopMode::Loop);
    QImage canvas(100, 100, QImage::Format_ARGB32_Premultiplied);
    const auto paintRound = [&] {
        player.play();  // from the first frame, the same steps each round
        for (int i = 0; i < 30; ++i) {
            QPainter painter(&canvas);
            player.paint(painter, QRectF(0, 0, 100, 100), ContentMode::ScaleAspectFit);
            player.advance(1.0 / 30);
        }
    };
    paintRound();
    const std::size_t kept = player.keptFrames();
    EXPECT_GT(kept, 0u);
    EXPECT_LE(kept, 30u);
    paintRound();
    EXPECT_EQ(player.keptFrames(), kept) << "the second round draws nothing new";
    EXPECT_EQ(canvas.pixelColor(50, 50), QColor(Qt::red));
    player.releaseFrames();
    EXPECT_EQ(player.keptFrames(), 0u);
}

// The square of kSquare moving right through the first half second, then still.
constexpr const char* kMoveThenRest = R"({"v":"5.5.2","fr":30,"ip":0,"op":30,"w":100,"h":100,"nm":"move","ddd":0,
"assets":[],"layers":[{"ddd":0,"ind":1,"ty":4,"nm":"s","sr":1,"ks":{"o":{"a":0,"k":100},"r":{"a":0,"k":0},
"p":{"a":1,"k":[{"i":{"x":[1],"y":[1]},"o":{"x":[0],"y":[0]},"t":0,"s":[20,50,0]},{"t":15,"s":[80,50,0]}]},
"a":{"a":0,"k":[0,0,0]},"s":{"a":0,"k":[100,100,100]}},"ao":0,"shapes":[
{"ty":"rc","d":1,"s":{"a":0,"k":[40,40]},"p":{"a":0,"k":[0,0]},"r":{"a":0,"k":0},"nm":"r"},
{"ty":"fl","c":{"a":0,"k":[1,0,0,1]},"o":{"a":0,"k":100},"r":1,"nm":"f"}],"ip":0,"op":30,"st":0,"bm":0}]})";

// A loop's still stretch is known to show the same pixels (the view repaints nothing then); a
// moving stretch is not, and neither is anything before its frames are drawn.
TEST_F(AnimationPlayerTest, AStillStretchOfALoopShowsTheSameImage) {
    const auto moving = LottieAnimation::fromData(kMoveThenRest, "test-move-then-rest");
    ASSERT_NE(moving, nullptr);
    player.setAnimation(moving);
    player.setLoopMode(LoopMode::Loop);
    player.play();
    EXPECT_FALSE(player.showsSameImage(20, 26)) << "nothing drawn yet: not known";
    QImage canvas(100, 100, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < 30; ++i) {
        QPainter painter(&canvas);
        player.paint(painter, QRectF(0, 0, 100, 100), ContentMode::ScaleAspectFit);
        player.advance(1.0 / 30);
    }
    struct Case {
        std::size_t a, b;
        bool same;
    };
    for (const Case c : {Case{2, 8, false}, Case{0, 14, false}, Case{16, 28, true}, Case{18, 24, true}, Case{5, 5, true}}) {
        SCOPED_TRACE(testing::Message() << c.a << " and " << c.b);
        EXPECT_EQ(player.showsSameImage(c.a, c.b), c.same);
    }
    player.setLoopMode(LoopMode::PlayOnce);
    EXPECT_FALSE(player.showsSameImage(16, 28)) << "a run played once keeps no frames to tell";
}

// The view's timer runs only while it can be seen; a hidden view finishes a play-once run at once
// and lets a loop wait.
TEST(AnimationViewTest, TheTimerRunsOnlyWhileTheViewIsOnAShownWindow) {
    Application app;
    const auto square = LottieAnimation::fromData(kSquare, "test-square-view");
    ASSERT_NE(square, nullptr);
    QWidget window;
    window.resize(120, 120);
    auto* view = new AnimationView(&window);
    view->setGeometry(0, 0, 100, 100);
    view->setAnimation(square);

    std::vector<bool> completions;
    view->setLoopMode(LoopMode::PlayOnce);
    view->play([&](bool finished) { completions.push_back(finished); });
    EXPECT_EQ(completions, std::vector<bool>{true}) << "nobody sees it: it ends at once";
    EXPECT_FALSE(view->isTimerRunning());

    view->setLoopMode(LoopMode::Loop);
    view->play();
    EXPECT_TRUE(view->isAnimationPlaying());
    EXPECT_FALSE(view->isTimerRunning()) << "a hidden loop waits";

    window.show();
    ASSERT_TRUE(test::waitUntil([&] { return view->isOnScreen(); }));
    EXPECT_TRUE(view->isTimerRunning());
    const std::size_t before = view->player().currentFrame();
    ASSERT_TRUE(test::waitUntil([&] { return view->player().currentFrame() != before; }));

    window.hide();
    EXPECT_FALSE(view->isTimerRunning());
    EXPECT_EQ(view->player().keptFrames(), 0u) << "a hidden view keeps no frames";
    window.show();
    EXPECT_TRUE(view->isTimerRunning());
    view->hide();
    EXPECT_FALSE(view->isTimerRunning()) << "hidden inside a shown window";
    view->show();
    window.showMinimized();
    ASSERT_TRUE(test::waitUntil([&] { return window.isMinimized(); }));
    EXPECT_FALSE(view->isTimerRunning()) << "minimised";
    window.showNormal();
    ASSERT_TRUE(test::waitUntil([&] { return !window.isMinimized(); }));
    EXPECT_TRUE(view->isTimerRunning());
}

// What keeps a widget's content current hears when it can be seen and when not: its window
// shown, hidden or minimised, the widget or a parent hidden inside a shown window.
TEST(OnScreenWatchTest, TheWatchHearsEachChangeOfWhetherTheWidgetCanBeSeen) {
    Application app;
    QWidget window;
    window.resize(120, 120);
    auto* row = new QWidget(&window);
    auto* label = new QLabel(row);
    std::vector<bool> heard;
    auto* watch = new OnScreenWatch(label, [&](bool onScreen) { heard.push_back(onScreen); });
    EXPECT_EQ(heard, std::vector<bool>{false}) << "told at the start";

    window.show();
    ASSERT_TRUE(test::waitUntil([&] { return watch->isOnScreen(); }));
    row->hide();
    EXPECT_FALSE(watch->isOnScreen()) << "a parent hidden inside a shown window";
    row->show();
    EXPECT_TRUE(watch->isOnScreen());
    window.showMinimized();
    ASSERT_TRUE(test::waitUntil([&] { return !watch->isOnScreen(); }));
    window.showNormal();
    ASSERT_TRUE(test::waitUntil([&] { return watch->isOnScreen(); }));
    window.hide();
    EXPECT_FALSE(watch->isOnScreen());
    EXPECT_EQ(heard, (std::vector<bool>{false, true, false, true, false, true, false}))
        << "each change once, nothing twice";
}

TEST(AnimationTest, TheBundlesAnimationsLoadOnceAndAreShared) {
    auto first = LottieAnimation::animationNamed("disconnected");
    ASSERT_NE(first, nullptr) << "the build's bundle has the connect button's animations";
    EXPECT_GT(first->duration(), 0.0);
    EXPECT_FALSE(first->size().isEmpty());
    EXPECT_EQ(LottieAnimation::animationNamed("disconnected"), first);
}

TEST(AnimationTest, AMissingAnimationIsNullAndItsRunEndsAtOnceUnfinished) {
    EXPECT_EQ(LottieAnimation::animationNamed("no-such-animation"), nullptr);
    EXPECT_EQ(LottieAnimation::fromData("{not json", "broken"), nullptr);
    AnimationPlayer player;
    std::vector<bool> completions;
    player.play([&](bool finished) { completions.push_back(finished); });
    EXPECT_EQ(completions, std::vector<bool>{false});
    EXPECT_FALSE(player.isPlaying());
}

}  // namespace
}  // namespace morvex::appkit
