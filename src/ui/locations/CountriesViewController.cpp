#include "ui/locations/CountriesViewController.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "alerts/BaseViewController.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "foundation/Bundle.h"
#include "state/AppManager.h"
#include "viewmodels/MainThreadObserver.h"
#include "ui/kit/LayerViews.h"
#include "ui/kit/Transformers.h"
#include "ui/locations/CountriesProtocolAlert.h"
#include "ui/locations/CountriesSearchText.h"
#include "ui/locations/CountriesStyle.h"
#include "ui/locations/ExploreTabViewController.h"
#include "ui/locations/PopOver.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {

// The model's callbacks, forwarded to the screen while it exists.
class ScreenCallbacks : public ContentUpdateDelegate, public CountriesModelDelegate {
public:
    explicit ScreenCallbacks(CountriesViewController* screen) : screen_(screen) {}
    void reloadItem(const std::string& id) override {
        if (screen_) screen_->rowUpdated(id);
    }
    void reloadContent() override {
        if (screen_) screen_->contentReloaded();
    }
    void showProtocolsAlert() override {
        if (screen_) screen_->showProtocolAlert();
    }

private:
    QPointer<CountriesViewController> screen_;
};

CustomTabView* tabHeader(QWidget* parent, const QString& title) {
    auto* tab = new CustomTabView(Qt::Vertical, parent);
    tab->stack()->setContentsMargins(12, 10, 12, 6);
    tab->stack()->setSpacing(6);
    tab->setCursor(Qt::PointingHandCursor);
    auto* label = new QLabel(title, tab);
    label->setAlignment(Qt::AlignCenter);
    setViewTag(label, 2);
    auto* marker = new QWidget(tab);
    marker->setFixedHeight(2);
    // The strip is the charcoal panel in both looks: the dark look's colours read on it.
    marker->setStyleSheet(QStringLiteral("background: %1;").arg(ThemedColor::colorNamed("ThemeColor").resolve(appkit::Appearance::DarkAqua).name()));
    setViewTag(marker, 1);
    tab->addArrangedSubview(label);
    tab->addArrangedSubview(marker);
    tab->setOnDarkGround(true);
    return tab;
}

QPushButton* iconButton(QWidget* parent, const char* imageName, const std::string& tip) {
    auto* button = new QPushButton(parent);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedSize(32, 32);
    button->setIconSize(QSize(20, 20));
    button->setIcon(appkit::imageNamed(imageName));
    button->setToolTip(countries::qs(tip));
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    return button;
}

// A click on a tab header.
class ClickFilter : public QObject {
public:
    ClickFilter(QWidget* target, std::function<void()> action) : QObject(target), action_(std::move(action)) {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) action_();
        return false;
    }

private:
    std::function<void()> action_;
};

}  // namespace

// ---- construction ----

std::unique_ptr<CountriesModel> CountriesViewController::makeDefaultModel() {
    return std::make_unique<CountriesModel>(MorvexVPNService::makeZevu().locationEngine(), MorvexVPNService::makeZevuDataFetcher(),
                                            PreservedPreferences(), MorvexVPNService::makeEventTracker());
}

CountriesViewController::CountriesViewController(QObject* parent) : CountriesViewController(&makeDefaultModel, parent) {}

CountriesViewController::CountriesViewController(const ModelFactory& factory, QObject* parent)
    : ViewController(parent), model_(factory()) {
    auto callbacks = std::make_shared<ScreenCallbacks>(this);
    contentDelegate_ = callbacks;
    countriesDelegate_ = callbacks;
}

CountriesViewController::~CountriesViewController() {
    observers_.clear();
    model_->delegate.reset();
    model_->countriesDelegate.reset();
}

// ---- the view ----

void CountriesViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("CountriesView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(20, 20, 20, 0);
    column->setSpacing(14);

    // The search box with the filter and sort buttons beside it.
    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    searchBox = new CustomView(view);
    searchBox->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
    searchBox->setCornerRadius(10);
    searchBox->setBorderWidth(1);
    searchBox->setBorderColor(ThemedColor::colorNamed("Separator"));
    searchBox->setFixedHeight(40);
    auto* boxLine = new QHBoxLayout(searchBox);
    boxLine->setContentsMargins(12, 0, 12, 0);
    boxLine->setSpacing(8);
    auto* glass = new QLabel(searchBox);
    glass->setPixmap(appkit::imageNamed("SearchFieldIcon", QSize(16, 16)));
    searchField = new QLineEdit(searchBox);
    searchField->setObjectName(QStringLiteral("searchField"));
    searchField->setFrame(false);
    searchField->setFont(systemFont(14));
    boxLine->addWidget(glass);
    boxLine->addWidget(searchField, 1);
    top->addWidget(searchBox, 1);

    buttonStack_ = new QWidget(view);
    auto* stack = new QHBoxLayout(buttonStack_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(4);
    btnP2P = iconButton(buttonStack_, "LocationsFilter", localized("locations.filter.tooltip"));
    btnSort = iconButton(buttonStack_, "LocationsSort", localized("locations.sort.tooltip"));
    btnP2P->setObjectName(QStringLiteral("btnP2P"));
    btnSort->setObjectName(QStringLiteral("btnSort"));
    btnSections = iconButton(buttonStack_, "LocationsSections", localized("locations.sections.tooltip"));
    btnSections->setObjectName(QStringLiteral("btnSections"));
    stack->addWidget(btnP2P);
    stack->addWidget(btnSort);
    stack->addWidget(btnSections);
    top->addWidget(buttonStack_);
    column->addLayout(top);

    // The panel: the tab headers over the list.
    subView = new CustomView(view);
    subView->setObjectName(QStringLiteral("subView"));
    auto* panel = new QVBoxLayout(subView);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->setSpacing(0);
    auto* tabs = new QHBoxLayout;
    tabs->setContentsMargins(16, 4, 16, 0);
    tabs->setSpacing(8);
    allTabView = tabHeader(subView, countries::qs(localized("locations.tab.all")));
    favoriteTabView = tabHeader(subView, countries::qs(favoritesTitle(0)));
    recentTabView = tabHeader(subView, countries::qs(localized("locations.tab.recents")));
    tabs->addWidget(allTabView);
    tabs->addWidget(favoriteTabView);
    tabs->addWidget(recentTabView);
    tabs->addStretch(1);
    panel->addLayout(tabs);

    auto* listArea = new QWidget(subView);
    auto* layers = new QStackedLayout(listArea);
    layers->setStackingMode(QStackedLayout::StackAll);
    tableView = new LocationListView(listArea);
    tableView->setObjectName(QStringLiteral("tableView"));
    labelLocations = new QLabel(countries::qs(localized("empty.locations")), listArea);
    labelLocations->setObjectName(QStringLiteral("labelLocations"));
    labelLocations->setAlignment(Qt::AlignCenter);
    labelLocations->setFont(systemFont(14));
    labelLocations->setAttribute(Qt::WA_TransparentForMouseEvents);
    labelLocations->hide();
    emptyTabLabel = new QLabel(listArea);
    emptyTabLabel->setObjectName(QStringLiteral("emptyTabLabel"));
    emptyTabLabel->setAlignment(Qt::AlignCenter);
    emptyTabLabel->setWordWrap(true);
    emptyTabLabel->setFont(systemFont(14));
    emptyTabLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    emptyTabLabel->hide();
    layers->addWidget(emptyTabLabel);
    layers->addWidget(labelLocations);
    layers->addWidget(tableView);
    labelLocations->raise();
    emptyTabLabel->raise();
    panel->addWidget(listArea, 1);
    column->addWidget(subView, 1);

    connect(searchField, &QLineEdit::textEdited, this, [this] { searchTextChanged(); });
    connect(btnSort, &QAbstractButton::clicked, this, [this] { toggleSortPopOver(); });
    connect(btnP2P, &QAbstractButton::clicked, this, [this] { showFilterSheet(); });
    connect(btnSections, &QAbstractButton::clicked, this, [this] { openSectionedList(); });
    connect(tableView, &LocationListView::rowActivated, this, [this](int row) { rowClicked(row); });
    connect(tableView, &LocationListView::arrowClicked, this, [this](int row) { openCities(row); });
    connect(tableView, &LocationListView::starClicked, this, [this](int row) { starClicked(row); });
    setView(view);
    setGridStyleMask(kGridNone);
}

void CountriesViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    model_->delegate = contentDelegate_;
    model_->countriesDelegate = countriesDelegate_;
    model_->addObservers();
    // The panel's dark ground shows at its two top corners, above the list.
    subView->setBackgroundColor(ThemedColor(QColor::fromRgbF(0.157f, 0.157f, 0.157f, 1.0f)));
    subView->setCornerRadius(20);
    subView->setTopCorners(true);

    observers_.push_back(dashboard::observeOnMainThread(PopOver::dismissPopOver, this,
                                                        [this](const Notification&) { dismissSortView(); }));
    observers_.push_back(dashboard::observeOnMainThread(PopOver::sortPopularity, this,
                                                        [this](const Notification&) { sortPopularity(); }));
    observers_.push_back(dashboard::observeOnMainThread(PopOver::sortAlphabetically, this,
                                                        [this](const Notification&) { sortAlphabetically(); }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuDataFetcherTypes::favoritesUpdatedNotification, this,
                                                        [this](const Notification&) { favoritesChanged(); }));
    new ClickFilter(allTabView, [this] { showAllLocations(); });
    new ClickFilter(favoriteTabView, [this] { showFavoriteLocations(); });
    new ClickFilter(recentTabView, [this] { showRecentLocations(); });

    searchField->setPlaceholderText(countries::qs(localized("search")));

    // The model's content and order are what the list shows.
    connect(model_.get(), &LocationListModel::propertyChanged, this, [this](const QString& name) {
        if (name == QLatin1String("content") || name == QLatin1String("sortDescriptors")) {
            rearrange();
            reloadData();
        }
    });
}

void CountriesViewController::applyColors() {
    // Resolved in the window the list shows in, not against the appearance the view had before
    // it was placed.
    QPalette p = searchField->palette();
    p.setColor(QPalette::PlaceholderText, ThemedColor::colorNamed("TabText").resolve(searchField));
    p.setColor(QPalette::Text, ThemedColor::colorNamed("HeadingText").resolve(searchField));
    p.setColor(QPalette::Base, Qt::transparent);
    searchField->setPalette(p);
    const QColor secondary = ThemedColor::colorNamed("TabText").resolve(view());
    countries::setTextColor(labelLocations, secondary);
    countries::setTextColor(emptyTabLabel, secondary);
    setGridStyleMask(gridStyleMask_);
}

void CountriesViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    applyColors();
    setStackViewWidthConstraint(18.0);
    countries::setAlphaValue(searchBox, 1.0);
    searchField->setEnabled(true);
    countries::setAlphaValue(searchField, 1.0);
    setListControlsEnabled(true, 1.0);
    selectTab(allTabView);
    updateFavoritesTitle();
}

void CountriesViewController::viewDidAppear() {
    ViewController::viewDidAppear();
    model_->setSearching(false);
    searching = false;
    labelLocations->hide();
    model_->setSearchingValue("");
    searchField->setText(QString());
    showAllLocations();
    model_->favoriteSeleceted = false;
    AppManager& app = AppManager::shared();
    if (app.isAlphabaticalSortingEnabled()) {
        model_->updateSortDescriptors(LocationSearch::SortKind::alphabetical);
    } else {
        app.setSortKind(AppManager::SortKind::popularity);
    }
}

void CountriesViewController::viewDidDisappear() {
    removePopOver();
    setGridStyleMask(kGridHorizontal);
    ViewController::viewDidDisappear();
}

void CountriesViewController::prepareForSegue(appkit::StoryboardSegue& segue, const std::any&) {
    if (segue.identifier() == seguePreferences) selectPreferencesTab(segue, kPreferencesProtocolTab);
}

// ---- controls ----

void CountriesViewController::setStackViewWidthConstraint(qreal constant) {
    stackViewWidth_ = constant;
    // Folded to nothing while a search runs; otherwise as wide as its buttons.
    buttonStack_->setMaximumWidth(constant <= 0 ? 0 : QWIDGETSIZE_MAX);
    buttonStack_->setVisible(constant > 0);
}

void CountriesViewController::setListControlsEnabled(bool enabled, qreal alpha) {
    for (QAbstractButton* button : {btnP2P.data(), btnSort.data(), btnSections.data()}) {
        countries::setAlphaValue(button, alpha);
        button->setEnabled(enabled);
    }
}

void CountriesViewController::selectTab(CustomTabView* tab) {
    for (CustomTabView* each : {allTabView.data(), favoriteTabView.data(), recentTabView.data()}) {
        each->setIsSelected(each == tab);
        // The title's colour marks the tab; the marker stays hidden.
        if (QWidget* marker = viewWithTag(each, 1)) marker->hide();
    }
}

void CountriesViewController::setGridStyleMask(int mask) {
    gridStyleMask_ = mask;
    const QColor line = ThemedColor::colorNamed("Separator").resolve(tableView);
    const QString rows = mask == kGridHorizontal ? QStringLiteral("border-bottom: 1px solid %1;").arg(line.name())
                                                 : QStringLiteral("border: none;");
    const QString separator = ThemedColor::colorNamed("Separator").resolve(tableView).name();
    tableView->setStyleSheet(QStringLiteral("QListView { background: %1; }"
                                            "QListView::item { %2 } QListView::item:selected { background: %3; }")
                                 .arg(ThemedColor::colorNamed("BottomColor").resolve(tableView).name(), rows, separator) +
                             countries::slimScrollBarStyle(QColor(separator)));
}

std::string CountriesViewController::favoritesTitle(std::size_t count) {
    return localized("locations.tab.favorites") + " (" + std::to_string(count) + ")";
}

void CountriesViewController::updateFavoritesTitle() {
    if (auto* label = qobject_cast<QLabel*>(viewWithTag(favoriteTabView, 2)))
        label->setText(countries::qs(favoritesTitle(model_->favoritesCount())));
}

// ---- tabs ----

void CountriesViewController::showAllLocations() {
    view();
    model_->favoriteSeleceted = false;
    countries::setAlphaValue(searchBox, 1.0);
    searchField->setEnabled(true);
    countries::setAlphaValue(searchField, 1.0);
    setListControlsEnabled(true, 1.0);
    selectTab(allTabView);
    QPointer<CountriesViewController> self(this);
    model_->refreshCountries([self](bool) {
        if (!self) return;
        const auto& loaded = self->model_->countriesContent();
        self->setGridStyleMask(loaded && !loaded->empty() ? kGridHorizontal : kGridNone);
        self->model_->applySearch();
        self->reloadData();
    });
    searchField->setText(QString());
    model_->setSearchingValue("");
    labelLocations->hide();
}

void CountriesViewController::showFavoriteLocations() {
    view();
    countries::setAlphaValue(searchBox, 1.0);
    searchField->setEnabled(true);
    countries::setAlphaValue(searchField, 1.0);
    setListControlsEnabled(false, 0.5);
    selectTab(favoriteTabView);
    model_->showFavorites();
    model_->favoriteSeleceted = true;
    searchField->setText(QString());
    model_->setSearchingValue("");
    labelLocations->hide();
    setGridStyleMask(model_->favoritesCount() < 4 ? kGridNone : kGridHorizontal);
    reloadData();
}

void CountriesViewController::showRecentLocations() {
    view();
    countries::setAlphaValue(searchBox, 0.5);
    searchField->setEnabled(false);
    countries::setAlphaValue(searchField, 0.5);
    setListControlsEnabled(false, 0.5);
    selectTab(recentTabView);
    model_->showRecents();
    model_->favoriteSeleceted = false;
    searchField->setText(QString());
    model_->setSearchingValue("");
    labelLocations->hide();
    setGridStyleMask(kGridNone);
    reloadData();
}

// ---- search ----

void CountriesViewController::searchTextChanged() {
    const auto edit = countries::cleanSearchEdit(searchField->text());
    model_->setSearchingValue(edit.cut.toStdString());
    const QString& cleaned = edit.cleaned;
    if (cleaned != searchField->text()) searchField->setText(cleaned);
    // A text of nothing but removed characters searches for nothing.
    model_->setSearching(!cleaned.isEmpty());
    searching = model_->searching();

    if (!cleaned.isEmpty()) {
        setStackViewWidthConstraint(0.0);
        setListControlsEnabled(false, 0.5);
        model_->applySearch();
        const auto& found = model_->content();
        const bool any = found && !found->empty();
        setGridStyleMask(any ? kGridHorizontal : kGridNone);
        labelLocations->setVisible(!any);
    } else {
        setStackViewWidthConstraint(18.0);
        if (!favoriteTabView->isSelected()) setListControlsEnabled(true, 1.0);
        model_->applySearch();
        model_->setSearchingValue("");
        searchField->setText(QString());
        labelLocations->hide();
    }
    showEmptyTabText();
}

// ---- sorting ----

void CountriesViewController::toggleSortPopOver() {
    if (popOver) {
        removePopOver();
        return;
    }
    auto* overlay = new PopOver(this);
    overlay->popOverFlow = PopOver::PopOverFlow::sort;
    overlay->presentInMainWindow();
    if (SortView* sort = overlay->sortView(); sort && overlay->isViewLoaded() && overlay->view()->parentWidget()) {
        const QWidget* host = overlay->view()->parentWidget();
        sort->setAnchor(QRect(btnSort->mapTo(host, QPoint(0, 0)), btnSort->size()));
    }
    popOver = overlay;
}

void CountriesViewController::removePopOver() {
    if (!popOver) return;
    popOver->removeFromSuperview();
    popOver->deleteLater();
    popOver = nullptr;
}

void CountriesViewController::sortPopularity() {
    model_->updateSortDescriptors(LocationSearch::SortKind::popularity);
    removePopOver();
}

void CountriesViewController::sortAlphabetically() {
    model_->updateSortDescriptors(LocationSearch::SortKind::alphabetical);
    removePopOver();
}

void CountriesViewController::dismissSortView() { removePopOver(); }

void CountriesViewController::sortPreferrenceChanged(int senderTag) {
    model_->updateSortDescriptors(senderTag == 1   ? LocationSearch::SortKind::popularity
                                  : senderTag == 2 ? LocationSearch::SortKind::ping
                                                   : LocationSearch::SortKind::alphabetical);
}

void CountriesViewController::sortSelected(int kind) {
    model_->updateSortDescriptors(kind == 1   ? LocationSearch::SortKind::popularity
                                  : kind == 0 ? LocationSearch::SortKind::alphabetical
                                              : LocationSearch::SortKind::ping);
}

// ---- filtering ----

void CountriesViewController::showFilterSheet() {
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

void CountriesViewController::sendFilterList() {
    std::string names;
    for (const auto& [tag, filter] : model_->filterValue) {
        if (!filter.status) continue;
        if (!names.empty()) names += ", ";
        names += filter.name;
    }
    if (names.size() < 2) names.clear();
    model_->eventTracker.track(AnalyticsEvent::app_filter_list, Dictionary{{"selected_filters_list", Value(names)}});
}

void CountriesViewController::filterApplied(bool isFilterOn) {
    if (auto p2p = model_->filterValue.find(0); p2p != model_->filterValue.end()) p2p->second.status = isFilterOn;
    model_->applySearch();
    sendFilterList();
}

void CountriesViewController::filterPreferrenceChanged(int senderTag, bool senderIsOn) {
    auto entry = model_->filterValue.find(senderTag);
    if (entry != model_->filterValue.end()) entry->second.status = !senderIsOn;
    model_->applySearch();
    if (entry != model_->filterValue.end() && entry->second.status) sendFilterList();
}

// ---- rows ----

void CountriesViewController::rearrange() {
    const auto& content = model_->content();
    arranged_ = content ? LocationSearch::arranged(*content, model_->sortDescriptors()) : ServerList{};
}

LocationRowsModel::Row CountriesViewController::rowFor(const ServerPtr& server) const {
    if (!server) return {};
    const bool isCountry = server->type == ZevuDataFetcherTypes::ServerType::Country;
    // The city arrow: a country with cities, outside the favourites tab.
    const bool arrow = !model_->favoriteSeleceted && server->servers && !server->servers->empty();
    return {server, isCountry ? ListItem::RowType::Country : ListItem::RowType::City, arrow};
}

void CountriesViewController::reloadData() {
    view();
    rearrange();
    std::vector<LocationRowsModel::Row> rows;
    rows.reserve(arranged_.size());
    for (const ServerPtr& server : arranged_) rows.push_back(rowFor(server));
    tableView->rows()->setRows(std::move(rows));
    showEmptyTabText();
}

void CountriesViewController::showEmptyTabText() {
    const bool favorites = favoriteTabView->isSelected();
    const bool recents = recentTabView->isSelected();
    const auto& content = model_->content();
    const bool empty = (favorites || recents) && transformers::countriesEmpty(std::any(content.value_or(ServerList{})));
    emptyTabLabel->setText(countries::qs(favorites ? localized("empty.favorites") : localized("empty.recents")));
    emptyTabLabel->setVisible(empty && !labelLocations->isVisible());
}

void CountriesViewController::reloadRow(int row) {
    if (row < 0 || row >= static_cast<int>(arranged_.size())) return;
    tableView->rows()->replaceRow(row, rowFor(arranged_[static_cast<std::size_t>(row)]));
}

void CountriesViewController::starClicked(int row) {
    if (const LocationRowsModel::Row* shown = tableView->rows()->rowAt(row)) editFavorite(shown->server, shown->rowType);
}

void CountriesViewController::rowClicked(int row) {
    if (row < 0 || row >= static_cast<int>(arranged_.size()) || !arranged_[static_cast<std::size_t>(row)]) return;
    const ServerPtr server = arranged_[static_cast<std::size_t>(row)];
    if (!BaseViewController().accountStatusCheck()) return;
    model_->connectToListServer(server, !searchField->text().isEmpty());
}

void CountriesViewController::openSectionedList() {
    for (QObject* up = parent(); up; up = up->parent()) {
        if (auto* explore = qobject_cast<ExploreTabViewController*>(up)) {
            explore->selectTabViewItem(ExploreTabViewController::Sectioned);
            return;
        }
    }
}

void CountriesViewController::openCities(int row) {
    if (row < 0 || row >= static_cast<int>(arranged_.size())) return;
    // Only inside the explore tab, which has the city page.
    for (QObject* up = parent(); up; up = up->parent()) {
        if (auto* explore = qobject_cast<ExploreTabViewController*>(up)) {
            explore->showCities(arranged_[static_cast<std::size_t>(row)]);
            return;
        }
    }
}

void CountriesViewController::rowUpdated(const std::string& serverId) {
    int row = 0;
    for (int r = 0; r < static_cast<int>(arranged_.size()); ++r) {
        if (arranged_[static_cast<std::size_t>(r)] && arranged_[static_cast<std::size_t>(r)]->id == serverId) {
            row = r;
            break;
        }
    }
    reloadRow(row);
    updateFavoritesTitle();
    if (favoriteTabView->isSelected()) setGridStyleMask(model_->favoritesCount() < 4 ? kGridNone : kGridHorizontal);
}

void CountriesViewController::contentReloaded() { reloadData(); }

void CountriesViewController::favoritesChanged() {
    if (!favoriteTabView || !favoriteTabView->isSelected()) return;
    model_->showFavorites();
    if (model_->favoritesCount() > 0) reloadData();
    else showAllLocations();
}

void CountriesViewController::showProtocolAlert() { presentProtocolAlert(*this, model_->preference); }

}  // namespace morvex
