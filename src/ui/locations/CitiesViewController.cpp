#include "ui/locations/CitiesViewController.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "alerts/BaseViewController.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "ui/kit/DashboardStyle.h"
#include "ui/locations/ExploreTabViewController.h"
#include "ui/locations/CountriesProtocolAlert.h"
#include "ui/kit/CustomButtons.h"
#include "ui/locations/LocationsCellStyle.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

// The model's two callbacks, held by the model; they reach the screen only while it exists.
struct CitiesViewCallbacks : ContentUpdateDelegate, CitiesModelDelegate {
    QPointer<CitiesViewController> screen;
    void reloadItem(const std::string& id) override {
        if (screen) screen->rowUpdated(id);
    }
    void reloadContent() override {
        if (screen) screen->contentReloaded();
    }
    void showProtocolsAlert() override {
        if (screen) screen->showProtocolAlert();
    }
};

namespace {

QPushButton* sortChoice(const char* name, const char* textKey, int tag, QWidget* parent) {
    auto* button = new QPushButton(QString::fromStdString(localized(textKey)), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("tag", tag);
    button->setCheckable(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(dashboard::font(13));
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 4px 10px; border-radius: 12px; color: %1;"
                                         " background: transparent; }"
                                         "QPushButton:checked { color: white; background: %2; }")
                              .arg(dashboard::color("TabText").name(), dashboard::color("ThemeColor").name()));
    return button;
}

}  // namespace

CitiesViewController::CitiesViewController(QObject* parent)
    : CitiesViewController(std::make_unique<CitiesControllerModel>(MorvexVPNService::makeZevu().locationEngine(), ZevuDataFetcher(),
                                                                   PreservedPreferences(),
                                                                   MorvexVPNService::makeEventTracker()),
                           parent) {}

CitiesViewController::CitiesViewController(std::unique_ptr<CitiesControllerModel> model, QObject* parent)
    : ViewController(parent),
      accountGate([] { return BaseViewController().accountStatusCheck(); }),
      model_(std::move(model)),
      callbacks_(std::make_shared<CitiesViewCallbacks>()) {
    callbacks_->screen = this;
    connect(model_.get(), &LocationListModel::propertyChanged, this, [this](const QString& name) {
        if (name == QLatin1String("content")) rearrange();
        if (name == QLatin1String("countryName") && lblTitle_)
            lblTitle_->setText(QString::fromStdString(model_->countryName().value_or("")));
    });
}

CitiesViewController::~CitiesViewController() {
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
}

QAbstractButton* CitiesViewController::sortButton(int tag) const {
    for (const auto& button : sortButtons_)
        if (button && button->property("tag").toInt() == tag) return button;
    return nullptr;
}

void CitiesViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("CitiesView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(cellstyle::kSidePadding - 8, 4, cellstyle::kSidePadding, 4);
    bar->setSpacing(6);
    auto* back = cellstyle::iconButton("btnBack", "LocationsBackArrow", view);
    back->setToolTip(QString::fromStdString(localized("cities.back")));
    btnBack_ = back;
    lblTitle_ = cellstyle::titleLabel(view, 14);
    lblTitle_->setObjectName(QStringLiteral("lblCountry"));
    lblTitle_->setFont(dashboard::font(14, QFont::Medium));
    lblCity_ = cellstyle::titleLabel(view, 13);
    lblCity_->setObjectName(QStringLiteral("lblCity"));
    bar->addWidget(back);
    bar->addWidget(lblTitle_, 1);
    bar->addWidget(lblCity_);
    for (auto [name, key, tag] : {std::tuple{"btnSortName", "cities.sort.name", 0}, std::tuple{"btnSortPing", "cities.sort.ping", 1}}) {
        QPushButton* choice = sortChoice(name, key, tag, view);
        sortButtons_.emplace_back(choice);
        bar->addWidget(choice);
        connect(choice, &QPushButton::clicked, this, [this, tag] { sortPreferrenceChanged(tag); });
    }
    column->addLayout(bar);

    table_ = new LocationListView(view);
    table_->setObjectName(QStringLiteral("citiesTable"));
    // Solid hairlines between the rows.
    table_->setStyleSheet(QStringLiteral("QListView { background: %1; } QListView::item { border-bottom: 1px solid %2; }"
                                         "QListView::item:selected, QListView::item:hover { background: %3; }")
                              .arg(dashboard::color("BottomColor").name(), dashboard::color("Separator").name(),
                                   dashboard::color("WindowBackground").name()));
    column->addWidget(table_, 1);
    connect(back, &QAbstractButton::clicked, this, [this] { goBack(); });
    connect(table_, &LocationListView::rowActivated, this, [this](int row) { rowClicked(row); });
    connect(table_, &LocationListView::starClicked, this, [this](int row) {
        if (const LocationRowsModel::Row* shown = table_->rows()->rowAt(row)) editFavorite(shown->server, shown->rowType);
    });
    setView(view);
}

void CitiesViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    model_->delegate = callbacks_;
    model_->citiesDelegate = callbacks_;
    model_->addObservers();
    lblCity_->hide();
    lblTitle_->setText(QString::fromStdString(model_->countryName().value_or("")));
    rearrange();
}

void CitiesViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    lblCity_->hide();
    model_->setSearchingValue("");
    const bool ping = PreservedPreferences().enablePing();
    sortDescriptors_ = ping ? model_->pingSortDescriptor : model_->nameSortDescriptor;
    model_->setSearching(false);
    model_->trackCountryOpened();
    model_->loadCities();
    model_->applySearch();
    rearrange();
    // The cities are measured again whenever the window comes to the front.
    if (QWidget* top = view()->window(); top != watchedWindow_) {
        if (watchedWindow_) watchedWindow_->removeEventFilter(this);
        watchedWindow_ = top;
        if (top) top->installEventFilter(this);
    }
}

bool CitiesViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_ && event->type() == QEvent::WindowActivate) model_->loadCities();
    return ViewController::eventFilter(watched, event);
}

void CitiesViewController::goBack() {
    if (auto* explore = qobject_cast<ExploreTabViewController*>(parent()))
        explore->selectTabViewItem(ExploreTabViewController::Countries);
}

void CitiesViewController::sortPreferrenceChanged(int tag) {
    sortDescriptors_ = tag == 1 ? model_->pingSortDescriptor : model_->nameSortDescriptor;
    rearrange();
}

void CitiesViewController::rearrange() {
    arranged_ = LocationSearch::arranged(model_->content().value_or(ServerList{}), sortDescriptors_);
    for (const auto& button : sortButtons_)
        if (button) button->setChecked((button->property("tag").toInt() == 1) == (sortDescriptors_ == model_->pingSortDescriptor));
    if (!table_) return;
    std::vector<LocationRowsModel::Row> rows;
    rows.reserve(arranged_.size());
    for (const ServerPtr& city : arranged_) rows.push_back(rowFor(city));
    table_->rows()->setRows(std::move(rows));
}

LocationRowsModel::Row CitiesViewController::rowFor(const ServerPtr& city) const {
    // The catalogue's copy may not know that the city is a favourite; the favourites list does.
    if (city)
        for (const auto& favourite : PreservedPreferences().favorites())
            if (favourite && favourite->id == city->id) {
                city->favorite = true;
                break;
            }
    return {city, ListItem::RowType::City, false};
}

void CitiesViewController::rowClicked(int row) {
    if (row < 0 || row >= static_cast<int>(arranged_.size())) return;
    const ServerPtr city = arranged_[static_cast<std::size_t>(row)];
    if (!city) return;
    if (accountGate && !accountGate()) return;
    model_->connectCity(city, model_->searching());
}

void CitiesViewController::showProtocolAlert() {
    presentProtocolAlert(*this, model_->preference);
}

void CitiesViewController::rowUpdated(const std::string& id) {
    int row = 0;
    for (int i = 0; i < static_cast<int>(arranged_.size()); ++i)
        if (arranged_[static_cast<std::size_t>(i)] && arranged_[static_cast<std::size_t>(i)]->id == id) {
            row = i;
            break;
        }
    if (table_ && row < static_cast<int>(arranged_.size())) table_->rows()->replaceRow(row, rowFor(arranged_[static_cast<std::size_t>(row)]));
}

void CitiesViewController::contentReloaded() { rearrange(); }

void CitiesViewController::showCities(const std::optional<ServerList>& cities,
                                      const std::optional<std::string>& countryName) {
    model_->setContent(cities);
    model_->setContentWithCities(cities);
    model_->setCountryName(countryName);
}

}  // namespace morvex
