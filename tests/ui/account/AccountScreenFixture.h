#pragma once
// The account pages' test world: the alert recorders, the fake service behind the shared API
// client, the application's storyboards, a signed-in VPN user, and the real main content in a
// window whose tabs the tests click.
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "app/AppMainViewController.h"
#include "app/Storyboards.h"
#include "app/TabsViewController.h"
#include "appkit/Window.h"
#include "model/ServiceHosts.h"
#include "state/User.h"

namespace morvex {
namespace {

class AccountScreenTest : public test::AlertTest {
protected:
    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        registerStoryboards();
        User user;
        user.setVpnUsername(std::string(kUserInUse));
        user.setClientId(std::string("42"));
    }
    void TearDown() override {
        window.reset();
        test::flushDeferredDeletes();
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }

    static constexpr const char* kUserInUse = "morvex0s1111111";

    AppMainViewController& openMain() {
        AppMainViewController::Hooks hooks;
        hooks.activateExtension = [](const std::string&) {};
        hooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
        hooks.migrationCheck = [] {};
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        content = new AppMainViewController(hooks);
        window->setContentViewController(content);
        window->show();
        return *content;
    }
    // Clicks the page's tab in the left bar and answers the page's controller.
    template <class Page>
    Page* clickTab(MainTab tab) {
        if (!content) openMain();
        QPushButton* button = content->tabsController()->buttonFor(tab);
        EXPECT_NE(button, nullptr);
        if (button) QTest::mouseClick(button, Qt::LeftButton);
        return qobject_cast<Page*>(content->currentPageController());
    }
    int requestsTo(const std::string& pathEnd) const {
        int n = 0;
        for (const auto& r : service.requests())
            if (r.path.ends_with(pathEnd)) ++n;
        return n;
    }

    fake::FakeService service;
    std::unique_ptr<appkit::Window> window;
    AppMainViewController* content = nullptr;
};

}  // namespace
}  // namespace morvex
