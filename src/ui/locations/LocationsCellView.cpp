#include "ui/locations/LocationsCellView.h"

#include <QHBoxLayout>
#include <QLabel>

#include "catalog/SavedLocations.h"
#include "ui/kit/CustomButtons.h"
#include "ui/locations/ExploreTabViewController.h"
#include "ui/locations/LocationsCellStyle.h"

namespace morvex {

bool toggleFavorite(const ZevuDataFetcherTypes::ServerPtr& server) {
    SavedLocations fetcher;
    if (!server->favorite) {
        server->favorite = true;
        fetcher.addToFavorites(server, SavedLocations::FavoriteSource::Location);
    } else {
        server->favorite = false;
        fetcher.removeFromFavorites(server);
    }
    return server->favorite;
}

LocationsCellView::LocationsCellView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LocationsCellView"));
    setFixedHeight(cellstyle::kRowHeight);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(cellstyle::kSidePadding, 0, cellstyle::kSidePadding - 4, 0);
    line->setSpacing(10);
    imgView_ = cellstyle::flagView(this);
    lblTitle_ = cellstyle::titleLabel(this);
    p2pTag_ = cellstyle::p2pTag(this);
    btnFav_ = cellstyle::iconButton("btnFav", "LocationsFavoriteUnfilled", this);
    btnArrow_ = cellstyle::iconButton("btnArrow", "LocationsDetailArrow", this);
    btnArrow_->setFixedWidth(kArrowWidth);
    line->addWidget(imgView_);
    line->addWidget(lblTitle_, 1);
    line->addWidget(p2pTag_);
    line->addWidget(btnFav_);
    line->addWidget(btnArrow_);
    connect(btnFav_, &QAbstractButton::clicked, this, [this] { favoriteClicked(); });
    connect(btnArrow_, &QAbstractButton::clicked, this, [this] { showCities(); });
}

int LocationsCellView::btnArrowWidth() const { return btnArrow_->maximumWidth(); }

void LocationsCellView::configure(const ServerPtr& server, bool showArrow) {
    server_ = server;
    cellstyle::showLocation(server, imgView_, lblTitle_);
    p2pTag_->hide();
    btnArrow_->setFixedWidth(showArrow ? kArrowWidth : 0);
    cellstyle::showFavorite(btnFav_, server && server->favorite);
}

void LocationsCellView::favoriteClicked() {
    if (!server_) return;
    cellstyle::showFavorite(btnFav_, toggleFavorite(server_));
    if (delegate) delegate->favoriteChanged(server_);
}

void LocationsCellView::showCities() {
    if (!server_ || !delegate) return;
    // The list is a page (or a part of a page) of the locations page.
    for (QObject* up = dynamic_cast<QObject*>(delegate); up; up = up->parent())
        if (auto* explore = qobject_cast<ExploreTabViewController*>(up)) return explore->showCities(server_);
}

}  // namespace morvex
