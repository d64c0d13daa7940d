#pragma once
// The locations page of the main window: the favourites panel in the left column, and beside it
// the header with the ping refresh over three pages, 0 the country list, 1 the city list of one
// country and 2 the sectioned country list. A country's arrow opens page 1 with that country's
// cities; the city list's back button returns to page 0. The country list's sections button opens
// page 2 (the one list that sorts by ping); leaving the locations page from there brings page 0
// back for the next visit. Pages are scenes of the main storyboard; a scene not registered yet leaves an
// empty page.
//
// Threads: main thread.
#include <QPointer>
#include <optional>
#include <string>
#include <string_view>

#include "appkit/TabViewController.h"
#include "model/ServerRecord.h"
#include "ui/locations/ExploreController.h"

namespace morvex {

class ExploreTabViewController : public appkit::TabViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardID = "LocationsViewController";
    static constexpr std::string_view kCountriesScene = "CountriesViewController";
    static constexpr std::string_view kCitiesScene = "CitiesViewController";
    static constexpr std::string_view kLeftPanelScene = "LeftPanelViewController";
    static constexpr std::string_view kSectionedScene = "CountriesViewController1";
    enum Page { Countries = 0, Cities = 1, Sectioned = 2 };

    explicit ExploreTabViewController(QObject* parent = nullptr);

    // The country whose city page was asked for last.
    const std::optional<ZevuDataFetcherTypes::ServerList>& citiesToShow() const { return citiesToShow_; }
    const std::optional<std::string>& citiesCountryName() const { return citiesCountryName_; }

    // Opens the city page on the country's cities, titled "Cities / <country>".
    void showCities(const ZevuDataFetcherTypes::ServerPtr& country);
    // Selects a page, first handing the city page the country it is to show.
    void selectTabViewItem(int index);

    appkit::ViewController* leftPanel() const { return leftPanel_; }
    ExploreController* header() const { return header_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidDisappear() override;

private:
    void willSelectTabViewItem(appkit::ViewController* page);

    std::optional<ZevuDataFetcherTypes::ServerList> citiesToShow_;
    std::optional<std::string> citiesCountryName_;
    QPointer<appkit::ViewController> leftPanel_;
    QPointer<ExploreController> header_;
};

// Registers the locations page, its two pages and the favourites panel with the main storyboard.
void registerLocationStoryboards();

}  // namespace morvex
