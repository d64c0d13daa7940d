#pragma once
// The favourite cell of the alternative country list: flag, name, the P2P tag of a location that
// allows peer-to-peer traffic, and the star. No city arrow.
//
// Threads: main thread.
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "ui/locations/LocationsCellView.h"

namespace morvex {

class FavoritesCellView : public QWidget {
    Q_OBJECT
public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;

    explicit FavoritesCellView(QWidget* parent = nullptr);

    QLabel* imgView() const { return imgView_; }
    QLabel* lblTitle() const { return lblTitle_; }
    PVButton* btnFav() const { return btnFav_; }
    QLabel* p2pTag() const { return p2pTag_; }
    const ServerPtr& server() const { return server_; }
    NSTableCellViewDelegate* delegate = nullptr;

    void configure(const ServerPtr& server);
    void favoriteClicked();

private:
    ServerPtr server_;
    QPointer<QLabel> imgView_;
    QPointer<QLabel> lblTitle_;
    QPointer<QLabel> p2pTag_;
    QPointer<PVButton> btnFav_;
};

}  // namespace morvex
