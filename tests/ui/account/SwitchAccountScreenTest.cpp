// The account switcher sheet: how each account's row reads, which choices the switch button
// allows, what the delegate hears from either button, and the hand-over from the initial screen
// that opens the sheet and switches to the chosen account.
#include <QLabel>
#include <QListWidget>

#include "AccountScreenFixture.h"
#include "app/InitialViewController.h"
#include "appkit/Sheet.h"
#include "appkit/Storyboard.h"
#include "foundation/NotificationCenter.h"
#include "state/PreservedPreferences.h"
#include "ui/account/SwitchAccountViewController.h"

namespace morvex {
namespace {

using Account = UserAuthentication::VPNAccount;

class RecordingDelegate : public AccountSelectionDelegate {
public:
    std::vector<std::string> chosen;
    int cancelled = 0;
    void selectAccount(const Account& account) override { chosen.push_back(account.username); }
    void accountChoiceCancelled() override { ++cancelled; }
};

class SwitchAccountScreenTest : public AccountScreenTest {
protected:
    // The sheet as the storyboard makes it, presented on a window.
    SwitchAccountViewController* present(std::vector<Account> accounts, AccountSelectionDelegate* delegate) {
        PreservedPreferences().setVpnAccounts(accounts);
        owner = std::make_unique<appkit::ViewController>();
        sheetWindow = std::make_unique<appkit::Window>(QSize(760, 500));
        sheetWindow->setContentViewController(owner.release());
        sheetWindow->show();
        auto* sheet = qobject_cast<SwitchAccountViewController*>(
            appkit::Storyboard::named(SwitchAccountViewController::kStoryboard)->instantiateController(SwitchAccountViewController::kStoryboardID));
        EXPECT_NE(sheet, nullptr);
        if (!sheet) return nullptr;
        sheet->setDelegate(delegate);
        sheetWindow->contentViewController()->presentAsSheet(sheet);
        return sheet;
    }
    void TearDown() override {
        sheetWindow.reset();
        AccountScreenTest::TearDown();
    }
    void clickRow(SwitchAccountViewController* sheet, int row) {
        QListWidget* list = sheet->tableView;
        const QRect place = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
    }
    std::unique_ptr<appkit::ViewController> owner;
    std::unique_ptr<appkit::Window> sheetWindow;
};

TEST_F(SwitchAccountScreenTest, EachRowSaysTheAccountsState) {
    struct Case {
        const char* status;
        std::string statusText;
        const char* image;
    };
    const Case cases[] = {
        {"active", "", ""},
        {"paid", "", ""},
        {"expired", "Account Expired", "ExpireDot"},
        {"disabled", "Account Disabled", "DisableDot"},
        {"in-active", "Account In-Active", ""},
        {"unpaid", "Account Unpaid", ""},
        {"on hold", "Account On Hold", ""},  // not a status the app knows: its own words
    };
    std::vector<Account> accounts;
    for (const Case& c : cases) accounts.push_back({std::string("user-") + c.status, c.status, "", "", "", ""});
    accounts.push_back({kUserInUse, "active", "", "", "", ""});
    SwitchAccountViewController* sheet = present(accounts, nullptr);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(sheet->tableView->count(), static_cast<int>(accounts.size()));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].status);
        AccountRowView* row = sheet->rowView(static_cast<int>(i));
        ASSERT_TRUE(row);
        EXPECT_EQ(row->userName->text().toStdString(), accounts[i].username);
        EXPECT_EQ(row->userStatus->text().toStdString(), cases[i].statusText);
        EXPECT_EQ(row->imageName(), cases[i].image);
    }
    EXPECT_EQ(sheet->rowView(static_cast<int>(std::size(cases)))->imageName(), "BlackMark") << "the account in use";
    // The expired state in the failure colour of the table, which reads on the sheet.
    EXPECT_EQ(sheet->rowView(2)->userStatus->palette().color(QPalette::WindowText), QColor(0xC8, 0x37, 0x2E));
}

TEST_F(SwitchAccountScreenTest, OnlyAnotherAccountCanBeChosenAndTheDelegateHearsIt) {
    RecordingDelegate delegate;
    const std::vector<Account> accounts{{kUserInUse, "active", "", "", "", ""}, {"morvex0s2222222", "expired", "", "", "", ""}};
    SwitchAccountViewController* sheet = present(accounts, &delegate);
    ASSERT_TRUE(sheet);
    EXPECT_FALSE(sheet->switchButton->isEnabled()) << "nothing chosen yet";

    clickRow(sheet, 0);
    EXPECT_FALSE(sheet->switchButton->isEnabled()) << "the account in use";
    EXPECT_TRUE(sheet->rowView(0)->isSelected());

    clickRow(sheet, 1);
    ASSERT_TRUE(sheet->switchButton->isEnabled());
    EXPECT_FALSE(sheet->rowView(0)->isSelected());
    EXPECT_TRUE(sheet->rowView(1)->isSelected());
    EXPECT_EQ(sheet->rowView(1)->userName->palette().color(QPalette::WindowText), QColor(Qt::white));

    // Clearing the selection keeps the choice.
    sheet->tableView->setCurrentRow(-1);
    EXPECT_EQ(sheet->model().selectedAccount->username, "morvex0s2222222");

    QTest::mouseClick(sheet->switchButton, Qt::LeftButton);
    EXPECT_EQ(delegate.chosen, std::vector<std::string>{"morvex0s2222222"});
    EXPECT_EQ(delegate.cancelled, 0);
    EXPECT_EQ(sheetWindow->attachedSheet(), nullptr) << "the sheet closes";
}

TEST_F(SwitchAccountScreenTest, CancelTellsTheDelegateOrOnlyCloses) {
    const std::vector<Account> accounts{{kUserInUse, "active", "", "", "", ""}, {"morvex0s2222222", "active", "", "", "", ""}};
    RecordingDelegate delegate;
    SwitchAccountViewController* sheet = present(accounts, &delegate);
    ASSERT_TRUE(sheet);
    clickRow(sheet, 1);
    QTest::mouseClick(sheet->cancelButton, Qt::LeftButton);
    EXPECT_EQ(delegate.cancelled, 1);
    EXPECT_TRUE(delegate.chosen.empty());
    EXPECT_EQ(sheetWindow->attachedSheet(), nullptr);

    sheet = present(accounts, nullptr);
    ASSERT_TRUE(sheet);
    QTest::mouseClick(sheet->cancelButton, Qt::LeftButton);
    EXPECT_EQ(sheetWindow->attachedSheet(), nullptr);
}

// The initial screen opens the switcher when asked and switches to the account chosen in it.
TEST_F(SwitchAccountScreenTest, TheInitialScreenSwitchesToTheChosenAccount) {
    User().setLoggedIn(true);
    PreservedPreferences().setVpnAccounts(
        std::vector<Account>{{kUserInUse, "active", "", "", "", ""}, {"morvex0s2222222", "active", "", "", "", ""}});
    appkit::Storyboard::define("SwitchAccountTest").scene(std::string(InitialViewController::kStoryboardID), [] {
        return new InitialViewController;
    });
    auto rootWindow = std::make_unique<appkit::Window>(QSize(760, 500));
    auto* root = qobject_cast<InitialViewController*>(
        appkit::Storyboard::named("SwitchAccountTest")->instantiateController(InitialViewController::kStoryboardID));
    ASSERT_TRUE(root);
    rootWindow->setContentViewController(root);
    rootWindow->show();
    std::vector<std::string> changes;
    auto observer = NotificationCenter::defaultCenter().addObserver(
        VPNAccountDidChangeNotification, [&](const Notification&) { changes.push_back(User().vpnUsername().value_or("")); });

    NotificationCenter::defaultCenter().post(InitialViewController::showVPNAccountsNotification);
    ASSERT_TRUE(test::waitUntil([&] { return rootWindow->attachedSheet() != nullptr; }));
    auto* sheet = rootWindow->findChild<SwitchAccountViewController*>();
    if (!sheet) sheet = root->findChild<SwitchAccountViewController*>();
    ASSERT_TRUE(sheet);
    clickRow(sheet, 1);
    QTest::mouseClick(sheet->switchButton, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return !changes.empty(); }));
    EXPECT_EQ(changes, std::vector<std::string>{"morvex0s2222222"});
    EXPECT_EQ(User().vpnPassword(), fake::kSamplePassword);
    rootWindow.reset();
}

}  // namespace
}  // namespace morvex
