// Alert sheets on a real (offscreen) window: which answer each way of ending gives.
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "appkit/AlertSheet.h"
#include "appkit/Window.h"
#include "support/TestSupport.h"

namespace morvex::appkit {
namespace {

class AlertSheetTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        window = std::make_unique<Window>(QSize(760, 500));
        window->show();
    }
    void TearDown() override {
        window.reset();
        TempConfigTest::TearDown();
    }

    AlertSheet* begin(std::vector<std::string> titles, std::function<void(ModalResponse)> completion) {
        auto* alert = new AlertSheet;
        alert->setMessageText("title");
        alert->setInformativeText("message");
        for (const auto& t : titles) alert->addButton(t);
        EXPECT_TRUE(alert->beginSheetModalForWindow(window.get(), std::move(completion)));
        EXPECT_TRUE(test::waitUntil([&] { return window->attachedSheet() == alert; }));
        return alert;
    }

    Application app;
    std::unique_ptr<Window> window;
};

TEST_F(AlertSheetTest, EachButtonAnswersOneThousandPlusItsPlaceInOrderAdded) {
    struct Case {
        std::vector<std::string> titles;
        std::size_t clicked;
        ModalResponse expected;
    };
    const std::vector<Case> cases = {
        {{"yes", "no"}, 0, 1000},
        {{"yes", "no"}, 1, 1001},
        {{"one", "two", "three"}, 2, 1002},
        {{}, 0, 1000},  // no button added: the alert's own OK
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.titles.size() << " buttons, clicking " << c.clicked);
        std::vector<ModalResponse> answers;
        AlertSheet* alert = begin(c.titles, [&](ModalResponse r) { answers.push_back(r); });
        ASSERT_GT(alert->buttons().size(), c.clicked);
        QTest::mouseClick(alert->buttons()[c.clicked], Qt::LeftButton);
        EXPECT_EQ(answers, std::vector<ModalResponse>{c.expected});
        EXPECT_EQ(window->attachedSheet(), nullptr);
    }
}

TEST_F(AlertSheetTest, ASheetEndedFromOutsideRunsNoButtonsAction) {
    std::vector<std::string> actions;
    std::optional<ModalResponse> answer;
    AlertSheet* alert = begin({"yes", "no"}, [&](ModalResponse r) {
        answer = r;
        if (r == modal::firstButton) actions.push_back("yes");
        if (r == modal::secondButton) actions.push_back("no");
    });
    QPointer<AlertSheet> watched(alert);
    window->endSheet(alert);

    EXPECT_TRUE(actions.empty());
    EXPECT_EQ(answer, modal::stop);
    EXPECT_EQ(window->attachedSheet(), nullptr);
    EXPECT_TRUE(test::waitUntil([&] {
        test::flushDeferredDeletes();
        return watched.isNull();
    })) << "the window lets go of an ended sheet";
}

TEST_F(AlertSheetTest, EscapeEndsTheSheetWithCancelNotWithAButton) {
    std::optional<ModalResponse> answer;
    AlertSheet* alert = begin({"yes", "no"}, [&](ModalResponse r) { answer = r; });
    QTest::keyClick(alert, Qt::Key_Escape);
    EXPECT_EQ(answer, modal::cancel);
}

TEST_F(AlertSheetTest, ReturnChoosesTheFirstButton) {
    std::optional<ModalResponse> answer;
    AlertSheet* alert = begin({"yes", "no"}, [&](ModalResponse r) { answer = r; });
    QTest::keyClick(alert, Qt::Key_Return);
    EXPECT_EQ(answer, modal::firstButton);
}

TEST_F(AlertSheetTest, ASecondSheetWaitsUntilTheFirstHasEnded) {
    std::vector<std::string> order;
    AlertSheet* first = begin({"first"}, [&](ModalResponse) { order.push_back("first"); });
    auto* second = new AlertSheet;
    second->addButton("second");
    ASSERT_TRUE(second->beginSheetModalForWindow(window.get(), [&](ModalResponse) { order.push_back("second"); }));
    test::drain();
    EXPECT_EQ(window->attachedSheet(), first);
    EXPECT_FALSE(second->isVisible());

    QTest::mouseClick(first->buttons()[0], Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return window->attachedSheet() == second; }));
    QTest::mouseClick(second->buttons()[0], Qt::LeftButton);
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
}

TEST_F(AlertSheetTest, WithoutAWindowNothingIsShownAndNoCompletionRuns) {
    bool ran = false;
    auto* alert = new AlertSheet;
    alert->addButton("ok");
    QPointer<AlertSheet> watched(alert);
    EXPECT_FALSE(alert->beginSheetModalForWindow(nullptr, [&](ModalResponse) { ran = true; }));
    EXPECT_TRUE(test::waitUntil([&] {
        test::flushDeferredDeletes();
        return watched.isNull();
    }));
    EXPECT_FALSE(ran);
}

TEST_F(AlertSheetTest, TheAccessoryWidgetIsShownUnderTheTexts) {
    auto* accessory = new QLabel("accessory");
    auto* alert = new AlertSheet;
    alert->setMessageText("looking for an update");
    alert->setAccessoryView(accessory);
    ASSERT_TRUE(alert->beginSheetModalForWindow(window.get(), {}));
    ASSERT_TRUE(test::waitUntil([&] { return accessory->isVisible(); }));
    auto* message = alert->findChild<QLabel*>("alertMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_GT(accessory->mapTo(alert, QPoint(0, 0)).y(), message->mapTo(alert, QPoint(0, 0)).y());
    window->endSheet(alert);
}

}  // namespace
}  // namespace morvex::appkit
