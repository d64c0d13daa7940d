#include "ui/preferences/SettingsLocationViewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "model/ZevuTypes.h"
#include "ui/preferences/SettingsPageWidgets.h"

namespace morvex {

namespace {

constexpr int kRowHeight = 44;

QPushButton* iconButton(QWidget* parent, const char* name, const char* image) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setProperty("role", QStringLiteral("toggle"));
    b->setFlat(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIcon(appkit::imageNamed(image));
    b->setIconSize(QSize(16, 16));
    b->setFixedSize(28, 28);
    return b;
}

}  // namespace

SettingsLocationViewController::SettingsLocationViewController(QObject* parent)
    : SettingsLocationViewController(
          [](SettingsLocationModel::Completion completion) {
              SettingsLocationModel(ZevuDataFetcher()).loadCountries(std::move(completion));
          },
          parent) {}

SettingsLocationViewController::SettingsLocationViewController(Loader loader, QObject* parent)
    : ViewController(parent), loader_(std::move(loader)) {
    setPreferredContentSize(QSize(345, 480));
}

SettingsLocationViewController::~SettingsLocationViewController() = default;

void SettingsLocationViewController::loadView() {
    auto* root = new SettingsPageView;
    root->setObjectName(QStringLiteral("SettingsLocationView"));
    root->setMinimumSize(345, 420);
    auto* column = new QVBoxLayout(root);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);

    auto* header = new QHBoxLayout;
    auto* back = iconButton(root, "backButton", "settings_chevron_left");
    back->setVisible(false);
    backButton_ = back;
    header->addWidget(back);
    auto* title = settingsPageTitle(root, "titleLabel", localized("preferences.location.title"));
    titleLabel_ = title;
    header->addWidget(title, 1);
    auto* close = iconButton(root, "closeButton", "NotificationClose");
    header->addWidget(close);
    column->addLayout(header);

    auto* card = settingsCard(root, "locationsCard");
    auto* cardLayout = new QVBoxLayout(card);
    cardLayout->setContentsMargins(0, 6, 0, 6);
    auto* table = new QListWidget(card);
    table->setObjectName(QStringLiteral("tableView"));
    table->setFrameShape(QFrame::NoFrame);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tableView_ = table;
    cardLayout->addWidget(table);
    column->addWidget(card, 1);

    connect(back, &QPushButton::clicked, this, [this] { backButtonClicked(); });
    connect(close, &QPushButton::clicked, this, [this] { dismissPopup(); });
    // A click on a row picks it (the drill-down button takes its own clicks).
    connect(table, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (tableView_) tableViewSelectionDidChange(tableView_->row(item));
    });
    setView(root);
}

void SettingsLocationViewController::viewDidLoad() {
    QPointer<SettingsLocationViewController> self(this);
    // The engine posts from its own thread; the sheet closes on the main one.
    stateObserver_ = NotificationCenter::defaultCenter().addObserver(
        ZevuTypes::stateNotification, [self](const Notification& n) {
            const auto* info = n.objectAs<ZevuTypes::ConnectionInfo>();
            if (!info || info->state != ZevuConnectionState::Connecting) return;
            DispatchQueue::main().async([self] {
                if (self) self->dismissPopup();
            });
        });
}

void SettingsLocationViewController::viewDidAppear() {
    if (!loader_) return;
    QPointer<SettingsLocationViewController> self(this);
    loader_([self](ServerList servers, std::optional<Error> error) {
        if (!self || error) return;
        auto sorted = sortedByName(std::move(servers));
        self->countries_ = sorted;
        self->setContent(std::move(sorted));
    });
}

SettingsLocationViewController::ServerList SettingsLocationViewController::sortedByName(ServerList servers) {
    std::erase(servers, nullptr);
    std::stable_sort(servers.begin(), servers.end(), [](const auto& a, const auto& b) { return a->name < b->name; });
    return servers;
}

void SettingsLocationViewController::moreButtonClicked(int row) {
    if (!content_ || row < 0 || row >= static_cast<int>(content_->size())) return;
    const auto server = (*content_)[static_cast<std::size_t>(row)];
    showingCities_ = true;
    titleText_ = server->name;
    setContent(sortedByName(server->servers.value_or(ServerList{})));
}

void SettingsLocationViewController::backButtonClicked() {
    showingCities_ = false;
    titleText_.clear();
    setContent(countries_);
}

void SettingsLocationViewController::dismissPopup() {
    if (presentingViewController()) {
        dismiss(this);
        return;
    }
    // Shown in the container's panel rather than as a sheet: the container closes the panel.
    if (delegate) delegate->closeLocations();
    NotificationCenter::defaultCenter().post(kDismissSettingsLocationNotification);
}

void SettingsLocationViewController::tableViewSelectionDidChange(int row) {
    if (!content_ || row < 0 || row >= static_cast<int>(content_->size())) return;
    const auto server = (*content_)[static_cast<std::size_t>(row)];
    if (delegate) delegate->selectionDidChangedWithServer(server);
    if (!presentingViewController()) {
        // In the container's panel the VPN page hears the choice with the panel's closing.
        NotificationCenter::defaultCenter().post(kDismissSettingsLocationNotification, {}, UserInfo{{"server", server}});
        return;
    }
    dismissPopup();
}

void SettingsLocationViewController::setContent(std::optional<ServerList> content) {
    content_ = std::move(content);
    reloadTable();
}

void SettingsLocationViewController::reloadTable() {
    if (backButton_) backButton_->setVisible(showingCities_);
    if (titleLabel_)
        titleLabel_->setText(qtext(showingCities_ ? titleText_ : localized("preferences.location.title")));
    if (!tableView_) return;
    tableView_->clear();
    if (!content_) return;
    for (int row = 0; row < static_cast<int>(content_->size()); ++row) {
        const auto& server = (*content_)[static_cast<std::size_t>(row)];
        auto* item = new QListWidgetItem(tableView_);
        item->setSizeHint(QSize(0, kRowHeight));
        auto* cell = new QWidget;
        cell->setObjectName(QStringLiteral("locationRow"));
        auto* layout = new QHBoxLayout(cell);
        layout->setContentsMargins(16, 0, 12, 0);
        layout->setSpacing(10);
        auto* flag = new QLabel(cell);
        flag->setFixedSize(20, 20);
        flag->setPixmap(settingsFlag(server->code, 20, tableView_));
        layout->addWidget(flag);
        auto* name = new QLabel(qtext(server->name), cell);
        name->setObjectName(QStringLiteral("locationName"));
        layout->addWidget(name, 1);
        if (!showingCities_) {
            auto* more = iconButton(cell, "moreButton", "settings_chevron_right");
            // Queued: the drill-down replaces the rows, this button's among them.
            connect(more, &QPushButton::clicked, this, [this, row] { moreButtonClicked(row); }, Qt::QueuedConnection);
            layout->addWidget(more);
        }
        tableView_->setItemWidget(item, cell);
    }
}

}  // namespace morvex
