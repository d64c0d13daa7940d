#include "ui/locations/RowView.h"

#include <QHBoxLayout>
#include <QLabel>

#include "ui/locations/LocationListView.h"
#include "ui/locations/LocationsCellStyle.h"

namespace morvex {

RowView::RowView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Row"));
    setFixedHeight(cellstyle::kRowHeight);
    // The background box sits behind the row's content and takes its whole area.
    backgroundBox_ = new QWidget(this);
    backgroundBox_->setObjectName(QStringLiteral("backgroundBox"));
    backgroundBox_->lower();

    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(cellstyle::kSidePadding, 0, cellstyle::kSidePadding - 4, 0);
    line->setSpacing(10);
    imgView_ = cellstyle::flagView(this);
    lblTitle_ = cellstyle::titleLabel(this);
    p2pTag_ = cellstyle::p2pTag(this);
    detailArrowView_ = new QWidget(this);
    detailArrowView_->setObjectName(QStringLiteral("detailArrowView"));
    auto* arrowBox = new QHBoxLayout(detailArrowView_);
    arrowBox->setContentsMargins(0, 0, 0, 0);
    detailArrowBtn_ = cellstyle::iconButton("detailArrowBtn", "LocationsDetailArrow", detailArrowView_);
    arrowBox->addWidget(detailArrowBtn_);
    favoriteButton_ = cellstyle::iconButton("favoriteButton", "LocationsFavoriteUnfilled", this);

    line->addWidget(imgView_);
    line->addWidget(lblTitle_, 1);
    line->addWidget(p2pTag_);
    line->addWidget(detailArrowView_);
    line->addWidget(favoriteButton_);

    trackingArea_ = TrackingArea{rect(), 545};
    connect(favoriteButton_, &QAbstractButton::clicked, this, [this] { favoriteClicked(); });
    connect(detailArrowBtn_, &QAbstractButton::clicked, this, [this] {
        if (server_) emit detailArrowClicked(server_);
    });
}

void RowView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    backgroundBox_->setGeometry(rect());
    trackingArea_.rect = rect();
}

void RowView::configure(const ListItem& item, bool favoritesTab, bool hasCities) {
    server_ = item.server;
    rowType_ = item.rowType;
    p2pTag_->hide();
    if (detailArrowBtn_) detailArrowView_->setVisible(!favoritesTab && hasCities);
    cellstyle::showLocation(item.server, imgView_, lblTitle_);
    if (server_ && server_->type == ZevuDataFetcherTypes::ServerType::DedicatedIp) {
        favoriteButton_->hide();
        return;
    }
    favoriteButton_->show();
    const bool favorite = server_ && server_->favorite;
    cellstyle::showFavorite(favoriteButton_, favorite);
    favoriteButton_->setHoverable(!favorite);
}

void RowView::favoriteClicked() { editFavorite(server_, rowType_); }

}  // namespace morvex
