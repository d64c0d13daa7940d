#include "ui/locations/LeftPanelViewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>

#include "alerts/BaseViewController.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "ui/kit/DashboardStyle.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/locations/CountriesProtocolAlert.h"
#include "ui/locations/LocationsCellStyle.h"

namespace morvex {

LeftPanelViewController::LeftPanelViewController(LeftPanelViewModel::Collaborators c, QObject* parent)
    : ViewController(parent),
      accountGate([] { return BaseViewController().accountStatusCheck(); }),
      model_(std::make_unique<LeftPanelViewModel>(std::move(c))) {}

LeftPanelViewController::~LeftPanelViewController() {
    contentBinding_.cancel();
    model_->delegate = nullptr;
}

void LeftPanelViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("LeftPanelView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    table_ = new LocationListView(view);
    table_->setObjectName(QStringLiteral("leftPanelTable"));
    // Titles and a wrapped note beside the location rows.
    table_->setRowsOfOneHeight(false);
    table_->setStyleSheet(QStringLiteral("QListView { background: transparent; } QListView::item { border: none; }"
                                         "QListView::item:selected { background: %1; }")
                              .arg(dashboard::color("Separator").name()));
    column->addWidget(table_);
    connect(table_, &LocationListView::rowActivated, this, [this](int row) { rowClicked(row); });
    connect(table_, &LocationListView::starClicked, this, [this](int row) {
        if (const LocationRowsModel::Row* shown = table_->rows()->rowAt(row)) editFavorite(shown->server, shown->rowType);
    });
    setView(view);
}

void LeftPanelViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    contentBinding_ = model_->content.observe([this](const auto&) { showContent(); }, true);
}

void LeftPanelViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    model_->delegate = this;
    model_->reloadContent();
}

void LeftPanelViewController::prepareForSegue(appkit::StoryboardSegue& segue, const std::any& sender) {
    ViewController::prepareForSegue(segue, sender);
    selectPreferencesTab(segue, kPreferencesProtocolTab);
}

void LeftPanelViewController::showContent() {
    if (!table_) return;
    std::vector<LocationRowsModel::Row> rows;
    rows.reserve(model_->content.value().size());
    for (const auto& row : model_->content.value()) {
        LocationRowsModel::Row shown;
        if (const auto* item = std::get_if<ListItem>(&row)) {
            shown.server = item->server;
            shown.rowType = item->rowType;
        } else if (const auto* header = std::get_if<LeftPanelHeader>(&row)) {
            shown.kind = LocationRowsModel::Kind::Header;
            shown.text = QString::fromStdString(header->name);
            shown.imageName = QString::fromStdString(header->imageName);
        } else if (const auto* empty = std::get_if<LeftPanelEmptyRow>(&row)) {
            shown.kind = LocationRowsModel::Kind::Note;
            shown.text = QString::fromStdString(empty->message);
        }
        rows.push_back(std::move(shown));
    }
    table_->rows()->setRows(std::move(rows));
}

void LeftPanelViewController::rowClicked(int row) {
    const auto& rows = model_->content.value();
    if (row < 0 || row >= static_cast<int>(rows.size())) return;
    const auto* item = std::get_if<ListItem>(&rows[static_cast<std::size_t>(row)]);
    if (!item) return;  // a header or the placeholder stays as it is
    const ListItem chosen = *item;
    if (accountGate && !accountGate()) return;
    model_->connectItem(chosen);
}

void LeftPanelViewController::makeWireGuardBetaAlertController() { presentProtocolAlert(*this, PreservedPreferences()); }

}  // namespace morvex
