#pragma once
// Which is which: this is the country list the explore tab shows (scene "CountriesViewController");
// CountriesViewController1 is the sectioned variant over the same model, which nothing opens yet.
//
// The country list: the catalogue's countries, narrowed by a search text, the P2P filter and the
// sort order, with tabs for all locations, favourites and recently connected ones. A click on a
// row connects (after the account check); a country's arrow opens its cities in the explore tab.
// The screen keeps no list of its own: it shows the model's content in the model's order.
//
// Threads: main thread only; the notifications it follows are carried there.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "appkit/ViewController.h"
#include "catalog/CountriesModel.h"
#include "foundation/NotificationCenter.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/locations/FilterViewController.h"
#include "ui/locations/LocationListView.h"
#include "ui/locations/SortViewController.h"

namespace morvex {

class CustomTabView;
class CustomView;
class PopOver;

class CountriesViewController : public appkit::ViewController,
                                public FilterViewControllerDelegate,
                                public SortViewControllerDelegate {
    Q_OBJECT
public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    using ServerList = ZevuDataFetcherTypes::ServerList;
    using ModelFactory = std::function<std::unique_ptr<CountriesModel>()>;

    static constexpr std::string_view kStoryboardID = "CountriesViewController";
    static constexpr std::string_view seguePreferences = kSeguePreferences;
    // Grid styles of the list: none, or a solid hairline under each row.
    static constexpr int kGridNone = 0;
    static constexpr int kGridHorizontal = 2;

    // The model with the default catalogue collaborators, or the one `factory` makes.
    explicit CountriesViewController(QObject* parent = nullptr);
    explicit CountriesViewController(const ModelFactory& factory, QObject* parent = nullptr);
    ~CountriesViewController() override;

    // The model with the default collaborators over the standard stores and the shared SDK.
    static std::unique_ptr<CountriesModel> makeDefaultModel();

    CountriesModel& model() { return *model_; }
    bool searching = false;

    // The rows: an item view over the arranged locations, one record per row and no widget.
    QPointer<LocationListView> tableView;
    QPointer<CustomView> subView;
    QPointer<CustomTabView> allTabView;
    QPointer<CustomTabView> favoriteTabView;
    QPointer<CustomTabView> recentTabView;
    QPointer<QLineEdit> searchField;
    QPointer<QAbstractButton> btnP2P;
    QPointer<QAbstractButton> btnSort;
    // Opens the sectioned list, whose sort choices include ping (only inside the explore tab).
    QPointer<QAbstractButton> btnSections;
    QPointer<QLabel> labelLocations;
    // Says that the favourites or recents tab has nothing to show yet.
    QPointer<QLabel> emptyTabLabel;
    QPointer<CustomView> searchBox;
    QPointer<PopOver> popOver;

    // The width kept for the filter and sort buttons beside the search field (0 folds them away).
    qreal stackViewWidthConstraint() const { return stackViewWidth_; }
    void setStackViewWidthConstraint(qreal constant);
    int gridStyleMask() const { return gridStyleMask_; }
    // The rows shown: the model's content in the model's order.
    const ServerList& arrangedObjects() const { return arranged_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidAppear() override;
    void viewDidDisappear() override;
    void prepareForSegue(appkit::StoryboardSegue& segue, const std::any& sender) override;

    // Tabs.
    void showAllLocations();
    void showFavoriteLocations();
    void showRecentLocations();
    // Every edit of the search field.
    void searchTextChanged();
    // The sort button, the overlay's notifications and the sort control's tag.
    void toggleSortPopOver();
    void sortPopularity();
    void sortAlphabetically();
    void dismissSortView();
    void sortPreferrenceChanged(int senderTag);
    // The filter button and a filter control (tag and state).
    void showFilterSheet();
    void filterPreferrenceChanged(int senderTag, bool senderIsOn);
    // The sections button.
    void openSectionedList();
    // A row's city arrow.
    void openCities(int row);
    // A click on a row, or Enter on the current one.
    void rowClicked(int row);
    // A row's star.
    void starClicked(int row);

    // The model's callbacks.
    void rowUpdated(const std::string& serverId);
    void contentReloaded();
    void showProtocolAlert();
    // The sheets' callbacks.
    void filterApplied(bool isFilterOn) override;
    void sortSelected(int kind) override;

    // The favourites tab's title for a number of stored favourites.
    static std::string favoritesTitle(std::size_t count);

private:
    void applyColors();
    void setListControlsEnabled(bool enabled, qreal alpha);
    void selectTab(CustomTabView* tab);
    void setGridStyleMask(int mask);
    void updateFavoritesTitle();
    void removePopOver();
    void favoritesChanged();
    void sendFilterList();
    void rearrange();
    void reloadData();
    void showEmptyTabText();
    void reloadRow(int row);
    LocationRowsModel::Row rowFor(const ServerPtr& server) const;

    std::unique_ptr<CountriesModel> model_;
    ServerList arranged_;
    qreal stackViewWidth_ = 18.0;
    int gridStyleMask_ = kGridNone;
    QPointer<QWidget> buttonStack_;
    std::vector<ObserverToken> observers_;
    std::shared_ptr<ContentUpdateDelegate> contentDelegate_;
    std::shared_ptr<CountriesModelDelegate> countriesDelegate_;
};

}  // namespace morvex
