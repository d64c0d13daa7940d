#pragma once
// The content of the sort overlay: two choices, by popularity (tag 0) and alphabetically (tag 1),
// told to the country list by notification, and a click beside them that closes the overlay. It
// stores no choice: when it is put into a view it marks the current one by the process-wide sort
// flags, and does not follow later changes of them.
#include <QPointer>
#include <QRect>
#include <optional>
#include <QWidget>
#include <string_view>

#include "ui/locations/SortViewController.h"
#include "ui/locations/WeakDelegate.h"

class QLabel;
class QAbstractButton;

namespace morvex {

class CustomView;

class SortView : public QWidget {
    Q_OBJECT
public:
    explicit SortView(QWidget* parent = nullptr);

    QPointer<QLabel> lblPopularity;
    QPointer<QLabel> lblAlphabetically;
    // Kept for the screen that loads the view; the view itself tells its choices by notification.
    WeakDelegate<SortViewControllerDelegate> delegate;

    // The two choice controls (tags 0 and 1) and the card that holds them.
    QAbstractButton* popularityControl() const { return popularity_; }
    QAbstractButton* alphabeticalControl() const { return alphabetical_; }
    QWidget* card() const;

    // Posts "sortAlphabetically" for a sender tagged other than 0, else "sortPopularity".
    void btnSorting(int senderTag);
    // Posts "dismissPopOver".
    void dismissPopOver();

    // Hangs the card under the control that opened it (its frame in this view's coordinates);
    // without one the card stands at the top right.
    void setAnchor(const QRect& control);

    // Registers the nib the overlay loads this view from.
    static void registerNib();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void viewDidMoveToSuperview();
    void placeCard();

    QPointer<CustomView> card_;
    QPointer<QWidget> rule_;
    std::optional<QRect> anchor_;
    QPointer<QAbstractButton> popularity_;
    QPointer<QAbstractButton> alphabetical_;
};

}  // namespace morvex
