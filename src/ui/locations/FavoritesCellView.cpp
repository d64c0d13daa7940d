#include "ui/locations/FavoritesCellView.h"

#include <QHBoxLayout>
#include <QLabel>

#include "ui/kit/CustomButtons.h"
#include "ui/locations/LocationsCellStyle.h"

namespace morvex {

FavoritesCellView::FavoritesCellView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FavoritesCellView"));
    setFixedHeight(cellstyle::kRowHeight);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(cellstyle::kSidePadding, 0, cellstyle::kSidePadding - 4, 0);
    line->setSpacing(10);
    imgView_ = cellstyle::flagView(this);
    lblTitle_ = cellstyle::titleLabel(this);
    p2pTag_ = cellstyle::p2pTag(this);
    btnFav_ = cellstyle::iconButton("btnFav", "LocationsFavoriteFilled", this);
    line->addWidget(imgView_);
    line->addWidget(lblTitle_, 1);
    line->addWidget(p2pTag_);
    line->addWidget(btnFav_);
    connect(btnFav_, &QAbstractButton::clicked, this, [this] { favoriteClicked(); });
}

void FavoritesCellView::configure(const ServerPtr& server) {
    server_ = server;
    cellstyle::showLocation(server, imgView_, lblTitle_);
    p2pTag_->setVisible(server && server->p2p);
    cellstyle::showFavorite(btnFav_, server && server->favorite);
}

void FavoritesCellView::favoriteClicked() {
    if (!server_) return;
    cellstyle::showFavorite(btnFav_, toggleFavorite(server_));
    if (delegate) delegate->favoriteChanged(server_);
}

}  // namespace morvex
