#pragma once
// The city list of one country, page 1 of the locations page: a back button to the country list,
// the country's name, a choice of order (by name or by latency), and one server row per city; a
// click on a row connects to that city after the account check. The list, its search, order,
// latencies and the connect belong to the catalogue's city model; the explore tab hands the model
// the country before the page shows.
//
// Threads: main thread.
#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "appkit/ViewController.h"
#include "catalog/CitiesControllerModel.h"
#include "ui/locations/LocationListView.h"
#include "ui/shell/PageInputs.h"

namespace morvex {

class CitiesViewController : public appkit::ViewController, public CityListInput {
    Q_OBJECT
public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    using ServerList = ZevuDataFetcherTypes::ServerList;

    // The model over the engine, the catalogue, the stores and the analytics of the application.
    explicit CitiesViewController(QObject* parent = nullptr);
    explicit CitiesViewController(std::unique_ptr<CitiesControllerModel> model, QObject* parent = nullptr);
    ~CitiesViewController() override;

    CitiesControllerModel& model() { return *model_; }
    // The country's cities and the page's title, handed over by the explore tab.
    void showCities(const std::optional<ServerList>& cities, const std::optional<std::string>& countryName) override;
    // Answers whether the account may connect (the base check shows its own alert when not).
    std::function<bool()> accountGate;

    LocationListView* tableView() const { return table_; }
    QLabel* lblCity() const { return lblCity_; }
    QLabel* titleLabel() const { return lblTitle_; }
    QAbstractButton* backButton() const { return btnBack_; }
    // The order control: tag 0 by name, tag 1 by latency.
    QAbstractButton* sortButton(int tag) const;
    // The cities in the order shown.
    const ServerList& arrangedObjects() const { return arranged_; }
    const LocationSearch::SortDescriptors& sortDescriptors() const { return sortDescriptors_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    void goBack();
    // Tag 1 orders by latency, any other by name, until the page shows again.
    void sortPreferrenceChanged(int tag);
    // The protocols sheet, when the selected protocol's system extension is not ready.
    void showProtocolAlert();
    // Redraws the row of the city with that id (the first row when no row has it).
    void rowUpdated(const std::string& id);
    void contentReloaded();

private:
    void rearrange();
    LocationRowsModel::Row rowFor(const ServerPtr& city) const;
    void rowClicked(int row);
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::unique_ptr<CitiesControllerModel> model_;
    LocationSearch::SortDescriptors sortDescriptors_;
    ServerList arranged_;
    QPointer<LocationListView> table_;
    QPointer<QLabel> lblCity_;
    QPointer<QLabel> lblTitle_;
    QPointer<QAbstractButton> btnBack_;
    std::vector<QPointer<QAbstractButton>> sortButtons_;
    QPointer<QWidget> watchedWindow_;
    std::shared_ptr<struct CitiesViewCallbacks> callbacks_;
};

}  // namespace morvex
