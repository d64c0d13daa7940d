#pragma once
// The favourites panel: a header row, then the user's favourite locations as server rows (or a
// placeholder when there are none). A click on a location connects to it after the account
// check; headers and the placeholder do nothing, and a location row never stays highlighted.
// When the selected protocol's system extension is not ready, a protocol sheet names the protocol
// instead. Made from its storyboard scene, it opens the preferences window on the protocol page
// through "seguePreferences".
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "ui/locations/LocationListView.h"
#include "viewmodels/LeftPanelViewModel.h"

namespace morvex {

class LeftPanelViewController : public appkit::ViewController, public LeftPanelModelDelegate {
    Q_OBJECT
public:
    static constexpr std::string_view seguePreferences = "seguePreferences";

    explicit LeftPanelViewController(LeftPanelViewModel::Collaborators c = LeftPanelViewModel::defaults(),
                                     QObject* parent = nullptr);
    ~LeftPanelViewController() override;

    std::function<bool()> accountGate;
    LeftPanelViewModel& model() { return *model_; }
    LocationListView* tableView() const { return table_; }
    const std::vector<LeftPanelRow>& content() const { return model_->content.value(); }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void prepareForSegue(appkit::StoryboardSegue& segue, const std::any& sender) override;
    // The sheet shown when the selected protocol's system extension is not ready.
    void makeWireGuardBetaAlertController() override;

private:
    void showContent();
    void rowClicked(int row);

    std::unique_ptr<LeftPanelViewModel> model_;
    QPointer<LocationListView> table_;
    appkit::Subscription contentBinding_;
};

}  // namespace morvex
