#pragma once
// A page of the main window as a user meets it: the alert recorders, the fake service behind the
// shared API client, the application's storyboards, and the real main content in a window whose
// tabs the tests click.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "app/AppMainViewController.h"
#include "app/StatusMenu.h"
#include "app/Storyboards.h"
#include "app/TabsViewController.h"
#include "appkit/Window.h"
#include "model/ServiceHosts.h"
#include "support/TestSupport.h"

namespace morvex::test {

class MainWindowPageTest : public AlertTest {
protected:
    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        registerStoryboards();
    }
    void TearDown() override {
        window.reset();
        flushDeferredDeletes();
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }

    // The main content as the signed-in application shows it, without a status item, extension
    // or migration check.
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

    fake::FakeService service;
    std::unique_ptr<appkit::Window> window;
    AppMainViewController* content = nullptr;
};

}  // namespace morvex::test
