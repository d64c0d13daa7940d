#pragma once
// The country cell of the alternative country list: flag, name, favourite star and the arrow to
// the country's city list (collapsed to no width for a country without cities). A star click
// turns the favourite over in the store, redraws the star and tells the list.
//
// Threads: main thread.
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "model/ServerRecord.h"
#include "ui/kit/CustomButtons.h"

namespace morvex {

// The list that shows the cells: told after a star click, with the location it turned over.
class NSTableCellViewDelegate {
public:
    virtual ~NSTableCellViewDelegate() = default;
    virtual void favoriteChanged(const ZevuDataFetcherTypes::ServerPtr& server) = 0;
};

class LocationsCellView : public QWidget {
    Q_OBJECT
public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    static constexpr int kArrowWidth = 31;

    explicit LocationsCellView(QWidget* parent = nullptr);

    QLabel* imgView() const { return imgView_; }
    QLabel* lblTitle() const { return lblTitle_; }
    PVButton* btnFav() const { return btnFav_; }
    PVButton* btnArrow() const { return btnArrow_; }
    QLabel* p2pTag() const { return p2pTag_; }
    // The arrow button's width: kArrowWidth when shown, 0 when collapsed.
    int btnArrowWidth() const;

    const ServerPtr& server() const { return server_; }
    // The list that owns the cells; it outlives them.
    NSTableCellViewDelegate* delegate = nullptr;

    void configure(const ServerPtr& server, bool showArrow);
    void favoriteClicked();
    // Opens the city list of the cell's country on the locations page that holds the list.
    void showCities();

private:
    ServerPtr server_;
    QPointer<QLabel> imgView_;
    QPointer<QLabel> lblTitle_;
    QPointer<QLabel> p2pTag_;
    QPointer<PVButton> btnFav_;
    QPointer<PVButton> btnArrow_;
};

// What the two favourite-carrying cells share: turn the favourite over, in the location and in
// the store, and answer the new star's state.
bool toggleFavorite(const ZevuDataFetcherTypes::ServerPtr& server);

}  // namespace morvex
