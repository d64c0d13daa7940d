#pragma once
// The location picker of the preferences: the catalogue's countries sorted by name, a country's
// cities (sorted too) behind its drill-down button, and back. Choosing a row tells the delegate
// and closes the picker; so does a connection starting, without telling anyone. Opened as a sheet
// by the VPN and general pages, and shown in the preferences container's location panel.
#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/SettingsLocationModel.h"
#include "ui/preferences/SettingsLocationSelection.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace morvex {

class SettingsLocationViewController : public appkit::ViewController {
    Q_OBJECT
public:
    // The scene the pages open as a sheet, and the one the container's panel embeds.
    static constexpr std::string_view kStoryboardName = "SettingsLocation";
    static constexpr std::string_view kStoryboardID = "SettingsLocationVC";
    static constexpr std::string_view kPanelStoryboardName = "Preferences";
    static constexpr std::string_view kPanelStoryboardID = "SettingsLocationViewController";

    using ServerList = ZevuDataFetcherTypes::ServerList;
    using Loader = std::function<void(SettingsLocationModel::Completion)>;

    // Countries from the catalogue's default fetcher.
    explicit SettingsLocationViewController(QObject* parent = nullptr);
    // Countries from `loader` (tests).
    explicit SettingsLocationViewController(Loader loader, QObject* parent = nullptr);
    ~SettingsLocationViewController() override;

    // Told of the chosen location; not owned (the presenting page outlives its sheet).
    SettingsLocationSelectionDelegate* delegate = nullptr;

    void loadView() override;
    void viewDidLoad() override;
    void viewDidAppear() override;

    // What the list shows, in order; all countries once loaded.
    const std::optional<ServerList>& content() const { return content_; }
    const std::optional<ServerList>& countries() const { return countries_; }
    bool showingCities() const { return showingCities_; }
    const std::string& titleText() const { return titleText_; }

    // Actions.
    void moreButtonClicked(int row);
    void backButtonClicked();
    void dismissPopup();
    // The row the user picked in the list (none or out of range: nothing happens).
    void tableViewSelectionDidChange(int row);

    // Sorted by name, ties kept in their order.
    static ServerList sortedByName(ServerList servers);

private:
    void setContent(std::optional<ServerList> content);
    void reloadTable();
    void connectionStateChanged(const Notification& notification);

    Loader loader_;
    std::optional<ServerList> countries_;
    std::optional<ServerList> content_;
    bool showingCities_ = false;
    std::string titleText_;
    QPointer<QListWidget> tableView_;
    QPointer<QLabel> titleLabel_;
    QPointer<QPushButton> backButton_;
    ObserverToken stateObserver_;
};

}  // namespace morvex
