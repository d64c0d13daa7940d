// The location lists' rows as the lists fill them and the user meets them: what a row shows (name,
// flag, star, city arrow, P2P tag), how its star looks under the pointer, and what the star does
// to the favourites by the kind of row.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "state/PreservedPreferences.h"
#include "ui/dashboard/DashboardTestSupport.h"
#include "ui/locations/LocationListView.h"

namespace morvex {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;
using RowType = ListItem::RowType;
using Row = LocationRowsModel::Row;
using Part = LocationListView::Part;

class LocationRowsTest : public test::AlertTest {
protected:
    static std::vector<std::string> favoriteIds() {
        std::vector<std::string> ids;
        for (const auto& s : PreservedPreferences().favorites()) ids.push_back(s->id);
        return ids;
    }
    // A shown list of these rows, each as a list would fill it.
    void show(std::vector<Row> rows) {
        list.resize(360, 300);
        list.rows()->setRows(std::move(rows));
        list.show();
        test::drain();
    }
    QModelIndex at(int row) const { return list.model()->index(row, 0); }
    QImage shot() { return list.viewport()->grab().toImage(); }
    void pointAt(const QPoint& point) {
        QMouseEvent move(QEvent::MouseMove, point, list.viewport()->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &move);
        test::drain();
    }

    LocationListView list;
};

TEST_F(LocationRowsTest, ARowShowsItsLocationAndOnlyThePartsItsListAsksFor) {
    auto berlin = test::location("de-ber", "Berlin", Type::City, "DE");
    berlin->p2p = true;
    auto dedicated = test::location("dip", "Frankfurt", Type::DedicatedIp, "DE");
    dedicated->ip = "10.1.2.3";
    auto germany = test::location("de", "Germany", Type::Country, "DE");
    show({{berlin, RowType::City}, {dedicated, RowType::DedicatedIp}, {germany, RowType::Country, true},
          {germany, RowType::Country, false}});

    EXPECT_EQ(at(0).data().toString(), QStringLiteral("Berlin, DE"));
    EXPECT_FALSE(at(0).data(Qt::DecorationRole).toString().isEmpty()) << "the flag of the location's code";
    EXPECT_EQ(at(1).data().toString(), QStringLiteral("10.1.2.3")) << "a dedicated IP is named by its address";

    const struct {
        int row;
        bool star, arrow;
    } cases[] = {{0, true, false}, {1, false, false}, {2, true, true}, {3, true, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(!list.partRect(at(c.row), Part::Star).isEmpty(), c.star) << "row " << c.row;
        EXPECT_EQ(!list.partRect(at(c.row), Part::Arrow).isEmpty(), c.arrow) << "row " << c.row;
        EXPECT_TRUE(LocationRowDelegate::layout(list.visualRect(at(c.row)), *list.rows()->rowAt(c.row)).p2p.isEmpty())
            << "a P2P location's tag shows only where the list asks for it, row " << c.row;
    }
}

TEST_F(LocationRowsTest, AStarFollowsThePointerOnlyWhileItsLocationIsNoFavourite) {
    auto france = test::location("fr", "France", Type::Country, "FR");
    auto germany = test::location("de", "Germany", Type::Country, "DE");
    germany->favorite = true;
    show({{france, RowType::Country}, {germany, RowType::Country}});
    ASSERT_TRUE(at(1).data(LocationRowsModel::FavoriteRole).toBool());

    const struct {
        int row;
        bool changes;
    } cases[] = {{0, true}, {1, false}};
    for (const auto& c : cases) {
        pointAt({2, 2});
        const QImage before = shot();
        const QRect star = list.partRect(at(c.row), Part::Star);
        pointAt(star.center());
        EXPECT_EQ(list.hoveredStar(), QPersistentModelIndex(at(c.row)));
        EXPECT_EQ(shot().copy(star) != before.copy(star), c.changes) << "row " << c.row;
    }
}

TEST_F(LocationRowsTest, TheStarAddsByRowTypeAndAlwaysRemovesAFavourite) {
    struct Case {
        RowType rowType;
        bool favourite;
        std::vector<std::string> after;
    };
    const std::vector<Case> cases{
        {RowType::Country, false, {"fr"}},   {RowType::City, false, {"fr"}},     {RowType::FastestServer, false, {"fr"}},
        {RowType::Recent, false, {"fr"}},    {RowType::Favorite, false, {}},     {RowType::NotSet, false, {}},
        {RowType::DedicatedIp, false, {}},   {RowType::Country, true, {}},       {RowType::Favorite, true, {}},
        {RowType::Recent, true, {}},
    };
    for (const auto& c : cases) {
        auto france = test::location("fr", "France", Type::Country, "FR");
        PreservedPreferences().setFavorites(c.favourite ? ZevuDataFetcherTypes::ServerList{france} : ZevuDataFetcherTypes::ServerList{});
        france->favorite = c.favourite;
        editFavorite(france, c.rowType);
        EXPECT_EQ(favoriteIds(), c.after) << "row type " << static_cast<int>(c.rowType) << " favourite " << c.favourite;
    }
    editFavorite(nullptr, RowType::Country);
    EXPECT_TRUE(favoriteIds().empty()) << "a row without a location changes nothing";
}

}  // namespace
}  // namespace morvex
