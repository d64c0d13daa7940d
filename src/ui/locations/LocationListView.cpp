#include "ui/locations/LocationListView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <any>

#include "catalog/SavedLocations.h"
#include "ui/kit/DashboardStyle.h"
#include "ui/kit/Transformers.h"
#include "ui/locations/LocationsCellStyle.h"

namespace morvex {

namespace {

using ServerType = ZevuDataFetcherTypes::ServerType;

// A dedicated IP cannot be a favourite, so its row has no star.
bool hasStar(const LocationRowsModel::Row& row) { return row.server && row.server->type != ServerType::DedicatedIp; }

QFont p2pFont() { return dashboard::font(11, QFont::DemiBold); }

QIcon iconNamed(const std::string& name) {
    // The kit's images are cached by name; a QIcon copy shares its data.
    static QHash<QString, QIcon> icons;
    const QString key = QString::fromStdString(name);
    if (auto found = icons.constFind(key); found != icons.cend()) return *found;
    const std::any image = transformers::imageFromName(name);
    const auto* icon = std::any_cast<QIcon>(&image);
    return icons.insert(key, icon ? *icon : QIcon()).value();
}

}  // namespace

void editFavorite(const ZevuDataFetcherTypes::ServerPtr& server, ListItem::RowType rowType) {
    if (!server) return;
    // Over the shared stores, as every edit of the favourites goes through them.
    SavedLocations fetcher;
    if (server->favorite) {
        fetcher.removeFromFavorites(server);
        return;
    }
    switch (rowType) {
    case ListItem::RowType::Country:
    case ListItem::RowType::City:
    case ListItem::RowType::FastestServer: fetcher.addToFavorites(server, SavedLocations::FavoriteSource::Location); return;
    case ListItem::RowType::Recent: fetcher.addToFavorites(server, SavedLocations::FavoriteSource::Recent); return;
    case ListItem::RowType::Favorite:
    case ListItem::RowType::NotSet:
    case ListItem::RowType::DedicatedIp: return;
    }
}

bool toggleFavorite(const ZevuDataFetcherTypes::ServerPtr& server) {
    if (!server) return false;
    SavedLocations fetcher;
    server->favorite = !server->favorite;
    if (server->favorite) fetcher.addToFavorites(server, SavedLocations::FavoriteSource::Location);
    else fetcher.removeFromFavorites(server);
    return server->favorite;
}

// ---- the model ----

void LocationRowsModel::setRows(std::vector<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void LocationRowsModel::replaceRow(int row, Row value) {
    if (row < 0 || row >= rowCount()) return;
    rows_[std::size_t(row)] = std::move(value);
    emit dataChanged(index(row), index(row));
}

const LocationRowsModel::Row* LocationRowsModel::rowAt(int row) const {
    return row >= 0 && row < rowCount() ? &rows_[std::size_t(row)] : nullptr;
}

int LocationRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant LocationRowsModel::data(const QModelIndex& index, int role) const {
    const Row* row = rowAt(index.row());
    if (!row || !index.isValid()) return {};
    switch (role) {
    case KindRole: return static_cast<int>(row->kind);
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        if (row->kind != Kind::Location) return row->text;
        // Names are made on demand: only the rows on screen ask.
        return row->server ? QString::fromStdString(transformers::serverName(std::any(row->server)).value_or("")) : QString();
    case Qt::DecorationRole: {
        if (row->kind == Kind::Header) return row->imageName;
        if (!row->server) return {};
        const auto name = transformers::flagImageName(std::any(row->server->code));
        return name ? QVariant(QString::fromStdString(*name)) : QVariant();
    }
    case ServerRole: return QVariant::fromValue(static_cast<const void*>(row->server.get()));
    case RowTypeRole: return static_cast<int>(row->rowType);
    case FavoriteRole: return row->server && row->server->favorite;
    case ArrowRole: return row->arrow;
    case StarRole: return hasStar(*row);
    default: return {};
    }
}

Qt::ItemFlags LocationRowsModel::flags(const QModelIndex& index) const {
    const Row* row = rowAt(index.row());
    if (!row || !index.isValid()) return Qt::NoItemFlags;
    // Titles and notes are read, never chosen: the keyboard passes over them.
    return row->kind == Kind::Location ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                                       : Qt::ItemNeverHasChildren;
}

// ---- the delegate ----

LocationRowDelegate::Layout LocationRowDelegate::layout(const QRect& rowRect, const LocationRowsModel::Row& row) {
    // As a row of widgets would lay them out: 16 in from the left, 12 from the right, 10 between.
    constexpr int hit = cellstyle::kIconSide + 8;
    constexpr int gap = 10;
    // The sectioned list's arrow slot is a little wider than an icon's hit area.
    constexpr int kArrowSlot = 31;
    using Style = LocationRowsModel::Style;
    const bool star = hasStar(row) && row.style != Style::Plain;
    const bool arrow = row.arrow && row.style != Style::Plain;
    Layout out;
    const int middle = rowRect.top() + rowRect.height() / 2;
    out.flag = QRect(rowRect.left() + cellstyle::kSidePadding, middle - cellstyle::kFlagSide / 2, cellstyle::kFlagSide,
                     cellstyle::kFlagSide);
    int right = rowRect.right() + 1 - (row.style == Style::Plain ? cellstyle::kSidePadding : cellstyle::kSidePadding - 4);
    const auto take = [&](QRect& part, int width) {
        part = QRect(right - width, middle - hit / 2, width, hit);
        right = part.left() - gap;
    };
    if (row.style == Style::StarThenArrow) {
        // The arrow's slot stays (empty) for a country without cities, and so does its gap.
        QRect slot;
        take(slot, arrow ? kArrowSlot : 0);
        if (arrow) out.arrow = slot;
        if (star) take(out.star, hit);
    } else {
        if (star) take(out.star, hit);
        if (arrow) take(out.arrow, hit);
    }
    if (row.p2p) {
        take(out.p2p, QFontMetrics(p2pFont()).horizontalAdvance(QStringLiteral("P2P")) + 10);
        out.p2p = QRect(out.p2p.left(), middle - 9, out.p2p.width(), 18);
    }
    const int titleLeft = out.flag.right() + 1 + gap;
    out.title = QRect(titleLeft, rowRect.top(), std::max(0, right - titleLeft), rowRect.height());
    return out;
}

QPixmap LocationRowDelegate::flag(const QString& imageName) const {
    const QColor border = dashboard::flagBorderColor();
    const QString key = imageName + border.name(QColor::HexArgb);
    if (auto found = flags_.constFind(key); found != flags_.cend()) return *found;
    return flags_.insert(key, dashboard::roundFlag(imageName.toStdString(), cellstyle::kFlagSide, border)).value();
}

namespace {

using Kind = LocationRowsModel::Kind;

Kind kindOf(const QModelIndex& index) { return static_cast<Kind>(index.data(LocationRowsModel::KindRole).toInt()); }

// Titles and notes: 16 in from the left, 12 from the right, 6 above and below; a title's 20-point
// icon and 8 to its text.
constexpr int kTextTop = 6;
constexpr int kTextRight = 12;

QFont headerFont() { return dashboard::font(13, QFont::DemiBold); }
QFont messageFont() { return dashboard::font(13); }
// A message: 16 in from the sides, 12 above and below, centred.
constexpr int kMessageTop = 12;
QFont noteFont() { return dashboard::font(12); }

}  // namespace

void LocationRowDelegate::paintHeader(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QRect row = option.rect.adjusted(cellstyle::kSidePadding, kTextTop, -kTextRight, -kTextTop);
    const QRect icon(row.left(), row.top() + (row.height() - cellstyle::kIconSide) / 2, cellstyle::kIconSide, cellstyle::kIconSide);
    if (const QString name = index.data(Qt::DecorationRole).toString(); !name.isEmpty())
        iconNamed(name.toStdString()).paint(painter, icon);
    painter->setFont(headerFont());
    painter->setPen(dashboard::color("HeadingText"));
    const QRect text = row.adjusted(cellstyle::kIconSide + 8, 0, 0, 0);
    painter->drawText(text, int(Qt::AlignLeft | Qt::AlignVCenter),
                      QFontMetrics(headerFont()).elidedText(index.data().toString(), Qt::ElideRight, text.width()));
}

void LocationRowDelegate::paintNote(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QRect text = option.rect.adjusted(cellstyle::kSidePadding, kTextTop, -kTextRight, -kTextTop);
    painter->setFont(noteFont());
    painter->setPen(dashboard::color("TabText"));
    painter->drawText(text, int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap), index.data().toString());
}

void LocationRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const auto* rows = qobject_cast<const LocationRowsModel*>(index.model());
    const LocationRowsModel::Row* row = rows ? rows->rowAt(index.row()) : nullptr;
    if (!row) return;
    if (row->kind == Kind::Message) {
        // On the list's panel, with its grid line.
        QStyleOptionViewItem panel = option;
        panel.state &= ~(QStyle::State_HasFocus | QStyle::State_Selected | QStyle::State_MouseOver);
        QStyledItemDelegate::paint(painter, panel, QModelIndex());
        painter->save();
        painter->setFont(messageFont());
        painter->setPen(dashboard::color("TabText"));
        painter->drawText(option.rect.adjusted(cellstyle::kSidePadding, kMessageTop, -cellstyle::kSidePadding, -kMessageTop),
                          int(Qt::AlignCenter | Qt::TextWordWrap), row->text);
        painter->restore();
        return;
    }
    if (row->kind != Kind::Location) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        row->kind == Kind::Header ? paintHeader(painter, option, index) : paintNote(painter, option, index);
        painter->restore();
        return;
    }
    // The item's panel through the view's style (its style sheet draws the grid line and the
    // keyboard's selection); the row's content on top.
    QStyleOptionViewItem panel = option;
    panel.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, panel, QModelIndex());

    const Layout parts = layout(option.rect, *row);
    const bool arrow = !parts.arrow.isEmpty();
    const bool star = !parts.star.isEmpty();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (const QString flagName = index.data(Qt::DecorationRole).toString(); !flagName.isEmpty())
        painter->drawPixmap(parts.flag, flag(flagName));

    const QFont font = dashboard::font(14, row->style == LocationRowsModel::Style::Plain ? QFont::Medium : QFont::Normal);
    painter->setFont(font);
    painter->setPen(dashboard::color("HeadingText"));
    const QString name = QFontMetrics(font).elidedText(index.data().toString(), Qt::ElideRight, parts.title.width());
    painter->drawText(parts.title, int(Qt::AlignLeft | Qt::AlignVCenter), name);
    if (!parts.p2p.isEmpty()) {
        const QColor theme = dashboard::color("ThemeColor");
        painter->setPen(QPen(theme, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(parts.p2p).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        painter->setFont(p2pFont());
        painter->drawText(parts.p2p, int(Qt::AlignCenter), QStringLiteral("P2P"));
    }

    // Centred in its hit area as a button draws its icon.
    const auto iconRect = [](const QRect& hit) {
        return QRect(hit.left() + (hit.width() - cellstyle::kIconSide) / 2, hit.top() + (hit.height() - cellstyle::kIconSide) / 2,
                     cellstyle::kIconSide, cellstyle::kIconSide);
    };
    if (arrow) iconNamed("LocationsDetailArrow").paint(painter, iconRect(parts.arrow));
    if (star) {
        const bool favorite = index.data(LocationRowsModel::FavoriteRole).toBool();
        const auto* view = qobject_cast<const LocationListView*>(option.widget);
        // A favourite's star stays filled under the pointer; any other turns gold.
        const bool hovered = !favorite && view && view->hoveredStar() == index;
        iconNamed(hovered ? std::string("LocationsFavoriteUnfilledHovered") : transformers::favoriteImageName(std::any(favorite)))
            .paint(painter, iconRect(parts.star));
    }
    painter->restore();
}

QSize LocationRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    // The width is the list's: a list view stretches its rows across.
    const Kind kind = kindOf(index);
    if (kind == Kind::Location) {
        const auto* rows = qobject_cast<const LocationRowsModel*>(index.model());
        const LocationRowsModel::Row* row = rows ? rows->rowAt(index.row()) : nullptr;
        // A recent connection's row: the 24-point flag with 8 above and below.
        if (row && row->style == LocationRowsModel::Style::Plain)
            return {200, std::max(cellstyle::kFlagSide, QFontMetrics(dashboard::font(14, QFont::Medium)).height()) + 16};
        return {200, cellstyle::kRowHeight};
    }
    if (kind == Kind::Message) {
        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        const int width = std::max(view ? view->viewport()->width() : 200, 200) - 2 * cellstyle::kSidePadding;
        const QRect wrapped = QFontMetrics(messageFont()).boundingRect(QRect(0, 0, width, 10000),
                                                                       int(Qt::AlignCenter | Qt::TextWordWrap), index.data().toString());
        return {200, wrapped.height() + 2 * kMessageTop};
    }
    if (kind == Kind::Header)
        return {120, std::max(cellstyle::kIconSide, QFontMetrics(headerFont()).height()) + 2 * kTextTop};
    // A note wraps at the list's width and grows downwards.
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const int width = std::max(view ? view->viewport()->width() : 120, 120) - cellstyle::kSidePadding - kTextRight;
    const QRect wrapped = QFontMetrics(noteFont()).boundingRect(QRect(0, 0, width, 10000),
                                                                int(Qt::AlignLeft | Qt::TextWordWrap), index.data().toString());
    return {120, wrapped.height() + 2 * kTextTop};
}

// ---- the view ----

LocationListView::LocationListView(QWidget* parent) : QListView(parent), rows_(new LocationRowsModel(this)) {
    setModel(rows_);
    setItemDelegate(new LocationRowDelegate(this));
    // Every row is as high as the first: the view lays 10,000 rows out without asking each.
    setUniformItemSizes(true);
    setMouseTracking(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFocusPolicy(Qt::StrongFocus);
    // A reset drops the hover and a press in progress with the old rows.
    connect(rows_, &QAbstractItemModel::modelReset, this, [this] {
        pressed_ = QPersistentModelIndex();
        pressedPart_ = Part::None;
        hoveredStar_ = QPersistentModelIndex();
    });
}

void LocationListView::setRowsOfOneHeight(bool oneHeight) {
    setUniformItemSizes(oneHeight);
    // Rows of their own heights are measured again when the list's width changes.
    setResizeMode(oneHeight ? QListView::Fixed : QListView::Adjust);
}

QRect LocationListView::partRect(const QModelIndex& index, Part part) const {
    const LocationRowsModel::Row* row = rows_->rowAt(index.row());
    if (!row || !index.isValid() || part == Part::None) return {};
    if (row->kind != LocationRowsModel::Kind::Location) return part == Part::Row ? visualRect(index) : QRect();
    const QRect rect = visualRect(index);
    if (part == Part::Row) return rect;
    const auto parts = LocationRowDelegate::layout(rect, *row);
    return part == Part::Star ? parts.star : parts.arrow;
}

LocationListView::Part LocationListView::partAt(const QPoint& viewportPoint) const {
    const QModelIndex index = indexAt(viewportPoint);
    if (!index.isValid()) return Part::None;
    if (partRect(index, Part::Star).contains(viewportPoint)) return Part::Star;
    if (partRect(index, Part::Arrow).contains(viewportPoint)) return Part::Arrow;
    return Part::Row;
}

void LocationListView::setHovered(const QModelIndex& index, Part part) {
    const QPersistentModelIndex star = part == Part::Star ? QPersistentModelIndex(index) : QPersistentModelIndex();
    if (star != hoveredStar_) {
        if (hoveredStar_.isValid()) viewport()->update(visualRect(hoveredStar_));
        hoveredStar_ = star;
        if (hoveredStar_.isValid()) viewport()->update(visualRect(hoveredStar_));
    }
    if (part == Part::Star || part == Part::Arrow) viewport()->setCursor(Qt::PointingHandCursor);
    else viewport()->unsetCursor();
}

void LocationListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QListView::mousePressEvent(event);
    // A click acts on release over the part it pressed; it selects nothing (a row never stays
    // selected), but the keyboard goes on from the row clicked.
    const QPoint at = event->position().toPoint();
    pressed_ = indexAt(at);
    pressedPart_ = partAt(at);
    if (pressed_.isValid()) selectionModel()->setCurrentIndex(pressed_, QItemSelectionModel::Clear);
    event->accept();
}

void LocationListView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a double click is one more click.
    mousePressEvent(event);
}

void LocationListView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QListView::mouseReleaseEvent(event);
    const QPoint at = event->position().toPoint();
    const QPersistentModelIndex pressed = pressed_;
    const Part part = pressedPart_;
    pressed_ = QPersistentModelIndex();
    pressedPart_ = Part::None;
    event->accept();
    if (!pressed.isValid() || indexAt(at) != pressed || partAt(at) != part) return;
    const int row = pressed.row();
    switch (part) {
    case Part::Row: emit rowActivated(row); return;
    case Part::Arrow: emit arrowClicked(row); return;
    case Part::Star: emit starClicked(row); return;
    case Part::None: return;
    }
}

void LocationListView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    setHovered(indexAt(at), partAt(at));
    // A drag with the button down selects nothing.
    if (event->buttons() == Qt::NoButton) QListView::mouseMoveEvent(event);
}

void LocationListView::leaveEvent(QEvent* event) {
    setHovered({}, Part::None);
    QListView::leaveEvent(event);
}

void LocationListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (const QModelIndex current = currentIndex(); current.isValid()) emit rowActivated(current.row());
        event->accept();
        return;
    }
    // The arrows, Home, End and the page keys move the selection as in any list.
    QListView::keyPressEvent(event);
}

}  // namespace morvex
