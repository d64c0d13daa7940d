#pragma once
// The account switcher: a sheet that lists the signed-in customer's VPN accounts, marks the one in
// use, shows each account's state, and tells its delegate which account the user chose (or that
// the user closed it). The switch itself (storing the user name, fetching its password,
// announcing the change) is the delegate's; the sheet only chooses.
//
// The switch button stays disabled until a row other than the account in use is selected, so the
// account in use cannot be chosen again. Either button informs the delegate (when there is one)
// and closes the sheet.
//
// Threads: main thread only.
#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "appkit/ViewController.h"
#include "session/SwitchAccountModel.h"
#include "ui/shell/AccountSelection.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace morvex {

// One account of the list: its user name, its state in words and a mark (the account in use,
// an expired or a disabled account). Selected rows are filled blue and their text turns white.
class AccountRowView : public QWidget {
    Q_OBJECT
public:
    explicit AccountRowView(QWidget* parent = nullptr);

    // Fills the row from the account; `usernameInUse` is the VPN user name stored on this device.
    void configure(const UserAuthentication::VPNAccount& account, const std::optional<std::string>& usernameInUse);
    bool isSelected() const { return selected_; }
    // The name of the mark shown, empty when none.
    const std::string& imageName() const { return imageName_; }

    QLabel* userName;
    QLabel* userStatus;
    QLabel* imageView;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setImage(std::string name);
    bool selected_ = false;
    std::string imageName_;
};

class SwitchAccountViewController : public appkit::ViewController, public AccountChooser {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboard = "SwitchAccount";
    static constexpr std::string_view kStoryboardID = "SwitchAccountVC";

    explicit SwitchAccountViewController(QObject* parent = nullptr);
    SwitchAccountViewController(SwitchAccountModel model, QObject* parent = nullptr);

    SwitchAccountModel& model() { return model_; }

    bool switchButtonDisable = true;
    bool fetchingAccountStatus = true;
    std::optional<std::string> errorMessage;
    AccountSelectionDelegate* delegate = nullptr;
    std::optional<std::string> fetchAccountNotification;

    // AccountChooser
    void setDelegate(AccountSelectionDelegate* d) override { delegate = d; }
    void setFetchAccountNotification(std::string name) override { fetchAccountNotification = std::move(name); }

    void loadView() override;
    void viewWillAppear() override;

    // The list's selection moved to `row` (-1: none).
    void selectionDidChange(int row);
    void switchAccount();
    void cancel();

    // The accounts as listed, with the chooser's marks.
    const std::vector<UserAuthentication::VPNAccount>& accounts() const { return accounts_; }
    AccountRowView* rowView(int row) const;

    QPointer<QListWidget> tableView;
    QPointer<QPushButton> switchButton;
    QPointer<QPushButton> cancelButton;

private:
    void reloadRows();
    void refreshButtons();

    SwitchAccountModel model_;
    std::vector<UserAuthentication::VPNAccount> accounts_;
};

}  // namespace morvex
