#pragma once
// A controller that shows one of its child controllers at a time, like a tab view without tabs:
// children are added in page order and owned by the container; a child's view is made the first
// time its page is selected. The selected child hears that it appears and disappears with the
// container, and a change of selection while the container is shown tells the old page that it
// disappears and the new one that it appears.
//
// `transition` moves from one child to another the way a tab switch looks, optionally
// cross-fading: the new child shows (and hears that it appears) at once under a picture of the old
// one that fades out, and the completion runs when the fade is over. It does not change the
// selection; callers that switch pages set it in the completion. A transition still under way
// when another starts, or when the selection is set, is finished first (its completion runs).
//
// Threads: main thread only.
#include <QLabel>
#include <QPointer>
#include <QVariantAnimation>
#include <functional>
#include <vector>

#include "appkit/ViewController.h"

class QStackedWidget;

namespace morvex::appkit {

class TabViewController : public ViewController {
    Q_OBJECT
public:
    enum class TransitionOptions { None = 0, Crossfade = 1 };
    static constexpr int kCrossfadeMilliseconds = 250;

    explicit TabViewController(QObject* parent = nullptr);

    // Appends a page; the container owns it. The first page added is selected.
    void addChildViewController(ViewController* child);
    int count() const { return static_cast<int>(children_.size()); }
    // The page at `index`; null outside 0..count-1 (or when the child was deleted).
    ViewController* childViewControllerAt(int index) const;

    // -1 while there is no page.
    int selectedTabViewItemIndex() const { return selected_; }
    // Out-of-range indexes are ignored.
    void setSelectedTabViewItemIndex(int index);
    ViewController* selectedViewController() const { return childViewControllerAt(selected_); }

    // From `from` to `to` (children of this container; the same one for both is allowed and still
    // runs the fade). While the container is not on screen there is nothing to fade: the new child
    // shows and the completion runs at once.
    void transition(ViewController* from, ViewController* to, TransitionOptions options, std::function<void()> completion);
    bool isTransitioning() const { return animation_ != nullptr; }
    // Ends the transition under way at once (its completion runs); nothing when there is none.
    void finishTransition();

    void loadView() override;
    // Subclasses that override these call the base version.
    void viewDidAppear() override;
    void viewDidDisappear() override;

signals:
    void selectedTabViewItemIndexChanged(int index);

protected:
    // Told around every change of selection (also the first page's, when it is added): `will`
    // before the old page goes, `did` once the new one is in place. The base versions do nothing.
    virtual void willSelectTabViewItem(int index) { (void)index; }
    virtual void didSelectTabViewItem(int index) { (void)index; }

private:
    void showSelected();
    void show(ViewController* child);

    std::vector<QPointer<ViewController>> children_;
    int selected_ = -1;
    QStackedWidget* stack_ = nullptr;
    bool shown_ = false;
    // The transition under way: the fading picture of the old child and what runs at the end.
    QPointer<QVariantAnimation> animation_;
    QPointer<QLabel> fading_;
    QPointer<QWidget> revealing_;  // the new page, held transparent until the old one is gone
    ViewController* transitionTarget_ = nullptr;
    std::function<void()> completion_;
};

}  // namespace morvex::appkit
