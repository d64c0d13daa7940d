// Popups inside a window: layout of the card, which callbacks a click runs, clicks on the dimmed
// area, and the ready-made clear-preferences popup.
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "appkit/Application.h"
#include "appkit/Window.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "support/TestSupport.h"
#include "ui/kit/LayerViews.h"
#include "ui/kit/PopupManager.h"

namespace morvex {
namespace {

using PopupManagerTest = test::TempConfigTest;

struct Stage {
    appkit::Application app;
    appkit::Window window{QSize(760, 500)};
    Stage() {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // The buttons of the popup whose card is `card`.
    static CustomButtonView* button(QWidget* card, const char* name) {
        return card ? card->findChild<CustomButtonView*>(name) : nullptr;
    }
    static void click(QWidget* w) {
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }
};

void show(const std::string& title, const std::string& message, std::optional<std::string> cancel,
          std::function<void()> onCancel, std::function<void()> onConfirm, appkit::Window* window = nullptr) {
    PopupManager::shared().showPopup(title, message, cancel, "Confirm", PopupManager::Colors::named(),
                                     std::move(onCancel), std::move(onConfirm), window);
}

TEST_F(PopupManagerTest, CardHoldsTheTextsWithHundredPointsBesideAndOneCentredButtonWithoutACancelTitle) {
    Stage stage;
    for (std::optional<std::string> cancel : {std::optional<std::string>(), std::optional<std::string>("")}) {
        show("Title", "One line of message", cancel, {}, {});
        QWidget* card = PopupManager::shared().popupView();
        ASSERT_NE(card, nullptr);
        auto* title = card->findChild<QWidget*>("popupTitle");
        auto* message = card->findChild<QWidget*>("popupMessage");
        ASSERT_TRUE(title && message);
        EXPECT_EQ(title->height(), WrappedText::heightFor("Title", title->font(), 260));
        EXPECT_LT(title->height(), 2 * QFontMetrics(title->font()).height()) << "one line";
        EXPECT_EQ(card->height(), title->height() + message->height() + 100);
        EXPECT_EQ(card->width(), 300);
        EXPECT_EQ(card->geometry().center(), stage.window.rect().center());

        EXPECT_EQ(Stage::button(card, "popupCancel"), nullptr);
        CustomButtonView* only = Stage::button(card, "popupConfirm");
        ASSERT_NE(only, nullptr);
        EXPECT_EQ(only->size(), QSize(126, 30));
        EXPECT_EQ(only->x(), card->width() - (only->x() + only->width())) << "centred";
        EXPECT_EQ(only->geometry().bottom() + 1, card->height() - 20);
        Stage::click(only);
    }
    // A longer message makes the card taller by its extra lines.
    show("Title", std::string(400, 'x').replace(10, 1, " ").replace(90, 1, " "), "Cancel", {}, {});
    QWidget* card = PopupManager::shared().popupView();
    auto* message = card->findChild<QWidget*>("popupMessage");
    EXPECT_GT(message->height(), 3 * QFontMetrics(message->font()).height());
    EXPECT_EQ(card->height(), card->findChild<QWidget*>("popupTitle")->height() + message->height() + 100);
    EXPECT_EQ(Stage::button(card, "popupCancel")->x(), 20);
    EXPECT_EQ(Stage::button(card, "popupConfirm")->geometry().right() + 1, 300 - 20);
}

TEST_F(PopupManagerTest, ClickOnTheDimmedAreaDoesNothingAndReachesNothingBelow) {
    Stage stage;
    auto* below = new QPushButton("below", &stage.window);
    below->setGeometry(0, 0, 120, 40);
    below->show();
    QSignalSpy belowClicks(below, &QPushButton::clicked);
    int answers = 0;
    show("Title", "Message", "Cancel", [&] { ++answers; }, [&] { ++answers; });
    QPointer<QWidget> background = PopupManager::shared().backgroundView();
    ASSERT_TRUE(background);
    EXPECT_EQ(background->geometry(), stage.window.rect());
    ASSERT_TRUE(test::waitForAnimations(background));  // faded in

    QTest::mouseClick(&stage.window, Qt::LeftButton, {}, QPoint(20, 20));
    test::drain();
    ASSERT_TRUE(background) << "still shown";
    EXPECT_FALSE(test::animating(background)) << "and not fading out";
    EXPECT_TRUE(background->isVisible());
    EXPECT_EQ(answers, 0);
    EXPECT_EQ(belowClicks.count(), 0);
}

TEST_F(PopupManagerTest, EachPopupRunsItsOwnCallbacksAndClosesOnlyItself) {
    Stage stage;
    std::vector<std::string> ran;
    show("First", "Message", "Cancel", [&] { ran.push_back("first cancel"); }, [&] { ran.push_back("first confirm"); });
    QPointer<QWidget> firstCard = PopupManager::shared().popupView();
    QPointer<QWidget> firstBackground = PopupManager::shared().backgroundView();
    show("Second", "Message", "Cancel", [&] { ran.push_back("second cancel"); }, [&] { ran.push_back("second confirm"); });
    QPointer<QWidget> secondCard = PopupManager::shared().popupView();
    QPointer<QWidget> secondBackground = PopupManager::shared().backgroundView();
    ASSERT_NE(firstCard, secondCard);

    // The newer popup covers the older one: it is answered first.
    Stage::click(Stage::button(secondCard, "popupCancel"));
    Stage::click(Stage::button(secondCard, "popupCancel"));
    EXPECT_EQ(ran, std::vector<std::string>{"second cancel"}) << "one answer per popup";
    ASSERT_TRUE(test::waitUntil([&] { return secondBackground.isNull(); }));
    EXPECT_FALSE(firstBackground.isNull()) << "the older popup stays";

    Stage::click(Stage::button(firstCard, "popupConfirm"));
    EXPECT_EQ(ran, (std::vector<std::string>{"second cancel", "first confirm"}));
    ASSERT_TRUE(test::waitUntil([&] { return firstBackground.isNull(); })) << "and closes itself";
}

TEST_F(PopupManagerTest, WithoutAWindowNothingIsShownAndNothingRuns) {
    appkit::Application app;
    int ran = 0;
    show("Title", "Message", std::nullopt, [&] { ++ran; }, [&] { ++ran; });
    EXPECT_EQ(PopupManager::shared().backgroundView(), nullptr);
    test::drain();
    EXPECT_EQ(ran, 0);
}

TEST_F(PopupManagerTest, ConfirmingTheClearPreferencesPopupResetsTheUsersSettingsAndCancellingDoesNot) {
    Stage stage;
    User().setVpnUsername("U");
    PreservedPreferences prefs;
    for (const char* answer : {"popupCancel", "popupConfirm"}) {
        SCOPED_TRACE(answer);
        prefs.setPreventSleep(true);
        PopupManager::shared().showClearPreferences(prefs);
        QPointer<QWidget> card = PopupManager::shared().popupView();
        Stage::click(Stage::button(card, answer));
        EXPECT_EQ(prefs.preventSleep(), std::string(answer) == "popupCancel");
        ASSERT_TRUE(test::waitUntil([&] { return card.isNull(); }));
    }
}

}  // namespace
}  // namespace morvex
