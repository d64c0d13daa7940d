#pragma once
// The All / Favorites / Recents switch above the alternative country list. A click hands the
// clicked segment (its "tag" property: 0 all, 1 favourites, 2 recents) to the delegate, which
// changes its list and marks the segment with `select`.
//
// Threads: main thread.
#include <QAbstractButton>
#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "ui/kit/LayerViews.h"

namespace morvex {

class FilterTypeCellViewDelegate {
public:
    virtual ~FilterTypeCellViewDelegate() = default;
    virtual void filterTypeSelected(QObject* sender) = 0;
};

class FilterTypeCellView : public QWidget {
    Q_OBJECT
public:
    static constexpr QColor kSelectedFill{71, 114, 165};
    static constexpr QColor kUnselectedText{28, 28, 28};

    explicit FilterTypeCellView(QWidget* parent = nullptr);

    CustomView* allView() const { return allView_; }
    CustomView* favoritesView() const { return favoritesView_; }
    CustomView* recentsView() const { return recentsView_; }
    QLabel* lblAll() const { return lblAll_; }
    QLabel* lblFavorites() const { return lblFavorites_; }
    QLabel* lblRecents() const { return lblRecents_; }
    // The segment's clickable area, by tag.
    QAbstractButton* segment(int tag) const;

    FilterTypeCellViewDelegate* delegate = nullptr;

    void filterServer(QObject* sender);
    // Marks the segment of that index (0 all, 1 favourites, 2 recents); any other leaves none marked.
    void select(int index);

private:
    CustomView* makeSegment(const char* name, const char* textKey, int tag, QPointer<QLabel>& label);

    QPointer<CustomView> allView_, favoritesView_, recentsView_;
    QPointer<QLabel> lblAll_, lblFavorites_, lblRecents_;
    std::vector<QPointer<QAbstractButton>> segments_;
};

}  // namespace morvex
