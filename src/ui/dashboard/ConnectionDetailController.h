#pragma once
// The connection details card: the tunnel's traffic (received and sent), the account's
// port-forwarding policy with a retry after a transport failure, the dedicated-IP add-on and a way
// to the preferences page. It is slid over the dashboard by ConnectionDetailAnimationSegue while
// the connection panel's info card is open, and follows ConnectionDetailModel.
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <functional>
#include <vector>

#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/ConnectionDetailModel.h"

namespace morvex {

class AddonDialog;

class ConnectionDetailController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr int kWidth = 330;

    explicit ConnectionDetailController(ConnectionDetailModel::Collaborators c = ConnectionDetailModel::defaults(),
                                        QObject* parent = nullptr);
    ~ConnectionDetailController() override;

    ConnectionDetailModel& model() { return *model_; }
    // The card's arrow: asks whoever opened the card to close it.
    std::function<void()> onClose;
    QPushButton* buttonArrow() const { return buttonArrow_; }
    QLabel* dataInLabel() const { return dataIn_; }
    QLabel* dataOutLabel() const { return dataOut_; }
    QLabel* portForwardingLabel() const { return portForwarding_; }
    QPushButton* retryButton() const { return retry_; }
    QPushButton* dedicatedIpButton() const { return dedicatedIp_; }
    QPushButton* preferencesButton() const { return preferences_; }
    QPushButton* portForwardingButton() const { return buyPortForwarding_; }

    void loadView() override;
    void viewDidLoad() override;

    // Makes the add-on dialog for a page (tests and pictures give their own); a dialog made with
    // an address of its own keeps it.
    std::function<AddonDialog*(const QUrl& page)> makeAddonDialog;

    void buyDedicatedIpButtonClicked();
    void buyPortForwardingButtonClicked();
    void showPreferencesScreen();

private:
    void renderPortForwarding();
    // Shows the add-on's page in a sheet on the card's window; Get runs `onGet`.
    void openAddonDialog(const std::string& page, std::function<void()> onGet);

    ConnectionDetailModel* model_;
    QPointer<QLabel> dataIn_, dataOut_, portForwarding_;
    QPointer<QPushButton> retry_, dedicatedIp_, preferences_, buttonArrow_, buyPortForwarding_;
    std::vector<appkit::Subscription> bindings_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
