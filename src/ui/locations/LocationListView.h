#pragma once
// The location list as an item view: a flat model over the rows a screen arranged, a delegate that
// paints each row (flag, name, the city arrow, the favourite star; the grid line and the keyboard's
// selection from the list's style sheet) and a view that turns clicks and keys into row, arrow and
// star actions. Nothing is made per row: 10,000 locations cost 10,000 small records, and a reload
// resets the model instead of rebuilding widgets.
//
// The look (`LocationsCellStyle.h`): 44 high, 16 side padding, a round 24-point flag, the name in
// 14 point, 20-point icons in 28-point hit areas.
//
// Threads: main thread.
#include <QAbstractListModel>
#include <QHash>
#include <QListView>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <vector>

#include "catalog/LocationLists.h"

namespace morvex {

// The star's edit of the favourites. Not a favourite: a country, city or fastest-location row adds
// it (a recents row adds it as coming from the recents); favourite rows, unset rows and dedicated
// IPs add nothing. A favourite: removed, whatever the row. Nothing without a server. The lists
// redraw from the store's "FavoritesUpdated".
void editFavorite(const ZevuDataFetcherTypes::ServerPtr& server, ListItem::RowType rowType);

// The sectioned list's star: turns the favourite over, in the location and in the store, and
// answers the new state; the list then redraws the row and tells whoever keeps its lists.
bool toggleFavorite(const ZevuDataFetcherTypes::ServerPtr& server);

// The list that keeps its own favourites: told after a star click, with the location turned over.
class NSTableCellViewDelegate {
public:
    virtual ~NSTableCellViewDelegate() = default;
    virtual void favoriteChanged(const ZevuDataFetcherTypes::ServerPtr& server) = 0;
};

class LocationRowsModel : public QAbstractListModel {
    Q_OBJECT
public:
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;

    enum Role { ServerRole = Qt::UserRole + 1, RowTypeRole, FavoriteRole, ArrowRole, StarRole, KindRole };

    // A location, or (in the favourites panel) a section's title with its icon, or the note of an
    // empty section, or (in the sectioned list) the centred message of an empty list; titles,
    // notes and messages cannot be chosen.
    enum class Kind { Location, Header, Note, Message };
    // How a location row is laid out: the star at the end with the city arrow before it; the star
    // before a slot for the arrow that is kept even when empty (the sectioned list); or the
    // flag and the name only, in medium weight, 40 high (recent connections).
    enum class Style { Standard, StarThenArrow, Plain };

    struct Row {
        ServerPtr server;
        ListItem::RowType rowType = ListItem::RowType::NotSet;
        // The city arrow (a country with cities, outside the favourites tab).
        bool arrow = false;
        Kind kind = Kind::Location;
        Style style = Style::Standard;
        // The P2P tag after the name.
        bool p2p = false;
        // A title's or a note's text, and a title's image.
        QString text;
        QString imageName;
    };

    using QAbstractListModel::QAbstractListModel;

    // All rows at once: one reset, whatever changed.
    void setRows(std::vector<Row> rows);
    // One row again (its star or name changed): one data change, the other rows untouched.
    void replaceRow(int row, Row value);

    const Row* rowAt(int row) const;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<Row> rows_;
};

class LocationListView : public QListView {
    Q_OBJECT
public:
    enum class Part { None, Row, Arrow, Star };

    explicit LocationListView(QWidget* parent = nullptr);
    // Rows of one height (location lists) lay out without asking each row; a list with titles and
    // wrapped notes asks each row, and again when its width changes.
    void setRowsOfOneHeight(bool oneHeight);

    LocationRowsModel* rows() const { return rows_; }
    // Where a part of a row sits in the viewport; empty for a part the row does not have.
    QRect partRect(const QModelIndex& index, Part part) const;
    Part partAt(const QPoint& viewportPoint) const;
    // The star under the pointer, drawn in its hover image while the location is no favourite.
    QPersistentModelIndex hoveredStar() const { return hoveredStar_; }

signals:
    // A click on the row outside its controls, or Enter / Return on the current row.
    void rowActivated(int row);
    void arrowClicked(int row);
    void starClicked(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setHovered(const QModelIndex& index, Part part);

    LocationRowsModel* rows_;
    QPersistentModelIndex pressed_;
    Part pressedPart_ = Part::None;
    QPersistentModelIndex hoveredStar_;
};

class LocationRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The parts of a row drawn in `row`: the flag, the name, the arrow (when shown) and the star.
    struct Layout {
        QRect flag, title, p2p, arrow, star;
    };
    static Layout layout(const QRect& rowRect, const LocationRowsModel::Row& row);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QPixmap flag(const QString& imageName) const;
    void paintHeader(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintNote(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    mutable QHash<QString, QPixmap> flags_;
};

}  // namespace morvex
