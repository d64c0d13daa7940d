// The location picker of the preferences: sorting, drilling into a country's cities and back,
// choosing a row, and closing by itself when a connection starts.
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

#include "app/Storyboards.h"
#include "appkit/Storyboard.h"
#include "foundation/NotificationCenter.h"
#include "model/ZevuTypes.h"
#include "ui/preferences/SettingsLocationViewController.h"
#include "ui/preferences/VpnPrefsTestSupport.h"

namespace morvex {
namespace {

using Server = ZevuDataFetcherTypes::Server;
using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
using test::waitUntil;

ServerPtr country(std::string code, std::string name, std::vector<std::string> cities = {}) {
    auto s = std::make_shared<Server>(code, std::move(name), ZevuDataFetcherTypes::ServerType::Country, code);
    if (!cities.empty()) {
        s->servers.emplace();
        int id = 1;
        for (auto& city : cities)
            s->servers->push_back(std::make_shared<Server>(std::to_string(id++), std::move(city),
                                                           ZevuDataFetcherTypes::ServerType::City, code));
    }
    return s;
}

std::vector<std::string> names(const std::optional<ZevuDataFetcherTypes::ServerList>& list) {
    std::vector<std::string> out;
    if (list)
        for (const auto& s : *list) out.push_back(s->name);
    return out;
}

class RecordingSelection : public SettingsLocationSelectionDelegate {
public:
    std::vector<std::string> chosen;
    void selectionDidChangedWithServer(const ServerPtr& server) override { chosen.push_back(server->name); }
};

// The page that presents the picker as a sheet, as the VPN and general pages do.
class Presenter : public appkit::ViewController {};

class SettingsLocationPickerTest : public test::VpnPrefsPageTest {
protected:
    RecordingSelection selection;
    ZevuDataFetcherTypes::ServerList offered{country("FR", "France", {"Paris", "Lyon"}),
                                             country("AT", "Austria", {"Vienna", "Graz", "Innsbruck"}),
                                             country("DE", "Germany"), country("BE", "Belgium", {"Brussels"})};
    std::optional<Error> loadError;
    QPointer<SettingsLocationViewController> picker;

    void openPicker(bool withDelegate = true) {
        auto* host = show(new Presenter);
        picker = new SettingsLocationViewController([this](SettingsLocationModel::Completion done) {
            // The catalogue answers later, on the main queue.
            QTimer::singleShot(0, [this, done] { done(loadError ? ZevuDataFetcherTypes::ServerList{} : offered, loadError); });
        });
        if (withDelegate) picker->delegate = &selection;
        ASSERT_TRUE(host->presentAsSheet(picker));
        if (!loadError) {
            ASSERT_TRUE(waitUntil([&] { return picker->content().has_value(); }));
        }
    }
    // Whether the sheet has ended and let its picker go (deleted once the loop gets to it).
    bool closed() {
        return waitUntil([&] {
            test::flushDeferredDeletes();
            return picker.isNull();
        });
    }
    QListWidget* table() { return picker->view()->findChild<QListWidget*>("tableView"); }
    void clickRow(int row) {
        QListWidget* t = table();
        const QRect rect = t->visualItemRect(t->item(row));
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, rect.center() - QPoint(rect.width() / 4, 0));
    }
    void drillInto(int row) {
        auto* more = table()->itemWidget(table()->item(row))->findChild<QPushButton*>("moreButton");
        ASSERT_NE(more, nullptr);
        QTest::mouseClick(more, Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return picker->showingCities(); }));
    }
};

TEST_F(SettingsLocationPickerTest, CountriesAndTheirCitiesAreShownByNameAndBackRestoresTheCountries) {
    openPicker();
    const std::vector<std::string> sortedCountries{"Austria", "Belgium", "France", "Germany"};
    EXPECT_EQ(names(picker->content()), sortedCountries);
    EXPECT_EQ(table()->count(), 4);
    drillInto(0);
    EXPECT_EQ(names(picker->content()), (std::vector<std::string>{"Graz", "Innsbruck", "Vienna"}));
    EXPECT_EQ(picker->titleText(), "Austria");
    EXPECT_EQ(table()->count(), 3);
    QTest::mouseClick(picker->view()->findChild<QPushButton*>("backButton"), Qt::LeftButton);
    EXPECT_FALSE(picker->showingCities());
    EXPECT_EQ(picker->titleText(), "");
    EXPECT_EQ(names(picker->content()), sortedCountries);
    drillInto(3);
    EXPECT_TRUE(names(picker->content()).empty()) << "a country without cities shows an empty list";
}

TEST_F(SettingsLocationPickerTest, ChoosingARowTellsTheDelegateAndCloses) {
    openPicker();
    drillInto(2);
    clickRow(1);
    EXPECT_EQ(selection.chosen, std::vector<std::string>{"Paris"});
    EXPECT_TRUE(closed());
}

TEST_F(SettingsLocationPickerTest, WithoutADelegateChoosingStillCloses) {
    openPicker(false);
    clickRow(0);
    EXPECT_TRUE(closed());
}

TEST_F(SettingsLocationPickerTest, ARowOutsideTheListChangesNothing) {
    openPicker();
    picker->tableViewSelectionDidChange(4);
    picker->tableViewSelectionDidChange(-1);
    test::drain();
    EXPECT_TRUE(selection.chosen.empty());
    EXPECT_FALSE(picker.isNull());
}

TEST_F(SettingsLocationPickerTest, AConnectionStartingClosesThePickerWithoutAChoice) {
    openPicker();
    ZevuTypes::ConnectionInfo info;
    info.state = ZevuConnectionState::Disconnected;
    std::thread([&] { NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info); }).join();
    test::drain();
    ASSERT_FALSE(picker.isNull());
    info.state = ZevuConnectionState::Connecting;
    std::thread([&] { NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info); }).join();
    EXPECT_TRUE(closed());
    EXPECT_TRUE(selection.chosen.empty());
}

TEST_F(SettingsLocationPickerTest, AFailedLoadLeavesTheListEmpty) {
    loadError = Error("ZevuDataFetcher", -1, "The VPN SDK is not available");
    openPicker();
    test::drain();
    EXPECT_FALSE(picker->content().has_value());
    EXPECT_EQ(table()->count(), 0);
}

TEST_F(SettingsLocationPickerTest, InThePanelAChoiceClosesThePanelWithTheLocation) {
    std::vector<std::string> closedWith;
    auto token = NotificationCenter::defaultCenter().addObserver(kDismissSettingsLocationNotification, [&](const Notification& n) {
        const auto* server = n.info<ServerPtr>("server");
        closedWith.push_back(server && *server ? (*server)->name : "");
    });
    // Embedded in the container's panel rather than presented as a sheet.
    picker = new SettingsLocationViewController([this](SettingsLocationModel::Completion done) { done(offered, std::nullopt); });
    show(picker.data());
    ASSERT_TRUE(waitUntil([&] { return picker->content().has_value(); }));
    clickRow(1);
    EXPECT_EQ(closedWith, std::vector<std::string>{"Belgium"});
    QTest::mouseClick(picker->view()->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
    EXPECT_EQ(closedWith, (std::vector<std::string>{"Belgium", ""}));
}

TEST_F(SettingsLocationPickerTest, EachPageIsFoundByTheSceneItsOpenerNames) {
    registerStoryboards();
    const std::pair<std::string_view, std::string_view> scenes[] = {
        {"SettingsLocation", "SettingsLocationVC"},   {"Preferences", "SettingsLocationViewController"},
        {"Preferences", "VPNSettingsViewController"}, {"General", "GeneralStoryboardID"},
        {"AdvancedPreferences", "AdvancedStoryboardID"},
    };
    for (auto [board, id] : scenes) {
        auto* storyboard = appkit::Storyboard::named(board);
        ASSERT_NE(storyboard, nullptr) << board;
        std::unique_ptr<QObject> made(storyboard->instantiateController(id));
        EXPECT_NE(qobject_cast<appkit::ViewController*>(made.get()), nullptr) << board << "/" << id;
    }
}

}  // namespace
}  // namespace morvex
