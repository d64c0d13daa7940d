#include "ui/locations/CountriesStoryboards.h"

#include <string>

#include "ui/shell/MainStoryboard.h"
#include "appkit/Storyboard.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/locations/CountriesViewController.h"
#include "ui/locations/CountriesViewController1.h"
#include "ui/locations/FilterViewController.h"
#include "ui/locations/SortView.h"
#include "ui/locations/SortViewController.h"

namespace morvex {

void registerCountriesStoryboards() {
    appkit::Storyboard& main = appkit::Storyboard::define(kMainStoryboard);
    main.scene(std::string(CountriesViewController::kStoryboardID), [] { return new CountriesViewController; })
        .segue(std::string(CountriesViewController::kStoryboardID), std::string(kSeguePreferences),
               std::string(kPreferencesWindowScene), appkit::SegueKind::Show)
        .scene(std::string(CountriesViewController1::kStoryboardID), [] { return new CountriesViewController1; });
    appkit::Storyboard::define(SortViewController::kStoryboard)
        .scene(std::string(SortViewController::kStoryboardID), [] { return new SortViewController; });
    appkit::Storyboard::define(FilterViewController::kStoryboard)
        .scene(std::string(FilterViewController::kStoryboardID), [] { return new FilterViewController; });
    SortView::registerNib();
}

}  // namespace morvex
