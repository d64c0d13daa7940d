#pragma once
// The dashboard's connection panel: the state title with its shield, the quick-connect row (the
// recommended location, or the one being dialled, or the country and public address when
// connected), the protocol and time rows, the cancel area while connecting, the recently connected
// box and the connect / disconnect action. It renders ConnectionComponentsModel::state and hands
// every notification to the model on the main thread.
#include <QColor>
#include <QPointer>
#include <memory>
#include <vector>

#include "alerts/BaseViewController.h"
#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/ConnectButtonModel.h"
#include "viewmodels/ConnectionComponentsModel.h"

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace morvex {

class ConnectButtonModel;

class ConnectionComponentsController : public appkit::ViewController, public ConnectButtonModelDelegate {
    Q_OBJECT
public:
    explicit ConnectionComponentsController(QObject* parent = nullptr);
    // With the panel's model made by the caller (the dashboard shares the card's location load).
    explicit ConnectionComponentsController(ConnectionComponentsModel* model, QObject* parent = nullptr);
    ~ConnectionComponentsController() override;

    // The panel's model with the usual collaborators, the recommended connect going through
    // `connectButton` and the gate through a fresh BaseViewController.
    static ConnectionComponentsModel::Collaborators collaborators(ConnectButtonModel* connectButton,
                                                                  std::shared_ptr<ConnectionLocationModel> location);

    ConnectionComponentsModel& model() { return *model_; }

    QLabel* lblSubTitle() const { return lblSubTitle_; }
    QLabel* connectionTimer() const { return connectionTimer_; }
    QLabel* lblConnectedProtocol() const { return lblConnectedProtocol_; }
    QLabel* recommendedName() const { return recommendedName_; }
    QLabel* recentlyConnectedName() const { return recentlyConnectedName_; }
    QWidget* recentlyConnectedView() const { return recentlyConnectedView_; }
    QWidget* cancelView() const { return cancelView_; }
    QPushButton* statusButton() const { return statusButton_; }
    QToolButton* btnFav() const { return btnFav_; }
    QToolButton* rightArrow() const { return rightArrow_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

private:
    void render(const ConnectionComponentsModel::PanelState& s);
    void applyBorderColors();

    ConnectionComponentsModel* model_;
    QPointer<QLabel> upperImgView_, lblSubTitle_, recommendedImgView_, recommendedName_;
    QPointer<QToolButton> rightArrow_;
    QPointer<QLabel> lblQuickConnect_, lblProtocol_, lblConnectedProtocol_, lblVPNIp_, lblConnectionTime_, connectionTimer_;
    QPointer<QLabel> recentlyConnectedImgView_, recentlyConnectedName_;
    QPointer<QWidget> fastestView_, protocolView_, timeRow_, bottomView_, cancelView_, recentlyConnectedView_;
    QPointer<QPushButton> statusButton_, cancelButton_, recentlyConnectedBtn_;
    QPointer<QToolButton> btnFav_;
    appkit::Subscription stateBinding_;
    std::vector<ObserverToken> observers_;
    ConnectionComponentsModel::PanelState shown_;
    bool rendered_ = false;  // shown_ holds what the views show
    QColor renderedBorder_;
};

}  // namespace morvex
