#pragma once
// The text a location list shows in place of rows when it has none to show, by the list's filter.
#include <QLabel>
#include <QPointer>
#include <QWidget>

namespace morvex {

// What a country list shows: everything, its favourites, its recents, port-forwarding locations
// or peer-to-peer locations.
enum class LocationsFilter { All, Favorites, Recents, PF, P2P };

class EmptyCellView : public QWidget {
    Q_OBJECT
public:
    explicit EmptyCellView(QWidget* parent = nullptr);
    QLabel* lblTitle() const { return lblTitle_; }
    // The favourites and the recents have their own texts; every other filter the general one.
    void configure(LocationsFilter filter);

private:
    QPointer<QLabel> lblTitle_;
};

}  // namespace morvex
