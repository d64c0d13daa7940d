// The add-on dialog: the codes its buttons end the sheet with and what the connection details card
// does with each, the buttons without a main window, and the page load on the real web engine.
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "appkit/Sheet.h"
#include "appkit/Window.h"
#include "ui/kit/AddonDialog.h"
#include "ui/dashboard/ConnectionDetailController.h"

namespace morvex {
namespace {

class AddonDialogTest : public test::AlertTest {
protected:
    void TearDown() override {
        test::flushDeferredDeletes();
        AlertTest::TearDown();
    }

    // A dialog that never fetches its page: these tests are about its buttons.
    static AddonDialog* offline() {
        return new AddonDialog([](const QUrl&, std::function<void()>) {});
    }

    appkit::Application app;
};

TEST_F(AddonDialogTest, GetOpensTheAddonsMemberPageCancelDoesNothing) {
    struct Case {
        const char* opener;
        const char* addon;
        const char* page;
        const char* button;
        appkit::ModalResponse code;
        const char* memberPage;  // none: nothing opens
    };
    const std::vector<Case> cases = {
        {"buyDedicatedIpButton", "Dedicated IP", "/applinks/addon-details?addon=dedicated-ip", "getButton", 1, "/applinks/addons?"},
        {"buyDedicatedIpButton", "Dedicated IP", "/applinks/addon-details?addon=dedicated-ip", "cancelButton", -1001, nullptr},
        {"buyPortForwardingButton", "Port Forwarding", "/applinks/addon-details?addon=port-forwarding", "getButton", 1,
         "/applinks/get-port-forwarding-addon?"},
        {"buyPortForwardingButton", "Port Forwarding", "/applinks/addon-details?addon=port-forwarding", "cancelButton", -1001, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.opener) + " " + c.button);
        analytics->tracked.clear();
        opened.clear();
        User user;
        user.setVpnUsername(std::string("morvex0s1"));
        ConnectionDetailModel::Collaborators collaborators;
        collaborators.user = user;
        collaborators.eventTracker = tracker();
        collaborators.requestPortForwarding = [](const nlohmann::json&, auto) {};
        collaborators.hasPortForwardingAddon = [] { return false; };
        collaborators.openURL = [this](const std::string& url) { opened.push_back(url); };
        auto* card = new ConnectionDetailController(std::move(collaborators));
        std::vector<QUrl> pages;
        card->makeAddonDialog = [&](const QUrl& page) {
            pages.push_back(page);
            return offline();
        };
        appkit::Window window(QSize(760, 500));
        window.setContentViewController(card);
        window.show();
        std::vector<appkit::ModalResponse> ended;
        QObject::connect(&window, &appkit::Window::sheetEnded, [&](appkit::ModalResponse r) { ended.push_back(r); });

        QTest::mouseClick(card->view()->findChild<QPushButton*>(c.opener), Qt::LeftButton);
        EXPECT_EQ(eventNames(), std::vector<std::string>{"app_click_addon_details"});
        appkit::Sheet* sheet = window.attachedSheet();
        ASSERT_NE(sheet, nullptr) << "the dialog is a sheet on the card's window";
        auto* dialog = sheet->findChild<AddonDialog*>();
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(dialog->addonURL, pages[0]);
        EXPECT_TRUE(pages[0].toString().contains(c.page)) << pages[0].toString().toStdString();
        EXPECT_EQ(sheet->minimumSize(), sheet->maximumSize()) << "the window cannot be resized";
        EXPECT_TRUE(dialog->loading.value()) << "loading from the view's load";

        QTest::mouseClick(sheet->findChild<QPushButton*>(c.button), Qt::LeftButton);
        EXPECT_EQ(ended, std::vector<appkit::ModalResponse>{c.code});
        EXPECT_EQ(window.attachedSheet(), nullptr);
        if (c.memberPage) {
            EXPECT_EQ(eventNames(), (std::vector<std::string>{"app_click_addon_details", "app_click_addon"}));
            EXPECT_EQ(event("app_click_addon").at("addon"), Value(c.addon));
            EXPECT_EQ(event("app_click_addon").at("selected_interface"), Value("connection_details"));
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_NE(opened[0].find(c.memberPage), std::string::npos) << opened[0];
            EXPECT_NE(opened[0].find("sUsername=morvex0s1"), std::string::npos) << opened[0];
        } else {
            EXPECT_EQ(eventNames(), std::vector<std::string>{"app_click_addon_details"});
            EXPECT_TRUE(opened.empty());
        }
    }
}

TEST_F(AddonDialogTest, WithoutAMainWindowTheButtonsDoNothing) {
    ASSERT_EQ(app.firstWindow(), nullptr);
    auto* dialog = offline();
    dialog->addonURL = QUrl("http://127.0.0.1:9/applinks/addon-details?addon=dedicated-ip");
    std::unique_ptr<appkit::Sheet> sheet(AddonDialog::makeWindow(dialog));
    for (QPushButton* button : {dialog->getButton(), dialog->cancelButton()}) {
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(sheet->hasEnded());
    }
}

// The page on the real web engine, from the fake service's copy of the web site.
class AddonDialogPageTest : public AddonDialogTest {
protected:
    void SetUp() override {
        // Chromium refuses its sandbox as root (CI containers).
        if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
        AddonDialogTest::SetUp();
        ASSERT_TRUE(service.start());
    }
    fake::FakeService service;
};

TEST_F(AddonDialogPageTest, AFinishedPageClearsLoadingAFailedOneKeepsIt) {
    const std::string path = "/applinks/addon-details";
    AddonDialog shown;
    shown.addonURL = QUrl(QString::fromStdString(service.baseURL() + path + "?addon=dedicated-ip"));
    shown.view();
    EXPECT_TRUE(shown.loading.value());
    ASSERT_TRUE(test::waitUntil([&] { return !shown.loading.value(); }, std::chrono::milliseconds(30000)))
        << "engine " << shown.webview()->hasEngine();
    EXPECT_EQ(shown.webview()->title(), "Dedicated IP");
    EXPECT_EQ(service.requestsTo(path).size(), 2u) << "the plain request, then the page";

    // Both requests fail: the page never finishes.
    service.failNext(path, fake::Answer::dropped(), 2);
    AddonDialog failed;
    failed.addonURL = QUrl(QString::fromStdString(service.baseURL() + path + "?addon=dedicated-ip"));
    failed.view();
    std::optional<bool> finished;
    auto report = failed.webview()->didFinishNavigation;
    failed.webview()->didFinishNavigation = [&](bool ok) {
        finished = ok;
        report(ok);
    };
    ASSERT_TRUE(test::waitUntil([&] { return finished.has_value(); }, std::chrono::milliseconds(30000)));
    EXPECT_FALSE(*finished);
    EXPECT_TRUE(failed.loading.value());
}

}  // namespace
}  // namespace morvex
