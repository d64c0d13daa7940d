#pragma once
// One tile of the dashboard's bottom pane: a caption over a rounded card that is one button and
// shows a location's flag and name; a click asks the account gate, then dials the location.
// Which is which: DashboardFirstController is this tile for the recommended location (shown while
// down before there are recents), DashboardRecentController for the last connected one; each only
// says where its location comes from, how it is named and dialled, and its texts.
// Hears its refresh notifications on the main thread (see MainThreadObserver.h).
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "model/ServerRecord.h"
#include "viewmodels/DashboardRecentModel.h"
#include "ui/kit/RecentsCellView.h"

namespace morvex {

class DashboardTileController : public appkit::ViewController {
    Q_OBJECT
public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;

    // What makes one tile differ from the other.
    struct Tile {
        // Object names of the tile's view, its caption and its card; the card's accessible name.
        const char* viewName = "";
        const char* captionName = "";
        const char* cardName = "";
        const char* accessibleName = "";
        // The caption's localization key.
        std::string captionKey;
        // The location shown, as the stores hold it now.
        std::function<ServerPtr(const DashboardRecentModel&)> location;
        // The name shown for the location (or for none); empty: the cell's own name of a location.
        std::function<std::string(const ServerPtr&)> title;
        // What a click does with the location, after the account gate let it through.
        void (DashboardRecentModel::*dial)(const ServerPtr&) = nullptr;
        // Notifications after which the tile reads and shows its location again.
        std::vector<std::string_view> reloadOn;
    };

    DashboardTileController(Tile tile, DashboardRecentModel::Collaborators c, QObject* parent = nullptr);
    ~DashboardTileController() override;

    // The account gate a click asks first (by default the base controller's).
    std::function<bool()> accountGate;
    // Runs before each appearance, before the location is read.
    std::function<void()> beforeAppearing;

    const ServerPtr& location() const { return location_; }
    RecentsCellView* cell() const { return cell_; }
    QPushButton* tile() const { return tile_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    // A click on the card: the gate, then the location as the stores hold it now.
    void tileClicked();

private:
    void reload();

    Tile spec_;
    DashboardRecentModel model_;
    ServerPtr location_;
    QPointer<RecentsCellView> cell_;
    QPointer<QPushButton> tile_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
