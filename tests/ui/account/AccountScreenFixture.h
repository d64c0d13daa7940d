#pragma once
// The account pages' test world: the main window's page fixture with a VPN user in use.
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "state/User.h"
#include "ui/MainWindowPageTest.h"

namespace morvex {
namespace {

class AccountScreenTest : public test::MainWindowPageTest {
protected:
    void SetUp() override {
        MainWindowPageTest::SetUp();
        User user;
        user.setVpnUsername(std::string(kUserInUse));
        user.setClientId(std::string("42"));
    }

    static constexpr const char* kUserInUse = "morvex0s1111111";

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
};

}  // namespace
}  // namespace morvex
