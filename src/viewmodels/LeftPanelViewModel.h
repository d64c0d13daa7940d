#pragma once
// The model of the favourites panel at the left of the locations page: the panel's rows (the
// favourites header, then the user's favourites in stored order, or a placeholder when there are
// none), the ping switch kept in step with the stored preference, and the connect of a chosen
// row. The rows are rebuilt whenever favourites, recents, the preferences, the VPN account, the
// recommended location or the dedicated IP change.
//
// Threads: the notifications may arrive on their poster's thread (the engine's come from the
// SDK's); the stores are read there and the new rows handed to the main queue, so `content` and
// `enablePing` only ever change on the main thread. Connects run on the main thread.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "alerts/ConnectRequest.h"
#include "appkit/Bindings.h"
#include "catalog/LocationLists.h"
#include "foundation/Error.h"
#include "foundation/Lifetime.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"

namespace morvex {

// A section title row of the panel; the image is looked up by name when the row is drawn.
struct LeftPanelHeader {
    std::string name;
    std::string imageName;
};
// The placeholder of an empty section.
struct LeftPanelEmptyRow {
    std::string message;
};
using LeftPanelRow = std::variant<LeftPanelHeader, LeftPanelEmptyRow, ListItem>;

// The panel, asked for the protocol sheet when a row cannot connect because the selected
// protocol's system extension is not ready.
class LeftPanelModelDelegate {
public:
    virtual ~LeftPanelModelDelegate() = default;
    virtual void makeWireGuardBetaAlertController() = 0;
};

class LeftPanelViewModel {
public:
    // The smart connect to the stored recommended location, from the given control.
    using QuickConnect = std::function<void(ZevuTypes::SelectedInterface, ConnectErrorHandler)>;
    struct Collaborators {
        PreservedPreferences preservedPreference;
        AppPreferences appPreference;
        User user;
        ConnectToLocation connect;
        QuickConnect quickConnect;
    };
    // The stores over the standard defaults and the application's engine.
    static Collaborators defaults();

    explicit LeftPanelViewModel(Collaborators collaborators = defaults());
    ~LeftPanelViewModel();
    LeftPanelViewModel(const LeftPanelViewModel&) = delete;
    LeftPanelViewModel& operator=(const LeftPanelViewModel&) = delete;

    // Section rows, their texts localized once here. Only the favourites section is shown today.
    const LeftPanelHeader dedicatedIpSection;
    const LeftPanelHeader fastestServerSection;
    const LeftPanelHeader recentSection;
    const LeftPanelHeader favoriteSection;
    const LeftPanelEmptyRow emptyRecents;
    const LeftPanelEmptyRow emptyFavorites;

    // What the panel shows; empty until the first reload arrives on the main queue.
    appkit::Observable<std::vector<LeftPanelRow>> content;
    // The stored ping preference.
    appkit::Observable<bool> enablePing{false};
    // Held weakly: the panel owns the model.
    LeftPanelModelDelegate* delegate = nullptr;

    // Reads the favourites now and publishes the rows (and the ping preference) on the main queue.
    void reloadContent();
    // The favourites header, then the favourites or the placeholder.
    std::vector<LeftPanelRow> rowsFromStores() const;

    // Connects to the row's location: a fastest-location row through the smart connect, any other
    // through the engine's connect path, with the control named by the row's kind. With the
    // selected protocol's system extension not ready, asks the delegate for the protocol sheet
    // instead.
    void connectItem(const ListItem& item);
    // The alert for a refused connect: 998 no subscription, 701 expired, 533 disabled, 1111 the
    // dedicated IP's protocol, -1001 another connection up, -1002 already connected here. Other
    // codes, and no error, show nothing.
    void handleVPNError(const std::optional<Error>& error, const ZevuDataFetcherTypes::ServerPtr& server,
                        ZevuTypes::ConnectVia connectVia, ZevuTypes::SelectedInterface selectedInterface) const;

    // The control a row of this kind stands for in the engine's analytics.
    static ZevuTypes::SelectedInterface selectedInterface(ListItem::RowType rowType);

private:
    void observe(std::string_view name, std::function<void(const Notification&)> block);

    Collaborators c_;
    Lifetime lifetime_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
