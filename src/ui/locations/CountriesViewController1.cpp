#include "ui/locations/CountriesViewController1.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "alerts/AlertServices.h"
#include "alerts/BaseViewController.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "foundation/Bundle.h"
#include "foundation/NotificationCenter.h"
#include "state/AppManager.h"
#include "ui/kit/LayerViews.h"
#include "ui/locations/CountriesProtocolAlert.h"
#include "ui/locations/CountriesSearchText.h"
#include "ui/locations/CountriesStyle.h"
#include "ui/locations/CountriesViewController.h"
#include "ui/locations/ExploreTabViewController.h"

namespace morvex {

namespace {

class ProtocolAlertRequest : public CountriesModelDelegate {
public:
    explicit ProtocolAlertRequest(CountriesViewController1* screen) : screen_(screen) {}
    void showProtocolsAlert() override {
        if (screen_) screen_->showProtocolAlert();
    }

private:
    QPointer<CountriesViewController1> screen_;
};

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

QPushButton* iconButton(QWidget* parent, const char* objectName, const char* imageName) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedSize(32, 32);
    button->setIconSize(QSize(20, 20));
    button->setIcon(appkit::imageNamed(imageName));
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    return button;
}

}  // namespace

CountriesViewController1::CountriesViewController1(QObject* parent)
    : CountriesViewController1(&CountriesViewController::makeDefaultModel, parent) {}

CountriesViewController1::CountriesViewController1(const ModelFactory& factory, QObject* parent)
    : ViewController(parent), model_(factory()), countriesDelegate_(std::make_shared<ProtocolAlertRequest>(this)) {}

CountriesViewController1::~CountriesViewController1() { model_->countriesDelegate.reset(); }

// ---- the view ----

void CountriesViewController1::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("CountriesView1"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(20, 16, 20, 0);
    column->setSpacing(12);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    auto* back = iconButton(view, "btnBack", "LocationsBackArrow");
    top->addWidget(back);
    auto* box = new CustomView(view);
    box->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
    box->setCornerRadius(10);
    box->setBorderWidth(1);
    box->setBorderColor(ThemedColor::colorNamed("Separator"));
    box->setFixedHeight(40);
    searchBox = box;
    auto* boxLine = new QHBoxLayout(box);
    boxLine->setContentsMargins(12, 0, 12, 0);
    boxLine->setSpacing(8);
    auto* glass = new QLabel(box);
    glass->setPixmap(appkit::imageNamed("SearchFieldIcon", QSize(16, 16)));
    searchField = new QLineEdit(box);
    searchField->setObjectName(QStringLiteral("searchField"));
    searchField->setFrame(false);
    searchField->setFont(systemFont(14));
    boxLine->addWidget(glass);
    boxLine->addWidget(searchField, 1);
    top->addWidget(box, 1);
    btnP2P = iconButton(view, "btnP2P", "LocationsFilter");
    btnSort = iconButton(view, "btnSort", "LocationsSort");
    top->addWidget(btnP2P);
    top->addWidget(btnSort);
    column->addLayout(top);

    containerSegment = new QWidget(view);
    containerSegment->setObjectName(QStringLiteral("containerSegment"));
    containerSegment->setFixedHeight(40);
    column->addWidget(containerSegment);

    tableView = new LocationListView(view);
    tableView->setObjectName(QStringLiteral("tableView"));
    column->addWidget(tableView, 1);

    connect(back, &QAbstractButton::clicked, this, [this] { popVC(); });
    connect(btnP2P, &QAbstractButton::clicked, this, [this] { showFilterVC(); });
    connect(btnSort, &QAbstractButton::clicked, this, [this] { showSortVC(); });
    connect(searchField, &QLineEdit::textEdited, this, [this] { searchTextChanged(); });
    // A row chosen for a connection stays marked; one that connects nothing does not.
    connect(tableView, &LocationListView::rowActivated, this, [this](int row) {
        const QModelIndex index = tableView->model()->index(row, 0);
        tableView->selectionModel()->select(index, shouldSelectRow(row) ? QItemSelectionModel::ClearAndSelect
                                                                        : QItemSelectionModel::Clear);
    });
    connect(tableView, &LocationListView::starClicked, this, [this](int row) {
        if (const ServerPtr server = objectValue(row)) {
            toggleFavorite(server);
            favoriteChanged(server);
        }
    });
    connect(tableView, &LocationListView::arrowClicked, this, [this](int row) {
        const ServerPtr server = objectValue(row);
        if (!server) return;
        // The list is a page of the locations page, which opens the cities.
        for (QObject* up = parent(); up; up = up->parent())
            if (auto* explore = qobject_cast<ExploreTabViewController*>(up)) return explore->showCities(server);
    });
    setView(view);
}

void CountriesViewController1::viewDidLoad() {
    ViewController::viewDidLoad();
    model_->countriesDelegate = countriesDelegate_;
    searchField->setPlaceholderText(countries::qs(localized("search")));
    segmentView_ = new FilterTypeCellView(containerSegment);
    auto* holder = new QHBoxLayout(containerSegment);
    holder->setContentsMargins(0, 0, 0, 0);
    holder->addWidget(segmentView_);
    segmentView_->delegate = this;
    showSegment(segmentTag(filterType));
}

void CountriesViewController1::viewWillAppear() {
    ViewController::viewWillAppear();
    // Resolved in the window the list shows in, whose look it takes.
    QPalette p = searchField->palette();
    p.setColor(QPalette::PlaceholderText, ThemedColor::colorNamed("TabText").resolve(searchField));
    p.setColor(QPalette::Text, ThemedColor::colorNamed("HeadingText").resolve(searchField));
    p.setColor(QPalette::Base, Qt::transparent);
    searchField->setPalette(p);
    const QColor separator = ThemedColor::colorNamed("Separator").resolve(tableView);
    tableView->setStyleSheet(QStringLiteral("QListView { background: %1; border-top-left-radius: 12px; border-top-right-radius: 12px; }"
                                            "QListView::item { border-bottom: 1px solid %2; }"
                                            "QListView::item:selected { background: %2; }")
                                 .arg(ThemedColor::colorNamed("BottomColor").resolve(tableView).name(), separator.name()) +
                             countries::slimScrollBarStyle(separator));
    resetForFilterType(filterType);
    reloadStoredLists();
}

// ---- lists ----

const CountriesViewController1::ServerList& CountriesViewController1::shownList() const {
    switch (filterType) {
    case Filter::Recents: return recents;
    case Filter::Favorites: return favorites;
    case Filter::All:
    case Filter::PF:
    case Filter::P2P: break;
    }
    return locations;
}

void CountriesViewController1::resetForFilterType(Filter filter) {
    view();
    searchBox->setVisible(filter != Filter::Recents && filter != Filter::Favorites);
    showSegment(segmentTag(filter));
    model_->setSearchingValue("");
    searchField->setText(QString());
    model_->applySearch();
    searching = false;
}

void CountriesViewController1::reloadStoredLists() {
    dedicatedip.clear();
    recents = model_->preference.recents();
    favorites = model_->preference.favorites();
    QPointer<CountriesViewController1> self(this);
    model_->refreshCountries([self](bool) {
        if (self) self->rebuildLocations();
    });
}

void CountriesViewController1::rebuildLocations() {
    const std::string text = lowercased(model_->searchingValue());
    if (searching && !text.empty()) {
        model_->applySearch();
        locations.clear();
        if (const auto& content = model_->content())
            for (const auto& s : *content)
                if (s && lowercased(s->name).find(text) != std::string::npos) locations.push_back(s);
    } else if (!searching) {
        locations = model_->sortedServers(model_->content().value_or(ServerList{}), LocationSearch::SortKind::popularity);
    }
    reloadData();
}

// ---- actions ----

void CountriesViewController1::showFilterVC() {
    auto* storyboard = appkit::Storyboard::named(FilterViewController::kStoryboard);
    auto* sheet = storyboard ? qobject_cast<FilterViewController*>(
                                   storyboard->instantiateController(FilterViewController::kStoryboardID))
                             : nullptr;
    if (!sheet) return;
    sheet->delegate = this;
    const auto p2p = model_->filterValue.find(0);
    sheet->isFilterOn = p2p != model_->filterValue.end() && p2p->second.status;
    if (!presentAsSheet(sheet)) delete sheet;
}

void CountriesViewController1::showSortVC() {
    auto* storyboard = appkit::Storyboard::named(SortViewController::kStoryboard);
    auto* sheet = storyboard ? qobject_cast<SortViewController*>(
                                   storyboard->instantiateController(SortViewController::kStoryboardID))
                             : nullptr;
    if (!sheet) return;
    sheet->delegate = this;
    if (!presentAsSheet(sheet)) delete sheet;
}

void CountriesViewController1::popVC() {
    NotificationCenter::defaultCenter().post(BaseViewController::appShowControllerNotification,
                                             BaseViewController::dashboardPage);
}

void CountriesViewController1::searchTextChanged() {
    const auto edit = countries::cleanSearchEdit(searchField->text());
    if (edit.cleaned != searchField->text()) searchField->setText(edit.cleaned);
    model_->setSearchingValue(edit.cleaned.toStdString());
    model_->setSearching(!edit.cleaned.isEmpty());
    searching = model_->searching();
    if (edit.cleaned.isEmpty()) resetForFilterType(filterType);
    rebuildLocations();
}

void CountriesViewController1::filterTypeSelected(int tag) {
    showSegment(tag);
    switch (tag) {
    case 0:
        searchBox->show();
        filterType = Filter::All;
        resetForFilterType(Filter::All);
        searchField->setEnabled(true);
        countries::setAlphaValue(searchField, 1.0);
        locations = model_->sortedServers(model_->filterCountries().value_or(ServerList{}), LocationSearch::SortKind::popularity);
        break;
    case 1:
        searchBox->hide();
        filterType = Filter::Favorites;
        resetForFilterType(Filter::Favorites);
        searchField->setEnabled(false);
        countries::setAlphaValue(searchField, 0.5);
        favorites = model_->preference.favorites();
        break;
    case 2:
        searchBox->hide();
        filterType = Filter::Recents;
        resetForFilterType(Filter::Recents);
        searchField->setEnabled(false);
        countries::setAlphaValue(searchField, 0.5);
        recents = model_->preference.recents();
        break;
    default: return;
    }
    reloadData();
}

void CountriesViewController1::filterApplied(bool isFilterOn) {
    if (auto p2p = model_->filterValue.find(0); p2p != model_->filterValue.end()) p2p->second.status = isFilterOn;
    model_->applySearch();
    std::string names;
    for (const auto& [tag, filter] : model_->filterValue) {
        if (!filter.status) continue;
        if (!names.empty()) names += ", ";
        names += filter.name;
    }
    if (names.size() < 2) names.clear();
    model_->eventTracker.track(AnalyticsEvent::app_filter_list, Dictionary{{"selected_filters_list", Value(names)}});
    if (!isFilterOn) {
        const auto kind = AppManager::shared().isAlphabaticalSortingEnabled() ? LocationSearch::SortKind::alphabetical
                                                                             : LocationSearch::SortKind::popularity;
        locations = model_->sortedServers(model_->content().value_or(ServerList{}), kind);
    } else {
        std::erase_if(locations, [](const ServerPtr& s) { return !s || !s->p2p; });
    }
    reloadData();
}

void CountriesViewController1::sortSelected(int kind) {
    const auto sortKind = kind == 0   ? LocationSearch::SortKind::alphabetical
                          : kind == 1 ? LocationSearch::SortKind::popularity
                                      : LocationSearch::SortKind::ping;
    locations = model_->sortedServers(locations, sortKind);
    reloadData();
}

void CountriesViewController1::showProtocolAlert() { presentProtocolAlert(*this, model_->preference); }

void CountriesViewController1::favoriteChanged(const ServerPtr& server) {
    if (!server) return;
    auto copyFlag = [&](ServerList& list) {
        for (auto& entry : list) {
            if (entry && entry->id == server->id) {
                entry->favorite = server->favorite;
                return true;
            }
        }
        return false;
    };
    bool matched = false;
    if (server->type == ZevuDataFetcherTypes::ServerType::City) {
        auto withCities = model_->contentWithCities().value_or(ServerList{});
        matched = copyFlag(withCities);
    } else {
        matched = copyFlag(locations);
    }
    if (!matched) return;
    const bool held = std::any_of(favorites.begin(), favorites.end(), [&](const ServerPtr& f) { return f && f->id == server->id; });
    if (held) std::erase_if(favorites, [&](const ServerPtr& f) { return f && f->id == server->id; });
    else favorites.push_back(server);
    reloadData();
}

// ---- the table ----

int CountriesViewController1::numberOfRows() const {
    const auto& list = shownList();
    return list.empty() ? 1 : static_cast<int>(list.size());
}

CountriesViewController1::ServerPtr CountriesViewController1::objectValue(int row) const {
    const auto& list = shownList();
    if (row < 0 || row >= static_cast<int>(list.size())) return nullptr;
    return list[static_cast<std::size_t>(row)];
}

bool CountriesViewController1::shouldSelectRow(int row) {
    const ServerPtr server = objectValue(row);
    if (!server) return false;
    const auto vpn = AlertServices::installed().vpn;
    const bool connecting = vpn && vpn->getCurrentVPNStatus() == zevu::rawValue(zevu::ZevuVPNState::Connecting);
    if (BaseViewController().accountStatusCheck() && !connecting) model_->connectToListServer(server, false);
    return true;
}

void CountriesViewController1::reloadData() {
    view();
    std::vector<LocationRowsModel::Row> rows;
    const int count = numberOfRows();
    rows.reserve(std::size_t(count));
    for (int row = 0; row < count; ++row) rows.push_back(rowFor(row));
    tableView->rows()->setRows(std::move(rows));
}

LocationRowsModel::Row CountriesViewController1::rowFor(int row) const {
    LocationRowsModel::Row shown;
    const ServerPtr server = objectValue(row);
    if (!server) {
        // The one row of an empty list says why it is empty.
        shown.kind = LocationRowsModel::Kind::Message;
        shown.text = countries::qs(localized(filterType == Filter::Favorites ? "empty.favorites"
                                             : filterType == Filter::Recents ? "empty.recents"
                                                                             : "empty.locations"));
        return shown;
    }
    shown.server = server;
    switch (filterType) {
    case Filter::Recents:
        shown.rowType = ListItem::RowType::Recent;
        shown.style = LocationRowsModel::Style::Plain;
        return shown;
    case Filter::Favorites:
        shown.rowType = ListItem::RowType::Favorite;
        shown.p2p = server->p2p;
        return shown;
    case Filter::All:
    case Filter::PF:
    case Filter::P2P: break;
    }
    shown.rowType = ListItem::RowType::Country;
    shown.style = LocationRowsModel::Style::StarThenArrow;
    shown.arrow = server->servers && !server->servers->empty();
    return shown;
}

int CountriesViewController1::segmentTag(Filter filter) {
    switch (filter) {
    case Filter::Favorites: return 1;
    case Filter::Recents: return 2;
    case Filter::All:
    case Filter::PF:
    case Filter::P2P: break;
    }
    return 0;
}

void CountriesViewController1::showSegment(int tag) {
    if (segmentView_) segmentView_->select(tag);
}

void CountriesViewController1::filterTypeSelected(QObject* sender) {
    if (sender) filterTypeSelected(sender->property("tag").toInt());
}

}  // namespace morvex
