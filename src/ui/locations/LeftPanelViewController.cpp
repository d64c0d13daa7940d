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
#include "ui/locations/RowView.h"

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

QWidget* LeftPanelViewController::cellFor(const LeftPanelRow& row) {
    if (const auto* item = std::get_if<ListItem>(&row)) {
        auto* cell = new RowView;
        cell->configure(*item, false, false);
        return cell;
    }
    auto* cell = new QWidget;
    auto* line = new QHBoxLayout(cell);
    line->setContentsMargins(cellstyle::kSidePadding, 6, 12, 6);
    line->setSpacing(8);
    auto* image = new QLabel(cell);
    image->setFixedSize(cellstyle::kIconSide, cellstyle::kIconSide);
    auto* title = new QLabel(cell);
    if (const auto* header = std::get_if<LeftPanelHeader>(&row)) {
        cell->setObjectName(QStringLiteral("Header"));
        image->setPixmap(appkit::imageNamed(header->imageName, QSize(cellstyle::kIconSide, cellstyle::kIconSide)));
        title->setText(QString::fromStdString(header->name));
        title->setFont(dashboard::font(13, QFont::DemiBold));
        cellstyle::setTextColor(title, "HeadingText");
    } else if (const auto* empty = std::get_if<LeftPanelEmptyRow>(&row)) {
        cell->setObjectName(QStringLiteral("EmptyRow"));
        image->hide();
        title->setText(QString::fromStdString(empty->message));
        title->setWordWrap(true);
        title->setFont(dashboard::font(12));
        cellstyle::setTextColor(title, "TabText");
    }
    line->addWidget(image);
    line->addWidget(title, 1);
    return cell;
}

void LeftPanelViewController::showContent() {
    if (!table_) return;
    const QSignalBlocker quiet(table_);
    table_->clear();
    for (const auto& row : model_->content.value()) {
        auto* item = new QListWidgetItem(table_);
        QWidget* cell = cellFor(row);
        // Rows take the table's width; a wrapped placeholder grows downwards instead of sideways.
        const int width = std::max(table_->viewport()->width(), 120);
        QLayout* layout = cell->layout();
        const int height = layout->hasHeightForWidth() ? layout->heightForWidth(width) : cell->sizeHint().height();
        item->setSizeHint(QSize(width, std::max(height, std::holds_alternative<ListItem>(row) ? cellstyle::kRowHeight : 0)));
        table_->setItemWidget(item, cell);
    }
    table_->setCurrentRow(-1);
}

void LeftPanelViewController::selectionChanged() {
    const int row = table_->currentRow();
    const auto& rows = model_->content.value();
    if (table_->selectedItems().isEmpty() || row < 0 || row >= static_cast<int>(rows.size())) return;
    const auto* item = std::get_if<ListItem>(&rows[static_cast<std::size_t>(row)]);
    if (!item) return;  // a header or the placeholder stays as it is
    const ListItem chosen = *item;
    {
        const QSignalBlocker quiet(table_);
        table_->clearSelection();
        table_->setCurrentRow(-1);
    }
    if (accountGate && !accountGate()) return;
    model_->connectItem(chosen);
}

void LeftPanelViewController::makeWireGuardBetaAlertController() { presentProtocolAlert(*this, PreservedPreferences()); }

}  // namespace morvex
