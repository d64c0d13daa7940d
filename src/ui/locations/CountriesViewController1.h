#pragma once
// Which is which: this is the sectioned variant (scene "CountriesViewController1", the explore
// tab's third page, opened by the country list's sections button); the list the explore tab
// shows first is CountriesViewController.
//
// The sectioned country list: the same catalogue model as the country list, with a segment row
// (all, favourites, recents) instead of tab headers, lists of its own that it rebuilds on every
// appearance, segment change, search, filter and sort, one row layout per kind of row, the filter
// and sort choices as sheets, and a back action to the first tab.
//
// Threads: main thread only.
#include <QAbstractButton>
#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <memory>
#include <string_view>

#include "appkit/ViewController.h"
#include "catalog/CountriesModel.h"
#include "ui/locations/FilterTypeCellView.h"
#include "ui/locations/FilterViewController.h"
#include "ui/locations/LocationListView.h"
#include "ui/locations/SortViewController.h"
#include "vpn/KillDedicatedSessionModel.h"

namespace morvex {

class CountriesViewController1 : public appkit::ViewController,
                                 public FilterViewControllerDelegate,
                                 public SortViewControllerDelegate,
                                 public FilterTypeCellViewDelegate,
                                 public NSTableCellViewDelegate {
    Q_OBJECT
public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    using ServerList = ZevuDataFetcherTypes::ServerList;
    using ModelFactory = std::function<std::unique_ptr<CountriesModel>()>;

    static constexpr std::string_view kStoryboardID = "CountriesViewController1";

    // What the list shows: All, PF and P2P the locations, Recents the recents, Favorites the favourites.
    enum class Filter { All = 0, Recents = 1, Favorites = 2, PF = 3, P2P = 4 };

    explicit CountriesViewController1(QObject* parent = nullptr);
    explicit CountriesViewController1(const ModelFactory& factory, QObject* parent = nullptr);
    ~CountriesViewController1() override;

    // The rows: an item view over the list shown, one record per row and no widget.
    QPointer<LocationListView> tableView;
    QPointer<QLineEdit> searchField;
    QPointer<QAbstractButton> btnP2P;
    QPointer<QAbstractButton> btnSort;
    QPointer<QWidget> containerSegment;
    QPointer<QWidget> searchBox;
    CountriesModel& model() { return *model_; }
    KillDedicatedSessionModel killDedicatedSessionModel;
    Filter filterType = Filter::All;
    ServerList dedicatedip, recents, favorites, locations;
    bool searching = false;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    // The buttons: the filter sheet, the sort sheet, back to the first tab.
    void showFilterVC();
    void showSortVC();
    void popVC();
    void searchTextChanged();

    // The table: rows (one empty row for an empty list), the server of a row, and a click, which
    // answers whether the row may be selected.
    int numberOfRows() const;
    ServerPtr objectValue(int row) const;
    bool shouldSelectRow(int row);

    // Collaborators' callbacks.
    void filterApplied(bool isFilterOn) override;
    void sortSelected(int kind) override;
    void showProtocolAlert();
    void filterTypeSelected(int tag);
    void filterTypeSelected(QObject* sender) override;
    void favoriteChanged(const ServerPtr& server) override;
    FilterTypeCellView* segmentView() const { return segmentView_; }
    // The segment that shows a filter: all (0), favourites (1) or recents (2); the port-forwarding
    // and P2P filters show the locations, so the all segment.
    static int segmentTag(Filter filter);

    // The list the current segment shows.
    const ServerList& shownList() const;

private:
    void resetForFilterType(Filter filter);
    void reloadStoredLists();
    void rebuildLocations();
    void reloadData();
    LocationRowsModel::Row rowFor(int row) const;
    void showSegment(int tag);

    std::unique_ptr<CountriesModel> model_;
    std::shared_ptr<CountriesModelDelegate> countriesDelegate_;
    QPointer<FilterTypeCellView> segmentView_;
};

}  // namespace morvex
