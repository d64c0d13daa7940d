// The protocol sheet: what a configuration shows and hides, a height that holds every text at its
// width, and buttons that close the sheet before their actions run.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/Storyboards.h"
#include "appkit/Application.h"
#include "appkit/Sheet.h"
#include "appkit/Window.h"
#include "support/TestSupport.h"
#include "ui/kit/ProtocolsAlertViewController.h"

namespace morvex {
namespace {

using ProtocolsAlertTest = test::TempConfigTest;
using Alert = ProtocolsAlertViewController;

struct Stage {
    appkit::Application app;
    appkit::Window window{QSize(688, 500)};
    appkit::ViewController* presenter = new appkit::ViewController;
    Stage() {
        registerStoryboards();
        window.setContentViewController(presenter);
        window.show();
    }
    // Presents the scene's sheet with `config` (none: the scene's own texts).
    Alert* present(std::optional<ProtocolAlertConfig> config) {
        Alert* alert = Alert::instantiate();
        if (!alert) return nullptr;
        alert->config = std::move(config);
        presenter->presentAsSheet(alert);
        return alert;
    }
};

ProtocolAlertConfig config(std::optional<std::string> title, std::string message, std::optional<std::string> secondary) {
    return ProtocolAlertConfig{std::move(title), std::move(message), "Got It", std::move(secondary), {}, {}};
}

// Every shown control lies inside the sheet's view, which is as tall as the sheet asked to be.
void expectNothingClipped(Alert& alert) {
    QWidget* view = alert.view();
    EXPECT_EQ(alert.preferredContentSize().height(), view->height());
    for (QWidget* w : {static_cast<QWidget*>(alert.alertTitle.data()), static_cast<QWidget*>(alert.alertMessage.data()),
                       static_cast<QWidget*>(alert.primaryButton.data()), static_cast<QWidget*>(alert.secondaryButton.data())}) {
        if (w->isHidden()) continue;
        EXPECT_TRUE(view->rect().contains(w->geometry())) << w->objectName().toStdString();
    }
    const QLabel& message = *alert.alertMessage;
    EXPECT_GE(message.height(), message.heightForWidth(message.width())) << "the message is cut off";
}

TEST_F(ProtocolsAlertTest, AConfigurationShowsItsTextsAndHidesWhatItLeavesOut) {
    Stage stage;
    struct Case {
        std::optional<std::string> title, secondary;
        int base;
    };
    const Case cases[] = {
        {"Approve the Component", "Later", Alert::kBaseHeightWithTitle},
        {std::nullopt, "Later", Alert::kBaseHeightWithoutTitle},
        {"Approve the Component", std::nullopt, Alert::kBaseHeightWithTitle},
        {std::nullopt, std::nullopt, Alert::kBaseHeightWithoutTitle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.value_or("-") + " / " + c.secondary.value_or("-"));
        Alert* alert = stage.present(config(c.title, "Your system asks you to approve the component.", c.secondary));
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->alertTitle->isHidden(), !c.title);
        EXPECT_EQ(alert->alertTitle->text().toStdString(), c.title.value_or(""));
        EXPECT_EQ(alert->alertMessage->text(), QStringLiteral("Your system asks you to approve the component."));
        EXPECT_EQ(alert->primaryButton->text(), QStringLiteral("Got It"));
        EXPECT_EQ(alert->secondaryButton->isHidden(), !c.secondary);
        // The texts and the base: one line of message and button title beside the spacing.
        const int texts = alert->contentHeight(0);
        EXPECT_EQ(alert->preferredContentSize().height(), texts + c.base);
        expectNothingClipped(*alert);
        QTest::mouseClick(alert->primaryButton, Qt::LeftButton);
        ASSERT_EQ(stage.window.attachedSheet(), nullptr);
    }
}

TEST_F(ProtocolsAlertTest, ALongMessageGrowsTheSheetByItsWrappedHeight) {
    Stage stage;
    Alert* shortOne = stage.present(config("Title", "One line.", std::nullopt));
    ASSERT_NE(shortOne, nullptr);
    const int shortHeight = shortOne->preferredContentSize().height();
    const int lineHeight = shortOne->alertMessage->height();
    QTest::mouseClick(shortOne->primaryButton, Qt::LeftButton);

    std::string words;
    for (int i = 0; i < 30; ++i) words += "approve the component ";
    Alert* longOne = stage.present(config("Title", words, std::nullopt));
    const int growth = longOne->preferredContentSize().height() - shortHeight;
    EXPECT_EQ(growth, longOne->alertMessage->height() - lineHeight);
    EXPECT_GE(growth, 4 * lineHeight);
    expectNothingClipped(*longOne);
}

TEST_F(ProtocolsAlertTest, EachButtonClosesTheSheetThenRunsItsOwnAction) {
    Stage stage;
    struct Case {
        const char* name;
        bool primary, withActions;
    };
    const Case cases[] = {{"primary", true, true}, {"secondary", false, true}, {"primary, no action", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> ran;
        bool sheetGoneFirst = false;
        ProtocolAlertConfig cfg = config("Title", "Message", "Later");
        if (c.withActions) {
            cfg.primaryButtonAction = [&] { ran.push_back("primary"), sheetGoneFirst = !stage.window.attachedSheet(); };
            cfg.secondaryButtonAction = [&] { ran.push_back("secondary"), sheetGoneFirst = !stage.window.attachedSheet(); };
        }
        Alert* alert = stage.present(std::move(cfg));
        ASSERT_NE(stage.window.attachedSheet(), nullptr);
        QTest::mouseClick(c.primary ? alert->primaryButton : alert->secondaryButton, Qt::LeftButton);
        EXPECT_EQ(stage.window.attachedSheet(), nullptr);
        if (c.withActions) {
            EXPECT_EQ(ran, std::vector<std::string>{c.primary ? "primary" : "secondary"});
            EXPECT_TRUE(sheetGoneFirst);
        } else {
            EXPECT_TRUE(ran.empty());
        }
    }
}

TEST_F(ProtocolsAlertTest, WithoutAConfigurationTheSceneKeepsItsOwnTextsAndItsButtonCloses) {
    Stage stage;
    Alert* alert = stage.present(std::nullopt);
    ASSERT_NE(alert, nullptr);
    EXPECT_FALSE(alert->alertTitle->text().isEmpty());
    EXPECT_FALSE(alert->alertMessage->text().isEmpty());
    expectNothingClipped(*alert);
    QTest::mouseClick(alert->primaryButton, Qt::LeftButton);
    EXPECT_EQ(stage.window.attachedSheet(), nullptr);
}

}  // namespace
}  // namespace morvex
