#pragma once
// The server row of the location lists (countries, cities, the favourites panel): the flag, the
// location's name, the favourite star and, for a country with cities, the arrow to its city list.
// A list makes one per row and fills it with `configure`; the row keeps nothing else from an
// earlier use. The star edits the favourites store; the lists redraw from the store's
// "FavoritesUpdated", so the row never changes its own star.
//
// Threads: main thread.
#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "catalog/LocationLists.h"
#include "ui/kit/CustomButtons.h"

namespace morvex {

class RowView : public QWidget {
    Q_OBJECT
public:
    using RowType = ListItem::RowType;
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;

    explicit RowView(QWidget* parent = nullptr);

    // The row's parts, as a list's cell prototype names them.
    PVButton* favoriteButton() const { return favoriteButton_; }
    QWidget* backgroundBox() const { return backgroundBox_; }
    QWidget* detailArrowBtn() const { return detailArrowBtn_; }
    QLabel* p2pTag() const { return p2pTag_; }
    QWidget* detailArrowView() const { return detailArrowView_; }
    QLabel* imgView() const { return imgView_; }
    QLabel* lblTitle() const { return lblTitle_; }

    const ServerPtr& server() const { return server_; }
    RowType rowType() const { return rowType_; }

    // Set by a list's cell prototype; the row itself does not read them.
    QColor backgroundColor = Qt::transparent;
    QColor backgroundHoveredColor = Qt::transparent;
    bool hideArrowButton = false;

    // The row watches the pointer over its whole area (entered-and-exited, active in the key
    // window, in the visible rectangle) without reacting to it itself.
    const TrackingArea& trackingArea() const { return trackingArea_; }

    // Fills the row. The city arrow shows only outside the favourites tab for a country that has
    // cities: `favoritesTab` false and `hasCities` true. A dedicated IP has no star; any other
    // location's star hovers only while it is not a favourite.
    void configure(const ListItem& item, bool favoritesTab, bool hasCities);

    // The star. Not a favourite: a country, city or fastest-location row adds it (a recents row
    // adds it as coming from the recents); favourite rows, unset rows and dedicated IPs add
    // nothing. A favourite: removed, whatever the row. Nothing without a server.
    void favoriteClicked();

signals:
    // The arrow of a country row: the list opens that country's cities.
    void detailArrowClicked(const ServerPtr& server);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<QWidget> backgroundBox_;
    QPointer<QLabel> imgView_;
    QPointer<QLabel> lblTitle_;
    QPointer<QLabel> p2pTag_;
    QPointer<QWidget> detailArrowView_;
    QPointer<PVButton> detailArrowBtn_;
    QPointer<PVButton> favoriteButton_;
    ServerPtr server_;
    RowType rowType_ = RowType::NotSet;
    TrackingArea trackingArea_;
};

}  // namespace morvex
