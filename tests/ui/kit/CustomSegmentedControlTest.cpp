// The segmented switch: titles to labels, layout, clamping of the selection, and clicks.
#include <QTest>
#include <gtest/gtest.h>

#include "appkit/Application.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "support/TestSupport.h"
#include "ui/kit/CustomSegmentedControl.h"

namespace morvex {
namespace {

using CustomSegmentedControlTest = test::TempConfigTest;

std::vector<QString> texts(const CustomSegmentedControl& control) {
    std::vector<QString> out;
    for (QLabel* l : control.segments()) out.push_back(l->text());
    return out;
}

TEST_F(CustomSegmentedControlTest, TitlesAreSplitAtCommasWithEmptyPiecesDroppedAndBlanksTrimmed) {
    appkit::Application app;
    CustomSegmentedControl control;
    EXPECT_EQ(texts(control), (std::vector<QString>{"VPN", "App"})) << "the localized defaults";
    struct Case {
        const char* titles;
        std::vector<QString> labels;
    };
    const Case cases[] = {
        {"a, b", {"a", "b"}},
        {",, a ,b,,", {"a", "b"}},
        {"\ta\t,  b  ", {"a", "b"}},
        {"one,  ,three", {"one", "", "three"}},
        {"x,y,z", {"x", "y", "z"}},
        {"", {}},
        {",,,", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.titles);
        control.setSegmentsTitles(c.titles);
        EXPECT_EQ(texts(control), c.labels);
        for (std::size_t i = 0; i < control.segments().size(); ++i) EXPECT_EQ(viewTag(control.segments()[i]), int(i));
        EXPECT_EQ(control.findChildren<QLabel*>().size(), c.labels.size()) << "old labels are gone";
    }
}

TEST_F(CustomSegmentedControlTest, LabelsShareTheWidthAndAnOutOfRangeSelectionIsStoredClampedWithoutMoving) {
    appkit::Application app;
    CustomSegmentedControl control;
    control.resize(300, 40);
    control.setSegmentsTitles("a, b");
    ASSERT_EQ(control.segments().size(), 2u);
    EXPECT_EQ(control.segments()[0]->geometry(), QRect(0, 0, 150, 40));
    EXPECT_EQ(control.segments()[1]->geometry(), QRect(150, 0, 150, 40));
    EXPECT_EQ(control.selectionIndicator()->geometry(), QRect(0, 5, 150, 30));
    EXPECT_DOUBLE_EQ(control.cornerRadius(), 17);

    const QColor selectedColour = control.segments()[0]->palette().color(QPalette::WindowText);
    control.setSelectedSegmentIndex(5);
    EXPECT_EQ(control.selectedSegmentIndex(), 1);
    test::drain();
    EXPECT_FALSE(test::animating(&control)) << "no slide started";
    EXPECT_EQ(control.selectionIndicator()->x(), 0) << "clamping does not move the pill";
    EXPECT_EQ(control.segments()[0]->palette().color(QPalette::WindowText), selectedColour) << "nor restyle";
    control.setSelectedSegmentIndex(1);
    test::drain();
    EXPECT_FALSE(test::animating(&control)) << "no slide started";
    EXPECT_EQ(control.selectionIndicator()->x(), 0) << "1 equals what is stored";

    control.setSelectedSegmentIndex(-4);
    EXPECT_EQ(control.selectedSegmentIndex(), 0);
    control.setSegmentsTitles("");
    EXPECT_TRUE(control.segments().empty());
    control.setSelectedSegmentIndex(3);
    EXPECT_EQ(control.selectedSegmentIndex(), 0);
}

TEST_F(CustomSegmentedControlTest, ClickingAnotherLabelSlidesThePillAndAnnouncesTheSection) {
    appkit::Application app;
    // The chosen label's rest is counted on the main queue's clock, which the test moves.
    test::ManualClock clock;
    appkit::Window window(QSize(320, 60));
    auto* control = new CustomSegmentedControl(&window);
    control->setGeometry(10, 10, 300, 40);
    control->setSegmentsTitles("VPN, App, More");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    std::vector<std::string> sections;
    std::vector<long> selected;
    auto token = NotificationCenter::defaultCenter().addObserver(
        std::string(kSettingsSegmentedControlSwitchNotification), [&](const Notification& n) {
            sections.push_back(std::any_cast<std::string>(n.userInfo.at("section")));
        });
    control->onSegmentSelected = [&](long i) { selected.push_back(i); };
    auto click = [&](std::size_t i) { QTest::mouseClick(control->segments()[i], Qt::LeftButton, {}, QPoint(20, 20)); };

    click(0);
    EXPECT_TRUE(sections.empty()) << "the selected label posts nothing";
    EXPECT_TRUE(selected.empty());

    click(1);
    EXPECT_EQ(sections, std::vector<std::string>{"app"});
    EXPECT_EQ(selected, std::vector<long>{1});
    EXPECT_EQ(control->selectedSegmentIndex(), 1);
    EXPECT_LT(control->selectionIndicator()->x(), 100) << "the pill slides, it does not jump";
    ASSERT_TRUE(test::waitForAnimations(control));
    EXPECT_EQ(control->selectionIndicator()->x(), 100);
    EXPECT_EQ(control->selectionIndicator()->width(), 100);
    const QColor selectedText = control->segments()[1]->palette().color(QPalette::WindowText);
    EXPECT_NE(control->segments()[0]->palette().color(QPalette::WindowText), selectedText);
    EXPECT_FALSE(control->recognizer(1)->isEnabled()) << "the chosen label rests for a second";
    EXPECT_TRUE(control->recognizer(0)->isEnabled());

    click(2);
    click(0);
    EXPECT_EQ(sections, (std::vector<std::string>{"app", "app", "vpn"}));
    click(1);
    EXPECT_EQ(sections.size(), 3u) << "a resting label ignores the click";
    clock.advance(std::chrono::milliseconds(999));
    EXPECT_FALSE(control->recognizer(1)->isEnabled());
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_TRUE(control->recognizer(1)->isEnabled());
    click(1);
    EXPECT_EQ(sections, (std::vector<std::string>{"app", "app", "vpn", "app"}));
}

}  // namespace
}  // namespace morvex
