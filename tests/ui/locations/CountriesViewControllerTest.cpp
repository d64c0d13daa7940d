// The country list on a shown window over the simulated SDK and a cached catalogue: the search
// field's limits, the three tabs, the sort overlay and order, the filter sheet and what a row
// click does.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <map>

#include "app/AppMainViewController.h"
#include "app/Storyboards.h"
#include "app/TabsViewController.h"
#include "appkit/Application.h"
#include "appkit/Sheet.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "catalog/CountriesModel.h"
#include "state/PreservedPreferences.h"
#include "state/StoredServers.h"
#include "state/StoredValueCoding.h"
#include "ui/kit/LayerViews.h"
#include "ui/locations/CountriesStyle.h"
#include "ui/locations/CountriesViewController.h"
#include "ui/locations/CountriesViewController1.h"
#include "ui/locations/ExploreTabViewController.h"
#include "ui/preferences/PreferencesViewController.h"
#include "ui/preferences/PreferencesWindowController.h"
#include "ui/kit/ProtocolsAlertViewController.h"
#include "ui/locations/FilterViewController.h"
#include "ui/locations/PopOver.h"
#include "ui/locations/SortView.h"
#include "vpn/EngineTestSupport.h"

namespace morvex {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;
using ServerPtr = ZevuDataFetcherTypes::ServerPtr;

zevu::ZevuCountry sdkCountry(const std::string& code, const std::string& name) {
    zevu::ZevuCountry c;
    c.country = code;
    c.name = name;
    c.iso_code = code;
    c.protocols = std::vector<zevu::ZevuProtocol>{zevu::ZevuProtocol("IPSEC")};
    return c;
}

ServerPtr location(const std::string& code, const std::string& name) {
    return std::make_shared<ZevuDataFetcherTypes::Server>(code, name, Type::Country, code);
}

class CountriesViewControllerTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        registerStoryboards();
        sortFlags(false, false, false);
        auto germany = sdkCountry("DE", "Germany");
        zevu::ZevuCity frankfurt;
        frankfurt.cityId = 153;
        frankfurt.name = "Frankfurt";
        frankfurt.country = "DE";
        germany.cities = std::vector{frankfurt};
        // Popularity: Germany, France, United Arab Emirates, Azerbaijan; only the first two allow P2P.
        std::vector<nlohmann::json> docs;
        for (const auto& c : {germany, sdkCountry("AZ", "Azerbaijan"), sdkCountry("FR", "France"),
                              sdkCountry("AE", "United Arab Emirates")})
            docs.emplace_back(c);
        UserDefaults defaults = AppPreferences().defaults();
        setEncodableArray(defaults, std::optional(docs), AppPreferences::Key::countries);
    }
    void TearDown() override {
        window.reset();
        sortFlags(false, false, false);
        if (sdkStatus() != zevu::rawValue(zevu::ZevuVPNState::Disconnected)) {
            zevu::ZevuManager::sharedInstance()->disconnectVPN();
            test::waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); });
        }
        EngineTest::TearDown();
    }

    static void sortFlags(bool popularity, bool alphabetical, bool ping) {
        AppManager& app = AppManager::shared();
        // One kind at most: the first flag set wins.
        app.setSortKind(popularity     ? AppManager::SortKind::popularity
                        : alphabetical ? AppManager::SortKind::alphabetical
                        : ping         ? AppManager::SortKind::ping
                                       : AppManager::SortKind::none);
    }

    // The screen shown in a main window, its countries loaded.
    std::unique_ptr<CountriesModel> makeModel() {
        return std::make_unique<CountriesModel>(
            engine().locationEngine(), ZevuDataFetcher(PreservedPreferences(), AppPreferences(), zevu::ZevuManager::sharedInstance(), tracker()),
            PreservedPreferences(), tracker());
    }
    CountriesViewController* show() {
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        screen = new CountriesViewController([this] { return makeModel(); });
        window->setContentViewController(screen);
        window->show();
        EXPECT_TRUE(test::waitUntil([&] { return rowCount() == 4; })) << "the catalogue loads";
        return screen;
    }
    // The locations page as the main storyboard makes it, in a shown window.
    ExploreTabViewController* showExplore() {
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        auto* explore = qobject_cast<ExploreTabViewController*>(
            appkit::Storyboard::named(kMainStoryboard)->instantiateController(ExploreTabViewController::kStoryboardID));
        if (!explore) return nullptr;
        window->setContentViewController(explore);
        window->show();
        return explore;
    }
    std::vector<std::string> shownNames() const {
        std::vector<std::string> out;
        for (const auto& s : screen->arrangedObjects()) out.push_back(s->name);
        return out;
    }
    // Typed key by key; a character with no key of its own arrives as the text of a key press.
    void type(const QString& text) {
        for (const QChar c : text) {
            if (c.unicode() < 0x7f) QTest::keyClick(screen->searchField, c.toLatin1());
            else QTest::sendKeyEvent(QTest::Click, screen->searchField, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    void clearField() {
        screen->searchField->selectAll();
        QTest::keyClick(screen->searchField, Qt::Key_Backspace);
    }
    int rowCount() const { return screen->tableView->model()->rowCount(); }
    int rowNamed(const std::string& name) const {
        for (int r = 0; r < static_cast<int>(screen->arrangedObjects().size()); ++r)
            if (screen->arrangedObjects()[static_cast<std::size_t>(r)]->name == name) return r;
        return -1;
    }
    // A click on a part of a row as the list draws it (the row itself, its arrow or its star).
    QRect partRect(int row, LocationListView::Part part) const {
        return screen->tableView->partRect(screen->tableView->model()->index(row, 0), part);
    }
    void clickRow(int row, LocationListView::Part part = LocationListView::Part::Row) {
        const QRect at = partRect(row, part);
        ASSERT_FALSE(at.isEmpty()) << "row " << row << " has no such part";
        QTest::mouseClick(screen->tableView->viewport(), Qt::LeftButton, {}, at.center());
    }
    static void clickTab(QWidget* tab) { QTest::mouseClick(tab, Qt::LeftButton); }
    bool listControlsEnabled() const { return screen->btnP2P->isEnabled() && screen->btnSort->isEnabled(); }
    QString tabTitle(QWidget* tab) const { return qobject_cast<QLabel*>(viewWithTag(tab, 2))->text(); }
    static void storeFavorites(int count) {
        const ServerPtr all[] = {location("DE", "Germany"), location("FR", "France"), location("AZ", "Azerbaijan"),
                                 location("AE", "United Arab Emirates")};
        ZevuDataFetcherTypes::ServerList favorites;
        for (int i = 0; i < count; ++i) {
            all[i]->favorite = true;
            favorites.push_back(all[i]);
        }
        PreservedPreferences().setFavorites(favorites);
    }
    bool sheetShown() const { return window->attachedSheet() && !window->attachedSheet()->hasEnded(); }

    appkit::Application app;
    std::unique_ptr<appkit::Window> window;
    CountriesViewController* screen = nullptr;
};

TEST_F(CountriesViewControllerTest, TheSearchFieldKeepsFiftyAllowedCharactersAndNarrowsTheList) {
    show();
    const struct {
        const char* what;
        QString typed;
        QString kept;
        std::vector<std::string> shown;
        bool noResultLabel;
    } cases[] = {
        {"sixty characters are cut to fifty", QString(60, QLatin1Char('a')), QString(50, QLatin1Char('a')), {}, true},
        {"fifty characters stay", QString(50, QLatin1Char('b')), QString(50, QLatin1Char('b')), {}, true},
        {"a hyphen, an exclamation mark and an accent disappear in order", QString::fromUtf8("Fr-a!nc\u00e9e"),
         QStringLiteral("France"), {"France"}, false},
        {"digits and spaces stay", QStringLiteral("Ger 1"), QStringLiteral("Ger 1"), {}, true},
        {"a name part matches", QStringLiteral("an"), QStringLiteral("an"), {"Azerbaijan", "France", "Germany"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clearField();
        type(c.typed);
        EXPECT_EQ(screen->searchField->text(), c.kept);
        EXPECT_TRUE(screen->model().searching());
        EXPECT_EQ(screen->labelLocations->isVisible(), c.noResultLabel);
        EXPECT_EQ(screen->gridStyleMask(), c.noResultLabel ? CountriesViewController::kGridNone
                                                           : CountriesViewController::kGridHorizontal);
        if (!c.noResultLabel) {
            auto names = shownNames();
            std::sort(names.begin(), names.end());
            EXPECT_EQ(names, c.shown);
        } else {
            EXPECT_TRUE(shownNames().empty());
        }
        EXPECT_FALSE(listControlsEnabled()) << "filter and sort wait while a search runs";
        EXPECT_EQ(screen->stackViewWidthConstraint(), 0.0);
    }

    // Nothing but removed characters: an empty field, the whole list, the buttons back.
    clearField();
    type(QString::fromUtf8("-!\u00e9"));
    EXPECT_EQ(screen->searchField->text(), QString());
    EXPECT_FALSE(screen->model().searching()) << "an emptied text searches for nothing";
    EXPECT_EQ(screen->arrangedObjects().size(), 4u);
    EXPECT_TRUE(listControlsEnabled());
    EXPECT_FALSE(screen->labelLocations->isVisible());
    EXPECT_EQ(screen->stackViewWidthConstraint(), 18.0);
}

TEST_F(CountriesViewControllerTest, TabsShowTheirListsAndEnableOnlyTheirControls) {
    storeFavorites(3);
    show();
    EXPECT_EQ(tabTitle(screen->favoriteTabView), "Favorites (3)");
    EXPECT_TRUE(screen->allTabView->isSelected());

    type(QStringLiteral("Ger"));
    clickTab(screen->favoriteTabView);
    EXPECT_TRUE(screen->favoriteTabView->isSelected());
    EXPECT_FALSE(screen->allTabView->isSelected());
    EXPECT_EQ(screen->searchField->text(), QString()) << "entering a tab empties the search";
    EXPECT_EQ(shownNames().size(), 3u);
    EXPECT_EQ(screen->gridStyleMask(), CountriesViewController::kGridNone) << "three favourites: no lines";
    EXPECT_FALSE(listControlsEnabled());
    EXPECT_EQ(countries::alphaValue(screen->btnSort), 0.5);
    EXPECT_TRUE(screen->searchField->isEnabled());
    EXPECT_TRUE(screen->model().favoriteSeleceted);
    // A search text emptied again on the favourites tab leaves the buttons off.
    type(QStringLiteral("!"));
    EXPECT_FALSE(listControlsEnabled());

    clickTab(screen->recentTabView);
    EXPECT_TRUE(screen->recentTabView->isSelected());
    EXPECT_FALSE(screen->searchField->isEnabled());
    EXPECT_EQ(countries::alphaValue(screen->searchBox), 0.5);
    EXPECT_FALSE(listControlsEnabled());
    EXPECT_FALSE(screen->model().favoriteSeleceted);
    EXPECT_TRUE(shownNames().empty()) << "no recents stored";

    clickTab(screen->allTabView);
    EXPECT_TRUE(test::waitUntil([&] { return screen->arrangedObjects().size() == 4; }));
    EXPECT_TRUE(screen->searchField->isEnabled());
    EXPECT_TRUE(listControlsEnabled());
    EXPECT_EQ(screen->gridStyleMask(), CountriesViewController::kGridHorizontal);
}

TEST_F(CountriesViewControllerTest, TheFavouritesTabFollowsTheStoredFavourites) {
    storeFavorites(4);
    show();
    clickTab(screen->favoriteTabView);
    EXPECT_EQ(screen->gridStyleMask(), CountriesViewController::kGridHorizontal) << "four favourites: lines";
    EXPECT_EQ(tabTitle(screen->favoriteTabView), "Favorites (4)");

    // Unmarking the favourites through the rows' stars, one at a time; the last one gone returns to All.
    for (int left = 4; left > 0; --left) {
        ASSERT_TRUE(test::waitUntil([&] { return screen->favoriteTabView->isSelected() && rowCount() == left; })) << left;
        clickRow(0, LocationListView::Part::Star);
        EXPECT_EQ(PreservedPreferences().favorites().size(), static_cast<std::size_t>(left - 1));
    }
    EXPECT_TRUE(test::waitUntil([&] { return screen->allTabView->isSelected(); }));
    EXPECT_FALSE(screen->favoriteTabView->isSelected());
    EXPECT_TRUE(test::waitUntil([&] { return screen->arrangedObjects().size() == 4; }));
}

TEST_F(CountriesViewControllerTest, TheSortOverlayOpensAndClosesOnTheButtonAndItsChoiceOrdersTheList) {
    show();
    QTest::mouseClick(screen->btnSort, Qt::LeftButton);
    ASSERT_NE(screen->popOver, nullptr);
    EXPECT_EQ(screen->popOver->view()->parentWidget(), window.get());
    QTest::mouseClick(screen->btnSort, Qt::LeftButton);
    EXPECT_EQ(screen->popOver, nullptr) << "the second click closes it";

    QTest::mouseClick(screen->btnSort, Qt::LeftButton);
    ASSERT_NE(screen->popOver, nullptr);
    QTest::mouseClick(screen->popOver->sortView()->alphabeticalControl(), Qt::LeftButton);
    EXPECT_EQ(screen->popOver, nullptr) << "a choice closes the overlay";
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Azerbaijan", "France", "Germany", "United Arab Emirates"}));
    EXPECT_TRUE(AppManager::shared().isAlphabaticalSortingEnabled());

    QTest::mouseClick(screen->btnSort, Qt::LeftButton);
    ASSERT_NE(screen->popOver, nullptr);
    EXPECT_EQ(countries::textColorOf(screen->popOver->sortView()->lblAlphabetically),
              ThemedColor::colorNamed("ThemeColor").resolve(screen->popOver->sortView()))
        << "the overlay marks the order in use";
    QTest::mouseClick(screen->popOver->sortView()->popularityControl(), Qt::LeftButton);
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Germany", "France", "United Arab Emirates", "Azerbaijan"}));
    EXPECT_TRUE(AppManager::shared().isPopularitySortingEnabled());
    EXPECT_FALSE(AppManager::shared().isAlphabaticalSortingEnabled());

    // Ping without pinging turned on falls back to popularity and leaves the flags.
    screen->sortSelected(0);
    screen->sortSelected(2);
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Germany", "France", "United Arab Emirates", "Azerbaijan"}));
    EXPECT_TRUE(AppManager::shared().isAlphabaticalSortingEnabled());

    // The overlay goes with the screen.
    QTest::mouseClick(screen->btnSort, Qt::LeftButton);
    QPointer<PopOver> overlay = screen->popOver.data();
    window->setContentViewController(new appkit::ViewController);
    EXPECT_TRUE(test::waitUntil([&] { return overlay.isNull() || overlay->view()->parentWidget() == nullptr; }));
}

TEST_F(CountriesViewControllerTest, AnAlphabeticalOrderChosenBeforeSurvivesTheNextAppearance) {
    sortFlags(false, true, false);
    show();
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Azerbaijan", "France", "Germany", "United Arab Emirates"}));
    EXPECT_FALSE(AppManager::shared().isPopularitySortingEnabled());
}

TEST_F(CountriesViewControllerTest, TheFilterSheetTurnsTheP2PFilterOnAndOffAndReportsIt) {
    show();
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "on" : "off");
        analytics->tracked.clear();
        QTest::mouseClick(screen->btnP2P, Qt::LeftButton);
        ASSERT_TRUE(test::waitUntil([&] { return sheetShown(); }));
        auto* sheet = window->attachedSheet()->findChild<QAbstractButton*>("p2pSwitch");
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->isChecked(), !on) << "the sheet opens with the list's state";
        QTest::mouseClick(sheet, Qt::LeftButton);
        auto buttons = window->attachedSheet()->findChildren<QAbstractButton*>();
        for (auto* b : buttons)
            if (b->text() == "OKAY") QTest::mouseClick(b, Qt::LeftButton);
        EXPECT_TRUE(test::waitUntil([&] { return !sheetShown(); }));
        EXPECT_EQ(screen->model().filterValue.at(0).status, on);
        auto names = shownNames();
        std::sort(names.begin(), names.end());
        const std::vector<std::string> expected = on ? std::vector<std::string>{"France", "Germany"}
                                                     : std::vector<std::string>{"Azerbaijan", "France", "Germany", "United Arab Emirates"};
        EXPECT_EQ(names, expected);
        const auto events = analytics->named("app_filter_list");
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].second.at("selected_filters_list"), Value(on ? "p2p" : ""));
    }
}

TEST_F(CountriesViewControllerTest, ARowClickOrEnterConnectsWithTheInterfaceOfHowTheRowWasFound) {
    show();
    const struct {
        QString search;
        bool keyboard;
        ZevuTypes::SelectedInterface interface;
    } cases[] = {{QString(), false, ZevuTypes::SelectedInterface::List},
                 {QStringLiteral("Fra"), false, ZevuTypes::SelectedInterface::Search},
                 {QString(), true, ZevuTypes::SelectedInterface::List}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.search.toStdString() + (c.keyboard ? " by keyboard" : " by click"));
        clearField();
        if (!c.search.isEmpty()) type(c.search);
        const int row = rowNamed("France");
        ASSERT_GE(row, 0);
        if (c.keyboard) {
            // Down from the first row to France, then Enter, as a user walks the list.
            QTest::keyClick(screen->tableView, Qt::Key_Home);
            for (int r = 0; r < row; ++r) QTest::keyClick(screen->tableView, Qt::Key_Down);
            EXPECT_EQ(screen->tableView->currentIndex().row(), row);
            EXPECT_TRUE(screen->tableView->selectionModel()->isRowSelected(row)) << "the keyboard's row is marked";
            EXPECT_FALSE(AppPreferences().lastConnection()) << "moving through the list connects nothing";
            QTest::keyClick(screen->tableView, Qt::Key_Return);
        } else {
            clickRow(row);
            EXPECT_FALSE(screen->tableView->selectionModel()->hasSelection()) << "the row does not stay selected";
        }
        ASSERT_TRUE(test::waitUntil([] {
            auto last = AppPreferences().lastConnection();
            return last && last->server && last->server->code == "FR" &&
                   sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected);
        }));
        const auto last = AppPreferences().lastConnection();
        EXPECT_EQ(last->selectedInterface, c.interface);
        EXPECT_EQ(last->selectedInterfaceScreen, ZevuTypes::SelectedInterfaceScreen::Location);
        zevu::ZevuManager::sharedInstance()->disconnectVPN();
        ASSERT_TRUE(test::waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
        AppPreferences().setLastConnection(std::nullopt);
    }
}

TEST_F(CountriesViewControllerTest, AStarClickMarksTheLocationAFavouriteAndConnectsNothing) {
    show();
    const int france = rowNamed("France");
    ASSERT_GE(france, 0);
    const QModelIndex index = screen->tableView->model()->index(france, 0);
    EXPECT_FALSE(index.data(LocationRowsModel::FavoriteRole).toBool());
    clickRow(france, LocationListView::Part::Star);
    const auto ids = [] {
        std::vector<std::string> out;
        for (const auto& f : PreservedPreferences().favorites()) out.push_back(f->code);
        return out;
    };
    EXPECT_EQ(ids(), std::vector<std::string>{"FR"});
    ASSERT_TRUE(test::waitUntil([&] { return tabTitle(screen->favoriteTabView) == "Favorites (1)"; }));
    const int shown = rowNamed("France");
    EXPECT_TRUE(screen->tableView->model()->index(shown, 0).data(LocationRowsModel::FavoriteRole).toBool())
        << "the row draws its star filled";
    test::settleWithSdk();
    EXPECT_FALSE(AppPreferences().lastConnection()) << "the star is not the row";
    EXPECT_EQ(sdkStatus(), zevu::rawValue(zevu::ZevuVPNState::Disconnected));
}

TEST_F(CountriesViewControllerTest, ARefusedAccountShowsItsAlertAndConnectsNothing) {
    show();
    User().setStatus(User::Status::Expired);
    clickRow(0);
    test::settleWithSdk();
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("user.expire.popup.title"));
    EXPECT_FALSE(AppPreferences().lastConnection());
    EXPECT_EQ(sdkStatus(), zevu::rawValue(zevu::ZevuVPNState::Disconnected));
}


TEST_F(CountriesViewControllerTest, AnExtensionNotReadyShowsTheProtocolSheetNamingTheProtocolInsteadOfConnecting) {
    show();
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::WireGuard);
    AppPreferences().setWgSystemExtensionStatus(SystemExtensionStatus::NotRecorded);
    clickRow(0);
    ASSERT_TRUE(test::waitUntil([&] { return sheetShown(); }));
    bool named = false;
    for (auto* label : window->attachedSheet()->findChildren<QLabel*>())
        if (label->text().contains(QStringLiteral("WireGuard"))) named = true;
    EXPECT_TRUE(named) << "the sheet names the selected protocol";
    test::settleWithSdk();
    EXPECT_FALSE(AppPreferences().lastConnection());
    EXPECT_EQ(sdkStatus(), zevu::rawValue(zevu::ZevuVPNState::Disconnected));
}

TEST_F(CountriesViewControllerTest, ACountrysArrowOpensItsCitiesInTheExploreTab) {
    ExploreTabViewController* explore = showExplore();
    ASSERT_NE(explore, nullptr);
    auto lists = explore->findChildren<CountriesViewController*>();
    ASSERT_EQ(lists.size(), 1);
    screen = lists.first();
    ASSERT_TRUE(test::waitUntil([&] { return rowCount() == 4; }));
    EXPECT_TRUE(partRect(rowNamed("France"), LocationListView::Part::Arrow).isEmpty()) << "a country without cities has no arrow";
    const int germany = rowNamed("Germany");
    ASSERT_GE(germany, 0);
    clickRow(germany, LocationListView::Part::Arrow);
    EXPECT_EQ(explore->selectedTabViewItemIndex(), ExploreTabViewController::Cities);
    EXPECT_EQ(explore->citiesCountryName(), std::optional<std::string>("Cities / Germany"));
    ASSERT_TRUE(explore->citiesToShow().has_value());
    ASSERT_EQ(explore->citiesToShow()->size(), 1u);
    EXPECT_EQ(explore->citiesToShow()->front()->name, "Frankfurt");
}

TEST_F(CountriesViewControllerTest, ThePreferencesSegueOpensThePreferencesOnTheProtocolPage) {
    std::unique_ptr<QObject> made(
        appkit::Storyboard::named(kMainStoryboard)->instantiateController(CountriesViewController::kStoryboardID));
    auto* list = qobject_cast<CountriesViewController*>(made.get());
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->performSegue(kSeguePreferences));
    PreferencesWindowController* shown = nullptr;
    for (appkit::Window* w : appkit::Application::shared().windows())
        if (auto* c = dynamic_cast<PreferencesWindowController*>(w->delegate()); c && w->isVisible()) shown = c;
    ASSERT_NE(shown, nullptr);
    std::unique_ptr<PreferencesWindowController> owned(shown);
    auto* pages = qobject_cast<PreferencesViewController*>(shown->contentViewController());
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->selectedTabViewItemIndex(), kPreferencesProtocolTab);
}

// ---- the sectioned list ----

class CountriesViewController1Test : public CountriesViewControllerTest {
protected:
    CountriesViewController1* showSectioned() {
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        sectioned = new CountriesViewController1([this] { return makeModel(); });
        window->setContentViewController(sectioned);
        window->show();
        EXPECT_TRUE(test::waitUntil([&] { return sectioned->locations.size() == 4; })) << "the catalogue loads";
        return sectioned;
    }
    std::vector<std::string> names(const ZevuDataFetcherTypes::ServerList& list) const {
        std::vector<std::string> out;
        for (const auto& s : list) out.push_back(s->name);
        return out;
    }
    int sectionedRowNamed(const std::string& name) const {
        for (int row = 0; row < sectioned->numberOfRows(); ++row)
            if (const auto server = sectioned->objectValue(row); server && server->name == name) return row;
        return -1;
    }
    // Where the parts of a row of the sectioned list are drawn.
    LocationRowDelegate::Layout sectionedParts(int row) const {
        LocationListView* table = sectioned->tableView;
        return LocationRowDelegate::layout(table->visualRect(table->model()->index(row, 0)), *table->rows()->rowAt(row));
    }
    QColor segmentText(int tag) const {
        QLabel* labels[] = {sectioned->segmentView()->lblAll(), sectioned->segmentView()->lblFavorites(),
                            sectioned->segmentView()->lblRecents()};
        return labels[tag]->palette().color(QPalette::WindowText);
    }

    CountriesViewController1* sectioned = nullptr;
};

TEST_F(CountriesViewController1Test, SegmentsShowTheirListsAndAnEmptyListShowsItsEmptyRow) {
    showSectioned();
    EXPECT_EQ(names(sectioned->locations),
              (std::vector<std::string>{"Germany", "France", "United Arab Emirates", "Azerbaijan"}))
        << "by popularity";
    EXPECT_EQ(sectioned->tableView->model()->rowCount(), 4);

    QTest::mouseClick(sectioned->segmentView()->segment(1), Qt::LeftButton);
    EXPECT_EQ(sectioned->filterType, CountriesViewController1::Filter::Favorites);
    EXPECT_FALSE(sectioned->searchBox->isVisible());
    ASSERT_EQ(sectioned->numberOfRows(), 1);
    EXPECT_EQ(static_cast<LocationRowsModel::Kind>(sectioned->tableView->model()->index(0, 0).data(LocationRowsModel::KindRole).toInt()),
              LocationRowsModel::Kind::Message)
        << "an empty list's one row says so";
    EXPECT_FALSE(sectioned->shouldSelectRow(0)) << "the empty row is not selectable";

    storeFavorites(2);
    QTest::mouseClick(sectioned->segmentView()->segment(1), Qt::LeftButton);
    EXPECT_EQ(sectioned->numberOfRows(), 2);

    QTest::mouseClick(sectioned->segmentView()->segment(0), Qt::LeftButton);
    EXPECT_TRUE(sectioned->searchBox->isVisible());
    EXPECT_EQ(sectioned->tableView->model()->rowCount(), 4);
}

TEST_F(CountriesViewController1Test, EachSegmentsRowsShowTheStarArrowAndTagOfTheirKind) {
    auto germany = location("DE", "Germany");
    germany->favorite = true;
    germany->p2p = true;
    auto azerbaijan = location("AZ", "Azerbaijan");
    azerbaijan->favorite = true;
    PreservedPreferences().setFavorites(ZevuDataFetcherTypes::ServerList{germany, azerbaijan});
    PreservedPreferences().setRecents(ZevuDataFetcherTypes::ServerList{location("AE", "United Arab Emirates")});
    showSectioned();
    const int allGermany = sectionedRowNamed("Germany");
    ASSERT_GE(allGermany, 0);
    ASSERT_TRUE(sectioned->objectValue(allGermany)->p2p) << "the catalogue's Germany allows P2P";

    const struct {
        int segment;
        std::string name;
        bool p2p, star, arrow;
    } cases[] = {
        // All: the star before the arrow's slot, the arrow only for a country with cities, no tag
        // (France allows P2P too).
        {0, "Germany", false, true, true},
        {0, "France", false, true, false},
        // Favourites: the tag of a location that allows P2P, no arrow.
        {1, "Germany", true, true, false},
        {1, "Azerbaijan", false, true, false},
        // Recents: the flag and the name only.
        {2, "United Arab Emirates", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + " on segment " + std::to_string(c.segment));
        QTest::mouseClick(sectioned->segmentView()->segment(c.segment), Qt::LeftButton);
        const int row = sectionedRowNamed(c.name);
        ASSERT_GE(row, 0);
        const auto parts = sectionedParts(row);
        EXPECT_EQ(!parts.p2p.isEmpty(), c.p2p);
        EXPECT_EQ(!parts.star.isEmpty(), c.star);
        EXPECT_EQ(!parts.arrow.isEmpty(), c.arrow);
        if (c.star && c.arrow) {
            EXPECT_LT(parts.star.right(), parts.arrow.left()) << "the star comes before the arrow";
        }
    }
}

TEST_F(CountriesViewController1Test, AnEmptyListSaysWhyInItsOneRow) {
    showSectioned();
    const auto message = [&]() -> std::string {
        const QModelIndex first = sectioned->tableView->model()->index(0, 0);
        if (sectioned->tableView->model()->rowCount() != 1 ||
            static_cast<LocationRowsModel::Kind>(first.data(LocationRowsModel::KindRole).toInt()) != LocationRowsModel::Kind::Message)
            return "(no message row)";
        return first.data().toString().toStdString();
    };
    QTest::mouseClick(sectioned->segmentView()->segment(1), Qt::LeftButton);
    EXPECT_EQ(message(), localized("empty.favorites"));
    QTest::mouseClick(sectioned->segmentView()->segment(2), Qt::LeftButton);
    EXPECT_EQ(message(), localized("empty.recents"));
    QTest::mouseClick(sectioned->segmentView()->segment(0), Qt::LeftButton);
    QTest::keyClicks(sectioned->searchField, QStringLiteral("zzz"));
    EXPECT_EQ(message(), localized("empty.locations")) << "a search without matches";
    // The port-forwarding and P2P lists are lists of locations too.
    for (const auto filter : {CountriesViewController1::Filter::PF, CountriesViewController1::Filter::P2P}) {
        sectioned->filterType = filter;
        sectioned->sortSelected(1);
        EXPECT_EQ(message(), localized("empty.locations")) << static_cast<int>(filter);
    }
}

TEST_F(CountriesViewController1Test, ACountrysArrowOpensItsCitiesOnTheLocationsPage) {
    ExploreTabViewController* explore = showExplore();
    ASSERT_NE(explore, nullptr);
    auto* countries = qobject_cast<CountriesViewController*>(explore->childViewControllerAt(ExploreTabViewController::Countries));
    ASSERT_NE(countries, nullptr);
    QTest::mouseClick(countries->btnSections, Qt::LeftButton);
    sectioned = qobject_cast<CountriesViewController1*>(explore->childViewControllerAt(ExploreTabViewController::Sectioned));
    ASSERT_NE(sectioned, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return sectioned->locations.size() == 4; })) << "the catalogue loads";
    const int germany = sectionedRowNamed("Germany");
    ASSERT_GE(germany, 0);
    const QRect arrow = sectionedParts(germany).arrow;
    ASSERT_FALSE(arrow.isEmpty());
    QTest::mouseClick(sectioned->tableView->viewport(), Qt::LeftButton, {}, arrow.center());
    EXPECT_EQ(explore->selectedTabViewItemIndex(), ExploreTabViewController::Cities);
    EXPECT_EQ(explore->citiesCountryName(), std::optional<std::string>("Cities / Germany"));
    test::settleWithSdk();
    EXPECT_FALSE(AppPreferences().lastConnection()) << "the arrow is not the row";
}

TEST_F(CountriesViewController1Test, TheMarkedSegmentIsTheOneOfTheListShown) {
    showSectioned();
    const struct {
        int tag;
        CountriesViewController1::Filter shown;
    } cases[] = {{2, CountriesViewController1::Filter::Recents},
                 {1, CountriesViewController1::Filter::Favorites},
                 {0, CountriesViewController1::Filter::All}};
    for (const auto& c : cases) {
        QTest::mouseClick(sectioned->segmentView()->segment(c.tag), Qt::LeftButton);
        ASSERT_EQ(sectioned->filterType, c.shown);
        // Appearing again marks the segment of the list shown, not the one numbered like the filter.
        sectioned->viewWillAppear();
        for (int tag = 0; tag < 3; ++tag)
            EXPECT_EQ(segmentText(tag) == QColor(Qt::white), tag == c.tag) << "tag " << tag << " while showing " << c.tag;
    }
}

TEST_F(CountriesViewController1Test, TheP2PFilterKeepsOrderOnAndRebuildsInTheCurrentSortOff) {
    showSectioned();
    sectioned->sortSelected(0);
    EXPECT_EQ(names(sectioned->locations),
              (std::vector<std::string>{"Azerbaijan", "France", "Germany", "United Arab Emirates"}));
    sectioned->filterApplied(true);
    EXPECT_EQ(names(sectioned->locations), (std::vector<std::string>{"France", "Germany"})) << "previous order kept";
    sectioned->filterApplied(false);
    EXPECT_EQ(names(sectioned->locations),
              (std::vector<std::string>{"Azerbaijan", "France", "Germany", "United Arab Emirates"}))
        << "rebuilt alphabetically, the order in use";
    const auto events = analytics->named("app_filter_list");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].second.at("selected_filters_list"), Value("p2p"));
    EXPECT_EQ(events[1].second.at("selected_filters_list"), Value(""));

    // A choice in the sort sheet reorders the list shown.
    QTest::mouseClick(sectioned->btnSort, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return sheetShown(); }));
    for (auto* b : window->attachedSheet()->findChildren<QAbstractButton*>())
        if (b->text() == QStringLiteral("Popularity")) QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_TRUE(test::waitUntil([&] { return !sheetShown(); }));
    EXPECT_EQ(names(sectioned->locations),
              (std::vector<std::string>{"Germany", "France", "United Arab Emirates", "Azerbaijan"}));
}

TEST_F(CountriesViewController1Test, ARowConnectsOnlyWhileNoConnectionIsBeingMade) {
    showSectioned();
    vpn->status = zevu::rawValue(zevu::ZevuVPNState::Connecting);
    EXPECT_TRUE(sectioned->shouldSelectRow(0)) << "a server row is selectable either way";
    test::settleWithSdk();
    EXPECT_FALSE(AppPreferences().lastConnection());

    vpn->status = zevu::rawValue(zevu::ZevuVPNState::Disconnected);
    QTest::mouseClick(sectioned->tableView->viewport(), Qt::LeftButton, {},
                      sectioned->tableView->visualRect(sectioned->tableView->model()->index(1, 0)).center());
    ASSERT_TRUE(test::waitUntil([] {
        auto last = AppPreferences().lastConnection();
        return last && last->server && last->server->code == "FR";
    }));
    EXPECT_EQ(AppPreferences().lastConnection()->selectedInterface, ZevuTypes::SelectedInterface::List);
}

TEST_F(CountriesViewController1Test, SearchNarrowsTheLocationsAndTheBackActionReturnsToTheFirstTab) {
    showSectioned();
    QTest::keyClicks(sectioned->searchField, QStringLiteral("fr-a"));
    EXPECT_EQ(sectioned->searchField->text(), "fra");
    EXPECT_EQ(names(sectioned->locations), std::vector<std::string>{"France"});
    QTest::keyClick(sectioned->searchField, Qt::Key_Backspace);
    QTest::keyClick(sectioned->searchField, Qt::Key_Backspace);
    QTest::keyClick(sectioned->searchField, Qt::Key_Backspace);
    EXPECT_EQ(sectioned->locations.size(), 4u) << "an emptied field restores the list";

    std::vector<std::any> posted;
    auto token = NotificationCenter::defaultCenter().addObserver(
        "AppShowController", [&](const Notification& n) { posted.push_back(n.object); });
    QTest::mouseClick(sectioned->view()->findChild<QAbstractButton*>("btnBack"), Qt::LeftButton);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(std::any_cast<std::int64_t>(posted[0]), 0);
}

// The way a user finds the one list that sorts by ping: the locations tab, the country list's
// sections button, the sort button and the ping choice, all clicked in the assembled main window.
TEST_F(CountriesViewController1Test, TheMainWindowReachesTheSectionedListAndItsPingSortOrdersByLatency) {
    PreservedPreferences().setEnablePing(true);
    AppMainViewController::Hooks hooks;
    hooks.activateExtension = [](const std::string&) {};
    hooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
    hooks.migrationCheck = [] {};
    window = std::make_unique<appkit::Window>(QSize(760, 500));
    auto* content = new AppMainViewController(hooks);
    window->setContentViewController(content);
    window->show();
    QPushButton* locationsTab = content->tabsController()->buttonFor(MainTab::Locations);
    ASSERT_NE(locationsTab, nullptr);
    QTest::mouseClick(locationsTab, Qt::LeftButton);
    auto* explore = qobject_cast<ExploreTabViewController*>(content->currentPageController());
    ASSERT_NE(explore, nullptr);
    auto* countries = qobject_cast<CountriesViewController*>(explore->childViewControllerAt(ExploreTabViewController::Countries));
    ASSERT_NE(countries, nullptr);
    ASSERT_TRUE(countries->btnSections && countries->btnSections->isVisible()) << "the button sits beside sort";
    QTest::mouseClick(countries->btnSections, Qt::LeftButton);
    ASSERT_EQ(explore->selectedTabViewItemIndex(), ExploreTabViewController::Sectioned);
    sectioned = qobject_cast<CountriesViewController1*>(explore->childViewControllerAt(ExploreTabViewController::Sectioned));
    ASSERT_NE(sectioned, nullptr);
    ASSERT_TRUE(sectioned->view()->isVisible());
    ASSERT_TRUE(test::waitUntil([&] { return sectioned->locations.size() == 4; })) << "the catalogue loads";
    // What a ping run would have measured (the simulated hosts answer no ping here), in an order
    // unlike popularity and the alphabet.
    const std::map<std::string, std::int64_t> measured{{"DE", 90}, {"AZ", 40}, {"FR", 120}, {"AE", 15}};
    ASSERT_TRUE(sectioned->model().content());
    for (const auto& server : *sectioned->model().content()) server->latency = measured.at(server->code);

    QTest::mouseClick(sectioned->btnSort, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return sheetShown(); }));
    QAbstractButton* ping = nullptr;
    for (auto* b : window->attachedSheet()->findChildren<QAbstractButton*>())
        if (b->text().toStdString() == localized("sort.ping")) ping = b;
    ASSERT_NE(ping, nullptr);
    QTest::mouseClick(ping, Qt::LeftButton);
    EXPECT_TRUE(test::waitUntil([&] { return !sheetShown(); }));

    // The rows, as the table shows them, go from the lowest latency up.
    std::vector<std::int64_t> shown;
    for (int row = 0; row < sectioned->numberOfRows(); ++row)
        if (auto server = sectioned->objectValue(row)) shown.push_back(server->latency);
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end())) << ::testing::PrintToString(shown);
    EXPECT_EQ(shown, (std::vector<std::int64_t>{15, 40, 90, 120}));
    EXPECT_EQ(sectioned->tableView->model()->rowCount(), 4);

    // Leaving the locations page brings the usual country list back for the next visit.
    QTest::mouseClick(content->tabsController()->buttonFor(MainTab::Dashboard), Qt::LeftButton);
    QTest::mouseClick(locationsTab, Qt::LeftButton);
    EXPECT_EQ(explore->selectedTabViewItemIndex(), ExploreTabViewController::Countries);
}

TEST_F(CountriesViewController1Test, AStarChangeMovesTheLocationInOrOutOfTheFavourites) {
    showSectioned();
    auto france = std::make_shared<ZevuDataFetcherTypes::Server>(*sectioned->locations[1]);
    france->favorite = true;
    sectioned->favoriteChanged(france);
    EXPECT_TRUE(sectioned->locations[1]->favorite);
    EXPECT_EQ(names(sectioned->favorites), std::vector<std::string>{"France"});
    france->favorite = false;
    sectioned->favoriteChanged(france);
    EXPECT_TRUE(sectioned->favorites.empty());
    // A location the list does not hold changes nothing.
    sectioned->favoriteChanged(location("ZZ", "Nowhere"));
    EXPECT_TRUE(sectioned->favorites.empty());

    // The star drawn on France's row marks it, stores it and redraws it filled; the row is not chosen.
    LocationListView* table = sectioned->tableView;
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->partRect(table->model()->index(1, 0), LocationListView::Part::Star).center());
    EXPECT_EQ(names(sectioned->favorites), std::vector<std::string>{"France"});
    ASSERT_EQ(PreservedPreferences().favorites().size(), 1u);
    EXPECT_EQ(PreservedPreferences().favorites().front()->name, "France");
    EXPECT_TRUE(table->model()->index(1, 0).data(LocationRowsModel::FavoriteRole).toBool());
    EXPECT_FALSE(table->selectionModel()->hasSelection());

    // On the favourites segment the star takes the location out of the store and of the list.
    QTest::mouseClick(sectioned->segmentView()->segment(1), Qt::LeftButton);
    ASSERT_EQ(sectionedRowNamed("France"), 0);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->partRect(table->model()->index(0, 0), LocationListView::Part::Star).center());
    EXPECT_TRUE(PreservedPreferences().favorites().empty());
    EXPECT_TRUE(sectioned->favorites.empty());
    test::settleWithSdk();
    EXPECT_FALSE(AppPreferences().lastConnection());
}

}  // namespace
}  // namespace morvex
