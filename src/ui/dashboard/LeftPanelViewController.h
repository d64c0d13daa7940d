#pragma once
// The favourites panel of the dashboard: a header row, then the user's favourite locations (or a
// placeholder when there are none). A click on a location connects to it after the account
// check; headers and the placeholder do nothing, and a location row never stays highlighted.
// When the selected protocol's system extension is not ready, a protocol sheet names the protocol
// instead.
#include <QListWidget>
#include <QPointer>
#include <functional>
#include <vector>

#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "ui/dashboard/DashboardPaneModels.h"

namespace morvex {

class LeftPanelViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view seguePreferences = "seguePreferences";

    explicit LeftPanelViewController(LeftPanelModel::Collaborators c = LeftPanelModel::defaults(), QObject* parent = nullptr);
    ~LeftPanelViewController() override;

    std::function<bool()> accountGate;
    QListWidget* tableView() const { return table_; }
    const std::vector<LeftPanelRow>& content() const { return content_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void reloadContent();
    // "seguePreferences" opens the preferences window on its protocol page.
    void prepareForSegue(appkit::StoryboardSegue& segue, const std::any& sender) override;
    // The sheet shown when the selected protocol's system extension is not ready.
    void makeWireGuardBetaAlertController();

private:
    void selectionChanged();
    QWidget* cellFor(const LeftPanelRow& row);

    LeftPanelModel model_;
    std::vector<LeftPanelRow> content_;
    QPointer<QListWidget> table_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
