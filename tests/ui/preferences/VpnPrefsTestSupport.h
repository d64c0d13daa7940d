#pragma once
// The preferences pages' test world: the alert recorders, a firewall whose answers the test
// chooses (the status answer comes from another thread, as the SDK's does), and a shown window
// holding the page under test.
#include <QComboBox>
#include <QTest>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "alerts/AlertTestSupport.h"
#include "appkit/Application.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "viewmodels/KillSwitchModel.h"
#include "zevu/ZevuCore.h"

namespace morvex::test {
// Test-local: each test file has its own copy, so no two classes of one name meet in the program.
namespace {

inline constexpr int kStatusConnecting = zevu::rawValue(zevu::ZevuVPNState::Connecting);
inline constexpr int kStatusConnected = zevu::rawValue(zevu::ZevuVPNState::Connected);

struct VpnPrefsFirewall {
    bool helperAnswers = false;           // the status query's answer
    std::optional<Result<bool>> install;  // none: the installation answers false
    std::vector<std::string> calls;

    KillSwitchFirewall firewall() {
        KillSwitchFirewall f;
        f.disable = [this](std::function<void(bool)> done) {
            calls.push_back("disable");
            done(true);
        };
        f.isHelperToolInstalled = [this](std::function<void(bool)> done) {
            calls.push_back("isHelperToolInstalled");
            std::thread([done, answer = helperAnswers] { done(answer); }).join();
        };
        f.installHelperTool = [this]() -> Result<bool> {
            calls.push_back("installHelperTool");
            return install.value_or(Result<bool>(false));
        };
        return f;
    }
};

class VpnPrefsPageTest : public AlertTest {
protected:
    appkit::Application app;
    VpnPrefsFirewall firewall;
    std::unique_ptr<appkit::Window> window;

    // Shows `page` in a window of its own, as the container would.
    template <class Page>
    Page* show(Page* page) {
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        window->setContentViewController(page);
        window->show();
        return page;
    }

    // Picks the entry of that title the way a user does with the keyboard on a closed pop-up.
    static void choose(QComboBox* box, const std::string& title) {
        const int target = box->findText(QString::fromStdString(title));
        ASSERT_GE(target, 0) << title;
        while (box->currentIndex() != target)
            QTest::keyClick(box, box->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    }
};

}  // namespace
}  // namespace morvex::test
