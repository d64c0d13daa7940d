#pragma once
// The header of the locations page: when the locations were last pinged and the control that asks
// the catalogue for a new ping run. The control shows only while pinging is on, and spins from a
// click until the catalogue reports that a run has finished (any run, not only the one asked for)
// or ended without pinging (failed, or pinging off); with no catalogue listening it stops at once.
//
// Threads: main thread; the notifications it follows are posted there.
#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <optional>
#include <string>
#include <vector>

#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/ExploreModel.h"

namespace morvex {

class ExploreController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit ExploreController(QObject* parent = nullptr);
    ~ExploreController() override;

    ExploreModel model;
    appkit::Observable<bool> showRefreshPingView{false};
    appkit::Observable<std::optional<std::string>> lastPing;
    appkit::Observable<bool> refreshing{false};

    QLabel* lastPingLabel() const { return lblLastPing_; }
    QAbstractButton* refreshButton() const { return btnRefresh_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    void refreshPingClicked();
    void enablePingChanged(const Notification& notification);
    void pingAtChanged();

private:
    QPointer<QLabel> lblLastPing_;
    QPointer<QAbstractButton> btnRefresh_;
    std::vector<appkit::Subscription> bindings_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
