#include "ui/locations/ExploreTabViewController.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/shell/MainStoryboard.h"
#include "ui/shell/WindowMetrics.h"
#include "appkit/Application.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "ui/kit/DashboardStyle.h"
#include "ui/locations/LeftPanelViewController.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/shell/PageInputs.h"
#include "ui/shell/Router.h"
#include "ui/locations/CitiesViewController.h"
#include "ui/locations/ExploreController.h"

namespace morvex {
namespace {

// The scene's controller, or the empty page while the scene is not registered.
appkit::ViewController* sceneOrEmptyPage(std::string_view identifier) { return router::embed(identifier); }

constexpr int kLeftColumnWidth = 220;

}  // namespace

ExploreTabViewController::ExploreTabViewController(QObject* parent) : TabViewController(parent) {
    addChildViewController(sceneOrEmptyPage(kCountriesScene));
    addChildViewController(sceneOrEmptyPage(kCitiesScene));
    addChildViewController(sceneOrEmptyPage(kSectionedScene));
}

void ExploreTabViewController::loadView() {
    // The tab container's own view is the stack of pages; the page puts it under the header and
    // beside the favourites panel.
    TabViewController::loadView();
    QWidget* pages = view();
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("LocationsView"));
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    leftPanel_ = sceneOrEmptyPage(kLeftPanelScene);
    leftPanel_->setParent(this);
    auto* column = new QWidget(page);
    column->setObjectName(QStringLiteral("leftColumn"));
    column->setFixedWidth(kLeftColumnWidth);
    column->setAutoFillBackground(true);
    QPalette white = column->palette();
    white.setColor(QPalette::Window, dashboard::color("BottomColor"));
    column->setPalette(white);
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 8, 0, 0);
    columnLayout->addWidget(leftPanel_->view());
    auto* separator = new QWidget(page);
    separator->setFixedWidth(1);
    separator->setAutoFillBackground(true);
    QPalette line = separator->palette();
    line.setColor(QPalette::Window, dashboard::color("Separator"));
    separator->setPalette(line);

    header_ = new ExploreController(this);
    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(header_->view());
    right->addWidget(pages, 1);

    row->addWidget(column);
    row->addWidget(separator);
    row->addLayout(right, 1);
    setView(page);
}

void ExploreTabViewController::viewDidLoad() {
    TabViewController::viewDidLoad();
    if (auto* window = appkit::Application::shared().firstWindow()) window->setContentSize(kMainWindowContentSize);
}

void ExploreTabViewController::viewWillAppear() {
    TabViewController::viewWillAppear();
    // The panel and the header are parts of this page rather than pages of their own, so they
    // hear of its appearance from here.
    if (leftPanel_) leftPanel_->viewWillAppear();
    if (header_) header_->viewWillAppear();
}

void ExploreTabViewController::viewDidDisappear() {
    TabViewController::viewDidDisappear();
    // The sectioned list's back action leaves for the dashboard; the next visit starts on the
    // usual country list.
    if (selectedTabViewItemIndex() == Sectioned) selectTabViewItem(Countries);
}

void ExploreTabViewController::showCities(const ZevuDataFetcherTypes::ServerPtr& country) {
    if (!country) return;
    citiesToShow_ = country->servers;
    citiesCountryName_ = "Cities / " + country->name;
    selectTabViewItem(Cities);
}

void ExploreTabViewController::selectTabViewItem(int index) {
    willSelectTabViewItem(childViewControllerAt(index));
    setSelectedTabViewItemIndex(index);
}

void ExploreTabViewController::willSelectTabViewItem(appkit::ViewController* page) {
    if (auto* cities = router::inputOf<CityListInput>(page)) cities->showCities(citiesToShow_, citiesCountryName_);
}

void registerLocationStoryboards() {
    appkit::Storyboard& main = appkit::Storyboard::define(kMainStoryboard);
    main.scene(std::string(ExploreTabViewController::kStoryboardID), [] { return new ExploreTabViewController; })
        .scene(std::string(ExploreTabViewController::kCitiesScene), [] { return new CitiesViewController; })
        .scene(std::string(ExploreTabViewController::kLeftPanelScene), [] { return new LeftPanelViewController; })
        .segue(std::string(ExploreTabViewController::kLeftPanelScene), std::string(kSeguePreferences),
               std::string(kPreferencesWindowScene), appkit::SegueKind::Show);
}

}  // namespace morvex
