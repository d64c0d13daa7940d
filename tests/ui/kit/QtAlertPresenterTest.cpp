// The alerts' presenter on the desktop layer: alerts built as data show as sheets on a real
// (offscreen) window and answer their handlers only through their buttons.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

#include "alerts/Alert.h"
#include "ui/kit/QtAlertPresenter.h"
#include "appkit/AlertSheet.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

class QtAlertPresenterTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        window->show();
    }
    void TearDown() override {
        window.reset();
        TempConfigTest::TearDown();
    }
    appkit::AlertSheet* shown() { return qobject_cast<appkit::AlertSheet*>(window->attachedSheet()); }
    static Alert alertWith(std::vector<std::string> buttons) {
        Alert alert;
        alert.title = "title";
        alert.message = "message";
        alert.buttons = std::move(buttons);
        return alert;
    }

    appkit::Application app;
    std::unique_ptr<appkit::Window> window;
    QtAlertPresenter presenter;
};

TEST_F(QtAlertPresenterTest, AButtonAnswersTheHandlerAndAnAlertEndedFromOutsideRunsNone) {
    std::vector<ModalResponse> handled, otherwise;
    ASSERT_TRUE(presenter.beginSheet(alertWith({"yes", "no"}), [&](ModalResponse r) { handled.push_back(r); },
                                     [&](ModalResponse r) { otherwise.push_back(r); }));
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(shown()->messageText(), "title");
    EXPECT_EQ(shown()->informativeText(), "message");
    QTest::mouseClick(shown()->buttons()[1], Qt::LeftButton);
    EXPECT_EQ(handled, std::vector<ModalResponse>{alertSecondButtonReturn});

    presenter.beginSheet(alertWith({"yes", "no"}), [&](ModalResponse r) { handled.push_back(r); });
    ASSERT_NE(shown(), nullptr);
    presenter.endAttachedAlertSheet();
    EXPECT_EQ(shown(), nullptr);
    EXPECT_EQ(handled.size(), 1u) << "no handler for a sheet ended from outside";
    EXPECT_TRUE(otherwise.empty());
}

TEST_F(QtAlertPresenterTest, AnAlertWithoutButtonsShowsItsOneDefaultButton) {
    std::vector<ModalResponse> handled;
    presenter.beginSheet(alertWith({}), [&](ModalResponse r) { handled.push_back(r); });
    ASSERT_NE(shown(), nullptr);
    ASSERT_EQ(shown()->buttons().size(), 1u);
    EXPECT_EQ(shown()->buttons()[0]->text().toStdString(), alertWith({}).shownButtons()[0]);
    QTest::mouseClick(shown()->buttons()[0], Qt::LeftButton);
    EXPECT_EQ(handled, std::vector<ModalResponse>{alertFirstButtonReturn});
}

TEST_F(QtAlertPresenterTest, AnAlertForAWindowThatIsGoneGoesOnTheMainWindow) {
    auto other = std::make_unique<appkit::Window>();
    Alert alert = alertWith({"ok"});
    alert.window = QtAlertPresenter::alertWindow(other.get());
    other.reset();
    std::vector<ModalResponse> handled;
    EXPECT_TRUE(presenter.beginSheet(alert, [&](ModalResponse r) { handled.push_back(r); }, {}));
    ASSERT_NE(shown(), nullptr);
    QTest::mouseClick(shown()->buttons()[0], Qt::LeftButton);
    EXPECT_EQ(handled, std::vector<ModalResponse>{alertFirstButtonReturn});
}

TEST_F(QtAlertPresenterTest, WithNoWindowAtAllNothingIsShownAndTheConsoleSaysSo) {
    window.reset();
    log::Capture console;
    bool ran = false;
    EXPECT_FALSE(presenter.beginSheet(alertWith({"ok"}), [&](ModalResponse) { ran = true; }, [&](ModalResponse) { ran = true; }));
    EXPECT_TRUE(console.containsText("No window to attach \"title\""));
    EXPECT_FALSE(ran);
}

TEST_F(QtAlertPresenterTest, AnAccessoryViewIsShownInsideTheAlert) {
    auto* view = new QLabel("progress");
    Alert alert = alertWith({"ok"});
    alert.accessory = std::make_shared<QtAlertAccessory>(view);
    presenter.beginSheet(alert, {});
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(shown()->accessoryView(), view);
    EXPECT_TRUE(test::waitUntil([&] { return view->isVisible(); }));
    presenter.endAttachedAlertSheet();
}

}  // namespace
}  // namespace morvex
