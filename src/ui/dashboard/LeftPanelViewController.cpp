#include "ui/dashboard/LeftPanelViewController.h"

#include <QHBoxLayout>
#include <algorithm>
#include <QLabel>
#include <QVBoxLayout>

#include "alerts/BaseViewController.h"
#include "appkit/Images.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "ui/dashboard/DashboardStyle.h"
#include "ui/dashboard/DashboardText.h"
#include "ui/dashboard/MainThreadObserver.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/preferences/ProtocolsAlertViewController.h"

namespace morvex {

LeftPanelViewController::LeftPanelViewController(LeftPanelModel::Collaborators c, QObject* parent)
    : ViewController(parent), accountGate([] { return BaseViewController().accountStatusCheck(); }), model_(std::move(c)) {}

LeftPanelViewController::~LeftPanelViewController() { observers_.clear(); }

void LeftPanelViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("LeftPanelView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    table_ = new QListWidget(view);
    table_->setObjectName(QStringLiteral("leftPanelTable"));
    table_->setFrameShape(QFrame::NoFrame);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setStyleSheet(QStringLiteral("QListWidget { background: transparent; } QListWidget::item { border: none; }"
                                         "QListWidget::item:selected { background: %1; }")
                              .arg(dashboard::color("Separator").name()));
    column->addWidget(table_);
    connect(table_, &QListWidget::itemSelectionChanged, this, [this] { selectionChanged(); });
    setView(view);
}

void LeftPanelViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    observers_.push_back(dashboard::observeOnMainThread(ZevuDataFetcherTypes::favoritesUpdatedNotification, this,
                                                        [this](const Notification&) { reloadContent(); }));
}

void LeftPanelViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    reloadContent();
}

QWidget* LeftPanelViewController::cellFor(const LeftPanelRow& row) {
    auto* cell = new QWidget;
    auto* line = new QHBoxLayout(cell);
    line->setContentsMargins(12, 6, 12, 6);
    line->setSpacing(8);
    auto* image = new QLabel(cell);
    image->setFixedSize(20, 20);
    auto* title = new QLabel(cell);
    QPalette p = title->palette();
    if (const auto* header = std::get_if<LeftPanelHeader>(&row)) {
        cell->setObjectName(QStringLiteral("Header"));
        image->setPixmap(appkit::imageNamed(header->imageName, QSize(20, 20)));
        title->setText(QString::fromStdString(header->name));
        title->setFont(dashboard::font(13, QFont::DemiBold));
        p.setColor(QPalette::WindowText, dashboard::color("HeadingText"));
    } else if (const auto* empty = std::get_if<LeftPanelEmptyRow>(&row)) {
        cell->setObjectName(QStringLiteral("EmptyRow"));
        image->hide();
        title->setText(QString::fromStdString(empty->message));
        title->setWordWrap(true);
        title->setFont(dashboard::font(12));
        p.setColor(QPalette::WindowText, dashboard::color("TabText"));
    } else if (const auto* item = std::get_if<ListItem>(&row); item && item->server) {
        cell->setObjectName(QStringLiteral("Row"));
        image->setPixmap(dashboard::roundFlag(dashboard::flagImageName(item->server->code), 20, dashboard::flagBorderColor()));
        title->setText(QString::fromStdString(dashboard::locationDisplayName(*item->server)));
        title->setFont(dashboard::font(13));
        p.setColor(QPalette::WindowText, dashboard::color("HeadingText"));
    }
    title->setPalette(p);
    // The item view's own style would otherwise repaint the text in the system's colours.
    title->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(p.color(QPalette::WindowText).name()));
    line->addWidget(image);
    line->addWidget(title, 1);
    return cell;
}

void LeftPanelViewController::reloadContent() {
    view();
    content_ = model_.content();
    const QSignalBlocker quiet(table_);
    table_->clear();
    for (const auto& row : content_) {
        auto* item = new QListWidgetItem(table_);
        QWidget* cell = cellFor(row);
        // Rows take the table's width; a wrapped placeholder grows downwards instead of sideways.
        const int width = std::max(table_->viewport()->width(), 120);
        QLayout* layout = cell->layout();
        const int height = layout->hasHeightForWidth() ? layout->heightForWidth(width) : cell->sizeHint().height();
        item->setSizeHint(QSize(width, height));
        table_->setItemWidget(item, cell);
    }
    table_->setCurrentRow(-1);
}

void LeftPanelViewController::selectionChanged() {
    const int row = table_->currentRow();
    const auto selected = table_->selectedItems();
    if (selected.isEmpty() || row < 0 || row >= static_cast<int>(content_.size())) return;
    const LeftPanelRow chosen = content_[static_cast<std::size_t>(row)];
    if (!std::holds_alternative<ListItem>(chosen)) return;  // a header or the placeholder stays as it is
    {
        const QSignalBlocker quiet(table_);
        table_->clearSelection();
    }
    if (model_.select(chosen, accountGate) == LeftPanelModel::SelectionOutcome::ProtocolNotReady) makeWireGuardBetaAlertController();
}

void LeftPanelViewController::prepareForSegue(appkit::StoryboardSegue& segue, const std::any&) {
    if (segue.identifier() == seguePreferences) selectPreferencesTab(segue, kPreferencesProtocolTab);
}

void LeftPanelViewController::makeWireGuardBetaAlertController() {
    ProtocolsAlertViewController* alert = ProtocolsAlertViewController::instantiate();
    if (!alert) return;
    auto [title, message] = model_.protocolNotReadyTexts();
    alert->config = ProtocolAlertConfig{std::move(title), std::move(message), localized("ok"), std::nullopt, {}, {}};
    presentAsSheet(alert);
}

}  // namespace morvex
